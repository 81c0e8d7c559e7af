#include "remote/loop_view.h"

#include "panel/upload.h"

#include <QEventLoop>

namespace qlm::remote {

LoopView::LoopView(std::chrono::microseconds per_pass) : per_pass_(per_pass) {
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

void LoopView::report(const Outcome& outcome) {
    if (on_report) on_report(outcome);
}

void LoopView::wait(long passes) {
    if (passes <= 0 || per_pass_.count() <= 0) return;
    const auto time = std::chrono::duration_cast<std::chrono::milliseconds>(passes * per_pass_);
    QEventLoop loop;
    QTimer::singleShot(time, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace qlm::remote
