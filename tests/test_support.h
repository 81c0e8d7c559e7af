#pragma once
// Small helpers that several test programs share: the environment and scratch files.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

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

} // namespace qlm::testing
