#include "desktop/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <optional>

namespace qlm {

namespace {

// A request is one line; anything longer is not one of ours.
constexpr qsizetype kMaxLine = 64 * 1024;
constexpr int kConnectionMs = 5000;
// Later starts come one at a time; more at once than this are dropped, not kept waiting.
constexpr int kMaxConnections = 4;
const QByteArray kOk = "ok\n";

QString runtime_folder() {
#ifndef _WIN32
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
#endif
    return {};
}

} // namespace

QString instance_socket(const QString& program_file, const QString& config_folder) {
    QString program = QFileInfo(program_file).canonicalFilePath();
    if (program.isEmpty()) program = QDir::cleanPath(QFileInfo(program_file).absoluteFilePath());
    QString key = program + QLatin1Char('\n') + QDir::cleanPath(config_folder);
#ifdef _WIN32
    key = key.toLower(); // one file and folder, however spelt
#endif
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
    const QString name =
        QFileInfo(program).completeBaseName() + QLatin1Char('-') + QString::fromLatin1(hash);
    const QString folder = runtime_folder();
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

QByteArray hand_over_message(const HandOver& what) {
    QJsonObject object;
    if (!what.file.isEmpty()) {
        object.insert(QStringLiteral("open"), what.file);
        object.insert(QStringLiteral("text"), what.file_name_is_text);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<HandOver> read_hand_over(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    HandOver what;
    if (object.isEmpty()) return what;
    const QJsonValue file = object.value(QStringLiteral("open"));
    const QJsonValue text = object.value(QStringLiteral("text"));
    // A later start sends its file absolute: a relative one would name another folder here.
    if (object.size() != 2 || !file.isString() || !text.isBool() ||
        !QDir::isAbsolutePath(file.toString()))
        return std::nullopt;
    what.file = file.toString();
    what.file_name_is_text = text.toBool();
    return what;
}

Reach hand_over(const QString& socket, const HandOver& what, int timeout_ms) {
    QLocalSocket connection;
    connection.connectToServer(socket);
    if (!connection.waitForConnected(timeout_ms)) {
        const auto error = connection.error();
        return error == QLocalSocket::ServerNotFoundError ||
                       error == QLocalSocket::ConnectionRefusedError
                   ? Reach::none_running
                   : Reach::no_answer;
    }
    connection.write(hand_over_message(what));
    if (!connection.waitForBytesWritten(timeout_ms)) return Reach::no_answer;
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < kMaxLine) {
        if (!connection.waitForReadyRead(timeout_ms)) break;
        answer += connection.readAll();
    }
    return answer == kOk ? Reach::handed_over : Reach::no_answer;
}

InstanceServer::InstanceServer(QString socket, QObject* parent)
    : QObject(parent), socket_(std::move(socket)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = server_->nextPendingConnection())
            take(connection);
    });
}

InstanceServer::~InstanceServer() {
    server_->close();
}

QString InstanceServer::listen() {
    if (server_->listen(socket_)) return {};
    if (server_->serverError() == QAbstractSocket::AddressInUseError) {
        // Left by a program that ended without closing it: the caller found nobody on it.
        QLocalServer::removeServer(socket_);
        if (server_->listen(socket_)) return {};
    }
    return server_->errorString();
}

void InstanceServer::take(QLocalSocket* connection) {
    connection->setParent(this);
    if (connections_ >= kMaxConnections) {
        connection->abort();
        connection->deleteLater();
        return;
    }
    ++connections_;
    connect(connection, &QObject::destroyed, this, [this] { --connections_; });
    // A client that says nothing, or too much, is dropped.
    auto* limit = new QTimer(connection);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, connection, &QLocalSocket::abort);
    limit->start(kConnectionMs);
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    connect(connection, &QLocalSocket::readyRead, this, [this, connection] {
        if (!connection->canReadLine()) {
            if (connection->bytesAvailable() > kMaxLine) connection->abort();
            return;
        }
        const QByteArray line = connection->readLine(kMaxLine);
        const std::optional<HandOver> what = read_hand_over(line.trimmed());
        if (!what) return connection->abort();
        connection->write(kOk);
        connection->flush();
        connection->disconnectFromServer();
        waiting_ << *what;
        // Told after this handler: what it starts may run an event loop of its own.
        if (delivering_) QTimer::singleShot(0, this, &InstanceServer::tell);
    });
}

void InstanceServer::deliver() {
    delivering_ = true;
    tell();
}

void InstanceServer::tell() {
    while (!waiting_.isEmpty())
        emit arrived(waiting_.takeFirst());
}

Claim claim_instance(const QString& socket, const HandOver& what) {
    Claim claim;
    // Two starts at once: the second waits until the first listens.
    const QString folder =
        QFileInfo(socket).isAbsolute() ? QFileInfo(socket).absolutePath() : QDir::tempPath();
    QLockFile lock(QDir(folder).filePath(QFileInfo(socket).fileName() + QStringLiteral(".lock")));
    lock.tryLock(10000); // else a lock held too long: carry on without it
    claim.reach = hand_over(socket, what);
    if (claim.reach != Reach::none_running) return claim;
    auto server = std::make_unique<InstanceServer>(socket);
    claim.problem = server->listen();
    if (claim.problem.isEmpty()) claim.server = std::move(server);
    return claim;
}

} // namespace qlm
