// The window's remote control: switched from the menu and remembered in the user's
// configuration folder, its clients in the status bar, remote changes shown as the operator's
// would be, refused during an upload, and PyVISA's changes on the display panel.
#include "panel/texts.h"
#include "ui/colours.h"
#include "ui_rig.h"

#include <QProcess>
#include <QSettings>
#include <QTcpSocket>

using namespace qlm;
using namespace qlm::testing;

namespace {

constexpr int kPatienceMs = 20000; // for what the event loop does at once

// True once `condition` holds, the event loop turning meanwhile; false after kPatienceMs.
template <class Condition> bool eventually(Condition condition) {
    for (int waited = 0; !condition() && waited < kPatienceMs; waited += 5)
        QTest::qWait(5);
    return condition();
}

// A client in this process: its answers come while the event loop turns.
class LineClient {
public:
    explicit LineClient(quint16 port) { socket_.connectToHost(QHostAddress::LocalHost, port); }
    bool connected() {
        return eventually([this] { return socket_.state() == QAbstractSocket::ConnectedState; });
    }
    void say(const QByteArray& line) {
        socket_.write(line + "\n");
        socket_.flush();
    }
    QString ask(const QByteArray& line) {
        say(line);
        return answer();
    }
    QString answer() {
        eventually([this] { return socket_.canReadLine(); });
        return QString::fromLatin1(socket_.readLine()).trimmed();
    }

private:
    QTcpSocket socket_;
};

class RemoteWindow : public ::testing::Test {
protected:
    // The window with its server on a port of the system's choice.
    quint16 start_remote() {
        rig.start();
        rig.window->start_remote(0);
        return rig.window->remote_control()->server()->port();
    }
    QString status() const { return rig.ui().panels[0]->text(); }
    QString remote_ini() const { return rig.folders.config_folder + "/remote.ini"; }

    UiRig rig;
};

TEST_F(RemoteWindow, TheMenuSwitchesItRemembersTheChoiceAndStatusShowsClients) {
    QDir().mkpath(rig.folders.config_folder);
    QSettings(remote_ini(), QSettings::IniFormat).setValue("remote/port", 0);
    rig.start();
    QAction* item = rig.ui().remote;
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(status(), "模拟仪器  仪器已连接");
    rig.trigger(item);
    ASSERT_TRUE(rig.window->remote_control()->on());
    const quint16 port = rig.window->remote_control()->server()->port();
    const QString where = QString("127.0.0.1:%1").arg(port);
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(item->text().startsWith("远程控制（SCPI）")) << item->text().toStdString();
    EXPECT_TRUE(item->text().contains(where));
    EXPECT_EQ(status(), "模拟仪器  仪器已连接  SCPI " + where + " · 0 个客户端");
    {
        LineClient client(port);
        ASSERT_TRUE(client.connected());
        EXPECT_TRUE(eventually(
            [&] { return status() == "模拟仪器  仪器已连接  SCPI " + where + " · 1 个客户端"; }));
        EXPECT_TRUE(client.ask("*IDN?").contains("QLM-5120RX"));
    }
    EXPECT_TRUE(eventually(
        [&] { return status() == "模拟仪器  仪器已连接  SCPI " + where + " · 0 个客户端"; }));
    EXPECT_TRUE(QSettings(remote_ini(), QSettings::IniFormat).value("remote/on").toBool());
    rig.close();

    // Left on: on again at the next start; switched off: off for good.
    rig.start();
    EXPECT_TRUE(rig.window->remote_control()->on());
    rig.trigger(item = rig.ui().remote);
    EXPECT_FALSE(rig.window->remote_control()->on());
    EXPECT_EQ(status(), "模拟仪器  仪器已连接");
    EXPECT_FALSE(QSettings(remote_ini(), QSettings::IniFormat).value("remote/on").toBool());
    rig.close();
    QFile last(rig.folders.program_folder + "/open.qini");
    ASSERT_TRUE(last.open(QIODevice::ReadOnly));
    EXPECT_FALSE(last.readAll().contains("remote"));
}

struct Shown {
    const char* line;
    Field field;
    const char* label; // the value label's text
    const char* input; // the list's or the entry's text
    Applied applied;
};

TEST_F(RemoteWindow, RemoteChangesShowAsTheOperatorsWithTheirEmphasis) {
    const Shown cases[] = {
        {"GAIN 20", Field::gain, "20", "20", {{1, 70, 0}}},
        {"VOLT 160", Field::voltage, "150", "150", {{2, 6, 0}}},
        {"DAMP 150", Field::damping, "150", "150", {{8, 3, 0}}},
        {"MODE DUAL", Field::mode, "双", "双", {{0, 1, 0}}},
        {"FILT:HPAS 1KHZ", Field::hpf_unit, "kHz", "1kHz", {{7, 0, 0}}},
        {"PULS:WIDT 5E-6", Field::pw, "5000", "5000", {{4, 3, 0}, {6, 136, 19}}},
    };
    const quint16 port = start_remote();
    LineClient client(port);
    ASSERT_TRUE(client.connected());
    ASSERT_EQ(client.ask("*OPC?"), "1");
    for (const Shown& each : cases) {
        SCOPED_TRACE(each.line);
        const Applied earlier = rig.applied();
        EXPECT_EQ(client.ask(QByteArray(each.line) + ";*OPC?;SYST:ERR?"), "1;0,\"No error\"");
        const FieldControls& controls = rig.ui().of(each.field);
        EXPECT_EQ(controls.value->text(), QString::fromUtf8(each.label));
        const QString input = controls.list ? controls.list->currentText() : controls.entry->text();
        EXPECT_EQ(input, QString::fromUtf8(each.input));
        if (controls.emphasis) {
            EXPECT_TRUE(is_emphasised(controls.emphasis));
        }
        const Applied now = rig.applied();
        EXPECT_EQ(Applied(now.begin() + static_cast<std::ptrdiff_t>(earlier.size()), now.end()),
                  each.applied);
    }
    EXPECT_EQ(rig.label("Label20"), "500"); // the PRF the longer width lowered
    EXPECT_TRUE(rig.messages.empty());
}

TEST_F(RemoteWindow, AnUploadRefusesRemoteChangesAndGoesOn) {
    const quint16 port = start_remote();
    LineClient client(port);
    ASSERT_TRUE(client.connected());
    // 单 and 内部 in GBK.
    rig.open_answer = rig.write_file("set.qini", "\"\xb5\xa5\"\r\n\"20\"\r\n\"100\"\r\n"
                                                 "\"\xc4\xda\xb2\xbf\"\r\n\"1000\"\r\n\"10\"\r\n"
                                                 "\"200\"\r\n\"MHz\"\r\n\"5.0\"\r\n\"50\"\r\n");
    rig.trigger(rig.ui().open);
    ASSERT_TRUE(rig.window->Timer1()->isActive()) << rig.message_texts().size();
    EXPECT_TRUE(client.ask("GAIN 10;SYST:ERR?").startsWith("-221,"));
    EXPECT_TRUE(rig.window->Timer1()->isActive()); // not stopped, unlike a key in an entry
    client.say("*OPC?;GAIN?");
    rig.run_upload();
    EXPECT_EQ(client.answer(), "1;20");
    EXPECT_EQ(rig.label("Label3"), "20");
}

TEST_F(RemoteWindow, AClientThatWritesAndGoesHasItsLinesRunAndOneGoneWhileWaitingIsForgotten) {
    const quint16 port = start_remote();
    {
        QTcpSocket brief;
        brief.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(eventually([&] { return brief.state() == QAbstractSocket::ConnectedState; }));
        // Admitted first: a client gone before it is looked at has no owner to admit. Its
        // line starts as it arrives; what comes after it, once it has gone, may be dropped.
        EXPECT_TRUE(
            eventually([&] { return rig.window->remote_control()->server()->clients() == 1; }));
        brief.write("DAMP 150\n");
        brief.flush(); // into the network stack before the socket goes
        brief.disconnectFromHost();
    }
    EXPECT_TRUE(eventually([&] { return rig.label("Label19") == QString("150"); }));
    // Gone while its *OPC? waits for an upload: the upload ends, the others are answered.
    rig.open_answer = rig.write_file("set.qini", "\"\xb5\xa5\"\r\n\"30\"\r\n\"100\"\r\n"
                                                 "\"\xc4\xda\xb2\xbf\"\r\n\"1000\"\r\n\"10\"\r\n"
                                                 "\"200\"\r\n\"MHz\"\r\n\"5.0\"\r\n\"50\"\r\n");
    rig.trigger(rig.ui().open);
    {
        LineClient waiting(port);
        ASSERT_TRUE(waiting.connected());
        waiting.say("*OPC?");
        EXPECT_TRUE(
            eventually([&] { return rig.window->remote_control()->server()->clients() == 1; }));
    }
    EXPECT_TRUE(eventually([&] { return rig.window->remote_control()->server()->clients() == 0; }));
    rig.run_upload();
    LineClient other(port);
    ASSERT_TRUE(other.connected());
    EXPECT_EQ(other.ask("*OPC?;GAIN?"), "1;30");
}

TEST_F(RemoteWindow, ARemoteFailureIsAHintNotABox) {
    const quint16 port = start_remote();
    rig.instrument.faults.absent = true;
    LineClient client(port);
    ASSERT_TRUE(client.connected());
    EXPECT_TRUE(client.ask("GAIN 20;SYST:ERR?").startsWith("-240,"));
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(hint_panel(rig.ui())->text(), QString::fromUtf8(texts::kConnectionFailed));
}

TEST_F(RemoteWindow, AHundredClientsAndALongLineLeaveItAnswering) {
    const quint16 port = start_remote();
    std::vector<std::unique_ptr<LineClient>> clients;
    for (int i = 0; i < 100; ++i)
        clients.push_back(std::make_unique<LineClient>(port));
    for (auto& client : clients) {
        ASSERT_TRUE(client->connected());
        client->say("GAIN?");
    }
    for (auto& client : clients)
        EXPECT_EQ(client->answer(), "0");
    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(eventually([&] { return flood.state() == QAbstractSocket::ConnectedState; }));
    flood.write(QByteArray(1 << 20, 'A'));
    // The server closes it (Wine's client may not see the close while its data is pending).
    EXPECT_TRUE(eventually([&] { return status().endsWith(" · 100 个客户端"); }))
        << status().toStdString();
    EXPECT_EQ(clients.front()->ask("*IDN?").left(22), "Kavronix,QLM-5120RX,0,");
}

// PyVISA's pure-Python back end against the window (offscreen, or under Xvfb).
TEST_F(RemoteWindow, PyvisaChangesShowOnTheDisplay) {
#ifdef _WIN32
    GTEST_SKIP() << "PyVISA runs on Linux; the Windows program's server is asked from there";
#endif
    const quint16 port = start_remote();
    QProcess python;
    python.start(QStringLiteral(QLM_SYSTEM_PYTHON),
                 {"-c",
                  "import sys, pyvisa\n"
                  "v = pyvisa.ResourceManager('@py').open_resource("
                  "'TCPIP::127.0.0.1::%s::SOCKET' % sys.argv[1], read_termination='\\n',"
                  " write_termination='\\n', timeout=10000)\n"
                  "v.write('GAIN 20')\n"
                  "print(v.query('*OPC?;GAIN?'))\n",
                  QString::number(port)});
    EXPECT_TRUE(eventually([&] { return python.state() == QProcess::NotRunning; }));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    EXPECT_EQ(python.readAllStandardOutput().trimmed(), "1;20");
    EXPECT_EQ(rig.label("Label3"), "20");
    EXPECT_EQ(rig.applied(), (Applied{{1, 70, 0}}));
}

} // namespace
