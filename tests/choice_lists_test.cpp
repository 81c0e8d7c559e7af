// The five discrete-choice lists, driven as an operator would.
#include "ui_rig.h"

#include "ui/colours.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

const char* const kValueLabels[] = {"Label14", "Label15", "Label20", "Label2", "Label19",
                                    "Label3",  "Label16", "Label17", "Label18"};

// The one emphasised value label, or "" when none or several are.
QString emphasised(const UiRig& rig) {
    QString found;
    for (const char* name : kValueLabels) {
        if (!is_emphasised(rig.label_widget(name))) continue;
        if (!found.isEmpty()) return "several";
        found = name;
    }
    return found;
}

struct ChoiceCase {
    int combo;
    int position;
    std::array<std::uint8_t, 3> sent;
    const char* label;
    const char* shown;
    const char* emphasis;
};

} // namespace

TEST(ChoiceLists, EveryEntrySendsItsFrameAndShowsItsText) {
    const ChoiceCase cases[] = {
        {1, 0, {0, 0, 0}, "Label14", "单", "Label14"},
        {1, 1, {0, 1, 0}, "Label14", "双", "Label14"},
        {3, 0, {3, 0, 0}, "Label16", "内部", "Label16"},
        {3, 1, {3, 1, 0}, "Label16", "外部", "Label16"},
        {4, 0, {8, 4, 0}, "Label19", "400", "Label19"},
        {4, 1, {8, 3, 0}, "Label19", "150", "Label19"},
        {4, 2, {8, 2, 0}, "Label19", "80", "Label19"},
        {4, 3, {8, 1, 0}, "Label19", "50", "Label19"},
        {5, 0, {5, 1, 0}, "Label17", "30", "Label17"},
        {5, 1, {5, 0, 0}, "Label17", "10", "Label17"},
        {6, 0, {7, 0, 0}, "Label36", "kHz", "Label18"},
        {6, 1, {7, 1, 0}, "Label36", "MHz", "Label18"},
    };
    UiRig rig;
    rig.start();
    for (const ChoiceCase& c : cases) {
        const std::size_t before = rig.applied().size();
        rig.choose(c.combo, c.position);
        ASSERT_EQ(rig.applied().size(), before + 1) << "Combo" << c.combo << " " << c.position;
        EXPECT_EQ(rig.applied().back(), c.sent);
        EXPECT_EQ(rig.label(c.label), QString::fromUtf8(c.shown));
        EXPECT_EQ(emphasised(rig), c.emphasis);
    }
    EXPECT_EQ(rig.label("Label18"), "1");
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.instrument.violations(), 0);
}

TEST(ChoiceLists, DampingChoiceGivesExactlyAnnounceThenDataFrame) {
    UiRig rig;
    rig.start();
    const std::size_t before = rig.instrument.calls().size();
    rig.choose(4, 1);
    const auto& calls = rig.instrument.calls();
    ASSERT_EQ(calls.size(), before + 2);
    EXPECT_EQ(sim::trace_line(calls[before]), "W 01020304050102030405010203040504 0");
    EXPECT_EQ(sim::trace_line(calls[before + 1]), "W 01020304050102030405010803000000 0");
    EXPECT_EQ(rig.label("Label19"), "150");
    EXPECT_EQ(emphasised(rig), "Label19");
}

TEST(ChoiceLists, KeyboardStepOnTheClosedListIsAChoice) {
    UiRig rig;
    rig.start();
    ChoiceCombo* damping = rig.combo(4);
    damping->setCurrentIndex(0); // "400"
    damping->setFocus();
    rig.press(damping, Qt::Key_Down);
    EXPECT_FALSE(damping->view()->isVisible());
    EXPECT_EQ(rig.applied().back(), (std::array<std::uint8_t, 3>{8, 3, 0}));
    EXPECT_EQ(rig.label("Label19"), "150");
}

TEST(ChoiceLists, TypedTextIsNeverSentNorShown) {
    UiRig rig;
    rig.start();
    const int writes = rig.writes();
    ChoiceCombo* damping = rig.combo(4);
    damping->setFocus();
    damping->lineEdit()->selectAll();
    rig.type(damping->lineEdit(), "150");
    rig.press(damping->lineEdit(), Qt::Key_Return);
    rig.press(damping, Qt::Key_Enter);
    QWheelEvent wheel({5, 5}, damping->mapToGlobal(QPoint(5, 5)), {}, {0, -120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(damping, &wheel);
    damping->clearFocus();
    EXPECT_EQ(rig.writes(), writes);
    EXPECT_EQ(rig.label("Label19"), "50");
    EXPECT_EQ(damping->currentText(), "150"); // left as typed, an input aid
}

TEST(ChoiceLists, WithoutAnInstrumentOneMessageAndTheDisplayStillChanges) {
    UiRig rig;
    rig.start();
    rig.instrument.faults.absent = true;
    QString mode_during_message, damping_during_message;
    rig.during_message = [&] {
        mode_during_message = rig.label("Label14");
        damping_during_message = rig.label("Label19");
    };
    rig.choose(1, 1);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_EQ(rig.messages[0].text, "数据通信失败！仪器和计算机无法连接");
    EXPECT_EQ(mode_during_message, "双"); // work mode: label first
    rig.choose(4, 1);
    ASSERT_EQ(rig.messages.size(), 2u);
    EXPECT_EQ(damping_during_message, "50"); // the others: send first
    EXPECT_EQ(rig.label("Label19"), "150");
}

TEST(ChoiceLists, ChoicesMadeDuringASendGoOutAfterIt) {
    UiRig rig;
    rig.start();
    rig.during_wait.push_back([&] { rig.choose(5, 0); });
    rig.during_wait.push_back([&] { rig.choose(3, 1); });
    rig.choose(4, 2);
    EXPECT_EQ(rig.applied(), (Applied{{8, 2, 0}, {5, 1, 0}, {3, 1, 0}}));
    EXPECT_EQ(rig.instrument.violations(), 0);
    EXPECT_EQ(rig.label("Label17"), "30");
    EXPECT_EQ(rig.label("Label16"), "外部");
}

TEST(ChoiceLists, LeavingAListWhoseTextMatchesAnEntryIsNoChoice) {
    UiRig rig;
    rig.start();
    rig.window->show();
    const int writes = rig.writes();
    // After start-up each list shows its value's text with no entry selected.
    for (int number = 1; number <= 6; ++number) {
        ChoiceCombo* list = rig.combo(number);
        list->setFocus();
        QApplication::processEvents();
        rig.text(3)->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(list->currentIndex(), -1) << number;
    }
    EXPECT_EQ(rig.writes(), writes);
    EXPECT_FALSE(is_emphasised(rig.label_widget("Label14")));
}

TEST(ChoiceLists, ClosingTheWindowWithAListFocusedAndTheAboutWindowOpenSendsNothing) {
    UiRig rig;
    rig.start();
    rig.window->show();
    rig.trigger(rig.ui().about);
    rig.combo(1)->setFocus();
    QApplication::processEvents();
    const int writes = rig.writes();
    rig.close();
    rig.window.reset();
    EXPECT_EQ(rig.writes(), writes);
}
