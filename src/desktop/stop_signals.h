#pragma once
// SIGTERM, SIGINT and SIGHUP as a Qt signal in the event loop. The handler only writes the
// signal's number into a pipe; a socket notifier reads it. On Windows nothing arrives: the
// session's end comes as the application's commitDataRequest.

#include <QObject>

class QSocketNotifier;

namespace qlm {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // One at a time in a process; the handlers go back to the default with it.
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void arrived(int signal_number);

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace qlm
