#include "sim_instrument.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <sstream>

namespace qlm::sim {

namespace {

// The instrument's command codes, as its own documentation numbers them.
enum Code : std::uint8_t { mode, gain, voltage, trigger, prf, lpf, width, hpf, damping };

// Whether the instrument takes a value for a code.
bool value_allowed(std::uint8_t code, std::uint8_t value1, std::uint8_t value2) {
    switch (code) {
    case mode:
    case trigger:
    case lpf:
    case hpf:
        return value1 <= 1 && value2 == 0;
    case gain:
        return value1 <= 110 && value2 == 0;
    case voltage:
        return value1 >= 1 && value1 <= 16 && value2 == 0;
    case prf:
        return value1 >= 1 && value1 <= 6 && value2 == 0;
    case width: {
        const int ns = value2 * 256 + value1;
        return ns >= 25 && ns <= 6500;
    }
    case damping:
        return value1 >= 1 && value1 <= 4 && value2 == 0;
    default:
        return false;
    }
}

// Where the answer keeps each code's value; the width's high byte follows its low byte.
constexpr std::array<std::size_t, 9> kSettingsByte{0, 1, 2, 3, 4, 5, 6, 8, 9};

// The instruments of this process that live, so that another's pending exchange can be told
// from one whose instrument is gone.
std::mutex& instances_mutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<unsigned>& live_instances() {
    static std::set<unsigned> instances;
    return instances;
}

bool driver_running(const DriverId& driver) {
    const long long pid = current_process_id();
    if (driver.pid != pid) return process_running(driver.pid, driver.started);
    const unsigned long long started = process_start_time(pid);
    if (driver.started != 0 && started != 0 && driver.started != started) return false;
    const std::lock_guard<std::mutex> hold(instances_mutex());
    return live_instances().count(driver.instance) > 0;
}

} // namespace

SimInstrument::SimInstrument(Settings settings) {
    static std::atomic<unsigned> next_instance{1};
    state_.settings = settings;
    instance_ = next_instance++;
    const std::lock_guard<std::mutex> hold(instances_mutex());
    live_instances().insert(instance_);
}

void SimInstrument::reset(const Settings& settings) {
    state_ = SharedState{};
    state_.settings = settings;
    faults = {};
    violations_ = 0;
    rejected_values_ = 0;
    applied_.clear();
    calls_.clear();
}

SimInstrument::~SimInstrument() {
    if (file_ &&
        ((state_.announce && mine(state_.announce)) || (state_.request && mine(state_.request)))) {
        file_->update(state_, [this](SharedState& state) {
            if (state.announce && mine(state.announce)) state.announce.reset();
            if (state.request && mine(state.request)) {
                state.request.reset();
                state.answered = false;
            }
        });
    }
    const std::lock_guard<std::mutex> hold(instances_mutex());
    live_instances().erase(instance_);
}

DriverId SimInstrument::id() const {
    // The start time once per process (a forked child has its own).
    static std::atomic<long long> known_pid{0};
    static std::atomic<unsigned long long> known_start{0};
    const long long pid = current_process_id();
    if (known_pid != pid) {
        known_start = process_start_time(pid);
        known_pid = pid;
    }
    return {pid, known_start, instance_};
}

std::int16_t SimInstrument::write(const Frame& frame) {
    Frame copy = frame;
    return write_port(copy.data(), static_cast<std::int32_t>(kFrameSize));
}

std::int16_t SimInstrument::read(Frame& buffer) {
    return read_port(buffer.data(), static_cast<std::int32_t>(kFrameSize));
}

std::int16_t SimInstrument::write_port(std::uint8_t* buffer, std::int32_t length) {
    Frame frame{};
    const bool whole = buffer && length == static_cast<std::int32_t>(kFrameSize);
    if (whole) std::copy(buffer, buffer + kFrameSize, frame.begin());
    if (whole && faults.absent) return record('W', frame, kFailed);
    const Outcome outcome =
        run([&](SharedState& state) { return take_write(state, frame, whole); });
    return record('W', frame, outcome.status);
}

std::int16_t SimInstrument::read_port(std::uint8_t* buffer, std::int32_t length) {
    Frame answer{};
    const bool whole = buffer && length == static_cast<std::int32_t>(kFrameSize);
    if (whole && (faults.absent || faults.answer)) return record('R', answer, kFailed);
    const Outcome outcome = run([&](SharedState& state) { return take_read(state, whole); });
    if (outcome.status != kOk) return record('R', answer, outcome.status);
    std::copy(state_.settings.begin(), state_.settings.end(), answer.begin());
    std::copy(answer.begin(), answer.end(), buffer);
    return record('R', answer, kOk);
}

SimInstrument::Outcome SimInstrument::run(const std::function<Outcome(SharedState&)>& step) {
    Outcome outcome;
    Settings before{};
    const auto take = [&](SharedState& state) {
        before = state.settings;
        outcome = step(state);
    };
    const auto done = [&](bool stored) {
        if (!stored && outcome.applies) { // the other drivers would not see it
            state_.settings = before;
            outcome = Outcome{kFailed};
        }
        if (outcome.applies && on_apply) on_apply(outcome.change);
    };
    if (file_) {
        file_->update(state_, take, done);
    } else {
        take(state_);
        done(true);
    }
    violations_ += outcome.violation;
    rejected_values_ += outcome.rejected;
    if (outcome.applies) applied_.push_back(outcome.change);
    return outcome;
}

bool SimInstrument::mine(const std::optional<DriverId>& driver) const {
    return !file_ || !driver || *driver == id();
}

bool SimInstrument::busy_elsewhere(const SharedState& state) const {
    return (state.announce && !mine(state.announce)) ||
           (state.request && !state.answered && !mine(state.request));
}

void SimInstrument::drop_others_ended(SharedState& state) const {
    if (state.announce && !mine(state.announce) && !driver_running(*state.announce))
        state.announce.reset();
    if (state.request && !mine(state.request) && !driver_running(*state.request)) {
        state.request.reset();
        state.answered = false;
    }
}

// Another driver's frame inside an exchange ends it: the real instrument would have taken
// one program's frame for the other's.
SimInstrument::Outcome SimInstrument::interfere(SharedState& state) {
    state.announce.reset();
    state.request.reset();
    state.answered = false;
    return violation(state);
}

SimInstrument::Outcome SimInstrument::take_write(SharedState& state, const Frame& frame,
                                                 bool whole) {
    if (!state.present()) return {kFailed}; // nothing reaches it
    drop_others_ended(state);
    if (!whole) return violation(state);
    if (busy_elsewhere(state)) return interfere(state);
    if (!has_header(frame)) return violation(state);
    const auto type = frame[kTypeByte];
    if (type == static_cast<std::uint8_t>(FrameType::data)) return take_data(state, frame);
    const bool announce = type == static_cast<std::uint8_t>(FrameType::write_announce);
    const bool request = type == static_cast<std::uint8_t>(FrameType::read_request);
    if (!(announce || request) || !is_control_body(frame) || state.announce)
        return violation(state);
    state.request.reset(); // an answered one of another driver's, or this one's
    state.answered = false;
    if (request) {
        if (faults.request) return {kFailed};
        state.request = id();
        return {};
    }
    state.announce = id();
    return {};
}

SimInstrument::Outcome SimInstrument::take_data(SharedState& state, const Frame& frame) {
    state.request.reset();
    state.answered = false;
    if (!state.announce || frame[kSpareByte] != 0) return violation(state);
    state.announce.reset();
    if (faults.data) return {kFailed};
    const std::uint8_t code = frame[kCodeByte];
    if (code >= kSettingsByte.size()) return violation(state);
    const std::uint8_t value1 = frame[kValue1Byte];
    const std::uint8_t value2 = frame[kValue2Byte];
    if (!value_allowed(code, value1, value2)) return {kFailed, false, true};
    state.settings[kSettingsByte[code]] = value1;
    if (code == width) state.settings[kSettingsByte[width] + 1] = value2;
    return {kOk, false, false, true, {code, value1, value2}};
}

SimInstrument::Outcome SimInstrument::take_read(SharedState& state, bool whole) {
    if (!state.present()) return {kFailed};
    drop_others_ended(state);
    if (!whole) return violation(state);
    if (busy_elsewhere(state)) return interfere(state);
    if (!state.request || !mine(state.request)) {
        state.request.reset(); // another driver's answer read by this one
        state.answered = false;
        return violation(state);
    }
    state.answered = true;
    return {};
}

SimInstrument::Outcome SimInstrument::violation(SharedState& state) {
    ++state.violations;
    if (state.announce && mine(state.announce)) state.announce.reset();
    return {kFailed, true};
}

void SimInstrument::keep_settings_in(std::unique_ptr<StateFile> file) {
    file_ = std::move(file);
    file_->update(state_, [](SharedState&) {});
}

std::int16_t SimInstrument::record(char direction, const Frame& frame, std::int16_t status) {
    const Call call{direction, frame, status};
    calls_.push_back(call);
    if (on_call) on_call(call);
    return status;
}

bool parse_settings(const std::string& text, Settings& out) {
    Settings parsed{};
    std::istringstream in(text);
    std::string item;
    std::size_t count = 0;
    while (std::getline(in, item, ',')) {
        if (count == parsed.size() || item.empty() || item.size() > 3) return false;
        int value = 0;
        for (const char c : item) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255) return false;
        parsed[count++] = static_cast<std::uint8_t>(value);
    }
    if (count != parsed.size()) return false;
    out = parsed;
    return true;
}

bool parse_faults(const std::string& text, Faults& out) {
    Faults parsed;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item == "absent")
            parsed.absent = true;
        else if (item == "data")
            parsed.data = true;
        else if (item == "request")
            parsed.request = true;
        else if (item == "answer")
            parsed.answer = true;
        else if (!item.empty())
            return false;
    }
    out = parsed;
    return true;
}

std::string trace_line(const Call& call) {
    std::string line(1, call.direction);
    line += ' ';
    char hex[3];
    for (const std::uint8_t byte : call.frame) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        line += hex;
    }
    line += ' ';
    line += std::to_string(call.status);
    return line;
}

std::string applied_line(const std::array<std::uint8_t, 3>& change, const DriverId& driver) {
    return std::to_string(change[0]) + ',' + std::to_string(change[1]) + ',' +
           std::to_string(change[2]) + ' ' + driver_text(driver);
}

} // namespace qlm::sim
