// What the operator sees change on the main window: hints, emphasis colours, the about
// window and the help document.
#include "ui_rig.h"

#include "ui/about_window.h"
#include "ui/colours.h"
#include "ui/help.h"

#include <QDir>
#include <QFile>
#include <QStatusBar>

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

class WindowLook : public ::testing::Test {
protected:
    void SetUp() override {
        rig.start();
        // Keep the focus off the lists: a list losing it picks the entry its text names.
        rig.button(Field::gain)->setFocus();
        rig.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
    }
    QLabel* label(const char* name) const { return rig.label_widget(name); }
    QColor text_colour(const char* name) const {
        return label(name)->palette().color(QPalette::WindowText);
    }
    // The colour the label is drawn with where it has no text: its top-left corner.
    QColor drawn_background(const char* name) const {
        return label(name)->grab().toImage().pixelColor(0, 0);
    }
    void emphasise_work_mode() { rig.window->panel().show_emphasis(Field::mode); }
    QList<AboutWindow*> about_windows() const { return rig.window->findChildren<AboutWindow*>(); }
    UiRig rig;
};

} // namespace

TEST_F(WindowLook, ButtonHintsGoToPanelTwoAndStayAfterTheMouseLeaves) {
    QLabel* hint = hint_panel(rig.ui());
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), " ");
    const std::pair<QPushButton*, const char*> buttons[] = {
        {rig.button(Field::voltage), "脉冲电压"},
        {rig.button(Field::gain), "接收增益"},
        {rig.button(Field::pw), "脉冲宽度"},
    };
    for (const auto& [button, caption] : buttons) {
        QTest::mouseMove(button, button->rect().center());
        EXPECT_EQ(hint->text(), QString::fromUtf8(caption));
        QTest::mouseMove(rig.ui().client, QPoint(5, 5)); // away from every button
        EXPECT_EQ(hint->text(), QString::fromUtf8(caption));
    }
    EXPECT_EQ(rig.writes(), 1); // the start-up read request: hovering sends nothing
}

TEST_F(WindowLook, AnyKeyInTheGainFieldDrawsTheGainLabelInverted) {
    EntryField* gain = rig.entry(Field::gain);
    gain->setFocus();
    const QColor plain = system_colour(ColourInactiveCaption);
    const QColor inverted = system_colour(ColourCaptionText);
    for (const Qt::Key key :
         {Qt::Key_5, Qt::Key_X, Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Minus, Qt::Key_Return}) {
        SCOPED_TRACE(key);
        emphasise_work_mode();
        rig.press(gain, key);
        EXPECT_EQ(drawn_background("Label3"), inverted);
        EXPECT_EQ(text_colour("Label3"), plain);
        for (const char* name : kEmphasisLabels) {
            if (std::string_view(name) == "Label3") continue;
            EXPECT_EQ(drawn_background(name), plain) << name;
            EXPECT_EQ(text_colour(name), inverted) << name;
        }
    }
}

TEST_F(WindowLook, VoltageStartsHighlightedAndOnlyItsValueJoinsTheCommonScheme) {
    const QColor highlight = system_colour(ColourHighlightText);
    EXPECT_EQ(text_colour("Label15"), highlight);
    EXPECT_EQ(text_colour("Label22"), highlight);
    EXPECT_EQ(text_colour("Label35"), system_colour(ColourInactiveCaptionText));
    EXPECT_EQ(text_colour("Label14"), system_colour(ColourCaptionText));
    EXPECT_EQ(text_colour("Label43"), system_colour(ColourButtonText));
    EXPECT_EQ(text_colour("Label40"), system_colour(ColourButtonText));

    rig.choose(Field::damping, 1); // damping: the first emphasis
    EXPECT_EQ(text_colour("Label15"), system_colour(ColourCaptionText));
    EXPECT_EQ(text_colour("Label22"), highlight);
    EXPECT_EQ(text_colour("Label35"), system_colour(ColourInactiveCaptionText));
    rig.choose(Field::lpf, 0); // the low-pass value beside Label35
    EXPECT_EQ(text_colour("Label22"), highlight);
    EXPECT_EQ(text_colour("Label35"), system_colour(ColourInactiveCaptionText));
    EXPECT_EQ(drawn_background("Label35"), system_colour(ColourInactiveCaption));
}

TEST_F(WindowLook, AboutWindowIsOneAtATimeAndNotModal) {
    rig.ui().about->trigger();
    rig.ui().about->trigger();
    ASSERT_EQ(about_windows().size(), 1u);
    AboutWindow* first = rig.window->about_window();
    EXPECT_EQ(about_windows().front(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_TRUE(first->isWindow());
    EXPECT_EQ(first->windowTitle(), "关于...");
    EXPECT_EQ(first->size(), QSize(312, 232));
    QWidget* rule = first->findChild<QWidget*>("Line1");
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->geometry().topLeft(), QPoint(12, 200));
    EXPECT_EQ(rule->width(), 280);
    // The main window still takes the operator's actions.
    rig.choose(Field::damping, 1);
    EXPECT_EQ(rig.label("Label19"), "150");

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about_windows().empty());
    EXPECT_EQ(rig.window->about_window(), nullptr);
    rig.ui().about->trigger();
    ASSERT_EQ(about_windows().size(), 1u);
    EXPECT_TRUE(rig.window->about_window()->isVisible());
}

TEST_F(WindowLook, HelpFailureReachesAMessageBox) {
    rig.help_answer = "找不到帮助文档 5120.CHM";
    rig.ui().helpd->trigger();
    EXPECT_EQ(rig.help_calls, 1);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_EQ(rig.messages[0].text, "找不到帮助文档 5120.CHM");

    rig.help_answer.clear();
    rig.ui().helpd->trigger();
    EXPECT_EQ(rig.help_calls, 2);
    EXPECT_EQ(rig.messages.size(), 1u); // started: nothing to tell
}
