// The program on the desktop: its start arguments, one window per program and user (a later
// start's hand-over over the local socket), and the recent files' list.
#include "desktop/recent_files.h"
#include "desktop/single_instance.h"
#include "desktop/start_arguments.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <optional>
#include <thread>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace qlm;

namespace {

// ---- start arguments

struct ArgumentCase {
    QStringList arguments; // after the program's name
    QString file;          // under the root ("/", or the drive's on Windows)
    bool new_window;
    QStringList ignored_on_hand_over;
    std::optional<quint16> port;
    const char* problem; // the start of the usage error's message; "" for none
};

TEST(StartArguments, FileNewWindowRemoteQtsOptionsAndUsageErrors) {
    const QString root = QDir::rootPath();
    const ArgumentCase cases[] = {
        {{}, "", false, {}, {}, ""},
        {{"a.qini"}, "work/a.qini", false, {}, {}, ""},
        {{"/tmp/设置.qini"}, "tmp/设置.qini", false, {}, {}, ""},
        {{"sub/../b.qini", "--new-window"}, "work/b.qini", true, {}, {}, ""},
        {{"--remote", "5025", "a.qini"}, "work/a.qini", false, {"--remote", "5025"}, 5025, ""},
        {{"--remote=15097", "a.qini"}, "work/a.qini", false, {"--remote=15097"}, 15097, ""},
        {{"--remote", "--new-window"}, "", true, {"--remote"}, {}, ""},
        {{"--remote", "--", "-a.qini"}, "work/-a.qini", false, {"--remote"}, {}, ""},
        {{"--", "--new-window"}, "work/--new-window", false, {}, {}, ""},
        {{"-"}, "work/-", false, {}, {}, ""},
        // Qt's own options and their values are Qt's.
        {{"-platform", "offscreen", "-style=fusion", "--reverse", "a.qini"},
         "work/a.qini",
         false,
         {},
         {},
         ""},
        {{"--remote", "-1"}, "", false, {"--remote", "-1"}, {}, "--remote 的端口"},
        {{"--remote", "0"}, "", false, {"--remote", "0"}, {}, "--remote 的端口"},
        {{"--remote", "+80"}, "", false, {"--remote", "+80"}, {}, "--remote 的端口"},
        {{"--remote", "--remote"}, "", false, {"--remote", "--remote"}, {}, "--remote 只能"},
        {{"a.qini", "b.qini"}, "work/a.qini", false, {}, {}, "只能给出一个设置文件：b.qini"},
        {{"--bogus"}, "", false, {}, {}, "未知选项：--bogus"},
        {{"-x", "a.qini"}, "", false, {}, {}, "未知选项：-x"},
        {{"-platform"}, "", false, {}, {}, "-platform 需要一个值"},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const StartArguments parsed =
            parse_start_arguments(QStringList{"qlm5120rx"} + c.arguments, {}, root + "work");
        EXPECT_EQ(parsed.file, c.file.isEmpty() ? QString() : root + c.file);
        EXPECT_EQ(parsed.new_window, c.new_window);
        EXPECT_EQ(parsed.handed_over_ignores, c.ignored_on_hand_over);
        EXPECT_EQ(parsed.remote_port, c.port);
        const QString problem = QString::fromUtf8(c.problem);
        EXPECT_EQ(parsed.problem.left(problem.size()), problem) << parsed.problem.toStdString();
        EXPECT_EQ(parsed.problem.isEmpty(), problem.isEmpty());
        EXPECT_TRUE(parsed.file_name_is_text);
    }
    // Ten thousand file names: one usage error, not nine thousand nine hundred and
    // ninety-nine ignored.
    QStringList many{"qlm5120rx"};
    for (int i = 0; i < 10000; ++i)
        many << QString("f%1.qini").arg(i);
    EXPECT_FALSE(parse_start_arguments(many, {}, root).problem.isEmpty());
}

#ifndef _WIN32
// Windows gives the arguments as UTF-16, and the window passes no bytes there.
TEST(StartArguments, ANameWhoseBytesAreNotTextIsMarked) {
    const QByteArray bad("\xff\xfe.qini");
    const QString decoded = QString::fromLocal8Bit(bad);
    const StartArguments parsed =
        parse_start_arguments({"qlm5120rx", decoded}, {"qlm5120rx", bad}, "/work");
    EXPECT_FALSE(parsed.file_name_is_text);
    const StartArguments good = parse_start_arguments({"qlm5120rx", QString::fromUtf8("设置.qini")},
                                                      {"qlm5120rx", "设置.qini"}, "/work");
    EXPECT_TRUE(good.file_name_is_text);
}
#endif

// ---- the hand-over

TEST(HandOverMessage, ReadsOnlyWhatALaterStartSends) {
    const HandOver file{QString::fromUtf8("/tmp/a \"b\"\n设置.qini"), false};
    const auto read = read_hand_over(hand_over_message(file).trimmed());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->file, file.file);
    EXPECT_FALSE(read->file_name_is_text);
    const auto show = read_hand_over(hand_over_message({}).trimmed());
    ASSERT_TRUE(show);
    EXPECT_TRUE(show->file.isEmpty());
    for (const char* line :
         {"", "ok", "[]", "\"open\"", R"({"open":1,"text":true})", R"({"open":"/a.qini"})",
          R"({"open":"","text":true})", R"({"open":"a.qini","text":true})",
          R"({"open":"/a.qini","text":"yes"})", R"({"open":"/a.qini","text":true,"more":1})",
          "{\"open\":\"/a"}) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(read_hand_over(line));
    }
}

TEST(InstanceSocket, OnePerProgramFileAndConfigurationFolder) {
    const QString a = instance_socket("/usr/bin/qlm5120rx", "/home/u/.config/Kavronix/qlm5120rx");
    EXPECT_EQ(a,
              instance_socket("/usr/bin/../bin/qlm5120rx", "/home/u/.config/Kavronix/qlm5120rx/"));
    EXPECT_NE(a, instance_socket("/usr/bin/qlm5120rx",
                                 "/home/u/.config/qlm5120rx-simulator/Kavronix/qlm5120rx"));
    EXPECT_NE(a, instance_socket("/opt/bin/qlm5120rx", "/home/u/.config/Kavronix/qlm5120rx"));
    EXPECT_NE(a, instance_socket("/usr/bin/qlm5120rx", "/home/v/.config/Kavronix/qlm5120rx"));
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("qlm5120rx-"));
}

class SingleInstance : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString socket = instance_socket(QCoreApplication::applicationFilePath(), dir.path());

    // A later start in a thread of its own, while this one runs the event loop.
    template <typename F> auto later_start(F&& start) {
        auto result = std::async(std::launch::async, std::forward<F>(start));
        QElapsedTimer bound;
        bound.start();
        while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
               bound.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return result.get();
    }
    void settle() {
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
    }
};

TEST_F(SingleInstance, TheFirstListensALaterOneHandsItsFileOverAndTheWindowGetsItWhenReady) {
    Claim first = claim_instance(socket, {});
    ASSERT_TRUE(first.server) << first.problem.toStdString();
    EXPECT_EQ(first.reach, Reach::none_running);
    std::vector<HandOver> arrived;
    QObject::connect(first.server.get(), &InstanceServer::arrived,
                     [&arrived](const HandOver& what) { arrived.push_back(what); });

    const QString file = QString::fromUtf8("/tmp/设置 1.qini");
    const Claim second = later_start([&] { return claim_instance(socket, {file, true}); });
    EXPECT_EQ(second.reach, Reach::handed_over);
    EXPECT_FALSE(second.server);
    settle();
    EXPECT_TRUE(arrived.empty()); // kept until the window is ready
    first.server->deliver();
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0].file, file);

    EXPECT_EQ(later_start([&] { return hand_over(socket, {}); }), Reach::handed_over);
    settle();
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_TRUE(arrived[1].file.isEmpty()); // just come forward
}

TEST_F(SingleInstance, WhatIsNotAHandOverIsDroppedAndTheServerStaysUp) {
    Claim first = claim_instance(socket, {});
    ASSERT_TRUE(first.server);
    int arrived = 0;
    QObject::connect(first.server.get(), &InstanceServer::arrived, [&arrived] { ++arrived; });
    first.server->deliver();
    const QByteArray junk[] = {"hello\n", "{\"open\":42}\n", QByteArray(70 * 1024, 'x'),
                               QByteArray("\0\0\0\n", 4)};
    for (const QByteArray& bytes : junk) {
        const QByteArray answer = later_start([&] {
            QLocalSocket connection;
            connection.connectToServer(socket);
            if (!connection.waitForConnected(5000)) return QByteArray("no connection");
            connection.write(bytes);
            connection.waitForBytesWritten(5000);
            connection.waitForReadyRead(2000); // closed without an answer
            return connection.readAll();
        });
        EXPECT_EQ(answer, QByteArray()) << bytes.left(20).toStdString();
    }
    // Many idle connections at once: a few are held (until their time runs out), the rest
    // closed at once.
    const int held = later_start([&] {
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        for (int i = 0; i < 20; ++i) {
            idle.push_back(std::make_unique<QLocalSocket>());
            idle.back()->connectToServer(socket);
            idle.back()->waitForConnected(5000);
        }
        int open = 0;
        for (auto& connection : idle)
            open += !connection->waitForDisconnected(300);
        return open;
    });
    EXPECT_GE(held, 1);
    EXPECT_LE(held, 4);
    EXPECT_EQ(later_start([&] {
                  return hand_over(socket, {"/a.qini", true});
              }),
              Reach::handed_over);
    settle();
    EXPECT_EQ(arrived, 1);
}

TEST_F(SingleInstance, NobodyListeningMeansNoneRunningAndASilentListenerNoAnswer) {
    EXPECT_EQ(hand_over(socket, {}), Reach::none_running);
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(socket));
    // It takes the connection and never answers.
    EXPECT_EQ(later_start([&] {
                  return hand_over(socket, {"/a.qini", true}, 300);
              }),
              Reach::no_answer);
}

#ifndef _WIN32
TEST_F(SingleInstance, ASocketLeftByAProgramThatDiedNeverBlocksAStart) {
    // What a crashed program leaves: the socket file, nobody listening on it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socket);
    ASSERT_LT(path.size(), static_cast<qsizetype>(sizeof(address.sun_path)));
    std::memcpy(address.sun_path, path.constData(), path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(socket));

    Claim first = claim_instance(socket, {});
    EXPECT_EQ(first.reach, Reach::none_running);
    ASSERT_TRUE(first.server) << first.problem.toStdString();
    EXPECT_EQ(later_start([&] { return hand_over(socket, {}); }), Reach::handed_over);
}
#endif

// ---- recent files

class Recent : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RecentFiles recent{recent_files_in(dir.path() + "/config/Kavronix")};
    static QString file(int n) { return QStringLiteral("/data/%1.qini").arg(n); }
};

TEST_F(Recent, NewestFirstEachOnceAtMostEightKeptInAFileOfTheirOwn) {
    EXPECT_TRUE(recent.list().isEmpty());
    for (int n = 1; n <= 10; ++n)
        ASSERT_EQ(recent.add(file(n)), "");
    EXPECT_EQ(recent.list(), (QStringList{file(10), file(9), file(8), file(7), file(6), file(5),
                                          file(4), file(3)}));
    recent.add(file(5));
    EXPECT_EQ(recent.list().first(), file(5));
    EXPECT_EQ(recent.list().count(file(5)), 1);
    EXPECT_EQ(recent.list().size(), 8);
    recent.remove(file(9));
    EXPECT_FALSE(recent.list().contains(file(9)));
    EXPECT_EQ(recent.list().size(), 7);
    // Another window's list object on the same file sees the same list.
    EXPECT_EQ(RecentFiles(recent.file()).list(), recent.list());
    EXPECT_TRUE(recent.file().endsWith("recent-files.txt"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/config/Kavronix/open.qini"));
}

TEST_F(Recent, ADamagedListGivesWhatItHasAndANameWithALineEndIsNotKept) {
    QDir().mkpath(QFileInfo(recent.file()).absolutePath());
    QFile damaged(recent.file());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("relative.qini\n/a.qini\n\n/a.qini\n\xff\xfe\n/b.qini\r\n");
    damaged.close();
    EXPECT_EQ(recent.list(), (QStringList{"/a.qini", "/b.qini"}));
    EXPECT_EQ(recent.add("/c\n/d.qini"), "");
    EXPECT_EQ(recent.list(), (QStringList{"/a.qini", "/b.qini"}));
}

TEST(RecentFiles, NoConfigurationFolderIsNoListNeverOneInTheWorkingFolder) {
    EXPECT_EQ(recent_files_in(""), "");
    RecentFiles none(recent_files_in(""));
    EXPECT_EQ(none.add("/data/a.qini"), "");
    EXPECT_TRUE(none.list().isEmpty());
    EXPECT_FALSE(QFileInfo::exists("recent-files.txt"));
}

TEST_F(Recent, AListThatCannotBeWrittenSaysWhy) {
    QFile blocker(dir.path() + "/config");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where its folder would be
    blocker.close();
    EXPECT_NE(recent.add(file(1)), "");
    EXPECT_TRUE(recent.list().isEmpty());
}

} // namespace
