#pragma once
// The operating system's loader, behind a few calls.

#include <string>

namespace qlm {

enum class LoadError {
    none,
    not_found,      // no such file anywhere searched
    not_a_library,  // a file, but not a loadable library for this platform
    load_failed,    // the loader refused it (a dependency missing, wrong bitness, ...)
    symbol_missing, // loaded, but a function is not exported
};

const char* describe(LoadError error);

class DynLib {
public:
    DynLib() = default;
    DynLib(const DynLib&) = delete;
    DynLib& operator=(const DynLib&) = delete;
    ~DynLib();

    // Loads `file_name` from `folder` (an absolute folder) if it is there, else through the
    // system's library search, which never includes the current working folder.
    bool open(const std::string& folder, const std::string& file_name);
    void* symbol(const char* name);
    // A function that the library may lack: its absence is no error.
    void* optional_symbol(const char* name);

    LoadError error() const { return error_; }
    // The loader's own words for the last failure, and the file it concerned.
    const std::string& error_detail() const { return detail_; }
    const std::string& path() const { return path_; }
    // Windows' code for the last failed load (193: wrong bitness or not a library); 0 elsewhere.
    unsigned long system_code() const { return system_code_; }

private:
    void* handle_ = nullptr;
    LoadError error_ = LoadError::none;
    std::string detail_;
    std::string path_;
    unsigned long system_code_ = 0;
};

} // namespace qlm
