// The window as a desktop program: by keyboard alone, files dropped on it and chosen among
// the recent ones, and what a screen reader is told.
#include "sim_cases.h"
#include "ui_rig.h"

#include "desktop/recent_files.h"
#include "settings/auto_file.h"
#include "settings/settings_file.h"
#include "ui/keyboard.h"
#include "ui/recent_menu.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using namespace qlm;
using namespace qlm::testing;

namespace {

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        rig.start();
        rig.window->show();
        rig.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
    }
    QWidget* focus() const { return QApplication::focusWidget(); }
    QString focus_name() const { return focus() ? focus()->objectName() : QString(); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(focus() ? focus() : rig.window.get(), key, modifiers);
    }
    void tab_to(const char* name) {
        for (int i = 0; i < 20 && focus_name() != name; ++i)
            key(Qt::Key_Tab);
        ASSERT_EQ(focus_name(), name);
    }
    // A number typed over the field's text and confirmed with Enter.
    void type_value(const QString& value) {
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focus(), value);
        key(Qt::Key_Return);
    }
    QString settings_file(const char* name, const SettingsTexts& texts) {
        const QString path = rig.config_dir.path() + "/" + name;
        EXPECT_EQ(save_settings_file(path, texts), "");
        return path;
    }
    QMenu* file_menu() const { return rig.window->findChild<QMenu*>("file"); }
    // The file menu's recent items, as it shows them when opened.
    QStringList recent_items() {
        QMetaObject::invokeMethod(file_menu(), "aboutToShow");
        QStringList items;
        for (QAction* action : file_menu()->actions())
            if (action->objectName().startsWith("recent") && !action->isSeparator())
                items << action->toolTip();
        return items;
    }
    QAction* recent_item(int number) {
        QMetaObject::invokeMethod(file_menu(), "aboutToShow");
        return file_menu()->findChild<QAction*>(QString("recent%1").arg(number));
    }
    bool drop(QMimeData* data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(rig.window.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(rig.window.get(), &dropped);
        return dropped.isAccepted();
    }
    UiRig rig;
};

TEST_F(Desktop, TabVisitsTheListsRowByRowThenEachButtonAndItsField) {
    const QStringList expected{"Combo1",    "Combo2", "Combo3",    "Combo4", "Combo5",    "Combo6",
                               "Command11", "Text3",  "Command12", "Text1",  "Command13", "Text2"};
    QStringList order;
    for (QWidget* control : reading_order(rig.ui()))
        order << control->objectName();
    EXPECT_EQ(order, expected);
    tab_to("Combo1");
    QStringList visited{focus_name()};
    for (int i = 1; i < expected.size(); ++i) {
        key(Qt::Key_Tab);
        visited << focus_name();
    }
    EXPECT_EQ(visited, expected);
    key(Qt::Key_Backtab);
    EXPECT_EQ(focus_name(), "Command13");
}

TEST_F(Desktop, AWholePieceOfWorkWithoutTheMouse) {
    // Each list stepped to its first entry, each number typed and confirmed.
    tab_to("Combo1");
    for (int list = 0; list < 6; ++list) {
        key(Qt::Key_Down);
        key(Qt::Key_Tab);
    }
    EXPECT_EQ(focus_name(), "Command11");
    key(Qt::Key_Tab);
    type_value("20");
    tab_to("Text1");
    type_value("150");
    tab_to("Text2");
    type_value("500");
    EXPECT_EQ(rig.applied(), (Applied{{0, 0, 0},
                                      {4, 1, 0},
                                      {3, 0, 0},
                                      {8, 4, 0},
                                      {5, 1, 0},
                                      {7, 0, 0},
                                      {1, 70, 0},
                                      {2, 6, 0},
                                      {6, 244, 1}}));
    EXPECT_EQ(rig.display_texts(), (std::vector<QString>{"单", "20", "150", "内部", "100", "30",
                                                         "500", "kHz", "1.00", "400"}));
    EXPECT_TRUE(rig.messages.empty()) << rig.messages[0].text.toStdString();

    // Ctrl+O imports, with its upload.
    rig.open_answer = settings_file("set.qini", kExampleSet);
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.dialog_titles, std::vector<QString>{"导入文件"});
    rig.run_upload();
    const Applied applied = rig.applied();
    EXPECT_EQ(Applied(applied.end() - 9, applied.end()), kExampleSetFrames);
    // Ctrl+S exports what the display shows.
    rig.save_answer = rig.config_dir.path() + "/now.qini";
    key(Qt::Key_S, Qt::ControlModifier);
    const LoadResult saved = load_settings_file(rig.save_answer);
    ASSERT_TRUE(saved.fields);
    EXPECT_EQ(saved.fields->at(0), "双");
    EXPECT_EQ(saved.fields->at(9), "150");
    // F5 reads the instrument back: one request more; F1 opens the help.
    const int writes = rig.writes();
    key(Qt::Key_F5);
    EXPECT_EQ(rig.writes(), writes + 1);
    key(Qt::Key_F1);
    EXPECT_EQ(rig.help_calls, 1);
    // F10 opens the file menu, whose items the arrow keys then reach.
    key(Qt::Key_F10);
    QMenu* menu = file_menu();
    EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000));
    QTest::keyClick(menu, Qt::Key_Escape);
    // The window manager's Alt+F4 closes it: the settings are kept.
    rig.close();
    const LoadResult kept = load_auto_file(rig.folders);
    ASSERT_TRUE(kept.fields);
    EXPECT_EQ(kept.fields->at(9), "150");
}

TEST_F(Desktop, ADroppedSettingsFileIsImportedAnythingElseIgnored) {
    const QString file = settings_file("set.qini", kExampleSet);
    const QString other = rig.write_file("notes.txt", "x");
    const auto urls = [](const QStringList& paths) {
        auto* data = new QMimeData;
        QList<QUrl> list;
        for (const QString& path : paths)
            list << (path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
        data->setUrls(list);
        return std::unique_ptr<QMimeData>(data);
    };
    const int writes = rig.writes();
    for (const QStringList& paths : {QStringList{other}, QStringList{file, file},
                                     QStringList{"https://example.com/set.qini"}, QStringList{}}) {
        SCOPED_TRACE(paths.join(' ').toStdString());
        EXPECT_FALSE(drop(urls(paths).get()));
    }
    auto text = std::make_unique<QMimeData>();
    text->setText(file);
    EXPECT_FALSE(drop(text.get()));
    EXPECT_EQ(rig.writes(), writes);
    EXPECT_FALSE(rig.window->Timer1()->isActive());

    const QString upper = rig.config_dir.path() + "/SET2.QINI";
    ASSERT_TRUE(QFile::copy(file, upper));
    EXPECT_TRUE(drop(urls({upper}).get()));
    EXPECT_EQ(rig.label("Label14"), "双"); // shown at once, as an import from the dialog
    rig.run_upload();
    EXPECT_EQ(rig.applied(), kExampleSetFrames);
    EXPECT_EQ(recent_items(), QStringList{QDir::toNativeSeparators(upper)});
}

TEST_F(Desktop, RecentFilesAreTheLastEightUsedAndAGoneOneIsSaidSoAndDropped) {
    EXPECT_TRUE(recent_items().isEmpty());
    QStringList exported;
    for (int n = 1; n <= 9; ++n) {
        rig.save_answer = rig.config_dir.path() + QString("/out%1.qini").arg(n);
        rig.trigger(rig.ui().save);
        exported.prepend(QDir::toNativeSeparators(rig.save_answer));
    }
    exported.removeLast();
    EXPECT_EQ(recent_items(), exported);
    EXPECT_EQ(recent_item(1)->text(), recent_caption(1, exported[0]));
    // Kept in a file of their own in the configuration folder, not in open.qini.
    EXPECT_EQ(RecentFiles(recent_files_in(rig.folders.config_folder)).list().size(), 8);

    // The oldest still there, chosen: imported and listed first.
    const QString oldest = rig.config_dir.path() + "/out2.qini";
    recent_item(8)->trigger();
    rig.run_upload();
    EXPECT_EQ(recent_items().first(), QDir::toNativeSeparators(oldest));
    EXPECT_TRUE(rig.messages.empty());

    // One that has gone: the import's failure message, and it leaves the list.
    const QString gone = rig.config_dir.path() + "/out9.qini";
    ASSERT_TRUE(QFile::remove(gone));
    recent_item(2)->trigger();
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_TRUE(rig.messages[0].text.startsWith("导入失败：" + QDir::toNativeSeparators(gone)))
        << rig.messages[0].text.toStdString();
    EXPECT_TRUE(rig.messages[0].text.contains("文件不存在"));
    EXPECT_FALSE(recent_items().contains(QDir::toNativeSeparators(gone)));
    EXPECT_EQ(recent_items().size(), 7);
}

// 文件 → 退出 (Ctrl+Q) ends as the close button does.
TEST_F(Desktop, QuitSavesTheDisplayedValuesAsTheCloseDoes) {
    key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(rig.window->isVisible());
    const LoadResult saved = load_auto_file(rig.folders);
    ASSERT_TRUE(saved.fields);
    EXPECT_EQ(*saved.fields, rig.window->panel().params().texts());
}

TEST(RecentCaption, NumberedShortenedInTheMiddleAmpersandsKept) {
    EXPECT_EQ(recent_caption(1, "/data/a&b.qini"),
              "&1 " + QDir::toNativeSeparators("/data/a&&b.qini"));
    const QString long_path = "/data/" + QString(100, 'x') + "/steel.qini";
    const QString caption = recent_caption(8, long_path);
    EXPECT_TRUE(caption.startsWith("&8 " + QDir::toNativeSeparators("/data/")));
    EXPECT_TRUE(caption.endsWith("steel.qini"));
    EXPECT_TRUE(caption.contains("..."));
    EXPECT_LE(caption.size(), 3 + 60);
}

TEST_F(Desktop, AFileHandedOverDuringAnExchangeWaitsUntilItHasEnded) {
    const QString file = settings_file("set.qini", kExampleSet);
    // Handed over while the read-back waits for its answer.
    rig.during_wait = {[&] {
        rig.window->open_settings_file(file);
        EXPECT_EQ(rig.label("Label14"), "单");
    }};
    const int writes = rig.writes();
    rig.trigger(rig.ui().seting2);
    EXPECT_EQ(rig.writes(), writes + 1); // the request alone, no upload in between
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.label("Label14") == "双"; }, 5000));
    rig.run_upload();
    EXPECT_EQ(rig.applied(), kExampleSetFrames);
}

TEST_F(Desktop, AHandedOverNameWithBadBytesRefusesThatRequestAlone) {
    const QString file = settings_file("set.qini", kExampleSet);
    rig.window->open_settings_file(file, false);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_TRUE(rig.messages[0].text.contains(QString::fromUtf8("文件名不是有效的UTF-8编码")));
    EXPECT_EQ(rig.label("Label14"), "单");
    rig.window->open_settings_file(file, true);
    EXPECT_EQ(rig.label("Label14"), "双");
}

// What a screen reader is told: each value with its unit, and each control what it is.
QString spoken(QWidget* widget, QAccessible::Text which = QAccessible::Name) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(which) : QString();
}

#ifndef _WIN32
// The name of the label that labels the control, for AT-SPI.
QString labelled_by(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    for (const auto& [other, relation] : face->relations(QAccessible::Label))
        return other->text(QAccessible::Name);
    return {};
}
#endif

TEST_F(Desktop, EveryValueIsSpokenWithItsUnitAndEachControlSaysWhatItIs) {
    const std::pair<const char*, const char*> values[] = {
        {"Label14", "工作模式 单"},      {"Label3", "接收增益 0 dB"},
        {"Label15", "脉冲电压 -100 V"},  {"Label16", "触发源 内部"},
        {"Label20", "重复频率 1000 Hz"}, {"Label17", "低通滤波 10 MHz"},
        {"Label2", "脉冲宽度 200 nS"},   {"Label36", "高通滤波 1MHz"},
        {"Label18", "高通滤波 1MHz"},    {"Label21", "探头频率 2.50 MHz"},
        {"Label19", "阻尼 50 Ω"},
    };
    for (const auto& [name, text] : values) {
        EXPECT_EQ(spoken(rig.label_widget(name)), QString::fromUtf8(text)) << name;
        EXPECT_TRUE(
            spoken(rig.label_widget(name), QAccessible::Description).startsWith("显示面板"));
    }
    // Every control Tab reaches: a Chinese name and description. A list's name is its text
    // for AT-SPI, which names it by its caption.
    for (QWidget* control : reading_order(rig.ui())) {
        SCOPED_TRACE(control->objectName().toStdString());
        QString name = spoken(control);
#ifndef _WIN32
        if (qobject_cast<QComboBox*>(control)) name = labelled_by(control);
#endif
        const QString description = spoken(control, QAccessible::Description);
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(description.isEmpty());
        EXPECT_TRUE(name.front().unicode() >= 0x4e00) << name.toStdString();
    }
    EXPECT_EQ(spoken(rig.entry(Field::voltage)), "脉冲电压输入框，单位 V");
    EXPECT_EQ(spoken(rig.entry(Field::voltage), QAccessible::Description),
              "输入25到400 V，按回车或“脉冲电压”按钮发送到仪器");
#ifdef _WIN32
    EXPECT_EQ(spoken(rig.list(Field::damping)), "阻尼列表");
#else
    EXPECT_EQ(labelled_by(rig.list(Field::damping)), "阻尼设置");
    EXPECT_EQ(labelled_by(rig.list(Field::prf)), "重复频率");
#endif
    EXPECT_EQ(spoken(rig.list(Field::damping), QAccessible::Description),
              "当前 阻尼 50 Ω。选择一项即发送到仪器");

    // A change renames the value label, which Qt announces to a listening screen reader as
    // a name change (the offscreen platform has none to tell).
    rig.entry(Field::voltage)->setFocus();
    type_value("150");
    rig.choose(Field::damping, 1);
    EXPECT_EQ(spoken(rig.label_widget("Label15")), "脉冲电压 -150 V");
    EXPECT_EQ(spoken(rig.label_widget("Label19")), "阻尼 150 Ω");
    EXPECT_EQ(spoken(rig.list(Field::damping), QAccessible::Description),
              "当前 阻尼 150 Ω。选择一项即发送到仪器");
}

} // namespace
