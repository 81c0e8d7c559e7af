#include "remote/server.h"

#include "panel/texts.h"
#include "remote/client_owner.h"

#include <QScopedValueRollback>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#ifdef __linux__
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace qlm::remote {

namespace {

// While a client waits for *OPC? or a comparison.
// Commands run in one pass of the event loop before it turns again.
constexpr int kCommandsPerPass = 64;

std::string address_text(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? "[" + address.toString() + "]"
                             : address.toString();
    return (host + ":" + QString::number(port)).toStdString();
}

// A minute of silence, then a probe every 10 s; three unanswered end the connection (where the
// system lets a program say so; elsewhere its own, longer, times).
void keep_alive_soon(qintptr descriptor) {
#ifdef __linux__
    const int fd = static_cast<int>(descriptor);
    const int idle = 60, interval = 10, probes = 3;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
#else
    (void)descriptor;
#endif
}

QHostAddress plain(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ipv4 = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ipv4) : address;
}

} // namespace

std::optional<ServerOptions> server_options(const std::string& port, const std::string& listen,
                                            const std::string& allow, std::string& problem) {
    ServerOptions options;
    if (!port.empty()) {
        bool ok = false;
        const uint value = QString::fromStdString(port).toUInt(&ok);
        if (!ok || value > 65535) {
            problem = texts::remote_bad_port(port);
            return std::nullopt;
        }
        options.port = static_cast<quint16>(value);
    }
    if (listen.empty() != allow.empty()) {
        problem = texts::remote_listen_needs_allow();
        return std::nullopt;
    }
    if (listen.empty()) return options;
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(listen))) {
        problem = texts::remote_bad_address(listen);
        return std::nullopt;
    }
    options.listen = address;
    const QStringList items = QString::fromStdString(allow).split(',');
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString text = items[i].trimmed();
        if (text.isEmpty()) {
            problem = texts::remote_empty_allow_item(static_cast<int>(i + 1));
            return std::nullopt;
        }
        QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(text);
        if (!text.contains('/')) {
            QHostAddress single;
            subnet =
                single.setAddress(text)
                    ? QPair<QHostAddress, int>(
                          single, single.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32)
                    : QPair<QHostAddress, int>();
        }
        if (subnet.first.isNull()) {
            problem = texts::remote_bad_address(text.toStdString());
            return std::nullopt;
        }
        // A lab names its rig's subnet; a prefix of 0 would admit the whole network.
        if (subnet.second == 0) {
            problem = texts::remote_allow_everyone(text.toStdString());
            return std::nullopt;
        }
        options.allowed.append(subnet);
    }
    if (options.allowed.isEmpty()) {
        problem = texts::remote_listen_needs_allow();
        return std::nullopt;
    }
    return options;
}

Server::Server(Interpreter& interpreter, ServerOptions options, Note note, QObject* parent)
    : QObject(parent), interpreter_(interpreter), options_(std::move(options)),
      note_(std::move(note)) {}

Server::~Server() {
    close();
}

bool Server::listen(std::string& problem) {
    close();
    std::vector<QHostAddress> addresses;
    if (options_.listen)
        addresses.push_back(*options_.listen);
    else
        addresses = {QHostAddress(QHostAddress::LocalHost),
                     QHostAddress(QHostAddress::LocalHostIPv6)};
    quint16 port = options_.port;
    for (const QHostAddress& address : addresses) {
        auto* listener = new QTcpServer(this);
        listener->setListenBacklogSize(kMaxClients);
        if (!listener->listen(address, port)) {
            // A machine without IPv6 still has 127.0.0.1.
            const bool optional = !options_.listen && !listeners_.empty();
            if (!optional) {
                problem = texts::remote_cannot_listen(address_text(address, port),
                                                      listener->errorString().toStdString());
                delete listener;
                close();
                return false;
            }
            delete listener;
            continue;
        }
        port = listener->serverPort(); // the loopback addresses share the one chosen
        connect(listener, &QTcpServer::newConnection, this, [this, listener] { accept(listener); });
        listeners_.push_back(listener);
    }
    return true;
}

void Server::close() {
    // The clients first: a listener's destructor destroys its sockets, which would report
    // their close to us half destroyed.
    while (!connections_.empty())
        remove(connections_.begin()->first);
    for (QTcpServer* listener : listeners_)
        delete listener;
    listeners_.clear();
}

quint16 Server::port() const {
    return listeners_.empty() ? 0 : listeners_.front()->serverPort();
}

std::string Server::where() const {
    std::string out;
    for (const QTcpServer* listener : listeners_)
        out += (out.empty() ? "" : ", ") +
               address_text(listener->serverAddress(), listener->serverPort());
    return out;
}

bool Server::admitted(QHostAddress peer) const {
    peer = plain(peer);
    if (!options_.listen) return peer.isLoopback();
    for (const auto& subnet : options_.allowed) {
        if (peer.isInSubnet(plain(subnet.first), subnet.second) || peer == subnet.first)
            return true;
    }
    return false;
}

void Server::accept(QTcpServer* listener) {
    while (QTcpSocket* socket = listener->nextPendingConnection()) {
        // Gone before it was looked at: nothing to admit or refuse.
        if (socket->state() != QAbstractSocket::ConnectedState || socket->peerAddress().isNull()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const std::string peer = address_text(socket->peerAddress(), socket->peerPort());
        if (!admitted(socket->peerAddress())) {
            note_(texts::remote_refused(peer));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (const auto refusal =
                options_.other_users ? std::nullopt : foreign_client(*socket, peer)) {
            if (!refusal->empty()) note_(*refusal);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // Every slot taken: a silent client gives way, one at work is never put out.
        if (clients() >= kMaxClients) {
            const std::optional<quint64> idle = idlest();
            if (!idle) {
                note_(texts::remote_too_many(peer, kMaxClients));
                socket->abort();
                socket->deleteLater();
                continue;
            }
            drop(*idle, texts::remote_gave_way(connections_.at(*idle).peer, peer, kMaxClients));
        }
        // Dead peers go: the system probes a connection that stays silent.
        socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        keep_alive_soon(socket->socketDescriptor());
        const quint64 id = next_id_++;
        // Qt reads no more than a line's worth ahead: the rest waits in the network stack,
        // which slows the sender down instead of losing what it sent.
        socket->setReadBufferSize(kMaxLine);
        connections_[id] = {socket, std::make_shared<Client>(),
                            peer,   std::chrono::steady_clock::now(),
                            false,  false,
                            {}};
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { readable(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { closed(id); });
        emit clients_changed(clients());
        if (socket->bytesAvailable()) readable(id);
    }
}

void Server::release(QTcpSocket* socket) {
    if (!socket) return;
    socket->abort();
    socket->deleteLater();
}

// Nothing of the server's is on the stack beneath a command's wait any more: it goes now.
// Commands under way complete; an announced setting gets its data frame.
void Server::retire() {
    close();
    deleteLater();
}

std::optional<quint64> Server::idlest() const {
    std::optional<quint64> out;
    std::chrono::steady_clock::time_point since{};
    const auto now = std::chrono::steady_clock::now();
    for (const auto& [id, connection] : connections_) {
        const QTcpSocket* socket = connection.socket;
        if (connection.queued || connection.client->in_line() || !socket ||
            !connection.input.isEmpty() || socket->bytesAvailable() || socket->bytesToWrite())
            continue;
        if (connection.spoke && now - connection.active < kGiveWayAfter) continue;
        if (!out || connection.active < since) {
            out = id;
            since = connection.active;
        }
    }
    return out;
}

Server::Connection* Server::find(quint64 id) {
    const auto found = connections_.find(id);
    return found == connections_.end() ? nullptr : &found->second;
}

void Server::requeue(quint64 id) {
    Connection* connection = find(id);
    if (!connection || connection->queued || connection->client->waiting()) return;
    connection->queued = true;
    ready_.push_back(id);
    if (dispatch_due_) return;
    dispatch_due_ = true;
    QTimer::singleShot(0, this, &Server::dispatch);
}

// What the client sent up to its next line end, if it has sent one. Taken from the socket a
// line's worth at a time: the rest waits in the network stack, and a read that empties the
// socket's buffer lets it read on.
std::optional<QByteArray> Server::next_line(Connection& connection) {
    QByteArray& input = connection.input;
    for (;;) {
        if (const qsizetype end = input.indexOf('\n'); end >= 0) {
            QByteArray line = input.left(end + 1);
            input.remove(0, end + 1);
            return line;
        }
        if (input.size() >= kMaxLine || !connection.socket) return std::nullopt;
        const QByteArray more = connection.socket->read(kMaxLine - input.size());
        if (more.isEmpty()) return std::nullopt;
        input += more;
    }
}

void Server::readable(quint64 id) {
    if (Connection* connection = find(id)) {
        connection->active = std::chrono::steady_clock::now();
        connection->spoke = true;
    }
    requeue(id);
    // At once, before a close that may follow in the same turn of the loop drops the line.
    if (!dispatching_) dispatch();
}

// Clients take turns a command at a time: a client's next command, or its next line, goes
// to the back of the queue. One waiting for the instrument or the upload is out of the turns
// until its command ends.
void Server::dispatch() {
    dispatch_due_ = false;
    const QScopedValueRollback<bool> inside(dispatching_, true);
    for (int ran = 0; ran < kCommandsPerPass && !ready_.empty(); ++ran) {
        const quint64 id = ready_.front();
        ready_.pop_front();
        Connection* connection = find(id);
        if (!connection) continue;
        connection->queued = false;
        QTcpSocket* socket = connection->socket;
        const std::shared_ptr<Client> client = connection->client;
        if (!socket || client->waiting()) continue;
        if (!client->in_line()) {
            const std::optional<QByteArray> line = next_line(*connection);
            if (!line) {
                if (connection->input.size() >= kMaxLine)
                    drop(id, texts::remote_overrun(connection->peer, kMaxLine));
                continue;
            }
            client->on_ready = [server = QPointer<Server>(this), id] {
                if (server) server->requeue(id);
            };
            interpreter_.begin(client, line->toStdString());
        }
        const Interpreter::Progress progress = interpreter_.advance(client, 1);
        if (!flush(id) || progress == Interpreter::Progress::waiting) continue;
        requeue(id);
    }
    if (!ready_.empty() && !dispatch_due_) {
        dispatch_due_ = true;
        QTimer::singleShot(0, this, &Server::dispatch);
    }
}

bool Server::flush(quint64 id) {
    Connection* connection = find(id);
    if (!connection || !connection->socket) return false;
    Client& client = *connection->client;
    if (!client.output.empty()) {
        connection->active = std::chrono::steady_clock::now();
        connection->socket->write(client.output.data(), static_cast<qint64>(client.output.size()));
        client.output.clear();
    }
    if (connection->socket->bytesToWrite() > kMaxOutput) {
        drop(id, texts::remote_not_reading(connection->peer));
        return false;
    }
    return true;
}

// A client that went: the command it runs completes, what it sent after that is dropped.
void Server::closed(quint64 id) {
    remove(id);
}

void Server::drop(quint64 id, const std::string& why) {
    note_(why);
    remove(id);
}

void Server::remove(quint64 id) {
    const auto found = connections_.find(id);
    if (found == connections_.end()) return;
    QPointer<QTcpSocket> socket = found->second.socket;
    interpreter_.forget(*found->second.client);
    connections_.erase(found);
    if (socket) {
        socket->disconnect(this);
        release(socket);
    }
    emit clients_changed(clients());
}

} // namespace qlm::remote
