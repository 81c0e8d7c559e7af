// The voltage, width and gain entries confirmed by Enter and by their buttons: rounding,
// refusals, what the width does to the probe frequency and the PRF.
#include "panel_rig.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

using Command3 = std::array<std::uint8_t, 3>;
constexpr bool kButton = true;
constexpr bool kEnter = false;

struct Typed {
    const char* text;
    bool by_button;
    const char* entry_after;
    const char* shown_after; // nullptr: unchanged
    std::optional<Command3> sent;
    const char* message; // nullptr: none
};

void confirm(PanelRig& rig, Field field, const std::string& text, bool by_button) {
    rig.view.entries[field] = text;
    if (by_button)
        rig.panel.press_button(field, text);
    else
        rig.panel.confirm(field, text, ConfirmedBy::enter);
}

// The commands the instrument took for one field (a width may send a lowered PRF too).
Applied frames_of(const PanelRig& rig, Field field) {
    Applied frames;
    for (const auto& frame : rig.applied()) {
        if (frame[0] == descriptor(field).code) frames.push_back(frame);
    }
    return frames;
}

void check(Field field, const std::vector<Typed>& cases) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    for (const Typed& typed : cases) {
        const std::string what = std::string(typed.text) + (typed.by_button ? " button" : " Enter");
        rig.view.messages.clear();
        rig.view.outcomes.clear();
        const std::string before = rig.view.shown[field];
        const std::size_t sent_before = frames_of(rig, field).size();
        confirm(rig, field, typed.text, typed.by_button);
        EXPECT_EQ(rig.view.entries[field], typed.entry_after) << what;
        EXPECT_EQ(rig.view.shown[field], typed.shown_after ? typed.shown_after : before) << what;
        EXPECT_EQ(rig.panel.params()[field], rig.view.shown[field]) << what;
        const Applied frames = frames_of(rig, field);
        if (typed.sent) {
            ASSERT_EQ(frames.size(), sent_before + 1) << what;
            EXPECT_EQ(frames.back(), *typed.sent) << what;
        } else {
            EXPECT_EQ(frames.size(), sent_before) << what;
        }
        if (typed.message)
            EXPECT_EQ(rig.view.messages, std::vector<std::string>{typed.message}) << what;
        else
            EXPECT_TRUE(rig.view.messages.empty()) << what;
        // The same told as data: the refusal with its field, or the command with its text.
        const auto refused = rig.view.all<Refused>();
        std::vector<Sent> sent;
        for (const Sent& each : rig.view.all<Sent>()) {
            if (each.field == field) sent.push_back(each);
        }
        EXPECT_EQ(refused.size(), typed.message ? 1u : 0u) << what;
        if (!refused.empty()) {
            EXPECT_EQ(refused[0].field, field) << what;
        }
        EXPECT_EQ(sent.size(), typed.sent ? 1u : 0u) << what;
        if (!sent.empty()) {
            EXPECT_EQ(sent[0].text, rig.view.shown[field]) << what;
            EXPECT_EQ(sent[0].before, before) << what;
            EXPECT_EQ(sent[0].delivery, SendResult::delivered) << what;
        }
    }
    EXPECT_EQ(rig.instrument.rejected_values(), 0);
}

} // namespace

TEST(VoltageEntry, RoundsDownToStepsOfTwentyFiveAndRefusesOutOfRange) {
    const char* enter = "电压值范围25~400V!";
    const char* button = "电压值：-25~400V!";
    check(Field::voltage, {{"400", kEnter, "400", "400", Command3{2, 16, 0}, nullptr},
                           {"25", kEnter, "25", "25", Command3{2, 1, 0}, nullptr},
                           {"-150", kEnter, "150", "150", Command3{2, 6, 0}, nullptr},
                           {"110", kEnter, "100", "100", Command3{2, 4, 0}, nullptr},
                           {"110", kButton, "100", "100", Command3{2, 4, 0}, nullptr},
                           {"399", kButton, "375", "375", Command3{2, 15, 0}, nullptr},
                           {"0100", kEnter, "100", "100", Command3{2, 4, 0}, nullptr},
                           {"401", kEnter, "401", nullptr, std::nullopt, enter},
                           {"24", kEnter, "24", nullptr, std::nullopt, enter},
                           {"-24", kButton, "24", nullptr, std::nullopt, button},
                           {"0", kButton, "0", nullptr, std::nullopt, button},
                           {"-", kEnter, "-", nullptr, std::nullopt, enter},
                           {"1-2", kButton, "1-2", nullptr, std::nullopt, button}});
}

TEST(WidthEntry, RoundsDownToFiveBelowAThousandAndToTwentyFromIt) {
    const char* enter = "脉冲宽度25~6500ns";
    const char* button = "脉冲宽度：25~6500ns!";
    check(Field::pw, {{"1234", kEnter, "1220", "1220", Command3{6, 196, 4}, nullptr},
                      {"999", kEnter, "995", "995", Command3{6, 227, 3}, nullptr},
                      {"1019", kButton, "1000", "1000", Command3{6, 232, 3}, nullptr},
                      {"27", kEnter, "25", "25", Command3{6, 25, 0}, nullptr},
                      {"6500", kButton, "6500", "6500", Command3{6, 100, 25}, nullptr},
                      {"6501", kEnter, "6501", nullptr, std::nullopt, enter},
                      {"24", kButton, "24", nullptr, std::nullopt, button},
                      {"1.5", kEnter, "1.5", nullptr, std::nullopt, enter}});
}

TEST(GainEntry, ShownExactlyAsTypedOneRefusalText) {
    const char* refused = "增益值：-50~60dB!";
    check(Field::gain, {{"60", kEnter, "60", "60", Command3{1, 110, 0}, nullptr},
                        {"-50", kButton, "-50", "-50", Command3{1, 0, 0}, nullptr},
                        {"0", kEnter, "0", "0", Command3{1, 50, 0}, nullptr},
                        {"05", kEnter, "05", "05", Command3{1, 55, 0}, nullptr},
                        {"-0", kButton, "-0", "-0", Command3{1, 50, 0}, nullptr},
                        {"61", kEnter, "61", nullptr, std::nullopt, refused},
                        {"-51", kButton, "-51", nullptr, std::nullopt, refused},
                        {"5-", kEnter, "5-", nullptr, std::nullopt, refused}});
}

// Text that gets past the key filters (pasted) is refused like an out-of-range value.
TEST(Entries, TextThatIsNotAWholeNumberIsRefusedAndNeverSent) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    const SettingsTexts before = rig.display();
    for (const Field field : entry_fields()) {
        for (const char* text : {"１００", "2.5e3", "abc", "12 34", "-", "--5", "+40", "100\n",
                                 "999999999", "99999999999999999999"}) {
            for (const bool by_button : {false, true}) {
                rig.view.messages.clear();
                confirm(rig, field, text, by_button);
                EXPECT_EQ(rig.view.messages,
                          std::vector<std::string>{refusal_text(
                              field, by_button ? ConfirmedBy::button : ConfirmedBy::enter)})
                    << text;
            }
        }
    }
    EXPECT_EQ(rig.display(), before);
    EXPECT_TRUE(rig.applied().empty());
}

TEST(Entries, AButtonPutsTheShownValuesBackIntoTheOtherTwoEnterDoesNot) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    const auto scribble = [&] {
        for (const Field field : entry_fields())
            rig.view.entries[field] = "77";
    };
    scribble();
    rig.panel.confirm(Field::gain, "77", ConfirmedBy::enter); // refused
    EXPECT_EQ(rig.view.entries[Field::voltage], "77");
    EXPECT_EQ(rig.view.entries[Field::pw], "77");
    rig.panel.press_button(Field::gain, "77"); // refused, still resets
    EXPECT_EQ(rig.view.entries[Field::voltage], "100");
    EXPECT_EQ(rig.view.entries[Field::pw], "200");
    EXPECT_EQ(rig.view.entries[Field::gain], "77");
    scribble();
    rig.panel.confirm(Field::voltage, "77", ConfirmedBy::enter);
    EXPECT_EQ(rig.view.entries[Field::gain], "77");
    scribble();
    rig.panel.press_button(Field::voltage, "77"); // 75
    EXPECT_EQ(rig.view.entries[Field::gain], "0");
    EXPECT_EQ(rig.view.entries[Field::pw], "200");
    EXPECT_EQ(rig.view.shown[Field::voltage], "75");
    scribble();
    rig.panel.press_button(Field::pw, "77"); // 75
    EXPECT_EQ(rig.view.entries[Field::gain], "0");
    EXPECT_EQ(rig.view.entries[Field::voltage], "75");
    EXPECT_EQ(rig.view.entries[Field::pw], "75");
}

TEST(Entries, AKeyAndAButtonMoveTheEmphasis) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    for (const Field field : entry_fields()) {
        rig.panel.show_emphasis(Field::mode);
        rig.panel.entry_key_done(field);
        EXPECT_EQ(rig.view.emphasised, field);
        rig.panel.show_emphasis(Field::mode);
        rig.panel.press_button(field, "1"); // refused: the emphasis moved all the same
        EXPECT_EQ(rig.view.emphasised, field);
    }
}

// An entry shows its value, then sends it: a failed send finds the display changed.
TEST(Entries, TheDisplayChangesBeforeTheSendAndStaysWhenItFails) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.instrument.faults.absent = true;
    std::vector<std::string> during;
    rig.view.during_message = [&] {
        during.push_back(rig.view.shown[Field::gain] + " " + rig.view.shown[Field::voltage] + " " +
                         rig.view.shown[Field::pw] + " " + rig.view.shown[Field::probe_freq]);
    };
    rig.panel.confirm(Field::gain, "-7", ConfirmedBy::enter);
    rig.panel.press_button(Field::voltage, "260");
    rig.panel.confirm(Field::pw, "1010", ConfirmedBy::enter);
    // The probe frequency follows the width after its send.
    EXPECT_EQ(during,
              (std::vector<std::string>{"-7 100 200 2.50", "-7 250 200 2.50", "-7 250 1000 2.50"}));
    EXPECT_EQ(rig.view.messages, std::vector<std::string>(3, kConnectionFailed));
    EXPECT_EQ(rig.view.shown[Field::probe_freq], "0.50");
}

// A longer width brings the PRF down to what it allows, and the lowered PRF goes out before
// the width: the instrument is never outside its envelope, whether or not its firmware lowers
// the PRF itself.
TEST(WidthEntry, ALongWidthLowersThePrfAndSendsItBeforeTheWidth) {
    struct Case {
        const char* prf;
        const char* width;
        const char* prf_after;
        std::uint8_t prf_code; // 0: the PRF stays and is not sent
    };
    for (const Case c : {Case{"1000", "6500", "500", 3},
                         {"5000", "6500", "500", 3},
                         {"500", "6500", "500", 0},
                         {"100", "6500", "100", 0},
                         {"5000", "1000", "2000", 5},
                         {"2000", "2000", "1000", 4},
                         {"5000", "5000", "500", 3},
                         {"1000", "3000", "1000", 0},
                         {"5000", "995", "5000", 0},
                         {"2000", "1980", "2000", 0}}) {
        const std::string what = std::string(c.prf) + " " + c.width;
        PanelRig rig;
        rig.panel.start(std::nullopt);
        rig.panel.apply_settings_fields(
            {"单", "0", "100", "内部", c.prf, "10", "200", "MHz", "2.50", "50"});
        rig.view.lists[Field::prf] = "typed";
        rig.panel.confirm(Field::pw, c.width, ConfirmedBy::enter);
        EXPECT_EQ(rig.view.shown[Field::prf], c.prf_after) << what;
        EXPECT_EQ(rig.panel.params().prf, c.prf_after) << what;
        EXPECT_EQ(rig.view.lists[Field::prf], std::string(c.prf_after) + "Hz")
            << what; // changed or not
        const Applied applied = rig.applied();
        ASSERT_EQ(applied.size(), c.prf_code ? 2u : 1u) << what;
        if (c.prf_code) {
            EXPECT_EQ(applied.front(), (std::array<std::uint8_t, 3>{4, c.prf_code, 0}));
        }
        EXPECT_EQ(applied.back()[0], 6) << what;
    }
}

TEST(WidthEntry, WhenTheLoweredPrfIsNotTakenTheWidthIsNotSent) {
    for (const bool absent : {false, true}) {
        PanelRig rig;
        rig.panel.start(std::nullopt); // 1000 Hz
        (absent ? rig.instrument.faults.absent : rig.instrument.faults.data) = true;
        rig.panel.confirm(Field::pw, "6500", ConfirmedBy::enter);
        EXPECT_EQ(rig.call_kinds(), absent ? "3RR4" : "3RR40"); // the PRF's command only
        EXPECT_EQ(rig.view.messages, std::vector<std::string>{kConnectionFailed});
        EXPECT_EQ(rig.view.shown[Field::pw], "6500"); // the operator's value stays shown
        EXPECT_EQ(rig.view.shown[Field::prf], "500");
    }
}

TEST(WidthEntry, SetsTheProbeFrequencyARefusedWidthTouchesNothing) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    for (const auto& [width, probe] : {std::pair{"4000", "0.12"}, {"25", "20.00"}}) {
        rig.panel.press_button(Field::pw, width);
        EXPECT_EQ(rig.view.shown[Field::probe_freq], probe) << width;
    }
    rig.panel.confirm(Field::pw, "6500", ConfirmedBy::enter);
    rig.view.lists[Field::prf] = "typed";
    const SettingsTexts before = rig.display();
    rig.panel.confirm(Field::pw, "24", ConfirmedBy::enter);
    rig.panel.press_button(Field::pw, "6501");
    EXPECT_EQ(rig.display(), before);
    EXPECT_EQ(rig.view.shown[Field::prf], "500");
    EXPECT_EQ(rig.view.lists[Field::prf], "typed");
}

// The voltage and gain leave the PRF and the probe frequency alone.
TEST(Entries, OnlyTheWidthTouchesOtherFields) {
    PanelRig rig({0, 50, 4, 0, 6, 0, 200, 0, 1, 1}); // 5000 Hz
    rig.panel.start(std::nullopt);
    SettingsTexts expected = rig.display();
    rig.panel.press_button(Field::voltage, "400");
    rig.panel.press_button(Field::gain, "60");
    expected[static_cast<std::size_t>(Field::voltage)] = "400";
    expected[static_cast<std::size_t>(Field::gain)] = "60";
    EXPECT_EQ(rig.display(), expected);
}

// The dry run refuses exactly what applying the changes one by one refuses, and sends or
// shows nothing itself.
TEST(Validate, RefusesWhatApplyingRefusesAndSendsNothing) {
    using C = std::vector<Change>;
    const std::vector<C> cases{
        {{Field::damping, "150"}, {Field::gain, "20"}},
        {{Field::gain, "61"}},
        {{Field::voltage, "-130"}, {Field::pw, "abc"}},
        {{Field::pw, "6000"}, {Field::prf, "1000"}}, // the width lowers what the list allows
        {{Field::prf, "5000Hz"}, {Field::pw, "2000"}},
        {{Field::pw, "6500"}, {Field::prf, "500"}, {Field::pw, "100"}, {Field::prf, "5000"}},
        {{Field::mode, "双"}, {Field::hpf_unit, "1kHz"}, {Field::lpf, "30MHz"}},
        {{Field::pw, "7000"}, {Field::prf, "5000"}},
    };
    for (const C& changes : cases) {
        PanelRig rig;
        rig.panel.start(std::nullopt);
        const std::string calls = rig.call_kinds();
        std::vector<Field> refused;
        for (const Refused& each : rig.panel.validate(changes))
            refused.push_back(each.field);
        EXPECT_EQ(rig.call_kinds(), calls);

        for (const Change& change : changes)
            rig.panel.apply(change);
        std::vector<Field> applying;
        for (const Refused& each : rig.view.all<Refused>())
            applying.push_back(each.field);
        EXPECT_EQ(refused, applying) << changes.front().value;
    }
}
