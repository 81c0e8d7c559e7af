// The main window's geometry, texts and fonts as the operator sees them.
#include "ui_rig.h"

#include "ui/about_window.h"
#include "ui/branding.h"
#include "ui/colours.h"
#include "ui/fonts.h"
#include "ui/form1_layout.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QMenuBar>
#include <QStatusBar>

#include <gtest/gtest.h>

#include <tuple>

using namespace qlm;
using namespace qlm::testing;

namespace {

enum Align { any, left, right, centre };

// What each control shows; where it sits comes from the window's own placements.
struct Expected {
    const char* name;
    const char* text;
    double points;
    Align align;
    const char* tooltip;
};

// clang-format off
const Expected kExpected[] = {
    {"Frame1", "显示面板", 0, any, ""},
    {"Frame2", "控制面板", 0, any, ""},

    {"Label4", "工作模式：", 14.25, left, "单 ，双"},
    {"Label14", nullptr, 14.25, left, ""},
    {"Label5", "脉冲电压：", 14.25, left, "-400～－25"},
    {"Label22", "-", 14.25, any, ""},
    {"Label15", nullptr, 14.25, left, ""},
    {"Label29", "V", 14.25, any, ""},
    {"Label6", "重复频率：", 14.25, left, ""},
    {"Label20", nullptr, 14.25, right, ""},
    {"Label30", "Hz", 14.25, any, ""},
    {"Label7", "脉冲宽度：", 14.25, left, ""},
    {"Label2", nullptr, 14.25, right, ""},
    {"Label31", "nS", 14.25, any, ""},
    {"Label8", "探头频率：", 14.25, left, ""},
    {"Label21", nullptr, 14.25, right, ""},
    {"Label32", "MHz", 14.25, any, ""},
    {"Label9", "接收增益：", 14.25, left, ""},
    {"Label3", nullptr, 14.25, right, ""},
    {"Label33", "dB", 14.25, any, ""},
    {"Label10", "触 发 源：", 14.25, left, ""},
    {"Label16", nullptr, 14.25, right, ""},
    {"Label11", "L P F  ：", 14.25, left, ""},
    {"Label17", nullptr, 14.25, right, ""},
    {"Label35", "MHz", 14.25, any, ""},
    {"Label12", "H P F  ：", 14.25, left, ""},
    {"Label18", "1", 14.25, right, ""},
    {"Label36", nullptr, 14.25, any, ""},
    {"Label13", "阻   尼：", 14.25, left, ""},
    {"Label19", nullptr, 14.25, right, ""},
    {"Label34", "Ω", 14.25, any, ""},

    {"Label43", "工作模式", 10.5, left, ""},
    {"Label24", "重复频率", 10.5, centre, ""},
    {"Label25", "触发选择", 10.5, centre, ""},
    {"Label26", "阻尼设置", 10.5, centre, ""},
    {"Label27", "低通滤波", 10.5, centre, ""},
    {"Label39", "高通滤波", 10.5, centre, ""},
    {"Combo1", nullptr, 0, any, ""},
    {"Combo2", nullptr, 0, any, ""},
    {"Combo3", nullptr, 0, any, ""},
    {"Combo4", nullptr, 0, any, ""},
    {"Combo5", nullptr, 0, any, ""},
    {"Combo6", nullptr, 0, any, ""},
    {"Command11", "接收增益", 10.5, any, ""},
    {"Command12", "脉冲电压", 10.5, any, ""},
    {"Command13", "脉冲宽度", 10.5, any, ""},
    {"Text3", nullptr, 12, any, ""},
    {"Text1", nullptr, 12, any, ""},
    {"Text2", nullptr, 12, any, ""},
    {"Label40", "dB", 12, any, ""},
    {"Label41", "V", 12, any, ""},
    {"Label42", "ns", 12, any, ""},

    {"StatusBar1", nullptr, 9, any, ""},
    {"ProgressBar1", nullptr, 0, any, ""},
};
// clang-format on

// The longest texts each display label takes, beside its own.
const std::pair<const char*, std::vector<const char*>> kLongest[] = {
    {"Label14", {"单", "双"}},     {"Label15", {"400", "100"}}, {"Label20", {"5000"}},
    {"Label2", {"6500"}},          {"Label21", {"20.00"}},      {"Label3", {"-50", "60"}},
    {"Label16", {"内部", "外部"}}, {"Label17", {"10", "30"}},   {"Label19", {"400", "150"}},
    {"Label36", {"kHz", "MHz"}},
};

Align horizontal(Qt::Alignment alignment) {
    const Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (h == Qt::AlignRight) return right;
    if (h == Qt::AlignHCenter) return centre;
    return left;
}

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        rig.start();
        // Keep the focus off the lists: a list losing it picks the entry its text names.
        rig.button(Field::gain)->setFocus();
        rig.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
    }
    QWidget* widget(const char* name) const {
        return rig.window->findChild<QWidget*>(QString::fromLatin1(name));
    }
    UiRig rig;
};

} // namespace

// Every control of the list above is placed, in the panel the design puts it in, and the
// client area has the design's size. (Where each sits is the window's own table; the texts
// that must fit are checked below.)
TEST_F(Layout, EveryControlIsPlacedInItsPanel) {
    ASSERT_EQ(form1_placements().size(), std::size(kExpected));
    for (const Placement& at : form1_placements()) {
        QWidget* w = widget(at.name);
        ASSERT_NE(w, nullptr) << at.name;
        EXPECT_EQ(w->parentWidget()->objectName(), *at.parent ? at.parent : "client") << at.name;
    }
    EXPECT_EQ(rig.ui().client->size(), QSize(11685 / 15, 7620 / 15)); // twips, 15 to a pixel
}

TEST_F(Layout, EveryControlShowsItsTextFontAlignmentAndHint) {
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.name);
        QWidget* w = widget(e.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(e.tooltip));
        if (e.points > 0) {
            EXPECT_DOUBLE_EQ(w->font().pointSizeF(), e.points);
        }
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (e.text) {
                EXPECT_EQ(label->text(), QString::fromUtf8(e.text));
            }
            if (e.align != any) {
                EXPECT_EQ(horizontal(label->alignment()), e.align);
            }
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(button->text(), QString::fromUtf8(e.text));
        } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
            EXPECT_EQ(frame->title(), QString::fromUtf8(e.text));
        }
    }
}

TEST_F(Layout, WindowCaptionClientAreaAndMenuBarAbove) {
    EXPECT_EQ(rig.window->objectName(), "Form1");
    EXPECT_EQ(rig.window->windowTitle(), "QLM-5120RX控制软件（V1.1）（模拟仪器）");
    QWidget* client = rig.ui().client;
    EXPECT_EQ(client->size(), QSize(779, 508));
    const QRect menu = rig.window->menuBar()->geometry();
    EXPECT_EQ(client->geometry().top(), menu.bottom() + 1);
    EXPECT_EQ(rig.window->size(), QSize(779, 508 + menu.height()));
    EXPECT_EQ(rig.window->minimumSize(), rig.window->maximumSize()); // nothing resizes
    // Both panels 4575 twips high with their tops at 1560, the display panel on the left.
    EXPECT_LT(rig.ui().Frame1->x(), rig.ui().Frame2->x());
    EXPECT_EQ(rig.ui().Frame1->geometry().top(), rig.ui().Frame2->geometry().top());
}

TEST_F(Layout, MenusCarryTheirCaptionsAndNames) {
    // Name, caption, shortcut (shown in the menu beside the caption).
    using Item = std::tuple<QString, QString, QString>;
    std::vector<Item> expected{
        {"file", "文件", ""},
        {"open", "导入设置", "Ctrl+O"},
        {"save", "导出设置", "Ctrl+S"},
        {"sheet", "导出设置单（PDF）", ""},
        {"quit_separator", "", ""},
        {"quit", "退出", "Ctrl+Q"},
        {"setname", "参数", ""},
        {"seting2", "仪器参数（手动获取）", "F5"},
        {"seting3", "核对仪器参数", ""},
        {"restore", "恢复参数", ""},
        {"remote", "远程控制（SCPI）", ""},
        {"journal", "操作记录", ""},
        {"help", "帮助", ""},
        {"helpd", "帮助文档", "F1"},
        {"about", "关于......", ""},
    };
    const auto found = [this] {
        std::vector<Item> items;
        for (QAction* top : rig.window->menuBar()->actions()) {
            QMetaObject::invokeMethod(top->menu(), "aboutToShow");
            items.emplace_back(top->menu()->objectName(), top->text(), "");
            for (QAction* item : top->menu()->actions())
                items.emplace_back(item->objectName(), item->text(),
                                   item->shortcut().toString(QKeySequence::PortableText));
        }
        return items;
    };
    EXPECT_EQ(found(), expected);

    // After an export, the file menu lists it below a separator, numbered, above 退出.
    rig.save_answer = rig.config_dir.path() + "/a&b.qini";
    rig.trigger(rig.ui().save);
    const QString shown = QDir::toNativeSeparators(rig.save_answer).replace("&", "&&");
    expected.insert(expected.begin() + 4, {{"recent", "", ""}, {"recent1", "&1 " + shown, ""}});
    EXPECT_EQ(found(), expected);
}

TEST_F(Layout, SongFaceIsInstalledAndUsedCommand13InVerdanaOrItsSibling) {
    EXPECT_TRUE(QFontDatabase::families().contains(song_family()));
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.name);
        const QWidget* w = widget(e.name);
        if (e.points == 0) continue;
        const QString wanted =
            std::string_view(e.name) == "Command13" ? verdana_family() : song_family();
        EXPECT_EQ(w->font().family(), wanted);
        if (QFontDatabase::families().contains(wanted)) {
            EXPECT_EQ(QFontInfo(w->font()).family(), wanted);
        }
    }
}

TEST_F(Layout, NoTextIsClippedAndNoValueRunsIntoItsUnit) {
    for (const Expected& e : kExpected) {
        auto* label = qobject_cast<QLabel*>(widget(e.name));
        if (!label) continue;
        SCOPED_TRACE(e.name);
        std::vector<QString> texts{label->text()};
        for (const auto& [name, longest] : kLongest)
            if (std::string_view(name) == e.name)
                for (const char* text : longest)
                    texts.push_back(QString::fromUtf8(text));
        const QFontMetrics metrics(label->font());
        for (const QString& text : texts)
            EXPECT_LE(metrics.horizontalAdvance(text), label->contentsRect().width())
                << qPrintable(text);
        EXPECT_LE(metrics.height(), label->contentsRect().height());
        // Inside its panel, clear of the panel's border.
        const QRect inner = label->parentWidget()->rect().adjusted(2, 2, -2, -2);
        EXPECT_TRUE(inner.contains(label->geometry())) << label->x() + label->width();
    }
    // Rows of value and unit: the value's box ends where the unit's begins, or before.
    const std::pair<const char*, const char*> rows[] = {
        {"Label22", "Label15"}, {"Label15", "Label29"}, {"Label20", "Label30"},
        {"Label2", "Label31"},  {"Label21", "Label32"}, {"Label3", "Label33"},
        {"Label17", "Label35"}, {"Label18", "Label36"}, {"Label19", "Label34"},
        {"Text3", "Label40"},   {"Text1", "Label41"},   {"Text2", "Label42"},
    };
    for (const auto& [value, unit] : rows)
        EXPECT_LE(widget(value)->geometry().right(), widget(unit)->geometry().left() - 1)
            << value << " / " << unit;
    // The control panel's captions end where their lists begin; centred ones over the middle.
    const std::pair<const char*, const char*> captions[] = {
        {"Label43", "Combo1"}, {"Label24", "Combo2"}, {"Label25", "Combo3"},
        {"Label26", "Combo4"}, {"Label27", "Combo5"}, {"Label39", "Combo6"},
    };
    for (const auto& [caption, list] : captions) {
        const QRect above = widget(caption)->geometry();
        const QRect below = widget(list)->geometry();
        EXPECT_LT(above.bottom(), below.top()) << caption;
        if (std::string_view(caption) != "Label43") {
            EXPECT_NEAR(above.center().x(), below.center().x(), 1) << caption;
        }
    }
}

TEST_F(Layout, StatusBarPanelsInOrderWithTheHintPanelStretching) {
    QStatusBar* bar = rig.ui().StatusBar1;
    EXPECT_EQ(bar->geometry(), QRect(0, 488, 779, 20));
    std::vector<QLabel*> panels;
    for (const char* name : {"Panel1", "Panel2", "Panel3", "Panel4"})
        panels.push_back(bar->findChild<QLabel*>(name));
    for (std::size_t i = 0; i + 1 < panels.size(); ++i)
        EXPECT_LT(panels[i]->geometry().right(), panels[i + 1]->x()) << i;
    for (QLabel* panel : {panels[0], panels[2], panels[3]}) {
        EXPECT_EQ(panel->width(), panel->sizeHint().width()) << qPrintable(panel->objectName());
        EXPECT_TRUE(bar->rect().contains(panel->geometry()));
    }
    EXPECT_GT(panels[1]->width(), bar->width() / 2);
    EXPECT_DOUBLE_EQ(panels[3]->font().pointSizeF(), 9);
    EXPECT_EQ(panels[3]->text(), "www.example.com ");

    QProgressBar* progress = rig.ui().ProgressBar1;
    EXPECT_FALSE(progress->isVisible());
    const QObjectList& stacking = rig.ui().client->children();
    EXPECT_GT(stacking.indexOf(progress), stacking.indexOf(bar)); // drawn over it
}

TEST_F(Layout, FrameCaptionsStandOnTheFrameLineInTheirColours) {
    EXPECT_EQ(rig.ui().Frame1->palette().color(QPalette::WindowText),
              system_colour(ColourInactiveCaptionText));
    EXPECT_EQ(rig.ui().Frame2->palette().color(QPalette::WindowText),
              system_colour(ColourCaptionText));
    for (QGroupBox* frame : {rig.ui().Frame1, rig.ui().Frame2}) {
        SCOPED_TRACE(qPrintable(frame->objectName()));
        const QImage image = frame->grab().toImage();
        const QColor background = system_colour(ColourInactiveCaption);
        // The top line, found right of the caption.
        const int x = image.width() - 20;
        int line = -1;
        for (int y = 0; y < image.height() && line < 0; ++y)
            if (image.pixelColor(x, y) != background) line = y;
        const int caption_height = QFontMetrics(frame->font()).height();
        EXPECT_GT(line, 0);
        EXPECT_LT(line, caption_height);
        // Under the caption the line gives way to the text.
        const int caption_width = QFontMetrics(frame->font()).horizontalAdvance(frame->title());
        int line_pixels = 0;
        for (int cx = 10; cx < 10 + caption_width - 4; ++cx)
            line_pixels += image.pixelColor(cx, line) == image.pixelColor(x, line);
        EXPECT_LT(line_pixels, caption_width / 2);
    }
}

TEST_F(Layout, BothWindowsShowTheProgramsIcon) {
    const QIcon icon = program_icon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(48, 48)));
    const QImage picture = icon.pixmap(48, 48).toImage();
    EXPECT_EQ(rig.window->windowIcon().pixmap(48, 48).toImage(), picture);
    rig.ui().about->trigger();
    ASSERT_NE(rig.window->about_window(), nullptr);
    EXPECT_EQ(rig.window->about_window()->windowIcon().pixmap(48, 48).toImage(), picture);
}
