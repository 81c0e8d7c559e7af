#include "link/dynlib.h"

#include "link/paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qlm {

const char* describe(LoadError error) {
    switch (error) {
    case LoadError::none:
        return "loaded";
    case LoadError::not_found:
        return "file not found";
    case LoadError::not_a_library:
        return "not a library";
    case LoadError::load_failed:
        return "load failed";
    case LoadError::symbol_missing:
        return "function missing";
    }
    return "unknown";
}

void* DynLib::symbol(const char* name) {
    void* address = optional_symbol(name);
    if (handle_ && !address) {
        error_ = LoadError::symbol_missing;
        detail_ = std::string("no function ") + name;
    }
    return address;
}

} // namespace qlm

#ifndef _WIN32

#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qlm {

namespace {

// Libraries start with "\x7fELF".
bool looks_like_library(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char magic[4] = {};
    const std::size_t got = std::fread(magic, 1, sizeof magic, file);
    std::fclose(file);
    return got == 4 && std::memcmp(magic,
                                   "\x7f"
                                   "ELF",
                                   4) == 0;
}

// What to hand dlopen for a library of the system's: the bare name, so the loader searches
// as usual, unless an empty or relative LD_LIBRARY_PATH entry (which the loader takes from
// the working folder) would find the file. Then only the absolute entries and the system
// folders are tried, by full path. Empty when the file is nowhere else.
std::string system_search_name(const std::string& file_name) {
    const char* variable = std::getenv("LD_LIBRARY_PATH");
    if (!variable) return file_name;
    const std::string entries = variable;
    std::vector<std::string> folders;
    bool via_working_folder = false;
    for (std::size_t start = 0;;) {
        const std::size_t end = entries.find_first_of(":;", start);
        const std::string entry = entries.substr(start, end - start);
        if (!entry.empty() && entry.front() == '/')
            folders.push_back(entry);
        else if (file_exists(join_path(entry.empty() ? "." : entry, file_name)))
            via_working_folder = true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (!via_working_folder) return file_name;
    // The C library's own folder is a system folder (with its multiarch name). A function
    // that no sanitizer intercepts, so the address is really the C library's.
    Dl_info libc{};
    if (dladdr(reinterpret_cast<void*>(&gnu_get_libc_version), &libc) && libc.dli_fname) {
        const std::string path = libc.dli_fname;
        const auto slash = path.find_last_of('/');
        if (path.front() == '/' && path.compare(slash + 1, 5, "libc.") == 0)
            folders.push_back(path.substr(0, slash));
    }
    for (const char* system : {"/usr/local/lib", "/lib64", "/usr/lib64", "/lib", "/usr/lib"})
        folders.emplace_back(system);
    for (const std::string& folder : folders) {
        const std::string path = join_path(folder, file_name);
        if (file_exists(path)) return path;
    }
    return {};
}
} // namespace

DynLib::~DynLib() {
    if (handle_) dlclose(handle_);
}

bool DynLib::open(const std::string& folder, const std::string& file_name) {
    // A relative folder would be looked up from the working folder.
    const bool usable_folder = !folder.empty() && folder.front() == '/';
    const std::string local = usable_folder ? join_path(folder, file_name) : std::string();
    const bool in_folder = !local.empty() && file_exists(local);
    path_ = in_folder ? local : file_name;
    system_code_ = 0;
    // A bare name goes through the loader's own search (LD_LIBRARY_PATH, the cache, the
    // system folders), unless that search would reach into the working folder.
    if (!in_folder) {
        path_ = file_name.find('/') == std::string::npos ? system_search_name(file_name)
                                                         : std::string();
        if (path_.empty()) {
            path_ = file_name;
            error_ = LoadError::not_found;
            detail_ = "not in the program's folder or the system's library folders";
            return false;
        }
    }
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        detail_ = why ? why : "unknown loader error";
        error_ = !in_folder && detail_.find("No such file") != std::string::npos
                     ? LoadError::not_found
                 : in_folder && !looks_like_library(path_) ? LoadError::not_a_library
                                                           : LoadError::load_failed;
        return false;
    }
    error_ = LoadError::none;
    detail_.clear();
    return true;
}

void* DynLib::optional_symbol(const char* name) {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

} // namespace qlm

#else // _WIN32

#include "link/wide.h"

#include <windows.h>

namespace qlm {

namespace {

// Libraries start with "MZ".
bool looks_like_library(const std::string& path) {
    std::FILE* file = _wfopen(widen(path).c_str(), L"rb"); // fopen takes the ANSI code page
    if (!file) return false;
    unsigned char magic[2] = {};
    const std::size_t got = std::fread(magic, 1, sizeof magic, file);
    std::fclose(file);
    return got == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

std::string last_error_text(DWORD code) {
    wchar_t buffer[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   buffer, sizeof buffer / sizeof buffer[0], nullptr);
    std::string text = narrow(buffer); // the system's words in UTF-8, as every other text
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}
} // namespace

DynLib::~DynLib() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

bool DynLib::open(const std::string& folder, const std::string& file_name) {
    const std::string local = folder.empty() ? std::string() : join_path(folder, file_name);
    const bool in_folder = !local.empty() && file_exists(local);
    path_ = in_folder ? local : file_name;
    system_code_ = 0;
    // Application folder, System32 and the user-added folders: never the working folder.
    const DWORD flags = in_folder
                            ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
                            : LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
    handle_ = LoadLibraryExW(widen(path_).c_str(), nullptr, flags);
    if (!handle_) {
        system_code_ = GetLastError();
        detail_ = last_error_text(system_code_);
        const bool missing =
            system_code_ == ERROR_MOD_NOT_FOUND || system_code_ == ERROR_FILE_NOT_FOUND;
        // The file found by the system search is not known, so only a file in the folder
        // is looked at.
        error_ = (missing && !in_folder)                   ? LoadError::not_found
                 : in_folder && !looks_like_library(path_) ? LoadError::not_a_library
                                                           : LoadError::load_failed;
        return false;
    }
    error_ = LoadError::none;
    detail_.clear();
    return true;
}

void* DynLib::optional_symbol(const char* name) {
    if (!handle_) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

} // namespace qlm

#endif // _WIN32
