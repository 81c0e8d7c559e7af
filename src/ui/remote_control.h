#pragma once
// The window's remote control: the SCPI server over the window's own panel, switched on from
// the menu (remembered in the user's configuration folder) or from the command line, with
// its address and clients for the status bar's first panel.

#include "files/setup_files.h"
#include "panel/panel.h"
#include "remote/interpreter.h"
#include "remote/server.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QAction;

namespace qlm {

class RemoteControl : public QObject {
    Q_OBJECT
public:
    // `settings`: the file that remembers the choice; none for not remembering.
    // `folder`: where MMEMory files live.
    // `show_input`: the window's control of a field shows a remote value (remote::Host).
    // `show_status`: the status text changed ("SCPI 127.0.0.1:5025 · 2 个客户端", or empty).
    RemoteControl(Panel& panel, SettingsStore& store, QAction* item,
                  std::function<void(const QString&)> show_status, QString settings, QString folder,
                  std::function<void(Field, const std::string&)> show_input,
                  QObject* parent = nullptr);
    ~RemoteControl() override;

    // On at `port` (else the remembered one, else 5025). False, with the reason, when it
    // cannot listen.
    bool switch_on(std::optional<quint16> port, std::string& problem);
    void switch_off();
    bool on() const { return server_ != nullptr; }
    // Whether the choice remembered is on.
    bool remembered_on() const;
    void remember(bool on) const;

    remote::Server* server() const { return server_.get(); }

private:
    void show_status();
    quint16 remembered_port() const;

    Panel& panel_;
    SetupFiles files_;
    remote::Interpreter interpreter_;
    QAction* item_;
    std::function<void(const QString&)> status_;
    QString item_text_;
    QString settings_;
    std::unique_ptr<remote::Server> server_;
};

} // namespace qlm
