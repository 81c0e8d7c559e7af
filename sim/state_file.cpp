#include "state_file.h"

#include "sim_instrument.h"

#include <cstdio>
#include <sstream>

namespace qlm::sim {

namespace fs = std::filesystem;

namespace {

// Line 1 and a line 2 of two drivers and a count, with room for editors' additions; a longer
// file is damaged.
constexpr std::size_t kFileLimit = 512;

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool is_blank(char c) {
    return c == '\n' || c == '\r' || c == ' ' || c == '\t';
}

// Without a byte order mark and trailing white space (a line end from an editor).
std::string trimmed(std::string text) {
    if (text.rfind("\xef\xbb\xbf", 0) == 0) text.erase(0, 3);
    while (!text.empty() && is_blank(text.back()))
        text.pop_back();
    return text;
}

bool parse_number(const std::string& text, unsigned long long& out) {
    if (text.empty() || text.size() > 19) return false;
    unsigned long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long long>(c - '0');
    }
    out = value;
    return true;
}

bool parse_pending(const std::string& line, SharedState& state) {
    std::istringstream in(line);
    std::string field;
    while (in >> field) {
        const auto equals = field.find('=');
        const std::string key = field.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : field.substr(equals + 1);
        DriverId driver;
        unsigned long long number = 0;
        if (key == "announce" && parse_driver(value, driver))
            state.announce = driver;
        else if (key == "request" && parse_driver(value, driver))
            state.request = driver;
        else if (key == "answered" && (value == "0" || value == "1"))
            state.answered = value == "1";
        else if (key == "violations" && parse_number(value, number))
            state.violations = number;
        else if (key == "unplugged" && (value == "0" || value == "1"))
            state.unplugged = value == "1";
        else if (key == "off" && (value == "0" || value == "1"))
            state.off = value == "1";
        else
            return false;
    }
    state.answered = state.answered && state.request;
    return true;
}

} // namespace

std::string state_line(const Settings& settings) {
    std::string line;
    for (const std::uint8_t byte : settings) {
        if (!line.empty()) line += ',';
        line += std::to_string(byte);
    }
    return line + '\n';
}

std::string driver_text(const DriverId& driver) {
    return std::to_string(driver.pid) + '.' + std::to_string(driver.started) + '.' +
           std::to_string(driver.instance);
}

bool parse_driver(const std::string& text, DriverId& out) {
    const auto first = text.find('.');
    const auto second = first == std::string::npos ? first : text.find('.', first + 1);
    if (second == std::string::npos) return false;
    unsigned long long pid = 0, started = 0, instance = 0;
    if (!parse_number(text.substr(0, first), pid) ||
        !parse_number(text.substr(first + 1, second - first - 1), started) ||
        !parse_number(text.substr(second + 1), instance) || pid == 0 || instance > 0xffffffffu)
        return false;
    out = {static_cast<long long>(pid), started, static_cast<unsigned>(instance)};
    return true;
}

std::string state_text(const SharedState& state) {
    std::string pending;
    const auto add = [&pending](const std::string& field) {
        pending += (pending.empty() ? "" : " ") + field;
    };
    if (state.announce) add("announce=" + driver_text(*state.announce));
    if (state.request) add("request=" + driver_text(*state.request));
    if (state.request && state.answered) add("answered=1");
    if (state.violations > 0) add("violations=" + std::to_string(state.violations));
    if (state.unplugged) add("unplugged=1");
    if (state.off) add("off=1");
    return state_line(state.settings) + (pending.empty() ? "" : pending + '\n');
}

bool parse_state(const std::string& text, SharedState& out, bool& second_line_ok) {
    const std::string all = trimmed(text);
    const auto end = all.find('\n');
    std::string first = all.substr(0, end);
    while (!first.empty() && is_blank(first.back()))
        first.pop_back();
    SharedState parsed;
    if (!parse_settings(first, parsed.settings)) return false;
    second_line_ok = true;
    if (end != std::string::npos) {
        const std::string rest = all.substr(end + 1);
        SharedState pending = parsed;
        second_line_ok = rest.find('\n') == std::string::npos && parse_pending(rest, pending);
        if (second_line_ok) parsed = pending;
    }
    out = parsed;
    return true;
}

void apply_event(SharedState& state, Event event, const Settings& power_on) {
    state.announce.reset();
    state.request.reset();
    state.answered = false;
    switch (event) {
    case Event::unplug:
        state.unplugged = true;
        break;
    case Event::replug:
        state.unplugged = false;
        break;
    case Event::power_off:
        state.off = true;
        state.settings = power_on;
        break;
    case Event::power_on:
        state.off = false;
        break;
    }
}

bool change_state(const fs::path& path, const Settings& start,
                  const std::function<void(SharedState&)>& step, SharedState& state, bool& unknown,
                  std::string& why) {
    const fs::path target = resolve_links(path);
    const StateLock lock(target);
    std::string text;
    SharedState held;
    held.settings = start;
    bool second_line_ok = true;
    switch (read_small_file_locked(target, kFileLimit, text, why)) {
    case ReadResult::missing: // a fresh instrument, stored once something happens to it
        break;
    case ReadResult::failed:
        why = "cannot be read (" + why + ")";
        return false;
    case ReadResult::too_long:
        why = "does not hold ten comma-separated bytes";
        return false;
    case ReadResult::ok:
        if (!parse_state(text, held, second_line_ok)) {
            why = "does not hold ten comma-separated bytes";
            return false;
        }
    }
    unknown = !second_line_ok;
    const SharedState before = held;
    step(held);
    if (!(held == before) && !replace_file_locked(target, state_text(held), why)) {
        why = "cannot be replaced: " + why;
        return false;
    }
    state = held;
    return true;
}

fs::path resolve_links(const fs::path& path) {
    fs::path at = path;
    for (int hops = 0; hops < 40; ++hops) { // a loop of links ends somewhere
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(at, error))) return at;
        const fs::path target = fs::read_symlink(at, error);
        if (error) return at;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return at;
}

StateFile::StateFile(fs::path path, Settings start, Complain complain)
    : path_(std::move(path)), start_(start), complain_(std::move(complain)) {
    if (!complain_) {
        complain_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    }
}

bool StateFile::update(SharedState& state, const std::function<void(SharedState&)>& step,
                       const std::function<void(bool)>& done) {
    const fs::path target = resolve_links(path_);
    const StateLock lock(target);
    const bool repaired = load(target, state);
    const SharedState before = state;
    step(state);
    const bool stored = (repaired || !(state == before)) ? store(target, state) : true;
    if (done) done(stored);
    return stored;
}

// True when the file needs writing: it was missing, damaged or had a line 2 not understood.
bool StateFile::load(const fs::path& target, SharedState& state) {
    std::string text;
    std::string why;
    switch (read_small_file_locked(target, kFileLimit, text, why)) {
    case ReadResult::missing:
        // A fresh instrument; one whose file never came about keeps its exchange meanwhile.
        if (seen_) state = SharedState();
        state.settings = start_;
        return true;
    case ReadResult::too_long:
        break;
    case ReadResult::failed:
        complain(read_complaint_, "EasyD12 simulator: " + utf8(path_) + " cannot be read (" + why +
                                      "); this program keeps its own settings meanwhile");
        return false;
    case ReadResult::ok: {
        SharedState held;
        bool second_line_ok = true;
        if (!parse_state(text, held, second_line_ok)) break;
        state = held;
        seen_ = true;
        if (second_line_ok) {
            read_complaint_.clear();
            return false;
        }
        complain(read_complaint_, "EasyD12 simulator: the second line of " + utf8(path_) +
                                      " is not understood; nothing is taken as pending");
        return true;
    }
    }
    complain(read_complaint_,
             "EasyD12 simulator: " + utf8(path_) +
                 " does not hold ten comma-separated bytes; it is replaced by the start settings " +
                 trimmed(state_line(start_)));
    state = SharedState();
    state.settings = start_;
    return true;
}

bool StateFile::store(const fs::path& target, const SharedState& state) {
    std::string why;
    if (replace_file_locked(target, state_text(state), why)) {
        write_complaint_.clear();
        seen_ = true;
        return true;
    }
    complain(write_complaint_, "EasyD12 simulator: " + utf8(path_) + " cannot be replaced: " + why);
    return false;
}

void StateFile::complain(std::string& last, const std::string& line) {
    if (line == last) return; // said once until reading (or writing) goes well again
    last = line;
    complain_(line);
}

} // namespace qlm::sim
