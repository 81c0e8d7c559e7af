// Start-up and the read-back of the instrument's settings: what they show, where, and what
// they send.
#include "panel_rig.h"
#include "sim_cases.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

const sim::Settings kExample = kExampleSettings;
const SettingsTexts kExampleShown{"单", "20",   "100", "内部", "1000",
                                  "30", "6500", "MHz", "0.08", "150"};
const SettingsTexts kLast{"双", "05", "250", "外部", "1000", "30", "300", "kHz", "1.67", "80"};

std::vector<std::string> list_texts(const PanelRig& rig) {
    std::vector<std::string> texts;
    for (const Field field : list_fields())
        texts.push_back(rig.view.list_text(field));
    return texts;
}

std::vector<std::string> entry_texts(const PanelRig& rig) {
    std::vector<std::string> texts;
    for (const Field field : entry_fields())
        texts.push_back(rig.view.entries.at(field));
    return texts;
}

} // namespace

TEST(StartUp, ShowsTheInstrumentsSettingsAndSendsOnlyTheReadRequest) {
    PanelRig rig(kExample);
    rig.panel.start(std::nullopt);
    EXPECT_EQ(rig.display(), kExampleShown);
    EXPECT_EQ(entry_texts(rig), (std::vector<std::string>{"100", "6500", "20"}));
    // The lists show the initial texts: the read-back does not reach them.
    EXPECT_EQ(list_texts(rig),
              (std::vector<std::string>{"单", "1000Hz", "内部", "50", "10MHz", "1MHz"}));
    EXPECT_EQ(rig.call_kinds(), "3RR"); // one request, two reads
    EXPECT_EQ(rig.view.waited, kReadWait);
    EXPECT_TRUE(rig.view.messages.empty());
    EXPECT_FALSE(rig.view.timer);
}

TEST(StartUp, RestoredTextsGoToDisplayListsAndEntriesThenTheInstrumentToDisplayAndEntries) {
    PanelRig rig(kExample);
    rig.panel.start(kLast);
    EXPECT_EQ(list_texts(rig),
              (std::vector<std::string>{"双", "1000Hz", "外部", "80", "30MHz", "1kHz"}));
    EXPECT_EQ(rig.display(), kExampleShown);
    EXPECT_EQ(entry_texts(rig), (std::vector<std::string>{"100", "6500", "20"}));
    EXPECT_TRUE(rig.applied().empty());
}

TEST(StartUp, WithoutAnInstrumentTheRestoredTextsStayAndOneMessage) {
    PanelRig rig;
    rig.instrument.faults.absent = true;
    rig.panel.start(kLast);
    EXPECT_EQ(rig.display(), kLast);
    EXPECT_EQ(rig.panel.params().texts(), kLast);
    EXPECT_EQ(entry_texts(rig), (std::vector<std::string>{"250", "300", "05"}));
    EXPECT_EQ(rig.view.messages, std::vector<std::string>{kConnectionFailed});
    EXPECT_EQ(rig.call_kinds(), "3"); // the read request, refused
    // Nothing restored: the initial texts.
    PanelRig first;
    first.instrument.faults.absent = true;
    first.panel.start(std::nullopt);
    EXPECT_EQ(first.display(), param_set().texts());
    EXPECT_EQ(entry_texts(first), (std::vector<std::string>{"100", "200", "0"}));
}

TEST(ReadBack, AWidthOfZeroKeepsProbeFrequencyUnitAndDamping) {
    PanelRig rig({1, 0, 16, 1, 7, 0, 0, 0, 1, 4});
    rig.panel.start(std::nullopt);
    EXPECT_EQ(rig.display(),
              (SettingsTexts{"双", "-50", "400", "外部", "1000", "10", "0", "MHz", "5.0", "50"}));
}

TEST(ReadBack, FromTheMenuAlsoSetsTheListTexts) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.instrument.set_settings({1, 60, 8, 1, 3, 1, 232, 3, 0, 2});
    rig.panel.read_back();
    EXPECT_EQ(rig.display(),
              (SettingsTexts{"双", "10", "200", "外部", "500", "30", "1000", "kHz", "0.50", "80"}));
    EXPECT_EQ(list_texts(rig),
              (std::vector<std::string>{"双", "500Hz", "外部", "80", "30MHz", "1kHz"}));
    EXPECT_EQ(entry_texts(rig), (std::vector<std::string>{"200", "1000", "10"}));
    EXPECT_TRUE(rig.applied().empty());
    EXPECT_EQ(rig.call_kinds(), "3RR3RR");
}

TEST(ReadBack, StartedDuringASendItRunsAfterItWithItsResult) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.view.during_wait.push_back([&] { rig.panel.read_back(); });
    rig.panel.choose(Field::damping, 0); // 400, read back after the data frame
    EXPECT_EQ(rig.view.shown[Field::damping], "400");
    EXPECT_EQ(rig.view.lists[Field::damping], "400");
    EXPECT_EQ(rig.call_kinds(), "3RR403RR");
    EXPECT_EQ(rig.instrument.violations(), 0);
}

// An answer that never comes is said for the menu's read-back, not for the PRF list's.
TEST(ReadBack, ARefusedRequestOrAnUnansweredMenuReadIsReportedOnceTheDisplayStays) {
    PanelRig rig;
    rig.panel.start(kLast);
    const SettingsTexts shown = rig.display();
    const auto lists = list_texts(rig);
    const auto entries = entry_texts(rig);
    rig.instrument.set_settings(kExample);
    rig.instrument.faults.request = true;
    rig.panel.read_back();
    EXPECT_EQ(rig.view.messages, std::vector<std::string>{kConnectionFailed});
    rig.instrument.faults = {};
    rig.instrument.faults.answer = true;
    rig.panel.read_back();
    rig.panel.open_list(Field::prf);
    EXPECT_EQ(rig.view.messages, (std::vector<std::string>{kConnectionFailed, texts::kNoAnswer}));
    EXPECT_EQ(rig.display(), shown);
    EXPECT_EQ(entry_texts(rig), entries);
    // A menu read-back that read nothing still puts the display's list forms into the lists.
    EXPECT_EQ(list_texts(rig),
              (std::vector<std::string>{"单", "1000Hz", "内部", "50", "10MHz", "1MHz"}));
    EXPECT_NE(list_texts(rig), lists);
}

// A read that follows a refused send sees what the instrument holds.
TEST(ReadBack, ReadsWhatTheInstrumentHoldsNotWhatWasShown) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    rig.instrument.faults.data = true;
    rig.panel.choose(Field::lpf, 0);
    EXPECT_EQ(rig.view.shown[Field::lpf], "30");
    EXPECT_EQ(rig.view.messages, std::vector<std::string>{kConnectionFailed});
    rig.instrument.faults = {};
    rig.panel.read_back();
    EXPECT_EQ(rig.view.shown[Field::lpf], "10");
    EXPECT_EQ(rig.view.lists[Field::lpf], "10MHz");
}
