#include "link/link.h"

#include <utility>

namespace qlm {

Link::Link(UsbDriver& driver, LinkSeams seams) : driver_(driver), seams_(std::move(seams)) {}

void Link::write_seting(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1,
                        SendHandler done, std::function<bool()> when) {
    submit({Kind::send,
            make_data_frame(num, data_ch, data_ch1),
            {},
            std::move(done),
            std::move(when)});
}

void Link::read_settings(ReadHandler done) {
    submit({Kind::read_settings, {}, std::move(done), {}, {}});
}

void Link::read_width(ReadHandler done) {
    submit({Kind::read_width, {}, std::move(done), {}, {}});
}

void Link::submit(Exchange exchange) {
    queue_.push_back(std::move(exchange));
    if (!running_) drain(); // else the running exchange's caller drains the queue
}

void Link::together(const std::function<void()>& submits) {
    const bool running = std::exchange(running_, true);
    submits();
    running_ = running;
    if (!running) drain();
}

void Link::drain() {
    running_ = true;
    while (!queue_.empty()) {
        const Exchange next = std::move(queue_.front());
        queue_.pop_front();
        run(next);
    }
    running_ = false;
}

// The lock for one whole exchange; the waits between tries keep the window's events going,
// so what the operator does meanwhile is queued as during any exchange.
bool Link::acquire() {
    if (!seams_.lock) return true;
    const auto deadline = seams_.now() + kLockTimeout;
    while (!seams_.lock->try_acquire()) {
        // A lock file that cannot be used will not become usable by waiting.
        if (seams_.lock->problem() || seams_.now() >= deadline) return false;
        seams_.wait(kLockPollPasses);
    }
    return true;
}

void Link::release() {
    if (seams_.lock) seams_.lock->release();
}

void Link::run(const Exchange& exchange) {
    const bool sends = exchange.kind == Kind::send;
    if (sends && exchange.when && !exchange.when()) {
        if (exchange.sent) exchange.sent(SendResult::withheld);
        return;
    }
    if (!acquire()) {
        if (sends && exchange.sent) exchange.sent(SendResult::busy);
        if (!sends && exchange.done) exchange.done(ReadOutcome::busy, Frame{});
        return;
    }
    run_held(exchange);
    release();
}

void Link::run_held(const Exchange& exchange) {
    switch (exchange.kind) {
    case Kind::send: {
        SendResult result = SendResult::announce_refused;
        if (driver_.write(make_control_frame(FrameType::write_announce)) >= 0) {
            seams_.wait(kSendWaitPasses);
            result =
                driver_.write(exchange.data) < 0 ? SendResult::data_refused : SendResult::delivered;
            // Counted for the other programs' displays, still inside the lock.
            if (result == SendResult::delivered && seams_.lock) seams_.lock->note_change();
        }
        if (exchange.sent) exchange.sent(result);
        return;
    }
    case Kind::read_settings:
        run_read(exchange, kReadWaitPasses);
        return;
    case Kind::read_width:
        run_read(exchange, 0);
        return;
    }
}

void Link::run_read(const Exchange& exchange, long passes) {
    Frame answer{};
    const auto finish = [&](ReadOutcome outcome) {
        if (exchange.done) exchange.done(outcome, answer);
    };
    if (driver_.write(make_control_frame(FrameType::read_request)) < 0)
        return finish(ReadOutcome::refused);
    if (passes > 0) seams_.wait(passes);
    driver_.read(answer); // the first answer is discarded
    if (driver_.read(answer) < 0) return finish(ReadOutcome::no_answer);
    finish(ReadOutcome::answered);
}

} // namespace qlm
