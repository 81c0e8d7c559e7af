#include "ui/remote_control.h"

#include "panel/texts.h"

#include <QAction>
#include <QLabel>
#include <QSettings>

#include <iostream>

namespace qlm {

namespace {

const QString kOnKey = QStringLiteral("remote/on");
const QString kPortKey = QStringLiteral("remote/port");
// Local programs of other users admitted too; only ever written by hand.
const QString kOtherUsersKey = QStringLiteral("remote/allow_users");

} // namespace

RemoteControl::RemoteControl(Panel& panel, SettingsStore& store, QAction* item,
                             std::function<void(const QString&)> show_status, QString settings,
                             QString folder,
                             std::function<void(Field, const std::string&)> show_input,
                             QObject* parent)
    : QObject(parent), panel_(panel), files_(store, {}),
      interpreter_(remote::Host{panel_, files_, folder.toStdString(), std::move(show_input)}),
      item_(item), status_(std::move(show_status)), item_text_(item->text()),
      settings_(std::move(settings)) {}

RemoteControl::~RemoteControl() = default;

bool RemoteControl::remembered_on() const {
    if (settings_.isEmpty()) return false;
    return QSettings(settings_, QSettings::IniFormat).value(kOnKey, false).toBool();
}

quint16 RemoteControl::remembered_port() const {
    if (settings_.isEmpty()) return remote::kDefaultPort;
    bool ok = false;
    const uint port = QSettings(settings_, QSettings::IniFormat)
                          .value(kPortKey, remote::kDefaultPort)
                          .toUInt(&ok);
    return ok && port <= 65535 ? static_cast<quint16>(port) : remote::kDefaultPort;
}

void RemoteControl::remember(bool on) const {
    if (settings_.isEmpty()) return;
    QSettings settings(settings_, QSettings::IniFormat);
    settings.setValue(kOnKey, on);
    if (!settings.contains(kPortKey)) settings.setValue(kPortKey, remote::kDefaultPort);
}

bool RemoteControl::switch_on(std::optional<quint16> port, std::string& problem) {
    switch_off();
    remote::ServerOptions options;
    options.port = port ? *port : remembered_port();
    options.other_users =
        !settings_.isEmpty() &&
        QSettings(settings_, QSettings::IniFormat).value(kOtherUsersKey, false).toBool();
    auto server = std::make_unique<remote::Server>(
        interpreter_, options, [](const std::string& note) { std::cerr << note << std::endl; });
    if (!server->listen(problem)) {
        show_status();
        return false;
    }
    server_ = std::move(server);
    connect(server_.get(), &remote::Server::clients_changed, this, &RemoteControl::show_status);
    show_status();
    return true;
}

void RemoteControl::switch_off() {
    if (server_) server_.release()->retire();
    show_status();
}

void RemoteControl::show_status() {
    const QString where = server_ ? QString::fromStdString(server_->where()) : QString();
    item_->setChecked(server_ != nullptr);
    item_->setText(where.isEmpty() ? item_text_ : item_text_ + "  " + where);
    if (!status_) return;
    // The first address is enough in the status bar; the menu item has them all.
    status_(QString::fromStdString(texts::remote_status(where.section(", ", 0, 0).toStdString(),
                                                        server_ ? server_->clients() : 0)));
}

} // namespace qlm
