// The six choice lists: what a choice sends and shows, in which order, and the PRF list's
// interlock with the pulse width.
#include "panel_rig.h"
#include "sim_cases.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

using Command3 = std::array<std::uint8_t, 3>;
const char* const kRefused = "重复频率与脉冲宽度不匹配，请重新选择重复频率！";

} // namespace

TEST(Lists, EveryEntrySendsItsFrameAndShowsItsText) {
    struct Case {
        Field field;
        int position;
        Command3 sent;
        const char* shown;
    };
    const Case cases[] = {
        {Field::mode, 0, {0, 0, 0}, "单"},      {Field::mode, 1, {0, 1, 0}, "双"},
        {Field::trigger, 0, {3, 0, 0}, "内部"}, {Field::trigger, 1, {3, 1, 0}, "外部"},
        {Field::damping, 0, {8, 4, 0}, "400"},  {Field::damping, 1, {8, 3, 0}, "150"},
        {Field::damping, 2, {8, 2, 0}, "80"},   {Field::damping, 3, {8, 1, 0}, "50"},
        {Field::lpf, 0, {5, 1, 0}, "30"},       {Field::lpf, 1, {5, 0, 0}, "10"},
        {Field::hpf_unit, 0, {7, 0, 0}, "kHz"}, {Field::hpf_unit, 1, {7, 1, 0}, "MHz"},
        {Field::prf, 0, {4, 1, 0}, "100"},      {Field::prf, 2, {4, 3, 0}, "500"},
    };
    PanelRig rig;
    rig.panel.start(std::nullopt);
    for (const Case& c : cases) {
        const std::string what =
            std::string(field_name(c.field)) + " " + std::to_string(c.position);
        const std::size_t before = rig.applied().size();
        rig.panel.choose(c.field, c.position);
        ASSERT_EQ(rig.applied().size(), before + 1) << what;
        EXPECT_EQ(rig.applied().back(), c.sent) << what;
        EXPECT_EQ(rig.view.shown[c.field], c.shown) << what;
        EXPECT_EQ(rig.panel.params()[c.field], c.shown) << what;
        EXPECT_EQ(rig.view.emphasised, c.field) << what;
    }
    EXPECT_TRUE(rig.view.messages.empty());
    EXPECT_EQ(rig.instrument.violations(), 0);
    EXPECT_EQ(rig.instrument.rejected_values(), 0);
}

TEST(Lists, AChoiceIsOneAnnounceThenItsDataFrameAndTheChoiceInForceGoesAgain) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    const std::size_t before = rig.instrument.calls().size();
    rig.panel.choose(Field::damping, 1);
    rig.panel.choose(Field::damping, 1);
    const auto& calls = rig.instrument.calls();
    ASSERT_EQ(calls.size(), before + 4);
    EXPECT_EQ(sim::trace_line(calls[before]), "W 01020304050102030405010203040504 0");
    EXPECT_EQ(sim::trace_line(calls[before + 1]), "W 01020304050102030405010803000000 0");
    EXPECT_EQ(rig.view.waited, kReadWait + 2 * kSendWait);
    EXPECT_EQ(rig.applied(), (Applied{{8, 3, 0}, {8, 3, 0}}));
}

TEST(Lists, NoEntryChosenOnlyMovesTheEmphasis) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    const SettingsTexts shown = rig.display();
    const int calls = static_cast<int>(rig.instrument.calls().size());
    for (const Field field : list_fields()) {
        for (const int position : {-1, static_cast<int>(descriptor(field).choices.size())}) {
            rig.view.emphasised.reset();
            rig.panel.choose(field, position);
            EXPECT_EQ(rig.view.emphasised, field);
        }
    }
    EXPECT_EQ(static_cast<int>(rig.instrument.calls().size()), calls);
    EXPECT_EQ(rig.display(), shown);
    EXPECT_TRUE(rig.view.messages.empty());
}

// Work mode shows its new text before it is sent; every other list sends first. The order
// shows when the send fails: the message comes up in the middle.
TEST(Lists, WorkModeShowsBeforeSendingTheOthersAfter) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.instrument.faults.absent = true;
    std::map<Field, std::string> during_message;
    Field chosen = Field::mode;
    rig.view.during_message = [&] { during_message[chosen] = rig.view.shown[chosen]; };
    const std::pair<Field, int> choices[] = {{Field::mode, 1},     {Field::trigger, 1},
                                             {Field::damping, 1},  {Field::lpf, 0},
                                             {Field::hpf_unit, 0}, {Field::prf, 0}};
    for (const auto& [field, position] : choices) {
        chosen = field;
        rig.panel.choose(field, position);
    }
    EXPECT_EQ(rig.view.messages, std::vector<std::string>(6, kConnectionFailed));
    EXPECT_EQ(during_message[Field::mode], "双");
    EXPECT_EQ(during_message[Field::trigger], "内部");
    EXPECT_EQ(during_message[Field::damping], "50");
    EXPECT_EQ(during_message[Field::lpf], "10");
    EXPECT_EQ(during_message[Field::hpf_unit], "MHz");
    EXPECT_EQ(during_message[Field::prf], "1000");
    // The record is never rolled back.
    EXPECT_EQ(rig.display(),
              (SettingsTexts{"双", "0", "100", "外部", "100", "30", "200", "kHz", "2.50", "150"}));
}

TEST(Lists, ChoicesMadeDuringASendGoOutAfterIt) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.view.during_wait.push_back([&] { rig.panel.choose(Field::lpf, 0); });
    rig.view.during_wait.push_back([&] { rig.panel.choose(Field::trigger, 1); });
    rig.panel.choose(Field::damping, 2);
    EXPECT_EQ(rig.applied(), (Applied{{8, 2, 0}, {5, 1, 0}, {3, 1, 0}}));
    EXPECT_EQ(rig.instrument.violations(), 0);
    EXPECT_EQ(rig.view.shown[Field::lpf], "30");
    EXPECT_EQ(rig.view.shown[Field::trigger], "外部");
}

TEST(PrfList, EachEntryIsAllowedBelowItsLimitAndRefusedFromIt) {
    struct Case {
        int width;
        int position;
        bool allowed;
    };
    const char* const entries[] = {"100", "200", "500", "1000", "2000", "5000"};
    for (const Case c : {Case{4999, 3, true},
                         {5000, 3, false},
                         {1999, 4, true},
                         {2000, 4, false},
                         {999, 5, true},
                         {1000, 5, false},
                         {6500, 0, true},
                         {6500, 1, true},
                         {6500, 2, true},
                         {25, 5, true}}) {
        const std::string what = std::to_string(c.width) + " / " + std::to_string(c.position);
        // The display shows 200 ns: the check is against the width fetched at the opening.
        PanelRig rig(sim::kDefaultSettings);
        rig.panel.start(std::nullopt);
        rig.instrument.set_settings(with_width(c.width));
        rig.panel.open_list(Field::prf);
        EXPECT_EQ(rig.view.shown[Field::pw], std::to_string(c.width)) << what;
        rig.panel.choose(Field::prf, c.position);
        EXPECT_EQ(rig.view.emphasised, Field::prf) << what;
        if (c.allowed) {
            EXPECT_EQ(rig.applied(), (Applied{{4, static_cast<std::uint8_t>(c.position + 1), 0}}))
                << what;
            EXPECT_EQ(rig.view.shown[Field::prf], entries[c.position]) << what;
            EXPECT_TRUE(rig.view.messages.empty()) << what;
        } else {
            EXPECT_TRUE(rig.applied().empty()) << what;
            EXPECT_EQ(rig.view.shown[Field::prf], "1000") << what;
            EXPECT_EQ(rig.view.messages, std::vector<std::string>{kRefused}) << what;
            EXPECT_EQ(rig.view.lists[Field::prf], "1000Hz") << what;
        }
    }
}

TEST(PrfList, ARefusalPutsBackTheTextOfTheLastOpening) {
    PanelRig rig(with_width(2000));
    rig.panel.start(std::nullopt);
    rig.view.lists[Field::prf] = "typed"; // an input aid, remembered as the list opens
    rig.panel.open_list(Field::prf);
    EXPECT_EQ(rig.panel.prf_text_saved(), "typed");
    std::string list_during_message;
    rig.view.during_message = [&] { list_during_message = rig.view.lists[Field::prf]; };
    rig.panel.choose(Field::prf, 5);
    EXPECT_EQ(list_during_message, "typed");
    EXPECT_EQ(rig.view.lists[Field::prf], "typed"); // after the message is closed
    EXPECT_EQ(rig.view.shown[Field::prf], "1000");
}

TEST(PrfList, AChoiceWithoutAnOpeningFetchesNoWidthAndPutsBackAnEmptyText) {
    PanelRig rig(with_width(2000));
    rig.panel.start(std::nullopt);
    const std::size_t calls = rig.instrument.calls().size();
    rig.panel.choose(Field::prf, 5);
    EXPECT_EQ(rig.instrument.calls().size(), calls); // no read request, nothing sent
    EXPECT_EQ(rig.view.messages, std::vector<std::string>{kRefused});
    EXPECT_EQ(rig.view.lists[Field::prf], "");
    rig.panel.choose(Field::prf, 4); // 2000 Hz is refused for 2000 ns too
    EXPECT_EQ(rig.view.messages.size(), 2u);
    rig.panel.choose(Field::prf, 3); // 1000 Hz goes with 2000 ns
    EXPECT_EQ(rig.applied(), (Applied{{4, 4, 0}}));
    EXPECT_EQ(rig.view.shown[Field::prf], "1000");
}

TEST(PrfList, EveryOpeningWithoutAnInstrumentReportsOnceThenTheDisplayedWidthCounts) {
    PanelRig rig(with_width(6500));
    rig.panel.start(std::nullopt);
    rig.instrument.faults.absent = true;
    for (int opening = 1; opening <= 3; ++opening) {
        rig.panel.open_list(Field::prf);
        EXPECT_EQ(rig.view.messages.size(), static_cast<std::size_t>(opening));
    }
    EXPECT_EQ(rig.view.messages.back(), kConnectionFailed);
    rig.panel.apply_settings_fields(
        {"单", "0", "100", "内部", "1000", "10", "200", "MHz", "2.50", "50"});
    rig.panel.choose(Field::prf, 5); // 200 ns on display allows 5000 Hz
    EXPECT_EQ(rig.view.shown[Field::prf], "5000");
    EXPECT_EQ(rig.view.messages.size(), 4u); // the send's own failure
}

TEST(PrfList, AWidthThatIsNotANumberAllowsOnlyTheLowRates) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.instrument.faults.answer = true; // the opening leaves the display as it is
    rig.panel.apply_settings_fields(
        {"单", "0", "100", "内部", "1000", "10", "abc", "MHz", "5.0", "50"});
    rig.panel.open_list(Field::prf);
    rig.panel.choose(Field::prf, 3);
    EXPECT_EQ(rig.view.messages, std::vector<std::string>{kRefused});
    rig.panel.choose(Field::prf, 2);
    EXPECT_EQ(rig.view.shown[Field::prf], "500");
    EXPECT_EQ(rig.applied(), (Applied{{4, 3, 0}}));
}

TEST(PrfList, OpeningFetchesOnlyTheWidth) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    const SettingsTexts before = rig.display();
    const auto entries = rig.view.entries;
    rig.instrument.set_settings({1, 60, 8, 1, 3, 1, 136, 19, 0, 2}); // 5000 ns
    rig.panel.open_list(Field::prf);
    SettingsTexts expected = before;
    expected[static_cast<std::size_t>(Field::pw)] = "5000"; // the probe frequency stays
    EXPECT_EQ(rig.display(), expected);
    EXPECT_EQ(rig.view.entries, entries);
    EXPECT_EQ(rig.call_kinds().substr(3), "3RR");
    EXPECT_EQ(rig.view.waited, kReadWait); // the start-up's; the width is read at once
    // Other lists fetch nothing as they open.
    for (const Field field : list_fields()) {
        if (field != Field::prf) rig.panel.open_list(field);
    }
    EXPECT_EQ(rig.call_kinds().substr(3), "3RR");
}
