// The window's platform seams: Qt's own texts in the program's dialogs are Chinese also under
// LANG=C (ctest runs this with LANG=C): the import dialog, the message box's button, an
// entry's context menu; and the exchanges' wait where event passes are slow.
#include "link/link.h"
#include "ui/platform_seams.h"
#include "ui/qt_chinese.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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

    // Boxes come one at a time, in order, and the call returns at once.
    seams.message("错误", "数据通信失败！仪器和计算机无法连接");
    seams.inform("提示", "second");
    for (const char* text : {"数据通信失败！仪器和计算机无法连接", "second"}) {
        QMessageBox* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box && box->isVisible();
        }));
        EXPECT_EQ(box->text(), text);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->buttons()[0]->text(), "确定");
        box->buttons()[0]->click();
        QTest::qWait(10); // its deferred deletion
    }

    bool checked = false;
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
// An exchange's wait goes on from the event loop, never inside the call, and never sooner
// than the time asked for.
TEST(PlatformWait, AContinuationRunsFromTheLoopNoSoonerThanAsked) {
    QWidget* parent = nullptr;
    const UiSeams seams = platform_seams(&parent);
    QElapsedTimer clock;
    clock.start();
    qint64 ran_after = -1;
    seams.after(kSendWait, [&] { ran_after = clock.nsecsElapsed(); });
    EXPECT_EQ(ran_after, -1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran_after >= 0; }, 5000));
    EXPECT_GE(ran_after, std::chrono::nanoseconds(kSendWait).count());
}

} // namespace
