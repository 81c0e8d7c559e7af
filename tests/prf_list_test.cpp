// The repetition-frequency list and its interlock with the pulse width.
#include "ui_rig.h"

#include "ui/colours.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

const char* const kRefused = "重复频率与脉冲宽度不匹配，请重新选择重复频率！";

// The instrument reports this width when the list opens.
sim::Settings with_width(int width) {
    sim::Settings settings = sim::kDefaultSettings;
    settings[6] = static_cast<std::uint8_t>(width % 256);
    settings[7] = static_cast<std::uint8_t>(width / 256);
    return settings;
}

} // namespace

TEST(PrfList, EachEntryIsAllowedBelowItsLimitAndRefusedFromIt) {
    struct Case {
        int width;
        int position;
        bool allowed;
    };
    for (const Case c : {Case{4999, 3, true}, {5000, 3, false}, {1999, 4, true}, {2000, 4, false},
                         {999, 5, true}, {1000, 5, false}, {6500, 0, true}, {6500, 1, true},
                         {6500, 2, true}, {25, 5, true}}) {
        UiRig rig(with_width(c.width));
        rig.start();
        rig.messages.clear();
        const QString shown = rig.combo(2)->currentText();
        rig.choose(2, c.position); // opening the list fetches the width first
        const std::string what = std::to_string(c.width) + " / " + std::to_string(c.position);
        EXPECT_EQ(rig.label("Label2"), QString::number(c.width)) << what;
        EXPECT_TRUE(is_emphasised(rig.label_widget("Label20"))) << what;
        const char* entries[] = {"100", "200", "500", "1000", "2000", "5000"};
        if (c.allowed) {
            ASSERT_FALSE(rig.applied().empty()) << what;
            EXPECT_EQ(rig.applied().back(),
                      (std::array<std::uint8_t, 3>{4, static_cast<std::uint8_t>(c.position + 1), 0}));
            EXPECT_EQ(rig.label("Label20"), entries[c.position]) << what;
            EXPECT_TRUE(rig.messages.empty()) << what;
        } else {
            EXPECT_TRUE(rig.applied().empty()) << what;
            EXPECT_EQ(rig.label("Label20"), "1000") << what;
            EXPECT_EQ(rig.message_texts(), std::vector<QString>{kRefused}) << what;
            EXPECT_EQ(rig.combo(2)->currentText(), shown) << what;
        }
    }
}

TEST(PrfList, RefusalPutsBackTheTextOfTheLastOpening) {
    UiRig rig(with_width(2000));
    rig.start();
    EXPECT_EQ(rig.combo(2)->currentText(), "1000Hz");
    rig.choose(2, 5);
    EXPECT_EQ(rig.combo(2)->currentText(), "1000Hz");
    EXPECT_EQ(rig.label("Label20"), "1000");
    EXPECT_EQ(rig.window->panel().prf_text_saved(), "1000Hz");
}

TEST(PrfList, KeyboardChoiceOnTheClosedListFetchesNoWidth) {
    UiRig rig(with_width(2000));
    rig.start();
    const int writes = rig.writes();
    ChoiceCombo* prf = rig.combo(2);
    prf->setCurrentIndex(4); // "2000Hz", as if stepped to before
    prf->setFocus();
    rig.press(prf, Qt::Key_Down); // "5000Hz"
    EXPECT_EQ(rig.writes(), writes); // no read request, nothing sent
    EXPECT_EQ(rig.message_texts(), std::vector<QString>{kRefused});
    EXPECT_EQ(prf->currentText(), ""); // never opened: the remembered text is empty
    rig.press(prf, Qt::Key_Up); // "2000Hz" is refused for 2000 ns too
    EXPECT_EQ(rig.messages.size(), 2u);
    rig.press(prf, Qt::Key_Up); // "1000Hz" goes with 2000 ns
    ASSERT_EQ(rig.applied().size(), 1u);
    EXPECT_EQ(rig.applied().back(), (std::array<std::uint8_t, 3>{4, 4, 0}));
    EXPECT_EQ(rig.label("Label20"), "1000");
}

TEST(PrfList, EveryOpeningWithoutAnInstrumentShowsTheReadBackFailureOnce) {
    UiRig rig;
    rig.start();
    rig.instrument.faults.absent = true;
    for (int opening = 1; opening <= 3; ++opening) {
        rig.combo(2)->showPopup();
        rig.combo(2)->hidePopup();
        EXPECT_EQ(rig.messages.size(), static_cast<std::size_t>(opening));
    }
    EXPECT_EQ(rig.messages.back().text, "数据通信失败！仪器和计算机无法连接");
    // The check then uses the width on display.
    rig.choose(2, 5);
    EXPECT_EQ(rig.label("Label20"), "5000");
}

TEST(PrfList, AWidthThatIsNotANumberAllowsOnlyTheLowRates) {
    UiRig rig;
    rig.start();
    rig.instrument.faults.answer = true; // the opening leaves the display as it is
    rig.window->panel().apply_settings_fields({"单", "0", "100", "内部", "1000", "10", "abc", "MHz", "5.0", "50"});
    rig.choose(2, 3);
    EXPECT_EQ(rig.message_texts(), std::vector<QString>{kRefused});
    rig.choose(2, 2);
    EXPECT_EQ(rig.label("Label20"), "500");
}

TEST(PrfList, TypedTextIsNeitherCheckedNorSent) {
    UiRig rig;
    rig.start();
    const int writes = rig.writes();
    ChoiceCombo* prf = rig.combo(2);
    prf->lineEdit()->selectAll();
    rig.type(prf->lineEdit(), "5000Hz");
    rig.press(prf->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(rig.writes(), writes);
    EXPECT_EQ(rig.label("Label20"), "1000");
    EXPECT_TRUE(rig.messages.empty());
}
