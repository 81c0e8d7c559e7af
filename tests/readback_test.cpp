// Reading the instrument's settings back: at start-up, from the menu, and the width alone.
#include "ui_rig.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

const sim::Settings kExample{0, 70, 4, 0, 4, 1, 100, 25, 1, 3};

std::string call_kinds(const UiRig& rig) {
    std::string kinds;
    for (const auto& call : rig.instrument.calls())
        kinds += call.direction == 'R' ? 'R' : static_cast<char>('0' + call.frame[kTypeByte]);
    return kinds;
}

} // namespace

TEST(ReadBack, StartUpShowsTheInstrumentsSettingsAndSendsNoCommand) {
    UiRig rig(kExample);
    rig.start();
    EXPECT_EQ(rig.display_texts(), (std::vector<QString>{"单", "20", "100", "内部", "1000", "30", "6500",
                                                  "MHz", "0.08", "150"}));
    EXPECT_EQ(rig.text(3)->text(), "20");
    EXPECT_EQ(rig.text(1)->text(), "100");
    EXPECT_EQ(rig.text(2)->text(), "6500");
    EXPECT_EQ(call_kinds(rig), "3RR"); // one request, two reads
    EXPECT_EQ(rig.wait_passes, 150001);
    EXPECT_TRUE(rig.messages.empty());
}

TEST(ReadBack, WidthZeroKeepsProbeFrequencyUnitAndDamping) {
    UiRig rig({1, 0, 16, 1, 7, 0, 0, 0, 1, 4});
    rig.start();
    EXPECT_EQ(rig.display_texts(), (std::vector<QString>{"双", "-50", "400", "外部", "1000", "10", "0",
                                                  "MHz", "5.0", "50"}));
}

TEST(ReadBack, MenuReadBackAlsoSetsTheListTexts) {
    UiRig rig;
    rig.start();
    rig.instrument.set_settings({1, 60, 8, 1, 3, 1, 232, 3, 0, 2});
    rig.trigger(rig.ui().seting2);
    EXPECT_EQ(rig.display_texts(), (std::vector<QString>{"双", "10", "200", "外部", "500", "30", "1000",
                                                  "kHz", "0.50", "80"}));
    const QStringList lists{rig.combo(1)->currentText(), rig.combo(2)->currentText(),
                            rig.combo(3)->currentText(), rig.combo(4)->currentText(),
                            rig.combo(5)->currentText(), rig.combo(6)->currentText()};
    EXPECT_EQ(lists, (QStringList{"双", "500Hz", "外部", "80", "30MHz", "1kHz"}));
    EXPECT_EQ(rig.text(2)->text(), "1000");
    EXPECT_EQ(rig.applied().size(), 0u);
}

TEST(ReadBack, MenuReadBackDuringASendRunsAfterItWithItsResult) {
    UiRig rig;
    rig.start();
    rig.during_wait.push_back([&] { rig.trigger(rig.ui().seting2); });
    rig.choose(4, 0); // damping 400, read back after the data frame
    EXPECT_EQ(rig.label("Label19"), "400");
    EXPECT_EQ(rig.combo(4)->currentText(), "400");
    EXPECT_EQ(call_kinds(rig).substr(3), "403RR");
    EXPECT_EQ(rig.instrument.violations(), 0);
}

TEST(ReadBack, RefusedRequestReportsOnceAndKeepsTheDisplay) {
    UiRig rig(kExample);
    rig.instrument.faults.request = true;
    rig.start();
    EXPECT_EQ(rig.message_texts(), std::vector<QString>{"数据通信失败！仪器和计算机无法连接"});
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_EQ(rig.label("Label2"), "200");
    rig.instrument.faults = {};
    rig.instrument.faults.answer = true;
    rig.trigger(rig.ui().seting2);
    EXPECT_EQ(rig.messages.size(), 1u); // a failed answer says nothing
    EXPECT_EQ(rig.label("Label2"), "200");
}

TEST(ReadBack, ListOpeningFetchesOnlyTheWidth) {
    UiRig rig;
    rig.start();
    rig.instrument.set_settings({1, 60, 8, 1, 3, 1, 136, 19, 0, 2}); // 5000 ns
    rig.combo(2)->showPopup();
    rig.combo(2)->hidePopup();
    EXPECT_EQ(rig.label("Label2"), "5000");
    EXPECT_EQ(rig.label("Label21"), "2.50"); // not recomputed
    EXPECT_EQ(rig.text(2)->text(), "200");
    EXPECT_EQ(rig.label("Label14"), "单");
    EXPECT_EQ(call_kinds(rig).substr(3), "3RR");
}
