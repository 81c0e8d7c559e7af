// The choice lists as widgets: a choice by mouse or by keyboard reaches the panel; typed text,
// Enter, the wheel and leaving a list do not.
#include "ui_rig.h"

#include "ui/colours.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

// The one emphasised value label, or "" when none or several are.
QString emphasised(const UiRig& rig) {
    QString found;
    for (const char* name : kEmphasisLabels) {
        if (!is_emphasised(rig.label_widget(name))) continue;
        if (!found.isEmpty()) return "several";
        found = name;
    }
    return found;
}

} // namespace

// Each list reaches the panel with the chosen position, and the panel's answer reaches the
// list's labels: the value label (for the high-pass filter the unit beside the "1") and the
// emphasised one (for the high-pass filter the "1").
TEST(ChoiceLists, EachListIsWiredToItsLabels) {
    struct Case {
        Field field;
        int position;
        std::array<std::uint8_t, 3> sent;
        const char* label;
        const char* shown;
        const char* emphasis;
    };
    const Case cases[] = {
        {Field::mode, 1, {0, 1, 0}, "Label14", "双", "Label14"},
        {Field::prf, 2, {4, 3, 0}, "Label20", "500", "Label20"},
        {Field::trigger, 1, {3, 1, 0}, "Label16", "外部", "Label16"},
        {Field::damping, 1, {8, 3, 0}, "Label19", "150", "Label19"},
        {Field::lpf, 0, {5, 1, 0}, "Label17", "30", "Label17"},
        {Field::hpf_unit, 0, {7, 0, 0}, "Label36", "kHz", "Label18"},
    };
    UiRig rig;
    rig.start();
    for (const Case& c : cases) {
        rig.choose(c.field, c.position);
        ASSERT_FALSE(rig.applied().empty()) << field_name(c.field);
        EXPECT_EQ(rig.applied().back(), c.sent) << field_name(c.field);
        EXPECT_EQ(rig.label(c.label), QString::fromUtf8(c.shown));
        EXPECT_EQ(emphasised(rig), c.emphasis);
    }
    EXPECT_EQ(rig.label("Label18"), "1");
    EXPECT_TRUE(rig.messages.empty());
}

TEST(ChoiceLists, KeyboardStepOnTheClosedListIsAChoice) {
    UiRig rig;
    rig.start();
    ChoiceCombo* damping = rig.list(Field::damping);
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
    ChoiceCombo* damping = rig.list(Field::damping);
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

TEST(ChoiceLists, LeavingAListWhoseTextMatchesAnEntryIsNoChoice) {
    UiRig rig;
    rig.start();
    rig.window->show();
    const int writes = rig.writes();
    // After start-up each list shows its value's text with no entry selected.
    for (const Field field : list_fields()) {
        ChoiceCombo* list = rig.list(field);
        list->setFocus();
        QApplication::processEvents();
        rig.entry(Field::gain)->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(list->currentIndex(), -1) << field_name(field);
    }
    EXPECT_EQ(rig.writes(), writes);
    EXPECT_FALSE(is_emphasised(rig.label_widget("Label14")));
}

TEST(ChoiceLists, ClosingTheWindowWithAListFocusedAndTheAboutWindowOpenSendsNothing) {
    UiRig rig;
    rig.start();
    rig.window->show();
    rig.trigger(rig.ui().about);
    rig.list(Field::mode)->setFocus();
    QApplication::processEvents();
    const int writes = rig.writes();
    rig.close();
    rig.window.reset();
    EXPECT_EQ(rig.writes(), writes);
}
