#pragma once
// The simulated instrument's settings in a file that several processes share: read before each
// call, replaced in one step (a temporary file in the same folder renamed over it) after each
// change. The file holds one line, the ten settings bytes as EASYD12_SIM_STATE writes them.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace qlm::sim {

using Settings = std::array<std::uint8_t, 10>;

class StateFile {
public:
    using Complain = std::function<void(const std::string&)>;

    // `start`: what a missing or damaged file gets. `complain` receives one line for each new
    // kind of trouble (stderr by default).
    StateFile(std::filesystem::path path, Settings start, Complain complain = {});

    // The settings the file holds. A missing file is created with the start settings, a
    // damaged one replaced by them; while the file cannot be read, `current` stays.
    Settings load(const Settings& current);
    // Replaces the file's content by `settings`; false when that failed.
    bool store(const Settings& settings);

    const std::filesystem::path& path() const { return path_; }

private:
    void complain(std::string& last, const std::string& line);

    std::filesystem::path path_;
    Settings start_;
    Complain complain_;
    std::string read_complaint_;
    std::string write_complaint_;
};

// The file's line: "0,50,4,0,4,0,200,0,1,1\n".
std::string state_line(const Settings& settings);

enum class ReadResult { ok, missing, too_long, failed };

// Reads a file of at most `limit` bytes. Readers never keep a writer's
// rename from going through. `why` says what failed.
ReadResult read_small_file(const std::filesystem::path& path, std::size_t limit, std::string& text,
                           std::string& why);
// Writes `text` to a new file of a unique name beside `path`, then renames it over `path`.
// A symbolic link is followed: its target is replaced, the link stays.
bool replace_file(const std::filesystem::path& path, const std::string& text, std::string& why);

// `path` with its symbolic links followed to the file they name (which need not exist).
std::filesystem::path resolve_links(const std::filesystem::path& path);

} // namespace qlm::sim
