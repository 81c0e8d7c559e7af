#pragma once
// The window's message boxes, one at a time in the order they were asked for, each modal to
// its window but none holding the event loop: the exchanges, the upload and the remote
// control go on while a box waits for its OK.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>

namespace qlm {

class BoxQueue : public QObject {
    Q_OBJECT
public:
    explicit BoxQueue(QWidget* const* parent, QObject* owner = nullptr);

    void show(QMessageBox::Icon icon, const QString& title, const QString& text);
    // The box on screen, if any.
    QMessageBox* open_box() const { return open_; }

private:
    struct Box {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };
    void next();

    QWidget* const* parent_;
    std::deque<Box> waiting_;
    QPointer<QMessageBox> open_;
};

} // namespace qlm
