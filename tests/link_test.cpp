#include "link/link.h"
#include "sim_instrument.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <vector>

using namespace qlm;

namespace {

// A link over the simulator whose waits go on at once, after running a "handler" as the
// event loop would meanwhile.
struct LinkRig {
    sim::SimInstrument instrument;
    std::vector<std::chrono::microseconds> waits;
    std::vector<SendResult> results;                // of every send, as it ran
    std::vector<std::function<void()>> during_wait; // run one per wait, in order
    Link link{instrument, LinkSeams{.after = [this](std::chrono::microseconds delay, auto then) {
                  waits.push_back(delay);
                  if (!during_wait.empty()) {
                      auto handler = during_wait.front();
                      during_wait.erase(during_wait.begin());
                      handler();
                  }
                  then();
              }}};

    void send(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1) {
        link.write_seting(num, data_ch, data_ch1,
                          [this](SendResult result) { results.push_back(result); });
    }

    std::vector<std::string> trace() const {
        std::vector<std::string> lines;
        for (const auto& call : instrument.calls())
            lines.push_back(sim::trace_line(call));
        return lines;
    }
};

const std::string kAnnounce = "W 01020304050102030405010203040504 0";
const std::string kRequest = "W 01020304050102030405010203040503 0";

} // namespace

TEST(Frames, HeaderTypesAndValueBytes) {
    const Frame data = make_data_frame(8, 3, 0);
    EXPECT_EQ(data, (Frame{1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 8, 3, 0, 0, 0}));
    EXPECT_EQ(make_data_frame(6, 100, 25)[12], 100);
    EXPECT_EQ(make_data_frame(255, 0, 255),
              (Frame{1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 255, 0, 255, 0, 0}));
    EXPECT_EQ(make_control_frame(FrameType::write_announce),
              (Frame{1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 4}));
    EXPECT_EQ(make_control_frame(FrameType::read_request),
              (Frame{1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 3}));
}

TEST(WriteSeting, AnnounceWaitThenDataFrame) {
    LinkRig rig;
    rig.send(8, 3, 0);
    EXPECT_EQ(rig.trace(),
              (std::vector<std::string>{kAnnounce, "W 01020304050102030405010803000000 0"}));
    EXPECT_EQ(rig.waits, std::vector{kSendWait});
    EXPECT_EQ(rig.results, std::vector<SendResult>{SendResult::delivered});
    EXPECT_EQ(rig.instrument.settings()[9], 3);
}

TEST(WriteSeting, RefusedAnnounceIsReportedAndSendsNothingMore) {
    LinkRig rig;
    rig.instrument.faults.absent = true;
    rig.send(8, 3, 0);
    EXPECT_EQ(rig.results, std::vector<SendResult>{SendResult::announce_refused});
    EXPECT_EQ(rig.instrument.calls().size(), 1u);
    EXPECT_TRUE(rig.waits.empty());
}

TEST(WriteSeting, RefusedDataFrameIsReported) {
    LinkRig rig;
    rig.instrument.faults.data = true;
    rig.send(1, 70, 0);
    EXPECT_EQ(rig.results, std::vector<SendResult>{SendResult::data_refused});
    EXPECT_EQ(rig.instrument.calls().size(), 2u);
    EXPECT_EQ(rig.instrument.calls()[1].status, -1);
}

TEST(ReadBack, SettingsWaitThenTwoReadsSecondDelivered) {
    LinkRig rig;
    rig.instrument.set_settings({0, 70, 4, 0, 4, 1, 100, 25, 1, 3});
    std::vector<Frame> answers;
    rig.link.read_settings([&](Link::ReadOutcome outcome, const Frame& answer) {
        EXPECT_EQ(outcome, Link::ReadOutcome::answered);
        answers.push_back(answer);
    });
    EXPECT_EQ(rig.waits, std::vector{kReadWait});
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0][6], 100);
    EXPECT_EQ(answers[0][7], 25);
    const auto lines = rig.trace();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], kRequest);
    EXPECT_EQ(lines[1][0], 'R');
    EXPECT_EQ(lines[2][0], 'R');
}

TEST(ReadBack, WidthReadDoesNotWait) {
    LinkRig rig;
    int answers = 0;
    rig.link.read_width([&](Link::ReadOutcome outcome, const Frame&) {
        answers += outcome == Link::ReadOutcome::answered;
    });
    EXPECT_TRUE(rig.waits.empty());
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(rig.instrument.calls().size(), 3u);
}

TEST(ReadBack, RefusedRequestCallsBackAsRefused) {
    LinkRig rig;
    rig.instrument.faults.request = true;
    std::vector<Link::ReadOutcome> outcomes;
    rig.link.read_settings(
        [&](Link::ReadOutcome outcome, const Frame&) { outcomes.push_back(outcome); });
    EXPECT_EQ(outcomes, std::vector<Link::ReadOutcome>{Link::ReadOutcome::refused});
    EXPECT_EQ(rig.instrument.calls().size(), 1u);
}

TEST(ReadBack, FailedAnswerDeliversNothingAndSaysNothing) {
    LinkRig rig;
    rig.instrument.faults.answer = true;
    std::vector<Link::ReadOutcome> outcomes;
    const auto record = [&](Link::ReadOutcome outcome, const Frame&) {
        outcomes.push_back(outcome);
    };
    rig.link.read_settings(record);
    rig.link.read_width(record);
    EXPECT_EQ(outcomes, std::vector<Link::ReadOutcome>(2, Link::ReadOutcome::no_answer));
}

TEST(Queue, ExchangesStartedInsideAWaitRunAfterInOrder) {
    LinkRig rig;
    std::vector<std::string> events;
    // During the first send's wait: another send and a read; during the second send's wait
    // a third send; during the read's wait nothing.
    rig.during_wait.push_back([&] {
        rig.link.write_seting(1, 70, 0);
        events.push_back("queued 2");
        rig.link.read_settings(
            [&](Link::ReadOutcome, const Frame&) { events.push_back("answer"); });
        events.push_back("queued read");
        EXPECT_TRUE(rig.link.busy());
        EXPECT_EQ(rig.link.queued(), 2u);
    });
    rig.during_wait.push_back([&] { rig.link.write_seting(2, 4, 0); });
    rig.link.write_seting(0, 1, 0);
    events.push_back("returned");
    EXPECT_FALSE(rig.link.busy());

    EXPECT_EQ(events, (std::vector<std::string>{"queued 2", "queued read", "answer", "returned"}));
    EXPECT_EQ(rig.instrument.violations(), 0);
    EXPECT_EQ(rig.instrument.applied(),
              (std::vector<std::array<std::uint8_t, 3>>{{0, 1, 0}, {1, 70, 0}, {2, 4, 0}}));
    // announce, data, announce, data, request, read, read, announce, data
    std::string kinds;
    for (const auto& call : rig.instrument.calls())
        kinds += call.direction == 'R' ? 'R' : static_cast<char>('0' + call.frame[kTypeByte]);
    EXPECT_EQ(kinds, "40403RR40");
}

TEST(Queue, AFailedQueuedSendDoesNotStopTheRest) {
    LinkRig rig;
    int sent = 0;
    rig.instrument.on_call = [&](const sim::Call& call) {
        if (call.frame[kTypeByte] == 0) ++sent;
        // The instrument goes away after the first data frame.
        if (sent == 1) rig.instrument.faults.absent = true;
    };
    rig.during_wait.push_back([&] {
        rig.send(3, 1, 0);
        rig.send(5, 1, 0);
    });
    rig.send(0, 1, 0);
    EXPECT_EQ(rig.results,
              (std::vector<SendResult>{SendResult::delivered, SendResult::announce_refused,
                                       SendResult::announce_refused}));
    EXPECT_EQ(rig.instrument.violations(), 0);
}

namespace {

// A lock another program holds for the first `busy_tries` tries; it records whether it was
// held at each call to the driver.
struct FakeLock : InstrumentLock {
    int busy_tries = 0;
    int tries = 0;
    bool held = false;
    bool try_acquire() override {
        held = ++tries > busy_tries;
        return held;
    }
    void release() override { held = false; }
};

} // namespace

// Every exchange runs inside the lock; while another program holds it the link keeps
// yielding, and after kLockTimeout it gives up without sending a frame.
TEST(Lock, EachExchangeRunsInsideItAndABusyInstrumentGetsNothing) {
    struct Case {
        int busy_tries;
        SendResult send;
        Link::ReadOutcome read;
        std::size_t calls; // driver calls of one send and one read-back
    };
    // One try per 100 ms of the fake clock: 101 tries reach the 10 s.
    for (const Case& c : {Case{0, SendResult::delivered, Link::ReadOutcome::answered, 5},
                          Case{50, SendResult::delivered, Link::ReadOutcome::answered, 5},
                          Case{1000, SendResult::busy, Link::ReadOutcome::busy, 0}}) {
        sim::SimInstrument instrument;
        FakeLock lock;
        lock.busy_tries = c.busy_tries;
        std::chrono::steady_clock::time_point now{};
        std::vector<bool> held_at_calls;
        instrument.on_call = [&](const sim::Call&) { held_at_calls.push_back(lock.held); };
        std::chrono::microseconds waited{0};
        Link link(instrument,
                  LinkSeams{.after =
                                [&](std::chrono::microseconds delay, std::function<void()> then) {
                                    waited += delay;
                                    now += std::chrono::milliseconds(100);
                                    then();
                                },
                            .lock = &lock,
                            .now = [&] { return now; }});
        std::vector<SendResult> sent;
        std::vector<Link::ReadOutcome> read;
        link.write_seting(8, 3, 0, [&](SendResult result) { sent.push_back(result); });
        lock.busy_tries += lock.tries; // the other program takes it again
        link.read_settings(
            [&](Link::ReadOutcome outcome, const Frame&) { read.push_back(outcome); });

        EXPECT_EQ(sent, std::vector<SendResult>{c.send}) << c.busy_tries;
        EXPECT_EQ(read, std::vector<Link::ReadOutcome>{c.read}) << c.busy_tries;
        EXPECT_EQ(held_at_calls, std::vector<bool>(c.calls, true)) << c.busy_tries;
        EXPECT_FALSE(lock.held); // released after each exchange
        // Each try but the last waited: the window's events went on meanwhile.
        const long tries = std::min(c.busy_tries, 100);
        EXPECT_GE(waited, tries * kLockPoll) << c.busy_tries;
    }
}
