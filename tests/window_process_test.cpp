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
    later.start(program, {"--remote", "0", "--bogus", path("second.qini")});
    ASSERT_TRUE(later.waitForFinished(30000));
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_TRUE(
        QString::fromUtf8(later.readAllStandardError()).contains("忽略：--remote 0 --bogus"));
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
