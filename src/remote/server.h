#pragma once
// The remote control's TCP server: SCPI lines from any number of clients, run one at a time
// in the order they arrive, in the one event loop (no threads). A line that arrives while a
// command runs (inside an exchange's wait) waits for it; a client waiting for *OPC? holds
// only its own lines. Input and output are bounded per client. When every slot is taken, a
// client that never spoke, or has been silent a minute, gives its place to a new one.

#include "remote/interpreter.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace qlm::remote {

constexpr quint16 kDefaultPort = 5025;

struct ServerOptions {
    quint16 port = kDefaultPort;
    // None: the loopback addresses, every local client admitted. Else that address, and only
    // the clients in `allowed` (addresses or subnets). Either way, see `other_users`.
    std::optional<QHostAddress> listen;
    QList<QPair<QHostAddress, int>> allowed;
    // A client on this machine is admitted only when it runs as this program's user, unless
    // this is set.
    bool other_users = false;
};

// The options from their texts (empty when not given): "5025", "192.168.1.10",
// "192.168.1.20,192.168.2.0/24". None, with the reason, when they do not make sense.
std::optional<ServerOptions> server_options(const std::string& port, const std::string& listen,
                                            const std::string& allow, std::string& problem);

class Server : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxLine = 64 * 1024;     // a longer line is -363, and closed
    static constexpr qint64 kMaxOutput = 1024 * 1024; // answers not read: closed
    static constexpr int kMaxClients = 128;
    // A client that has sent something gives its place only after this long without a word.
    static constexpr std::chrono::seconds kGiveWayAfter{60};

    using Note = std::function<void(const std::string&)>;
    Server(Interpreter& interpreter, ServerOptions options, Note note, QObject* parent = nullptr);
    ~Server() override;

    // False, with the reason, when an address cannot be listened on.
    bool listen(std::string& problem);
    void close();
    bool listening() const { return !listeners_.empty(); }
    // The port listened on (the one chosen when 0 was asked for).
    quint16 port() const;
    // "127.0.0.1:5025, [::1]:5025"
    std::string where() const;
    int clients() const { return static_cast<int>(connections_.size()); }
    // A line runs (the event loop turns inside its exchange's wait).
    bool running_line() const { return running_; }
    // Deletes itself now, or stops listening and does so once the line that runs has ended
    // (a handler of its own is then on the stack beneath that line's wait).
    void retire();

signals:
    void clients_changed(int count);

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        std::shared_ptr<Client> client;
        std::string peer;
        std::chrono::steady_clock::time_point active; // its last line or answer
        bool spoke = false;                           // it has sent something
        bool queued = false;
    };

    void accept(QTcpServer* listener);
    bool admitted(QHostAddress peer) const;
    void readable(quint64 id);
    void dispatch();
    void resume_waiting();
    // A finished line's answers out; false when the connection was closed for them.
    bool flush(quint64 id);
    void requeue(quint64 id);
    void drop(quint64 id, const std::string& why);
    void remove(quint64 id);
    void closed(quint64 id);
    Connection* find(quint64 id);
    // The client idle longest with nothing of its own under way that may give its place (one
    // that never spoke, or has been silent kGiveWayAfter), if any.
    std::optional<quint64> idlest() const;
    // Runs a line's part; sockets whose connection ended meanwhile are let go after it.
    template <class Part> bool run(Part part);
    static void release(QTcpSocket* socket);

    Interpreter& interpreter_;
    ServerOptions options_;
    Note note_;
    std::vector<QTcpServer*> listeners_;
    std::map<quint64, Connection> connections_;
    std::deque<quint64> ready_; // connections with a line to run, in arrival order
    QTimer* waiting_ = nullptr; // looks at clients waiting for the operations to finish
    quint64 next_id_ = 1;
    quint64 running_id_ = 0; // whose line runs
    bool running_ = false;
    bool retiring_ = false;
    // Ended while a line ran: a handler of theirs may be on the stack beneath its wait.
    std::vector<QPointer<QTcpSocket>> ended_;
};

} // namespace qlm::remote
