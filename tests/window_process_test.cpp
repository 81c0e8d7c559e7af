// The built window program started with a settings file, as a double-click starts it, over
// the drop-in simulator: the file's upload after the start-up read-back, and a later start
// that hands its file to the running window and ends.
#include "settings/settings_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

#ifndef Q_OS_WIN
#include <csignal>
#endif

namespace {

using Frames = QStringList; // "code,value 1,value 2" of each applied data frame

// Two files and the nine frames each one's upload sends.
const qlm::SettingsTexts kFirst{"双", "20",  "150", "外部", "500",
                                "30", "200", "kHz", "5.00", "150"};
const Frames kFirstFrames{"0,1,0", "1,70,0",  "2,6,0", "3,1,0", "4,3,0",
                          "5,1,0", "6,200,0", "7,0,0", "8,3,0"};
const qlm::SettingsTexts kSecond{"单", "-10", "300", "内部", "2000",
                                 "10", "500", "MHz", "1.00", "80"};
const Frames kSecondFrames{"0,0,0", "1,40,0",  "2,12,0", "3,0,0", "4,5,0",
                           "5,0,0", "6,244,1", "7,1,0",  "8,2,0"};
const QString kRequest = "W 01020304050102030405010203040503 0";

class WindowProcess : public ::testing::Test {
protected:
    void SetUp() override {
        // A copy of the program and the simulator: its open.qini lands beside it.
        ASSERT_TRUE(QDir().mkpath(path("program")));
        ASSERT_TRUE(QDir().mkpath(path("runtime")));
        QFile::setPermissions(path("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString& file : {QString(QLM_WINDOW_PROGRAM), QString(QLM_SIM_LIBRARY)})
            ASSERT_TRUE(QFile::copy(file, path("program/" + QFileInfo(file).fileName())));
        program = path("program/" + QFileInfo(QLM_WINDOW_PROGRAM).fileName());
        ASSERT_TRUE(qlm::save_settings_file(path("first.qini"), kFirst).isEmpty());
        ASSERT_TRUE(qlm::save_settings_file(path("second.qini"), kSecond).isEmpty());
    }
    void TearDown() override {
        for (auto& process : running) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
    QString path(const QString& name) const { return dir.path() + "/" + name; }

    QProcessEnvironment environment(const QString& trace) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"EASYD12_SIM_STATE", "EASYD12_SIM_STATE_FILE", "EASYD12_SIM_FAULT",
                                 "EASYD12_SIM_TRACE", "EASYD12_SIM_APPLIED"})
            env.remove(name);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "qt.qpa.*=false");
        env.insert("HOME", path("home"));
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_RUNTIME_DIR", path("runtime"));
        env.insert("EASYD12_SIM_APPLIED", path("applied.txt"));
        env.insert("EASYD12_SIM_TRACE", path(trace));
        if (!sim_state.isEmpty()) env.insert("EASYD12_SIM_STATE", sim_state);
        return env;
    }
    QProcess* start(const QStringList& args, const QString& trace) {
        running.push_back(std::make_unique<QProcess>());
        QProcess* process = running.back().get();
        process->setProcessEnvironment(environment(trace));
        process->setWorkingDirectory(dir.path());
        process->start(program, args);
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    static QStringList lines(const QString& file) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(in.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    Frames applied() const {
        Frames frames;
        for (const QString& line : lines(path("applied.txt")))
            frames << line.section(' ', 0, 0);
        return frames;
    }
    // Polls, up to a bound, until `done`.
    static bool wait_until(const std::function<bool()>& done) {
        QElapsedTimer bound;
        bound.start();
        while (!done()) {
            if (bound.elapsed() > 60000) return false;
            QThread::msleep(50);
        }
        return true;
    }

    QTemporaryDir dir;
    QString program;
    QString sim_state; // the simulator's start settings; its default when empty
    std::vector<std::unique_ptr<QProcess>> running;
};

TEST_F(WindowProcess, AFileArgumentIsUploadedAfterTheReadBackAndALaterStartHandsItsFileOver) {
    QProcess* first = start({"first.qini"}, "first.trace");
    ASSERT_TRUE(wait_until([&] { return applied().size() >= 9; }));
    EXPECT_EQ(applied(), kFirstFrames);
    // The start-up read-back came first.
    const QStringList trace = lines(path("first.trace"));
    ASSERT_FALSE(trace.isEmpty());
    EXPECT_EQ(trace.front(), kRequest);

    // A later start of the same program for the same user: its file goes to the running
    // window, its other options are ignored with a line, it ends at once.
    QProcess later;
    later.setProcessEnvironment(environment("later.trace"));
    later.setWorkingDirectory(dir.path());
    later.start(program, {"--remote", "5030", path("second.qini")});
    ASSERT_TRUE(later.waitForFinished(30000));
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(later.readAllStandardError()).contains("忽略：--remote 5030"));
    EXPECT_FALSE(QFileInfo::exists(path("later.trace"))); // it never reached the instrument
    ASSERT_TRUE(wait_until([&] { return applied().size() >= 18; }));
    EXPECT_EQ(applied().mid(9), kSecondFrames);
    EXPECT_EQ(first->state(), QProcess::Running);

    // --new-window starts a window of its own, which uploads its file itself.
    start({"--new-window", "first.qini"}, "new.trace");
    ASSERT_TRUE(wait_until([&] { return applied().size() >= 27; }));
    EXPECT_EQ(applied().mid(18), kFirstFrames);
    EXPECT_EQ(lines(path("new.trace")).front(), kRequest);
}

// What the program answers without a window: no display at all, nothing of the instrument.
TEST_F(WindowProcess, HelpVersionAndUsageErrorsNeedNoDisplayAndOpenNoWindow) {
    struct Case {
        QStringList args;
        int status;
        const char* out; // the start of standard output
        const char* err; // in standard error
    };
    const Case cases[] = {
        {{"--version"}, 0, "qlm5120rx " QLM_VERSION "\n", ""},
        {{"--help"}, 0, "用法：qlm5120rx [选项] [文件.qini]", ""},
        {{"-platform", "offscreen", "--version"}, 0, "qlm5120rx ", ""},
        {{"--bogus"}, 1, "", "未知选项：--bogus"},
        {{"a.qini", "b.qini"}, 1, "", "只能给出一个设置文件：b.qini"},
        {{"--remote", "-1"}, 1, "", "--remote 的端口必须是 1 到 65535 之间的整数：-1"},
        {{"--remote=0"}, 1, "", "整数：0"},
        {{"--remote", "70000"}, 1, "", "整数：70000"},
        {{"--remote", "abc"}, 1, "", "整数：abc"},
    };
    QProcessEnvironment env = environment("trace.txt");
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(program, c.args);
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), c.status);
        const QString out = QString::fromUtf8(c.out);
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()).left(out.size()), out);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.err))) << err.toStdString();
        EXPECT_EQ(err.contains("qlm5120rx --help"), c.status != 0);
    }
    EXPECT_FALSE(QFileInfo::exists(path("trace.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("program/open.qini")));
}

#ifndef Q_OS_WIN
// A stop signal ends the window as its close does: open.qini holds what the display showed.
TEST_F(WindowProcess, StopSignalsSaveTheDisplayedValues) {
    const qlm::SettingsTexts shown{"双", "20",   "100", "外部", "500",
                                   "30", "6500", "kHz", "0.08", "150"};
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        QFile::remove(path("program/open.qini"));
        QFile::remove(path("signal.trace"));
        sim_state = "1,70,4,1,3,1,100,25,0,3";
        QProcess* window = start({"--new-window"}, "signal.trace");
        // The start-up read-back: a request and two reads.
        ASSERT_TRUE(wait_until([&] { return lines(path("signal.trace")).size() >= 3; }));
        QThread::msleep(300);
        ::kill(static_cast<pid_t>(window->processId()), number);
        ASSERT_TRUE(window->waitForFinished(20000));
        EXPECT_EQ(window->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(window->exitCode(), 0);
        const auto saved = qlm::load_settings_file(path("program/open.qini"));
        ASSERT_TRUE(saved.fields);
        EXPECT_EQ(*saved.fields, shown);
    }
    // Caught between a write-announce and its data frame during an upload: the data frame
    // still goes out before the window ends.
    const QString announce = "W 01020304050102030405010203040504 0";
    QProcess* window = start({"--new-window", "first.qini"}, "upload.trace");
    ASSERT_TRUE(wait_until([&] { return applied().size() >= 2; }));
    QElapsedTimer bound;
    bound.start();
    while (lines(path("upload.trace")).last() != announce && bound.elapsed() < 10000)
        QThread::msleep(2);
    ::kill(static_cast<pid_t>(window->processId()), SIGTERM);
    ASSERT_TRUE(window->waitForFinished(20000));
    EXPECT_EQ(window->exitCode(), 0);
    EXPECT_NE(lines(path("upload.trace")).last(), announce);
}
#endif

TEST_F(WindowProcess, ASocketLeftByAKilledWindowDoesNotStopTheNextStart) {
    QProcess* first = start({}, "first.trace");
    ASSERT_TRUE(wait_until([&] { return lines(path("first.trace")).size() >= 2; }));
    first->kill(); // no chance to close its socket
    first->waitForFinished(10000);
    start({"second.qini"}, "next.trace");
    ASSERT_TRUE(wait_until([&] { return applied().size() >= 9; }));
    EXPECT_EQ(applied(), kSecondFrames);
}

} // namespace
