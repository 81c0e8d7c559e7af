// The window's platform seams: Qt's own texts in the program's dialogs are Chinese also under
// LANG=C (ctest runs this with LANG=C): the import dialog, the message box's button, an
// entry's context menu; and the exchanges' wait where event passes are slow.
#include "ui/platform_seams.h"
#include "ui/qt_chinese.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

using namespace qlm;

namespace {

// Runs check on the modal dialog once it is up, then closes it.
void while_modal(const std::function<void(QWidget*)>& check) {
    QTimer::singleShot(0, [check] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        check(dialog);
        if (auto* box = qobject_cast<QDialog*>(dialog)) box->reject();
    });
}

TEST(QtChinese, AMissingFileIsReportedWithItsFolders) {
    QTemporaryDir empty;
    const QString problem = install_qt_chinese(*qApp, {empty.path()});
    EXPECT_TRUE(problem.contains("qtbase_zh_CN.qm")) << qPrintable(problem);
    EXPECT_TRUE(problem.contains(QDir::toNativeSeparators(empty.path()))) << qPrintable(problem);
}

TEST(QtChinese, DialogsButtonsAndMenusSpeakChineseWhateverTheLocale) {
    ASSERT_EQ(qgetenv("LANG"), "C") << "run by ctest, which sets LANG=C";
    ASSERT_EQ(install_qt_chinese(*qApp, qt_chinese_folders()), "");

    auto window = std::make_unique<QWidget>();
    QWidget* parent = window.get();
    const UiSeams seams = platform_seams(&parent);

    bool checked = false;
    while_modal([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->buttons()[0]->text(), "确定");
        checked = true;
    });
    seams.message("错误", "数据通信失败！仪器和计算机无法连接");
    EXPECT_TRUE(checked);

    checked = false;
    while_modal([&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->windowTitle(), "导入文件");
#ifndef _WIN32
        // Qt's own dialog, whose texts the translation reaches (Windows' own speaks the
        // system's language).
        EXPECT_TRUE(files->testOption(QFileDialog::DontUseNativeDialog));
#endif
        EXPECT_EQ(files->labelText(QFileDialog::LookIn), "查找范围：");
        EXPECT_EQ(files->labelText(QFileDialog::FileName), "文件名称(&N)：");
        EXPECT_EQ(files->labelText(QFileDialog::FileType), "文件类型：");
        EXPECT_EQ(files->labelText(QFileDialog::Accept), "打开(&O)");
        EXPECT_EQ(files->labelText(QFileDialog::Reject), "取消");
        checked = true;
    });
    EXPECT_EQ(seams.open_file("导入文件", "*.qini"), "");
    EXPECT_TRUE(checked);

    QLineEdit entry(window.get());
    std::unique_ptr<QMenu> menu(entry.createStandardContextMenu());
    QStringList actions;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) actions << action->text().section('\t', 0, 0);
    EXPECT_TRUE(actions.contains("撤消(&U)")) << qPrintable(actions.join(" | "));
    EXPECT_TRUE(actions.contains("粘贴(&P)")) << qPrintable(actions.join(" | "));
}

// Passes of 100 us (Wine's are 90): a command's 100,001 passes end at their 100 ms, after
// about a thousand passes, not after ten seconds. Each pass runs the window's events.
TEST(PlatformWait, SlowPassesEndAtTheirTime) {
    QWidget* parent = nullptr;
    const UiSeams seams = platform_seams(&parent);
    long passes = 0;
    QTimer slow;
    QObject::connect(&slow, &QTimer::timeout, [&passes] {
        ++passes;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    });
    slow.start(0);
    seams.wait(100001);
    EXPECT_GT(passes, 0);
    EXPECT_LT(passes, 20000);
}

} // namespace
