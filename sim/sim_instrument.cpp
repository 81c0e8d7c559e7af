#include "sim_instrument.h"

#include <cstdio>
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

} // namespace

std::int16_t SimInstrument::write(const Frame& frame) {
    Frame copy = frame;
    return write_port(copy.data(), static_cast<std::int32_t>(kFrameSize));
}

std::int16_t SimInstrument::read(Frame& buffer) {
    return read_port(buffer.data(), static_cast<std::int32_t>(kFrameSize));
}

std::int16_t SimInstrument::write_port(std::uint8_t* buffer, std::int32_t length) {
    Frame frame{};
    if (!buffer || length != static_cast<std::int32_t>(kFrameSize)) return violation('W', frame);
    std::copy(buffer, buffer + kFrameSize, frame.begin());
    refresh();
    if (faults.absent) return record('W', frame, kFailed);
    return accept_write(frame);
}

std::int16_t SimInstrument::read_port(std::uint8_t* buffer, std::int32_t length) {
    Frame answer{};
    if (!buffer || length != static_cast<std::int32_t>(kFrameSize)) return violation('R', answer);
    refresh();
    if (faults.absent || faults.answer) return record('R', answer, kFailed);
    if (!requested_) return violation('R', answer);
    std::copy(settings_.begin(), settings_.end(), answer.begin());
    std::copy(answer.begin(), answer.end(), buffer);
    return record('R', answer, kOk);
}

std::int16_t SimInstrument::accept_write(const Frame& frame) {
    if (!has_header(frame)) return violation('W', frame);
    const auto type = frame[kTypeByte];
    if (type == static_cast<std::uint8_t>(FrameType::data)) return accept_data(frame);
    const bool announce = type == static_cast<std::uint8_t>(FrameType::write_announce);
    const bool request = type == static_cast<std::uint8_t>(FrameType::read_request);
    if (!(announce || request) || !is_control_body(frame) || announced_)
        return violation('W', frame);
    requested_ = false;
    if (request) {
        if (faults.request) return record('W', frame, kFailed);
        requested_ = true;
        return record('W', frame, kOk);
    }
    announced_ = true;
    return record('W', frame, kOk);
}

std::int16_t SimInstrument::accept_data(const Frame& frame) {
    requested_ = false;
    if (!announced_ || frame[kSpareByte] != 0) return violation('W', frame);
    announced_ = false;
    if (faults.data) return record('W', frame, kFailed);
    const std::uint8_t code = frame[kCodeByte];
    if (code >= kSettingsByte.size()) return violation('W', frame);
    const std::uint8_t value1 = frame[kValue1Byte];
    const std::uint8_t value2 = frame[kValue2Byte];
    if (!value_allowed(code, value1, value2)) {
        ++rejected_values_;
        return record('W', frame, kFailed);
    }
    Settings changed = settings_;
    changed[kSettingsByte[code]] = value1;
    if (code == width) changed[kSettingsByte[width] + 1] = value2;
    if (file_ && !file_->store(changed)) return record('W', frame, kFailed);
    settings_ = changed;
    applied_.push_back({code, value1, value2});
    return record('W', frame, kOk);
}

void SimInstrument::keep_settings_in(std::unique_ptr<StateFile> file) {
    file_ = std::move(file);
    refresh();
}

void SimInstrument::refresh() {
    if (file_) settings_ = file_->load(settings_);
}

std::int16_t SimInstrument::record(char direction, const Frame& frame, std::int16_t status) {
    const Call call{direction, frame, status};
    calls_.push_back(call);
    if (on_call) on_call(call);
    return status;
}

std::int16_t SimInstrument::violation(char direction, const Frame& frame) {
    ++violations_;
    announced_ = false;
    return record(direction, frame, kFailed);
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

} // namespace qlm::sim
