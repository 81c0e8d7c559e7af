// The state file's two platform operations: a bounded read that never keeps a writer from
// renaming, and a replacement by a uniquely named temporary file renamed over the old one.
#include "state_file.h"

#include <atomic>

#ifdef _WIN32
#include <chrono>
#include <thread>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
// a lock on a file beside it ("<name>.lock", left in place). Without it (a folder that cannot
// take one) they retry for a while instead.
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
    const TurnLock turn(path, false);
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

bool replace_file(const fs::path& named, const std::string& text, std::string& why) {
    const fs::path path = resolve_links(named);
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
    const TurnLock turn(path, true);
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

#else

ReadResult read_small_file(const fs::path& path, std::size_t limit, std::string& text,
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

bool replace_file(const fs::path& named, const std::string& text, std::string& why) {
    const fs::path path = resolve_links(named);
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

#endif

} // namespace qlm::sim
