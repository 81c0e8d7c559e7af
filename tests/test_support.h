#pragma once
// Small helpers that several test programs share: the environment, scratch files and a
// file size limit.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace qlm::testing {

inline void set_environment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

// A path in a folder of this test program's own, made once per run.
inline std::filesystem::path scratch_file(const std::string& name) {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("qlm-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    return folder / name;
}

// A folder of that name in the same place, made if missing.
inline std::filesystem::path scratch_folder(const std::string& name) {
    const std::filesystem::path folder = scratch_file(name);
    std::filesystem::create_directories(folder);
    return folder;
}

inline std::string file_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> lines_of(const std::filesystem::path& path) {
    std::istringstream in(file_text(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
    return lines;
}

#ifndef _WIN32
// A file size limit while it lives, as a full disk would stop a write: a write past it
// fails instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*handler_)(int);
};
#endif

} // namespace qlm::testing
