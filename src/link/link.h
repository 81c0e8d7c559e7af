#pragma once
// The exchanges with the instrument: one parameter send, and the two read-backs.
//
// An exchange waits by yielding to the window's event processing, so other handlers run
// in the middle of it. An exchange started then is queued and runs right after the current
// one: the driver always sees a write-announce frame followed by its own data frame, and
// a read request never falls between the two.

#include "link/frame.h"
#include "link/instrument_lock.h"
#include "link/usb_driver.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>

namespace qlm {

constexpr long kSendWaitPasses = 100001; // between write-announce and data frame
constexpr long kReadWaitPasses = 150001; // between read request and answer
// The real time a pass stands for: a pass of a window's event loop takes about 1 us on a
// typical PC, so 100 ms between the two frames of a command and 150 ms before an answer.
// Front ends without an event loop wait this long; the window's wait ends by then too,
// where its passes are slower (Wine's take some 90 us).
constexpr std::chrono::microseconds kWaitPerPass{1};

// While another program holds the instrument: a try every kLockPollPasses (about 2 ms in
// the console), for kLockTimeout at most.
constexpr long kLockPollPasses = 2001;
constexpr std::chrono::milliseconds kLockTimeout{10000};

struct LinkSeams {
    // Yield to the window's event processing this many times.
    std::function<void(long passes)> wait;
    // The lock that every program on this instrument takes for each whole exchange; none
    // when no other program can reach the instrument.
    InstrumentLock* lock = nullptr;
    std::function<std::chrono::steady_clock::time_point()> now = [] {
        return std::chrono::steady_clock::now();
    };
};

// How far a parameter command got.
enum class SendResult {
    delivered,        // both frames taken
    announce_refused, // the data frame was not sent
    data_refused,     // the announce was taken, the data frame refused
    withheld,         // not sent: the condition it was queued with did not hold
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

    Link(UsbDriver& driver, LinkSeams seams);

    // Announce, wait, data frame; after a refused announce the data frame is not sent.
    // `done` runs when the exchange has run, whatever its result. With `when`, the command
    // is sent only if `when` holds at its turn in the queue.
    void write_seting(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1,
                      SendHandler done = {}, std::function<bool()> when = {});

    // Read request; wait (read_settings only); two reads, the second one decoded. `done`
    // runs when the exchange has run, whatever its outcome.
    void read_settings(ReadHandler done);
    void read_width(ReadHandler done);

    // The exchanges that `submits` starts go into the queue one after another, before any of
    // them runs: nothing started during their waits comes between them.
    void together(const std::function<void()>& submits);

    // True while an exchange runs (and so, inside its wait).
    bool busy() const { return running_; }
    std::size_t queued() const { return queue_.size(); }

private:
    enum class Kind { send, read_settings, read_width };
    struct Exchange {
        Kind kind;
        Frame data{};
        ReadHandler done;
        SendHandler sent;
        std::function<bool()> when;
    };

    void submit(Exchange exchange);
    void drain();
    bool acquire();
    void release();
    void run(const Exchange& exchange);
    void run_held(const Exchange& exchange);
    void run_read(const Exchange& exchange, long passes);

    UsbDriver& driver_;
    LinkSeams seams_;
    std::deque<Exchange> queue_;
    bool running_ = false;
};

} // namespace qlm
