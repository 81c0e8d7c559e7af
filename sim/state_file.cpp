#include "state_file.h"

#include "sim_instrument.h"

#include <cstdio>

namespace qlm::sim {

namespace fs = std::filesystem;

namespace {

// A line of at most ten three-digit bytes, with room for a byte order mark and a line end.
constexpr std::size_t kFileLimit = 64;

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Without a byte order mark and trailing white space (a line end from an editor).
std::string trimmed(std::string text) {
    if (text.rfind("\xef\xbb\xbf", 0) == 0) text.erase(0, 3);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '\t'))
        text.pop_back();
    return text;
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

Settings StateFile::load(const Settings& current) {
    std::string text;
    std::string why;
    switch (read_small_file(path_, kFileLimit, text, why)) {
    case ReadResult::missing:
        store(start_);
        return start_;
    case ReadResult::too_long:
        break;
    case ReadResult::failed:
        complain(read_complaint_, "EasyD12 simulator: " + utf8(path_) + " cannot be read (" + why +
                                      "); this program keeps its own settings meanwhile");
        return current;
    case ReadResult::ok: {
        Settings held{};
        if (parse_settings(trimmed(text), held)) {
            read_complaint_.clear();
            return held;
        }
        break;
    }
    }
    complain(read_complaint_,
             "EasyD12 simulator: " + utf8(path_) +
                 " does not hold ten comma-separated bytes; it is replaced by the start settings " +
                 trimmed(state_line(start_)));
    store(start_);
    return start_;
}

bool StateFile::store(const Settings& settings) {
    std::string why;
    if (replace_file(path_, state_line(settings), why)) {
        write_complaint_.clear();
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
