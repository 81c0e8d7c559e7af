#pragma once
// The exchanges with the instrument: one parameter send, and the two read-backs.
//
// Exchanges run one at a time from one queue, each a small state machine: a send is the
// write-announce, a wait, the data frame; a read is the request, a wait, two reads. A wait
// is a timed continuation on the program's one event loop (the scheduler), never a loop run
// inside the exchange, so handlers run between an exchange's steps, never inside them. What
// they start is queued: the driver always sees a write-announce followed by its own data
// frame, and a read request never falls between the two.

#include "link/frame.h"
#include "link/instrument_lock.h"
#include "link/usb_driver.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace qlm {

constexpr long kSendWaitPasses = 100001; // between write-announce and data frame
constexpr long kReadWaitPasses = 150001; // between read request and answer
// The real time a pass stands for: 100 ms between the two frames of a command and 150 ms
// before an answer.
constexpr std::chrono::microseconds kWaitPerPass{1};
constexpr std::chrono::microseconds kSendWait = kSendWaitPasses * kWaitPerPass;
constexpr std::chrono::microseconds kReadWait = kReadWaitPasses * kWaitPerPass;

// While another program holds the instrument: a try every kLockPoll, for kLockTimeout at most.
constexpr std::chrono::microseconds kLockPoll{2000};
constexpr std::chrono::milliseconds kLockTimeout{10000};

// Runs `then` once `delay` has passed, from the program's event loop and never inside the
// call; a test rig may run it at once.
using Scheduler = std::function<void(std::chrono::microseconds delay, std::function<void()> then)>;

struct LinkSeams {
    Scheduler after;
    // The lock that every program on this instrument takes for each whole exchange; none
    // when no other program can reach the instrument.
    InstrumentLock* lock = nullptr;
    std::function<std::chrono::steady_clock::time_point()> now = [] {
        return std::chrono::steady_clock::now();
    };
    // Blocks; only for the end of an exchange in flight when the program quits.
    std::function<void(std::chrono::microseconds)> sleep = [](std::chrono::microseconds time) {
        std::this_thread::sleep_for(time);
    };
};

// How far a parameter command got.
enum class SendResult {
    delivered,        // both frames taken
    announce_refused, // the data frame was not sent
    data_refused,     // the announce was taken, the data frame refused
    withheld,         // not sent: a command before it in its chain was not delivered
    busy,             // not sent: another program held the instrument past kLockTimeout
};

class Link {
public:
    enum class ReadOutcome {
        answered,  // the second answer read; the frame holds it
        refused,   // the request was refused
        no_answer, // the answer could not be read
        busy,      // not asked: another program held the instrument past kLockTimeout
    };
    using ReadHandler = std::function<void(ReadOutcome outcome, const Frame& answer)>;
    using SendHandler = std::function<void(SendResult result)>;

    struct Command {
        std::uint8_t num, data_ch, data_ch1;
        SendHandler done;
    };

    Link(UsbDriver& driver, LinkSeams seams);
    // An exchange in flight is finished (see end()).
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Announce, wait, data frame; after a refused announce the data frame is not sent.
    // `done` runs when the exchange has run, whatever its result.
    void write_seting(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1,
                      SendHandler done = {});
    // Commands queued together, sent in order, each only if the one before it was delivered
    // (else `withheld`); nothing started meanwhile comes between them.
    void write_chain(std::vector<Command> commands);

    // Read request; wait (read_settings only); two reads, the second one decoded. `done`
    // runs when the exchange has run, whatever its outcome. A read that `yields` waits for
    // no one: when the exchange lock is not had at once it ends `busy`.
    void read_settings(ReadHandler done, bool yields = false);
    void read_width(ReadHandler done);

    // The program quits: a send whose announce went out gets its data frame now, after the
    // rest of its wait (its handler runs); the rest of the queue is dropped unrun.
    void end();

    // An exchange runs or waits in the queue.
    bool busy() const { return current_.has_value() || !queue_.empty(); }
    std::size_t queued() const { return queue_.size(); }

private:
    enum class Kind { send, read_settings, read_width };
    enum class Stage { start, locking, held, announced, requested };
    struct Exchange {
        Kind kind;
        Frame data{};
        ReadHandler done;
        SendHandler sent;
        std::shared_ptr<bool> chain; // false once a command before it was not delivered
        bool yields = false;
    };

    void submit(Exchange exchange);
    void pump();
    void step();
    void wait(std::chrono::microseconds delay);
    void finish_send(SendResult result);
    void finish_read(ReadOutcome outcome, const Frame& answer);
    Exchange take();

    UsbDriver& driver_;
    LinkSeams seams_;
    std::deque<Exchange> queue_;
    std::optional<Exchange> current_;
    Stage stage_ = Stage::start;
    bool locked_ = false;
    bool waiting_ = false; // a continuation is scheduled
    bool pumping_ = false;
    bool ended_ = false;
    std::chrono::steady_clock::time_point deadline_{}; // of the lock's wait, or the data frame
    std::shared_ptr<Link*> self_;                      // cleared when the link goes
};

} // namespace qlm
