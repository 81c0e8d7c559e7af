#include "ui/box_queue.h"

namespace qlm {

BoxQueue::BoxQueue(QWidget* const* parent, QObject* owner) : QObject(owner), parent_(parent) {}

void BoxQueue::show(QMessageBox::Icon icon, const QString& title, const QString& text) {
    waiting_.push_back({icon, title, text});
    if (!open_) next();
}

void BoxQueue::next() {
    if (waiting_.empty()) return;
    const Box box = std::move(waiting_.front());
    waiting_.pop_front();
    auto* shown = new QMessageBox(box.icon, box.title, box.text, QMessageBox::Ok, *parent_);
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->setWindowModality(Qt::WindowModal);
    open_ = shown;
    connect(shown, &QMessageBox::finished, this, [this] {
        open_ = nullptr;
        next();
    });
    shown->open();
}

} // namespace qlm
