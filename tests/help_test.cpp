// Opening the manual outside Windows: a CHM viewer when one is installed, else the HTML
// pages in the browser, else a message; with a fake viewer, browser and folders.
#include "ui_rig.h"

#include "ui/help.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

struct Started {
    QString program;
    QStringList arguments;
};

class Help : public ::testing::Test {
protected:
    QTemporaryDir root;
    std::vector<QString> installed; // viewer names the fake system finds
    bool start_works = true;
    bool desktop_opens = true;
    std::vector<Started> started;
    std::vector<QUrl> opened;

    QString folder(const QString& name) {
        QDir(root.path()).mkpath(name);
        return root.filePath(name);
    }
    void put(const QString& folder_path, const QString& name) {
        QDir(folder_path).mkpath(QFileInfo(QDir(folder_path).filePath(name)).path());
        QFile file(QDir(folder_path).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    HelpSystem system(const QStringList& folders) {
        HelpSystem s;
        s.folders = folders;
        s.find_program = [this](const QString& name) {
            for (const QString& viewer : installed)
                if (viewer == name) return "/fake/bin/" + name;
            return QString();
        };
        s.start = [this](const QString& program, const QStringList& arguments) {
            started.push_back({program, arguments});
            return start_works;
        };
        s.open_url = [this](const QUrl& url, const std::function<void(bool)>& done) {
            opened.push_back(url);
            done(desktop_opens);
        };
        return s;
    }
    // What the opening reported: empty when something opened the manual.
    static QString open_help_document(const HelpSystem& system) {
        QString problem;
        qlm::open_help_document(system, [&problem](const QString& text) { problem = text; });
        return problem;
    }
};

TEST_F(Help, ChmViewerWhenInstalledElseBrowserWithTheHtmlPages) {
    const QString program = folder("bin");
    put(program, "5120.CHM");
    put(program, "manual/index.html");

    installed = {"kchmviewer"};
    EXPECT_EQ(open_help_document(system({program})), "");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, "/fake/bin/kchmviewer");
    EXPECT_EQ(started[0].arguments, QStringList{QDir(program).filePath("5120.CHM")});
    EXPECT_TRUE(opened.empty());

    installed = {"xchm", "kchmviewer"}; // xchm is asked first
    started.clear();
    EXPECT_EQ(open_help_document(system({program})), "");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, "/fake/bin/xchm");

    installed.clear();
    started.clear();
    EXPECT_EQ(open_help_document(system({program})), "");
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir(program).filePath("manual/index.html")));
}

TEST_F(Help, ViewerThatFailsToStartFallsBackToTheBrowser) {
    const QString program = folder("bin");
    put(program, "5120.CHM");
    put(program, "manual/index.html");
    installed = {"xchm", "kchmviewer"};
    start_works = false;
    EXPECT_EQ(open_help_document(system({program})), "");
    EXPECT_EQ(started.size(), 2u);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].path().endsWith("manual/index.html"));
}

TEST_F(Help, OnlyTheChmAndNoViewerGoesToTheDesktop) {
    const QString program = folder("bin");
    put(program, "5120.CHM");
    EXPECT_EQ(open_help_document(system({program})), "");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir(program).filePath("5120.CHM")));
}

TEST_F(Help, NothingToOpenItWithSaysWhichFileAndWhatToInstall) {
    const QString program = folder("bin");
    put(program, "5120.CHM");
    put(program, "manual/index.html");
    desktop_opens = false;
    const QString message = open_help_document(system({program}));
    EXPECT_EQ(opened.size(), 2u); // the pages, then the CHM
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(QDir(program).filePath("5120.CHM"))))
        << qPrintable(message);
    EXPECT_TRUE(message.contains("xchm")) << qPrintable(message);
}

TEST_F(Help, FoldersAreSearchedInOrder) {
    // As installed: nothing in the program's folder, the manual in ../share/qlm5120rx,
    // a stray copy in the current folder.
    const QString program = folder("usr/bin");
    const QString shared = folder("usr/share/qlm5120rx");
    const QString current = folder("work");
    put(shared, "manual/index.html");
    put(current, "manual/index.html");
    EXPECT_EQ(open_help_document(system({program, shared, current})), "");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir(shared).filePath("manual/index.html")));
}

TEST_F(Help, MissingManualNamesTheFileAndTheFoldersAndStartsNothing) {
    const QString program = folder("bin");
    const QString current = folder("work");
    put(folder("elsewhere"), "5120.CHM");
    installed = {"xchm"};
    const QString message = open_help_document(system({program, current}));
    EXPECT_TRUE(message.contains("5120.CHM")) << qPrintable(message);
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(program))) << qPrintable(message);
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(current))) << qPrintable(message);
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(opened.empty());
}

#ifndef Q_OS_WIN
// xdg-open starts whether or not anything opens the file: its exit status decides, read
// once it has ended, while the window goes on.
TEST_F(Help, TheDesktopsOpenerIsJudgedByItsExitStatus) {
    const QString program = folder("bin");
    put(program, "manual/index.html");
    const QString bin = folder("fake-path");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ":" + path);
    for (const int status : {0, 3}) {
        SCOPED_TRACE(status);
        QFile opener(bin + "/xdg-open");
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly | QIODevice::Truncate));
        opener.write(QString("#!/bin/sh\nsleep 0.2\nexit %1\n").arg(status).toUtf8());
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        HelpSystem s = default_help_system();
        s.folders = {program};
        s.find_program = [](const QString&) { return QString(); }; // no CHM viewer
        std::optional<QString> problem;
        qlm::open_help_document(s, [&problem](const QString& text) { problem = text; });
        EXPECT_FALSE(problem); // not yet: the opener runs
        EXPECT_EQ(QTest::qWaitFor([&problem] { return problem.has_value(); }, 3000), status != 0);
        EXPECT_TRUE(!problem || problem->contains("index.html"));
    }
    qputenv("PATH", path);
}
#endif

TEST_F(Help, TheWindowsMenuItemReachesTheViewerOrTheMessageBox) {
    const QString program = folder("bin");
    UiRig rig;
    UiSeams seams = rig.seams();
    seams.open_help = [&](const std::function<void(const QString&)>& report) {
        qlm::open_help_document(system({program}), report);
    };
    rig.window = std::make_unique<MainWindow>(rig.instrument, seams);
    rig.window->start();
    const std::size_t before = rig.messages.size(); // start-up's own, if any

    rig.ui().helpd->trigger();
    ASSERT_EQ(rig.messages.size(), before + 1);
    EXPECT_EQ(rig.messages.back().title, "错误");
    EXPECT_TRUE(rig.messages.back().text.startsWith("找不到帮助文档 5120.CHM"));

    put(program, "5120.CHM");
    installed = {"xchm"};
    rig.ui().helpd->trigger();
    EXPECT_EQ(rig.messages.size(), before + 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].arguments, QStringList{QDir(program).filePath("5120.CHM")});
}

} // namespace
