// The instrument compared with the display: a read request and nothing else, the display
// left alone, and each difference named with both values.
#include "panel_rig.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

struct Check {
    int calls = 0;
    std::vector<Difference> differences;
};

// The comparisons the check reported, the last one's differences.
Check check(PanelRig& rig) {
    const std::size_t before = rig.view.all<Compared>().size();
    rig.panel.check_instrument();
    const auto compared = rig.view.all<Compared>();
    Check result;
    result.calls = static_cast<int>(compared.size() - before);
    if (result.calls) result.differences = compared.back().differences;
    return result;
}

std::string comparison_text(const std::vector<Difference>& differences) {
    return texts::comparison({Against::display, differences});
}

// Everything the view shows, apart from the emphasis and the messages.
struct Seen {
    std::map<Field, std::string> shown, lists, entries;
    bool operator==(const Seen&) const = default;
};
Seen seen(const PanelRig& rig) {
    return {rig.view.shown, rig.view.lists, rig.view.entries};
}

param_set with(Field field, const std::string& text) {
    param_set set;
    set[field] = text;
    return set;
}

} // namespace

TEST(Check, AnInstrumentThatHoldsTheDisplaySaysSo) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.panel.choose(Field::mode, 1);
    rig.panel.press_button(Field::pw, "1000");
    const Check result = check(rig);
    EXPECT_EQ(result.calls, 1);
    EXPECT_TRUE(result.differences.empty());
    EXPECT_EQ(comparison_text(result.differences), "仪器参数与显示面板一致。");
}

TEST(Check, ReadsBackWithoutTouchingDisplayListsOrEntriesAndSendsNothing) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    const Seen before = seen(rig);
    const std::string calls_before = rig.call_kinds();
    const auto waits_before = rig.view.waited;
    rig.instrument.set_settings({1, 40, 8, 1, 2, 1, 244, 1, 0, 4}); // changed behind its back
    const Check result = check(rig);
    EXPECT_EQ(seen(rig), before);
    EXPECT_EQ(rig.panel.params().texts(), rig.display());
    EXPECT_EQ(rig.call_kinds(), calls_before + "3RR");
    EXPECT_EQ(rig.view.waited - waits_before, kReadWait);
    EXPECT_TRUE(rig.applied().empty());
    // Every field the instrument holds differs; the probe frequency is not among them.
    std::vector<Field> fields;
    for (const Difference& d : result.differences)
        fields.push_back(d.field);
    EXPECT_EQ(fields, (std::vector<Field>{Field::mode, Field::gain, Field::voltage, Field::trigger,
                                          Field::prf, Field::lpf, Field::pw, Field::hpf_unit,
                                          Field::damping}));
}

TEST(Check, AfterASendTheInstrumentRefusedItNamesTheFieldWithBothValues) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.instrument.faults.data = true;
    rig.panel.choose(Field::damping, 1);           // 150
    rig.panel.press_button(Field::voltage, "260"); // 250
    EXPECT_EQ(rig.view.messages, std::vector<std::string>(2, kConnectionFailed));
    rig.instrument.faults = {};
    const Check result = check(rig);
    ASSERT_EQ(result.differences.size(), 2u);
    EXPECT_EQ(result.differences[0].field, Field::voltage);
    EXPECT_EQ(result.differences[0].shown, "250");
    EXPECT_EQ(result.differences[0].instrument, "100");
    EXPECT_EQ(result.differences[1].field, Field::damping);
    EXPECT_EQ(result.differences[1].shown, "150");
    EXPECT_EQ(result.differences[1].instrument, "50");
    EXPECT_EQ(
        comparison_text(result.differences),
        "以下参数与显示面板不一致：\n脉冲电压：显示 -250V，仪器 -100V\n阻尼：显示 150Ω，仪器 50Ω");
    EXPECT_EQ(rig.view.shown[Field::damping], "150");
}

TEST(Check, WithoutAnAnswerNothingIsCompared) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.instrument.faults.absent = true;
    EXPECT_EQ(check(rig).calls, 0);
    EXPECT_EQ(rig.view.messages, std::vector<std::string>{kConnectionFailed});
    rig.instrument.faults = {};
    rig.instrument.faults.answer = true;
    EXPECT_EQ(check(rig).calls, 0);
    EXPECT_EQ(rig.view.messages, (std::vector<std::string>{kConnectionFailed, texts::kNoAnswer}));
}

TEST(Check, ARefusedRequestStopsAnUpload) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.panel.import_set(rig.panel.params().texts());
    rig.panel.tick();
    rig.instrument.faults.request = true;
    check(rig);
    EXPECT_FALSE(rig.view.timer);
    EXPECT_FALSE(rig.view.held);
}

TEST(Check, StartedDuringASendItComparesAfterIt) {
    // Work mode shows before its send, the other lists after: either way the comparison
    // queued behind the send compares with the chosen value.
    for (const Field field : {Field::mode, Field::damping, Field::lpf, Field::prf}) {
        PanelRig rig;
        rig.panel.start(std::nullopt);
        rig.view.during_wait.push_back([&] {
            rig.panel.check_instrument();
            EXPECT_TRUE(rig.view.all<Compared>().empty()); // queued behind the send
        });
        rig.panel.choose(field, 0);
        const auto compared = rig.view.all<Compared>();
        ASSERT_EQ(compared.size(), 1u);
        EXPECT_TRUE(compared[0].differences.empty()) << comparison_text(compared[0].differences);
        EXPECT_EQ(rig.call_kinds(), "3RR403RR");
    }
}

TEST(Differences, NumbersCompareByValueListTextsToTheLetter) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.panel.confirm(Field::gain, "05", ConfirmedBy::enter); // the instrument holds 5
    EXPECT_TRUE(check(rig).differences.empty());

    const param_set instrument;
    EXPECT_TRUE(differences(with(Field::gain, "05"), with(Field::gain, "5")).empty());
    EXPECT_TRUE(differences(with(Field::gain, "-0"), with(Field::gain, "0")).empty());
    EXPECT_TRUE(differences(with(Field::voltage, "100.0"), instrument).empty());
    EXPECT_EQ(differences(with(Field::gain, "6"), with(Field::gain, "5")).size(), 1u);
    EXPECT_EQ(differences(with(Field::gain, "abc"), instrument).size(), 1u);
    EXPECT_EQ(differences(with(Field::prf, "1000Hz"), instrument).size(), 1u);
    EXPECT_EQ(differences(with(Field::damping, "050"), instrument).size(), 1u);
}

TEST(Differences, TheProbeFrequencyIsNeverCompared) {
    EXPECT_TRUE(differences(with(Field::probe_freq, "9.99"), param_set()).empty());
    param_set shown = with(Field::pw, "1000");
    shown.probe_freq = "0.50";
    const auto found = differences(shown, param_set());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].field, Field::pw);
}
