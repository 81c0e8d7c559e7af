#pragma once
// The remote control's TCP server: SCPI lines from any number of clients, in the one event
// loop (no threads). Clients take turns a command at a time; a client's commands run in
// order, each once the one before it has ended, so one waiting for the instrument or for
// *OPC? holds only itself. Input and output are bounded per client. When every slot is
// taken, a client that never spoke, or has been silent a minute, gives its place to a new
// one.

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
    // Closes every connection and deletes itself from the event loop.
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
        QByteArray input; // read, not yet run
    };

    void accept(QTcpServer* listener);
    bool admitted(QHostAddress peer) const;
    void readable(quint64 id);
    void dispatch();
    std::optional<QByteArray> next_line(Connection& connection);
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
    static void release(QTcpSocket* socket);

    Interpreter& interpreter_;
    ServerOptions options_;
    Note note_;
    std::vector<QTcpServer*> listeners_;
    std::map<quint64, Connection> connections_;
    std::deque<quint64> ready_; // connections whose turn it is, in order
    bool dispatch_due_ = false; // a pass of dispatch() is scheduled
    bool dispatching_ = false;
    quint64 next_id_ = 1;
};

} // namespace qlm::remote
