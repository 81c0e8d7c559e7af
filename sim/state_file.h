#pragma once
// The simulated instrument's state in a file that several processes share: what the
// instrument holds (its settings, and the exchange in progress with the driver that began it),
// read and changed under the simulator's lock on the file, and replaced in one step (a
// temporary file beside it renamed over it).
//
// Line 1 is the ten settings bytes as EASYD12_SIM_STATE writes them; line 2, present only
// while something is pending or counted, holds space-separated fields:
//   announce=<driver>  a write-announce that waits for its data frame
//   request=<driver>   the read request that the next reads answer
//   answered=1         that request's answer has been read (its driver may read it again)
//   violations=<n>     protocol violations of every driver on the file
//   unplugged=1        the instrument's cable is out: every call of every driver fails
//   off=1              the instrument is switched off: every call fails
// A driver is "<pid>.<process start>.<instance>" (start 0 when unknown).

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace qlm::sim {

using Settings = std::array<std::uint8_t, 10>;

// One simulated driver: an instrument object in some process.
struct DriverId {
    long long pid = 0;
    unsigned long long started = 0; // the process's start time, 0 when unknown
    unsigned instance = 0;          // which of that process's instruments
    bool operator==(const DriverId&) const = default;
};

std::string driver_text(const DriverId& driver);
bool parse_driver(const std::string& text, DriverId& out);

struct SharedState {
    Settings settings{};
    std::optional<DriverId> announce;
    std::optional<DriverId> request;
    bool answered = false;
    std::uint64_t violations = 0;
    bool unplugged = false;
    bool off = false;
    bool present() const { return !unplugged && !off; }
    bool operator==(const SharedState&) const = default;
};

// What happens to the instrument from outside the programs that use it. Every one ends the
// exchange in progress; a power-off also takes the settings back to the power-on ones.
enum class Event { unplug, replug, power_off, power_on };
void apply_event(SharedState& state, Event event, const Settings& power_on);

// Under the simulator's lock on `path`: reads the instrument (a missing file is a fresh one of
// `start` settings), runs `step` on it and stores it when it changed. False, with `why`, when
// the file cannot be read or replaced or does not hold ten bytes; `unknown` is set when a
// line 2 was not understood (taken as nothing pending, as the drivers take it).
bool change_state(const std::filesystem::path& path, const Settings& start,
                  const std::function<void(SharedState&)>& step, SharedState& state, bool& unknown,
                  std::string& why);

// The file's text: line 1, and line 2 when it holds anything.
std::string state_text(const SharedState& state);
// False when line 1 is not ten bytes. `second_line_ok` is false when a line 2 is there but
// not understood; the state then has nothing pending.
bool parse_state(const std::string& text, SharedState& out, bool& second_line_ok);

class StateFile {
public:
    using Complain = std::function<void(const std::string&)>;

    // `start`: what a missing or damaged file gets. `complain` receives one line for each new
    // kind of trouble (stderr by default).
    StateFile(std::filesystem::path path, Settings start, Complain complain = {});

    // Under the simulator's lock on the file: reads the file into `state`, runs `step` on it,
    // and stores the state when the step (or the file's repair) changed it; `done` then runs,
    // still under the lock, with whether the file holds the state. A missing file is created
    // with the start settings, a damaged one replaced by them; while the file cannot be read,
    // `state` is what the caller last knew. Returns what `done` got.
    bool update(SharedState& state, const std::function<void(SharedState&)>& step,
                const std::function<void(bool)>& done = {});

    const std::filesystem::path& path() const { return path_; }

private:
    bool load(const std::filesystem::path& target, SharedState& state);
    bool store(const std::filesystem::path& target, const SharedState& state);
    void complain(std::string& last, const std::string& line);

    std::filesystem::path path_;
    Settings start_;
    Complain complain_;
    std::string read_complaint_;
    std::string write_complaint_;
    bool seen_ = false; // the file was read or written once
};

// The file's first line: "0,50,4,0,4,0,200,0,1,1\n".
std::string state_line(const Settings& settings);

enum class ReadResult { ok, missing, too_long, failed };

// Reads a file of at most `limit` bytes. Readers never keep a writer's
// rename from going through. `why` says what failed.
ReadResult read_small_file(const std::filesystem::path& path, std::size_t limit, std::string& text,
                           std::string& why);
// Writes `text` to a new file of a unique name beside `path`, then renames it over `path`.
// A symbolic link is followed: its target is replaced, the link stays.
bool replace_file(const std::filesystem::path& path, const std::string& text, std::string& why);

// The simulator's own lock on `file` ("<file>.lock" beside it, left in place), held while
// this object lives: the simulators' read-modify-writes of the file take turns. Not held
// when the lock file cannot be made (a folder that cannot be written: nothing can be stored
// there either).
class StateLock {
public:
    explicit StateLock(const std::filesystem::path& file);
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    ~StateLock();
    bool held() const;

private:
    std::intptr_t handle_;
};

// read_small_file and replace_file for a caller that holds the file's StateLock (with
// `path`'s links already followed).
ReadResult read_small_file_locked(const std::filesystem::path& path, std::size_t limit,
                                  std::string& text, std::string& why);
bool replace_file_locked(const std::filesystem::path& path, const std::string& text,
                         std::string& why);

// `path` with its symbolic links followed to the file they name (which need not exist).
std::filesystem::path resolve_links(const std::filesystem::path& path);

// This process, and whether the process of a driver still runs (a process id in use by
// another process, one started at another time, counts as ended).
long long current_process_id();
unsigned long long process_start_time(long long pid);
bool process_running(long long pid, unsigned long long started);

} // namespace qlm::sim
