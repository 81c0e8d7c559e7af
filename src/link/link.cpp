#include "link/link.h"

#include <thread>
#include <utility>

namespace qlm {

Link::Link(UsbDriver& driver, LinkSeams seams)
    : driver_(driver), seams_(std::move(seams)), self_(std::make_shared<Link*>(this)) {
    if (!seams_.sleep)
        seams_.sleep = [](std::chrono::microseconds time) { std::this_thread::sleep_for(time); };
}

Link::~Link() {
    *self_ = nullptr;
    if (current_) {
        current_->sent = {}; // the handlers' owners may be gone
        current_->done = {};
    }
    end();
}

void Link::write_seting(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1,
                        SendHandler done) {
    submit({Kind::send, make_data_frame(num, data_ch, data_ch1), {}, std::move(done), {}});
}

void Link::write_chain(std::vector<Command> commands) {
    auto chain = std::make_shared<bool>(true);
    for (Command& each : commands) {
        queue_.push_back({Kind::send,
                          make_data_frame(each.num, each.data_ch, each.data_ch1),
                          {},
                          std::move(each.done),
                          chain});
    }
    pump();
}

void Link::read_settings(ReadHandler done, bool yields) {
    submit({Kind::read_settings, {}, std::move(done), {}, {}, yields});
}

void Link::read_width(ReadHandler done) {
    submit({Kind::read_width, {}, std::move(done), {}, {}});
}

void Link::submit(Exchange exchange) {
    if (ended_) return;
    queue_.push_back(std::move(exchange));
    pump();
}

// Runs steps until an exchange waits or the queue is empty. A continuation run at once by
// the scheduler, or a handler that submits, finds it pumping and leaves the work to it.
void Link::pump() {
    if (pumping_ || ended_) return;
    pumping_ = true;
    while (!waiting_ && !ended_) {
        if (!current_) {
            if (queue_.empty()) break;
            current_ = std::move(queue_.front());
            queue_.pop_front();
            stage_ = Stage::start;
        }
        step();
    }
    pumping_ = false;
}

void Link::wait(std::chrono::microseconds delay) {
    waiting_ = true;
    seams_.after(delay, [self = self_] {
        Link* link = *self;
        if (!link || !link->waiting_) return;
        link->waiting_ = false;
        link->pump();
    });
}

void Link::step() {
    Exchange& exchange = *current_;
    const bool sends = exchange.kind == Kind::send;
    switch (stage_) {
    case Stage::start:
        if (exchange.chain && !*exchange.chain) return finish_send(SendResult::withheld);
        deadline_ = seams_.now() + kLockTimeout;
        stage_ = Stage::locking;
        return;
    case Stage::locking:
        // The lock for one whole exchange; between tries the event loop goes on.
        if (!seams_.lock || seams_.lock->try_acquire()) {
            locked_ = seams_.lock != nullptr;
            stage_ = Stage::held;
            return;
        }
        // A lock file that cannot be used will not become usable by waiting.
        if (exchange.yields || seams_.lock->problem() || seams_.now() >= deadline_) {
            return sends ? finish_send(SendResult::busy) : finish_read(ReadOutcome::busy, {});
        }
        return wait(kLockPoll);
    case Stage::held:
        if (sends) {
            if (driver_.write(make_control_frame(FrameType::write_announce)) < 0)
                return finish_send(SendResult::announce_refused);
            stage_ = Stage::announced;
            deadline_ = seams_.now() + kSendWait;
            return wait(kSendWait);
        }
        if (driver_.write(make_control_frame(FrameType::read_request)) < 0)
            return finish_read(ReadOutcome::refused, {});
        stage_ = Stage::requested;
        if (exchange.kind == Kind::read_settings) wait(kReadWait);
        return;
    case Stage::announced: {
        const SendResult result =
            driver_.write(exchange.data) < 0 ? SendResult::data_refused : SendResult::delivered;
        // Counted for the other programs' displays, still inside the lock.
        if (result == SendResult::delivered && seams_.lock) seams_.lock->note_change();
        return finish_send(result);
    }
    case Stage::requested: {
        Frame answer{};
        driver_.read(answer); // the first answer is discarded
        if (driver_.read(answer) < 0) return finish_read(ReadOutcome::no_answer, {});
        return finish_read(ReadOutcome::answered, answer);
    }
    }
}

Link::Exchange Link::take() {
    if (std::exchange(locked_, false)) seams_.lock->release();
    Exchange exchange = std::move(*current_);
    current_.reset();
    stage_ = Stage::start;
    return exchange;
}

void Link::finish_send(SendResult result) {
    const Exchange exchange = take();
    if (exchange.chain && result != SendResult::delivered) *exchange.chain = false;
    if (exchange.sent) exchange.sent(result);
}

void Link::finish_read(ReadOutcome outcome, const Frame& answer) {
    const Exchange exchange = take();
    if (exchange.done) exchange.done(outcome, answer);
}

void Link::end() {
    if (ended_) return;
    ended_ = true;
    waiting_ = false;
    queue_.clear();
    if (!current_) return;
    if (stage_ == Stage::announced) {
        const auto left = deadline_ - seams_.now();
        if (left.count() > 0)
            seams_.sleep(std::chrono::duration_cast<std::chrono::microseconds>(left));
        step(); // the data frame, and its handler
        return;
    }
    take();
}

} // namespace qlm
