#include "remote/loop_view.h"

#include "panel/upload.h"

#include <QCoreApplication>

namespace qlm::remote {

LoopView::LoopView() {
    timer_.setInterval(Upload::kIntervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (on_tick) on_tick();
    });
}

void LoopView::set_list_text(Field field, const std::string& text) {
    lists_[static_cast<std::size_t>(field)] = text;
}

std::string LoopView::list_text(Field field) const {
    return lists_[static_cast<std::size_t>(field)];
}

void LoopView::run_timer(bool running) {
    if (running)
        timer_.start();
    else
        timer_.stop();
}

void LoopView::report(const Outcome& outcome, const Cause&) {
    if (on_report) on_report(outcome);
}

// Never shorter than asked.
void LoopView::after(std::chrono::microseconds delay, std::function<void()> then) {
    QTimer::singleShot(std::chrono::ceil<std::chrono::milliseconds>(delay), Qt::PreciseTimer,
                       &timer_, std::move(then));
}

} // namespace qlm::remote
