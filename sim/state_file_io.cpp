// The state file's platform operations: a bounded read that never keeps a writer from
// renaming, a replacement by a uniquely named temporary file renamed over the old one, the
// simulator's lock on the file, and whether the process of a driver still runs.
#include "state_file.h"

#include <atomic>
#include <cstdlib>
#include <optional>

#ifdef _WIN32
#include <chrono>
#include <thread>
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qlm::sim {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> temp_counter{0};

#ifdef _WIN32
// Another process's rename or read can hold the name for a moment; a folder never lets go.
bool transient(DWORD error, const fs::path& path) {
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string windows_error(DWORD error) {
    return "Windows error " + std::to_string(error);
}

// How long to retry while another process holds the name.
bool retry_until(std::chrono::steady_clock::time_point deadline) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

constexpr std::chrono::milliseconds kRetryTime{200};

// Windows does not rename over a file that is open, so readers and the rename take turns by
// a lock on a file beside it ("<name>.lock", left in place: the simulator's own StateLock).
// Without it (a folder that cannot take one) they retry for a while instead.
class TurnLock {
public:
    TurnLock(const fs::path& path, bool exclusive) {
        fs::path name = path;
        name += ".lock";
        handle_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) return;
        OVERLAPPED at{};
        if (!LockFileEx(handle_, exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, 1, 0, &at)) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }
    TurnLock(const TurnLock&) = delete;
    TurnLock& operator=(const TurnLock&) = delete;
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    ~TurnLock() {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        OVERLAPPED at{};
        UnlockFileEx(handle_, 0, 1, 0, &at);
        CloseHandle(handle_);
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
#endif

} // namespace

#ifdef _WIN32

ReadResult read_small_file(const fs::path& path, std::size_t limit, std::string& text,
                           std::string& why) {
    const TurnLock turn(resolve_links(path), false);
    return read_small_file_locked(path, limit, text, why);
}

ReadResult read_small_file_locked(const fs::path& path, std::size_t limit, std::string& text,
                                  std::string& why) {
    const auto deadline = std::chrono::steady_clock::now() + kRetryTime;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (;;) {
        file = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) break;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return ReadResult::missing;
        why = windows_error(error);
        if (!transient(error, path) || !retry_until(deadline)) return ReadResult::failed;
    }
    std::string buffer(limit + 1, '\0');
    DWORD got = 0;
    const BOOL read =
        ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!read) {
        why = windows_error(error);
        return ReadResult::failed;
    }
    if (got > limit) return ReadResult::too_long;
    text.assign(buffer.data(), got);
    return ReadResult::ok;
}

namespace {

bool replace_file_turn(const fs::path& path, const std::string& text, std::string& why,
                       bool take_turn) {
    HANDLE file = INVALID_HANDLE_VALUE;
    fs::path temp;
    for (int attempt = 0; attempt < 10 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = path;
        temp += "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(temp_counter++) +
                ".tmp";
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        why = "no temporary file can be made beside it (" + windows_error(GetLastError()) + ")";
        return false;
    }
    DWORD written = 0;
    const BOOL wrote =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    const DWORD write_error = GetLastError();
    CloseHandle(file);
    if (!wrote || written != text.size()) {
        why = "the temporary file cannot be written (" + windows_error(write_error) + ")";
        DeleteFileW(temp.c_str());
        return false;
    }
    std::optional<TurnLock> turn;
    if (take_turn) turn.emplace(path, true);
    const auto deadline = std::chrono::steady_clock::now() + kRetryTime;
    for (;;) {
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        const DWORD error = GetLastError();
        why = "renaming the temporary file over it failed (" + windows_error(error) + ")";
        if (!transient(error, path) || !retry_until(deadline)) break;
    }
    DeleteFileW(temp.c_str());
    return false;
}

} // namespace

bool replace_file(const fs::path& path, const std::string& text, std::string& why) {
    return replace_file_turn(resolve_links(path), text, why, true);
}

bool replace_file_locked(const fs::path& path, const std::string& text, std::string& why) {
    return replace_file_turn(path, text, why, false);
}

StateLock::StateLock(const fs::path& file) {
    TurnLock turn(file, true);
    handle_ = reinterpret_cast<std::intptr_t>(turn.release());
}

StateLock::~StateLock() {
    const HANDLE handle = reinterpret_cast<HANDLE>(handle_);
    if (handle == INVALID_HANDLE_VALUE) return;
    OVERLAPPED at{};
    UnlockFileEx(handle, 0, 1, 0, &at);
    CloseHandle(handle);
}

bool StateLock::held() const {
    return reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE;
}

long long current_process_id() {
    return static_cast<long long>(GetCurrentProcessId());
}

namespace {

unsigned long long creation_time(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

} // namespace

unsigned long long process_start_time(long long pid) {
    if (pid == current_process_id()) return creation_time(GetCurrentProcess());
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return 0;
    const unsigned long long started = creation_time(process);
    CloseHandle(process);
    return started;
}

bool process_running(long long pid, unsigned long long started) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER; // denied: it runs
    DWORD code = 0;
    const bool active = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    const unsigned long long created = creation_time(process);
    CloseHandle(process);
    return active && (started == 0 || created == 0 || created == started);
}

#else

ReadResult read_small_file(const fs::path& path, std::size_t limit, std::string& text,
                           std::string& why) {
    return read_small_file_locked(path, limit, text, why);
}

ReadResult read_small_file_locked(const fs::path& path, std::size_t limit, std::string& text,
                                  std::string& why) {
    // Without waiting for a writer, should the name be a FIFO.
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0) {
        if (errno == ENOENT) return ReadResult::missing;
        why = std::strerror(errno);
        return ReadResult::failed;
    }
    struct stat status {};
    if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        why = "not a regular file";
        ::close(file);
        return ReadResult::failed;
    }
    std::string buffer(limit + 1, '\0');
    std::size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::read(file, buffer.data() + got, buffer.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            ::close(file);
            return ReadResult::failed;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(file);
    if (got > limit) return ReadResult::too_long;
    text.assign(buffer.data(), got);
    return ReadResult::ok;
}

bool replace_file(const fs::path& path, const std::string& text, std::string& why) {
    return replace_file_locked(resolve_links(path), text, why);
}

bool replace_file_locked(const fs::path& path, const std::string& text, std::string& why) {
    int file = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 10 && file < 0; ++attempt) {
        temp = path;
        temp += "." + std::to_string(::getpid()) + "-" + std::to_string(temp_counter++) + ".tmp";
        file = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file < 0 && errno != EEXIST) break;
    }
    if (file < 0) {
        why = std::string("no temporary file can be made beside it (") + std::strerror(errno) + ")";
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(file, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const int write_error = errno;
    if (::close(file) != 0 || done != text.size()) {
        why = std::string("the temporary file cannot be written (") + std::strerror(write_error) +
              ")";
        ::unlink(temp.c_str());
        return false;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        why = "it is not a regular file";
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) == 0) return true;
    why = std::string("renaming the temporary file over it failed (") + std::strerror(errno) + ")";
    ::unlink(temp.c_str());
    return false;
}

StateLock::StateLock(const fs::path& file) {
    fs::path name = file;
    name += ".lock";
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC); // another user's
    while (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        ::close(fd);
        fd = -1;
    }
    handle_ = fd;
}

StateLock::~StateLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_)); // and with it the lock
}

bool StateLock::held() const {
    return handle_ >= 0;
}

long long current_process_id() {
    return static_cast<long long>(::getpid());
}

namespace {

// The state letter and the start time (clock ticks after boot) of /proc/<pid>/stat.
bool process_status(long long pid, char& state, unsigned long long& started) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    const auto name_end = line.rfind(')'); // the name may hold spaces and parentheses
    if (name_end == std::string::npos) return false;
    std::istringstream fields(line.substr(name_end + 1));
    std::string field;
    for (int number = 3; fields >> field; ++number) {
        if (number == 3) state = field.empty() ? '?' : field[0];
        if (number == 22) return (started = std::strtoull(field.c_str(), nullptr, 10)), true;
    }
    return false;
}

} // namespace

unsigned long long process_start_time(long long pid) {
    char state = '?';
    unsigned long long started = 0;
    return process_status(pid, state, started) ? started : 0;
}

bool process_running(long long pid, unsigned long long started) {
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)) return false;
    char state = '?';
    unsigned long long now_started = 0;
    if (!process_status(pid, state, now_started)) return true; // no /proc: it runs
    if (state == 'Z' || state == 'X') return false;            // ended, not yet collected
    return started == 0 || now_started == started;
}

#endif

} // namespace qlm::sim
