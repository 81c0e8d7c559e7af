#pragma once
// One window per program file and configuration folder: the first start listens on a local
// socket named after both; a later start hands its file over and ends. A socket left by a
// program that ended without closing it is removed, so it never holds up a start.

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace qlm {

// What a later start asks of the running window: import `file` (none: just come forward).
struct HandOver {
    QString file;
    bool file_name_is_text = true;
};

// The socket of one program file and configuration folder: a name of the program, the user's
// runtime folder where there is one (private to the user).
QString instance_socket(const QString& program_file, const QString& config_folder);

// The line a later start sends, and the reading of it; nullopt for anything else.
QByteArray hand_over_message(const HandOver& what);
std::optional<HandOver> read_hand_over(const QByteArray& line);

enum class Reach {
    handed_over,  // the running window took it
    none_running, // nobody listens (no socket, or one left behind)
    no_answer,    // something listens but did not take it in time
};
Reach hand_over(const QString& socket, const HandOver& what, int timeout_ms = 5000);

// The running window's end: each later start's request, answered "ok" once read whole.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QString socket, QObject* parent = nullptr);
    ~InstanceServer() override;
    // Empty on success, else why not. Removes a socket that nobody listens on first.
    QString listen();
    QString socket() const { return socket_; }
    // Requests are kept until the window is ready for them: from now on each is told.
    void deliver();

signals:
    void arrived(const qlm::HandOver& what);

private:
    void take(QLocalSocket* connection);
    void tell();
    QString socket_;
    QLocalServer* server_;
    QList<HandOver> waiting_;
    int connections_ = 0; // open now
    bool delivering_ = false;
};

// A start: under a lock beside the socket, hands `what` over to the running window, or
// becomes the one listening (`server` set). `problem` says why neither worked, if so.
struct Claim {
    Reach reach = Reach::none_running;
    std::unique_ptr<InstanceServer> server;
    QString problem;
};
Claim claim_instance(const QString& socket, const HandOver& what);

} // namespace qlm
