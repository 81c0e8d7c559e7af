#include "link/instrument_lock.h"
#include "link/wide.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32

#include <cstdlib>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qlm {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
fs::path to_path(const std::string& text) {
    return fs::path(widen(text));
}
std::string from_path(const fs::path& path) {
    return narrow(path.wstring());
}
#else
fs::path to_path(const std::string& text) {
    return fs::path(text);
}
std::string from_path(const fs::path& path) {
    return path.string();
}
#endif

// Every user's programs must find the same file. /run/lock is the system's folder for lock
// files (emptied at boot, out of reach of a program's private /tmp), where it is open to all.
std::string machine_lock_path() {
#ifdef _WIN32
    // Per machine, where every user may make files (the temporary folder is per user).
    const wchar_t* data = _wgetenv(L"ProgramData");
    const std::wstring folder = data && *data ? data : L"C:\\ProgramData";
    return narrow(folder) + "\\qlm5120rx\\instrument.lock";
#else
    struct stat folder {};
    if (::stat("/run/lock", &folder) == 0 && S_ISDIR(folder.st_mode) &&
        (folder.st_mode & S_IWOTH) && (folder.st_mode & S_ISVTX))
        return "/run/lock/qlm5120rx-instrument.lock";
    return "/tmp/qlm5120rx-instrument.lock";
#endif
}

} // namespace

InstrumentLock::~InstrumentLock() = default;

std::string instrument_lock_path(const std::optional<std::string>& sim_state_file) {
    if (!sim_state_file) return machine_lock_path();
    if (sim_state_file->empty()) return {};
    std::error_code error;
    fs::path file = fs::absolute(to_path(*sim_state_file), error);
    if (error) file = to_path(*sim_state_file);
    const fs::path resolved = fs::weakly_canonical(file, error); // links followed
    if (!error) file = resolved;
    file += ".exchange.lock";
    return from_path(file);
}

FileInstrumentLock::FileInstrumentLock(std::string path) : path_(std::move(path)), handle_(-1) {}

#ifdef _WIN32

namespace {

std::string windows_error(const char* what, DWORD code) {
    return std::string(what) + " failed, Windows error " + std::to_string(code);
}

HANDLE handle_of(std::intptr_t handle) {
    return handle == -1 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(handle);
}

} // namespace

FileInstrumentLock::~FileInstrumentLock() {
    release();
    if (handle_ != -1) CloseHandle(handle_of(handle_));
}

bool FileInstrumentLock::open_file() {
    if (handle_ != -1) return true;
    const std::wstring name = widen(path_);
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD code = GetLastError();
        if (file == INVALID_HANDLE_VALUE && code == ERROR_ACCESS_DENIED) {
            // Another user's file: reading is enough to lock it.
            file = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            code = GetLastError();
        }
        if (file != INVALID_HANDLE_VALUE) break;
        error_ = windows_error("opening the lock file", code);
        // The folder of the machine's lock is made at first use, one level only.
        if (code != ERROR_PATH_NOT_FOUND || attempt > 0) return false;
        const std::wstring folder = to_path(path_).parent_path().wstring();
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

bool FileInstrumentLock::try_acquire() {
    if (held_) return true;
    if (!open_file()) return false;
    OVERLAPPED at{};
    if (LockFileEx(handle_of(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &at)) {
        held_ = true;
        error_.clear();
        return true;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
        error_.clear();
    else
        error_ = windows_error("LockFileEx", code);
    return false;
}

void FileInstrumentLock::release() {
    if (!held_) return;
    OVERLAPPED at{};
    UnlockFileEx(handle_of(handle_), 0, 1, 0, &at);
    held_ = false;
}

#else

FileInstrumentLock::~FileInstrumentLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_)); // and with it the lock
}

bool FileInstrumentLock::open_file() {
    if (handle_ >= 0) return true;
    // Not O_CREAT on an existing file: in a sticky folder such as /tmp the kernel refuses
    // that for another user's file (protected_regular).
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            handle_ = fd;
            return true;
        }
        if (errno != ENOENT) break;
        fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::fchmod(fd, 0666); // whatever the umask, for every user's programs
            handle_ = fd;
            return true;
        }
        if (errno != EEXIST) break; // else made by another program meanwhile
    }
    error_ = "the lock file " + path_ + " cannot be opened or made: " + std::strerror(errno);
    return false;
}

bool FileInstrumentLock::try_acquire() {
    if (held_) return true;
    if (!open_file()) return false;
    int result = 0;
    while ((result = ::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB)) != 0 &&
           errno == EINTR) {
    }
    if (result == 0) {
        held_ = true;
        error_.clear();
        return true;
    }
    if (errno == EWOULDBLOCK)
        error_.clear();
    else
        error_ = std::string("flock on ") + path_ + ": " + std::strerror(errno);
    return false;
}

void FileInstrumentLock::release() {
    if (!held_) return;
    ::flock(static_cast<int>(handle_), LOCK_UN);
    held_ = false;
}

#endif

// ---- the change count, beside the lock file

namespace {

#ifdef _WIN32
void write_changes(const std::string& path, std::uint64_t count) {
    std::ofstream out(to_path(path), std::ios::binary | std::ios::trunc);
    out << count << "\n";
}
#else
// Like the lock file: open to every user whatever the umask, and not O_CREAT on an existing
// file (another user's, in a sticky folder, would be refused).
void write_changes(const std::string& path, std::uint64_t count) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) ::fchmod(fd, 0666);
    }
    if (fd < 0) return; // the others do not follow this change; the exchange stands
    const std::string text = std::to_string(count) + "\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}
#endif

} // namespace

std::optional<std::uint64_t> FileInstrumentLock::read_changes() const {
    std::ifstream in(to_path(path_ + ".changes"), std::ios::binary);
    if (!in) return 0; // no change counted yet
    std::uint64_t count = 0;
    std::string rest;
    if (!(in >> count) || !std::getline(in, rest) || !rest.empty()) return std::nullopt;
    return count;
}

void FileInstrumentLock::note_change() {
    const auto count = read_changes();
    if (!count) return;
    write_changes(path_ + ".changes", *count + 1);
    if (seen_ == count) seen_ = *count + 1;
}

bool FileInstrumentLock::changed_elsewhere() {
    const auto count = read_changes();
    if (!count) return false; // being written: the next look sees it
    if (!seen_) seen_ = count;
    return *count != *seen_;
}

void FileInstrumentLock::take_changes() {
    if (const auto count = read_changes()) seen_ = count;
}

} // namespace qlm
