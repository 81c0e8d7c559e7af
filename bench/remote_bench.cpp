// The remote control's figures, over the in-process simulator on loopback:
//   - the round trip of GAIN? against that of a bare Qt TCP echo server in the same run;
//   - the time a set (GAIN 20;*OPC?) takes beyond the wait between its two frames, and the
//     time between each announce and its data frame (a timer of the event loop);
//   - the window's event-loop latency during uploads while 50 clients send queries as fast
//     as they can.
//   remote_bench [round trips]     (default 2000; the load phase lasts 3 s)
#include "panel/panel.h"
#include "remote/interpreter.h"
#include "remote/loop_view.h"
#include "remote/server.h"
#include "sim_instrument.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace qlm;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 50;
constexpr int kLoadMs = 3000;
constexpr int kTickMs = 5;

struct NoFiles : SettingsStore {
    FileRead load(const std::string&) override { return {std::nullopt, "none"}; }
    std::string save(const std::string&, const SettingsTexts&) override { return "none"; }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Round trips of `line` on a blocking socket (this thread has no event loop), in us.
std::vector<double> round_trips(quint16 port, const QByteArray& line, int count) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    std::vector<double> times;
    if (!socket.waitForConnected(5000)) return times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        socket.write(line + "\n");
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(5000)) return times;
        }
        socket.readLine();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return times;
}

// Runs `work` on a thread while the event loop turns; returns when it has finished.
template <class Work> void beside_the_loop(Work work) {
    std::atomic<bool> done = false;
    std::thread thread([&] {
        work();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    thread.join();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    // A bare echo server, line by line.
    QTcpServer echo;
    echo.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&echo, &QTcpServer::newConnection, [&echo] {
        QTcpSocket* socket = echo.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, [socket] {
            while (socket->canReadLine())
                socket->write(socket->readLine());
        });
    });

    // The remote server over a panel whose waits are real time in the event loop.
    sim::SimInstrument instrument;
    std::vector<double> gaps; // announce to data, ms
    Clock::time_point announced{};
    instrument.on_call = [&](const sim::Call& call) {
        if (call.direction != 'W') return;
        if (call.frame[kTypeByte] == std::uint8_t(FrameType::write_announce))
            announced = Clock::now();
        else if (call.frame[kTypeByte] == 0)
            gaps.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - announced).count());
    };
    remote::LoopView view;
    Panel panel(instrument, view);
    NoFiles store;
    SetupFiles files(store, [](const Outcome&) {});
    remote::Interpreter interpreter(remote::Host{panel, files, "", {}});
    remote::ServerOptions options;
    options.port = 0;
    remote::Server scpi(interpreter, options, [](const std::string&) {});
    std::string problem;
    if (!scpi.listen(problem)) {
        std::fprintf(stderr, "remote_bench: %s\n", problem.c_str());
        return 1;
    }

    std::vector<double> echoed, queried, set;
    beside_the_loop([&] {
        echoed = round_trips(echo.serverPort(), "GAIN?", count);
        queried = round_trips(scpi.port(), "GAIN?", count);
        set = round_trips(scpi.port(), "GAIN 20;*OPC?", 20);
    });
    const double echo_us = median(echoed), query_us = median(queried);
    const double wait_us = static_cast<double>(kSendWait.count());
    std::printf("query round trip: GAIN? %.1f us, bare echo %.1f us, ratio %.2f (target <= 1.5; "
                "%d round trips each)\n",
                query_us, echo_us, echo_us > 0 ? query_us / echo_us : 0.0, count);
    std::printf("set beyond its wait: GAIN 20;*OPC? %.3f ms - wait %.3f ms = %.3f ms "
                "(target < 1 ms; median of %zu)\n",
                median(set) / 1000, wait_us / 1000, (median(set) - wait_us) / 1000, set.size());
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.empty())
        std::printf("announce to data: median %.2f ms, min %.2f, max %.2f (asked %.3f ms; %zu "
                    "sends)\n",
                    median(gaps), gaps.front(), gaps.back(), wait_us / 1000, gaps.size());

    // The window, its server on, and 50 clients querying flat out; a timer's lateness.
    UiSeams seams;
    seams.message = [](const QString&, const QString&) {};
    seams.inform = seams.message;
    seams.open_file = [](const QString&, const QString&) { return QString(); };
    seams.save_file = seams.open_file;
    seams.after = [](std::chrono::microseconds delay, std::function<void()> then) {
        QTimer::singleShot(std::chrono::ceil<std::chrono::milliseconds>(delay), Qt::PreciseTimer,
                           qApp, std::move(then));
    };
    seams.open_help = [](const std::function<void(const QString&)>&) {};
    const QString scratch = QDir::tempPath() + "/qlm-remote-bench";
    seams.folders.program_folder = scratch; // no automatic file, no remembered remote choice
    seams.folders.config_folder = scratch;
    sim::SimInstrument window_instrument;
    MainWindow window(window_instrument, seams);
    window.start();
    window.start_remote(0);
    const quint16 port = window.remote_control()->server()->port();
    std::atomic<bool> stop = false;
    std::atomic<long> answered = 0;
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (!socket.waitForConnected(5000)) return;
            while (!stop) {
                socket.write("GAIN?\n");
                while (!socket.canReadLine() && !stop)
                    socket.waitForReadyRead(100);
                if (socket.canReadLine()) {
                    socket.readLine();
                    ++answered;
                }
            }
        });
    }
    std::vector<double> late;
    QElapsedTimer since;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (since.isValid())
            late.push_back(static_cast<double>(since.nsecsElapsed()) / 1e6 - kTickMs);
        since.start();
    });
    tick.start(kTickMs);
    QElapsedTimer load;
    load.start();
    int uploads = 0;
    while (load.elapsed() < kLoadMs) {
        // An upload runs throughout: its ticks and sends share the loop with the clients.
        if (!window.panel().uploading()) {
            window.panel().start_upload();
            ++uploads;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    stop = true;
    for (std::thread& client : clients)
        client.join();
    std::sort(late.begin(), late.end());
    const double worst = late.empty() ? 0 : late.back();
    const double p99 = late.empty() ? 0 : late[late.size() * 99 / 100];
    std::printf("window event loop during %d upload(s) under %d clients: worst %.2f ms, 99th "
                "percentile %.2f ms late (target < 50 ms; %ld queries answered in %d ms)\n",
                uploads, kClients, worst, p99, answered.load(), kLoadMs);
    return 0;
}
