#include "link/instrument_lock.h"
#include "link/wide.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
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

namespace {

// A file on disk, not a folder, link or junction (opened as itself, never followed).
bool is_plain(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

LockFault fault_of(DWORD code) {
    switch (code) {
    case ERROR_ACCESS_DENIED:
        return LockFault::no_permission;
    case ERROR_PATH_NOT_FOUND:
        return LockFault::missing_folder;
    default:
        return LockFault::other;
    }
}

} // namespace

bool FileInstrumentLock::open_file() {
    if (handle_ != -1) return true;
    const std::wstring name = widen(path_);
    if (const DWORD attributes = GetFileAttributesW(name.c_str());
        attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return fail(LockFault::link, "the lock file " + path_ + " is a link"), false;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return fail(LockFault::folder, "the lock file " + path_ + " is a folder"), false;
    }
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                           flags, nullptr);
        DWORD code = GetLastError();
        if (file == INVALID_HANDLE_VALUE && code == ERROR_ACCESS_DENIED) {
            // Another user's file: reading is enough to lock it.
            file = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags,
                               nullptr);
            code = GetLastError();
        }
        if (file != INVALID_HANDLE_VALUE) break;
        fail(fault_of(code), windows_error("opening the lock file", code));
        // The folder of the machine's lock is made at first use, one level only.
        if (code != ERROR_PATH_NOT_FOUND || attempt > 0) return false;
        const std::wstring folder = to_path(path_).parent_path().wstring();
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    if (!is_plain(file)) {
        CloseHandle(file);
        fail(LockFault::not_regular, "the lock file " + path_ + " is not a regular file");
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
        fail(LockFault::none, {});
        return true;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
        fail(LockFault::none, {});
    else
        fail(LockFault::other, windows_error("LockFileEx", code));
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

namespace {

LockFault fault_of(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return LockFault::no_permission;
    case ENOENT:
    case ENOTDIR:
        return LockFault::missing_folder;
    case ELOOP:
        return LockFault::link;
    case EISDIR:
        return LockFault::folder;
    default:
        return LockFault::other;
    }
}

// Only a regular file, never through a symbolic link, never waiting on a FIFO; -1 otherwise
// (errno EINVAL for a file of another kind).
int open_plain(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd < 0 || (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))) return fd;
    ::close(fd);
    errno = EINVAL;
    return -1;
}

} // namespace

bool FileInstrumentLock::open_file() {
    if (handle_ >= 0) return true;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        const LockFault fault = S_ISDIR(st.st_mode)   ? LockFault::folder
                                : S_ISLNK(st.st_mode) ? LockFault::link
                                                      : LockFault::not_regular;
        fail(fault, "the lock file " + path_ + " is not a regular file");
        return false;
    }
    // Not O_CREAT on an existing file: in a sticky folder such as /tmp the kernel refuses
    // that for another user's file (protected_regular).
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = open_plain(path_, O_RDWR);
        if (fd < 0 && errno == EACCES) fd = open_plain(path_, O_RDONLY);
        if (fd >= 0) {
            handle_ = fd;
            return true;
        }
        if (errno != ENOENT) break;
        fd = open_plain(path_, O_RDWR | O_CREAT | O_EXCL);
        if (fd >= 0) {
            ::fchmod(fd, 0666); // whatever the umask, for every user's programs
            handle_ = fd;
            return true;
        }
        if (errno != EEXIST) break; // else made by another program meanwhile
    }
    const int error = errno;
    fail(error == EINVAL ? LockFault::not_regular : fault_of(error),
         "the lock file " + path_ + " cannot be opened or made: " + std::strerror(error));
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
        fail(LockFault::none, {});
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

void FileInstrumentLock::fail(LockFault fault, std::string detail) {
    fault_ = fault;
    error_ = std::move(detail);
}

std::optional<LockProblem> FileInstrumentLock::problem() const {
    if (fault_ == LockFault::none) return std::nullopt;
    return LockProblem{fault_, path_, error_};
}

// ---- the change count, beside the lock file

namespace {

// The count is written in place at a fixed width, so the file is never empty between a
// truncation and the write: a reader sees the old count or the new one.
constexpr std::size_t kCountWidth = 20;

std::string count_text(std::uint64_t count) {
    std::string digits = std::to_string(count);
    return std::string(kCountWidth - std::min(kCountWidth, digits.size()), '0') + digits + "\n";
}

constexpr std::size_t kMostBytes = 64;

#ifdef _WIN32
const DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kPlain = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

void write_changes(const std::string& path, std::uint64_t count) {
    const HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE, kShare, nullptr,
                                    OPEN_ALWAYS, kPlain, nullptr);
    if (file == INVALID_HANDLE_VALUE) return; // the others do not follow this change
    const std::string text = count_text(count);
    DWORD written = 0;
    if (is_plain(file) &&
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size())
        SetEndOfFile(file); // after the count: anything longer left there is cut
    CloseHandle(file);
}

// The file's first bytes; "" when it is missing; none when it cannot be read.
std::optional<std::string> read_plain(const std::string& path) {
    const HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, kShare, nullptr,
                                    OPEN_EXISTING, kPlain, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? std::optional<std::string>("") : std::nullopt;
    }
    std::string text(kMostBytes, '\0');
    DWORD read = 0;
    const bool ok = is_plain(file) &&
                    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    text.resize(read);
    return text;
}
#else
// Like the lock file: open to every user whatever the umask, and not O_CREAT on an existing
// file (another user's, in a sticky folder, would be refused).
void write_changes(const std::string& path, std::uint64_t count) {
    int fd = open_plain(path, O_WRONLY);
    if (fd < 0 && errno == ENOENT) {
        fd = open_plain(path, O_WRONLY | O_CREAT | O_EXCL);
        if (fd >= 0) ::fchmod(fd, 0666);
    }
    if (fd < 0) return; // the others do not follow this change; the exchange stands
    const std::string text = count_text(count);
    if (::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())) {
        // After the count: anything longer left there is cut.
        [[maybe_unused]] const int cut = ::ftruncate(fd, static_cast<off_t>(text.size()));
    }
    ::close(fd);
}

// The file's first bytes; "" when it is missing; none when it cannot be read.
std::optional<std::string> read_plain(const std::string& path) {
    const int fd = open_plain(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    std::string text(kMostBytes, '\0');
    const ssize_t read = ::pread(fd, text.data(), text.size(), 0);
    ::close(fd);
    if (read < 0) return std::nullopt;
    text.resize(static_cast<std::size_t>(read));
    return text;
}
#endif

} // namespace

std::optional<std::uint64_t> FileInstrumentLock::read_changes() const {
    const auto text = read_plain(path_ + ".changes");
    if (!text) return std::nullopt;
    if (text->empty()) return 0; // no change counted yet
    std::uint64_t count = 0;
    std::size_t digits = 0;
    for (; digits < text->size() && (*text)[digits] >= '0' && (*text)[digits] <= '9'; ++digits) {
        if (count > (UINT64_MAX - 9) / 10) return std::nullopt;
        count = count * 10 + static_cast<std::uint64_t>((*text)[digits] - '0');
    }
    if (digits == 0 || digits + 1 != text->size() || text->back() != '\n') return std::nullopt;
    return count;
}

void FileInstrumentLock::note_change() {
    // Under the lock no one else writes the count: one that cannot be read is damaged (a
    // crash while it was written) and starts again here.
    const auto count = read_changes();
    const std::uint64_t next = count.value_or(0) + 1;
    write_changes(path_ + ".changes", next);
    if (!count || seen_ == count) seen_ = next;
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
