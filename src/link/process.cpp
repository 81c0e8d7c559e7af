#include "link/process.h"
#include "link/wide.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <thread>

#ifdef _WIN32

#include <atomic>
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace qlm {

namespace {

using Clock = std::chrono::steady_clock;

long remaining_ms(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<long>(std::clamp<long long>(left, 0, INT_MAX));
}

} // namespace

#ifndef _WIN32

struct ChildProcess::Impl {
    pid_t pid = -1;
    int channel = -1; // our end of the socket that is the child's stdin and stdout
    bool exited = false;
    int status = 0;
};

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments) {
    kill();
    error_.clear();
    // A socket rather than two pipes: sending to a dead child then fails with EPIPE
    // (MSG_NOSIGNAL) instead of raising SIGPIPE in the whole program.
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        error_ = std::string("socketpair: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (failed != 0) {
        ::close(ends[0]);
        error_ = std::strerror(failed);
        return false;
    }
    *impl_ = Impl{pid, ends[0], false, 0};
    return true;
}

bool ChildProcess::running() {
    if (impl_->pid < 0 || impl_->exited) return false;
    if (::waitpid(impl_->pid, &impl_->status, WNOHANG) == 0) return true;
    impl_->exited = true;
    return false;
}

long ChildProcess::pid() const {
    return impl_->pid < 0 ? 0 : impl_->pid;
}

namespace {

// Moves all `size` bytes through the socket, or fails when `timeout` runs out.
IoResult transfer(int channel, bool writing, char* data, std::size_t size,
                  std::chrono::milliseconds timeout) {
    if (channel < 0) return IoResult::closed;
    const auto deadline = Clock::now() + timeout;
    while (size > 0) {
        pollfd wanted{channel, static_cast<short>(writing ? POLLOUT : POLLIN), 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(remaining_ms(deadline)));
        if (ready == 0) return IoResult::timed_out;
        if (ready < 0 && errno != EINTR) return IoResult::failed;
        if (ready < 0) continue;
        const ssize_t moved = writing ? ::send(channel, data, size, MSG_NOSIGNAL | MSG_DONTWAIT)
                                      : ::recv(channel, data, size, MSG_DONTWAIT);
        if (moved > 0) {
            data += moved;
            size -= static_cast<std::size_t>(moved);
            continue;
        }
        if (moved == 0 || errno == EPIPE || errno == ECONNRESET) return IoResult::closed;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return IoResult::failed;
    }
    return IoResult::ok;
}

} // namespace

IoResult ChildProcess::move_all(bool writing, char* data, std::size_t size,
                                std::chrono::milliseconds timeout) {
    return transfer(impl_->channel, writing, data, size, timeout);
}

int ChildProcess::finish(std::chrono::milliseconds grace) {
    if (impl_->pid < 0) return -1;
    ::shutdown(impl_->channel, SHUT_WR); // the child reads the end of its input
    const auto deadline = Clock::now() + grace;
    while (running() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool exited = impl_->exited && WIFEXITED(impl_->status);
    const int code = exited ? WEXITSTATUS(impl_->status) : -1;
    kill();
    return code;
}

void ChildProcess::kill() {
    if (impl_->pid > 0 && !impl_->exited) {
        ::kill(impl_->pid, SIGKILL);
        while (::waitpid(impl_->pid, &impl_->status, 0) < 0 && errno == EINTR) {
        }
    }
    if (impl_->channel >= 0) ::close(impl_->channel);
    *impl_ = Impl{};
}

#else // _WIN32

struct ChildProcess::Impl {
    HANDLE process = nullptr;
    HANDLE to_child = INVALID_HANDLE_VALUE;   // overlapped, the child's stdin
    HANDLE from_child = INVALID_HANDLE_VALUE; // overlapped, the child's stdout
    HANDLE event = nullptr;                   // completes one overlapped call at a time
    DWORD pid = 0;
    bool exited = false;
};

namespace {

void close_handle(HANDLE& handle) {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

std::string error_text(const char* what, DWORD code) {
    return std::string(what) + " failed, error " + std::to_string(code);
}

// Anonymous pipes cannot be waited on with a time-out, so each direction is a named pipe
// whose end of ours is overlapped; the child's end is an ordinary inheritable handle.
bool make_pipe(bool inbound, HANDLE& ours, HANDLE& theirs, std::string& error) {
    static std::atomic<unsigned> serial{0};
    const std::wstring name = L"\\\\.\\pipe\\qlm-easyd12-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++serial);
    const DWORD access = (inbound ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND) |
                         FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE;
    ours = CreateNamedPipeW(name.c_str(), access, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                            1, 4096, 4096, 0, nullptr);
    if (ours == INVALID_HANDLE_VALUE) {
        error = error_text("CreateNamedPipe", GetLastError());
        return false;
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    theirs = CreateFileW(name.c_str(), inbound ? GENERIC_WRITE : GENERIC_READ, 0, &inherit,
                         OPEN_EXISTING, 0, nullptr);
    if (theirs == INVALID_HANDLE_VALUE) {
        error = error_text("CreateFile on the pipe", GetLastError());
        close_handle(ours);
        return false;
    }
    return true;
}

// The child's stderr: ours if we have one, else the null device.
HANDLE inheritable_stderr() {
    HANDLE copy = INVALID_HANDLE_VALUE;
    const HANDLE own = GetStdHandle(STD_ERROR_HANDLE);
    if (own && own != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE,
                        DUPLICATE_SAME_ACCESS))
        return copy;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       OPEN_EXISTING, 0, nullptr);
}

// One argument, quoted so that the C runtime's command-line parser splits it back.
std::wstring quote(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0; // pending; doubled before a quote and at the end
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    return quoted.append(backslashes * 2, L'\\') + L"\"";
}

IoResult io_failure(DWORD code) {
    return code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA || code == ERROR_PIPE_NOT_CONNECTED
               ? IoResult::closed
               : IoResult::failed;
}

// Overlapped ReadFile or WriteFile calls until all `size` bytes moved; the pending call is
// cancelled when `timeout` runs out.
IoResult transfer(HANDLE handle, HANDLE event, bool writing, char* data, std::size_t size,
                  std::chrono::milliseconds timeout) {
    if (handle == INVALID_HANDLE_VALUE) return IoResult::closed;
    const auto deadline = Clock::now() + timeout;
    while (size > 0) {
        OVERLAPPED call{};
        call.hEvent = event;
        ResetEvent(event);
        DWORD moved = 0;
        const auto part = static_cast<DWORD>(size);
        if (!(writing ? WriteFile(handle, data, part, nullptr, &call)
                      : ReadFile(handle, data, part, nullptr, &call))) {
            const DWORD code = GetLastError();
            if (code != ERROR_IO_PENDING) return io_failure(code);
            const auto wait = static_cast<DWORD>(remaining_ms(deadline));
            if (WaitForSingleObject(event, wait) != WAIT_OBJECT_0) {
                CancelIoEx(handle, &call);
                GetOverlappedResult(handle, &call, &moved, TRUE); // the buffer is ours again
                if (moved == 0) return IoResult::timed_out;
            }
        }
        if (moved == 0 && !GetOverlappedResult(handle, &call, &moved, FALSE))
            return io_failure(GetLastError());
        data += moved;
        size -= moved;
        if (size > 0 && Clock::now() >= deadline) return IoResult::timed_out;
    }
    return IoResult::ok;
}

} // namespace

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments) {
    kill();
    error_.clear();
    HANDLE child_in = INVALID_HANDLE_VALUE;
    HANDLE child_out = INVALID_HANDLE_VALUE;
    if (!make_pipe(false, impl_->to_child, child_in, error_) ||
        !make_pipe(true, impl_->from_child, child_out, error_)) {
        close_handle(child_in);
        kill();
        return false;
    }
    HANDLE child_err = inheritable_stderr();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = child_in;
    startup.hStdOutput = child_out;
    startup.hStdError = child_err;
    const std::wstring path = widen(program);
    std::wstring command = quote(path);
    for (const auto& argument : arguments)
        command += L" " + quote(widen(argument));
    PROCESS_INFORMATION info{};
    // Handles of ours are made inheritable only for the child's ends, just above.
    const BOOL made = CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, TRUE,
                                     CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    const DWORD code = GetLastError();
    close_handle(child_in);
    close_handle(child_out);
    close_handle(child_err);
    if (!made) {
        error_ = error_text("CreateProcess", code);
        kill();
        return false;
    }
    CloseHandle(info.hThread);
    impl_->process = info.hProcess;
    impl_->pid = info.dwProcessId;
    impl_->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return true;
}

bool ChildProcess::running() {
    if (!impl_->process || impl_->exited) return false;
    if (WaitForSingleObject(impl_->process, 0) == WAIT_TIMEOUT) return true;
    impl_->exited = true;
    return false;
}

long ChildProcess::pid() const {
    return impl_->process ? static_cast<long>(impl_->pid) : 0;
}

IoResult ChildProcess::move_all(bool writing, char* data, std::size_t size,
                                std::chrono::milliseconds timeout) {
    return transfer(writing ? impl_->to_child : impl_->from_child, impl_->event, writing, data,
                    size, timeout);
}

int ChildProcess::finish(std::chrono::milliseconds grace) {
    if (!impl_->process) return -1;
    close_handle(impl_->to_child); // the child reads the end of its input
    int code = -1;
    DWORD exit_code = 0;
    if (WaitForSingleObject(impl_->process, static_cast<DWORD>(grace.count())) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(impl_->process, &exit_code)) {
        impl_->exited = true;
        code = static_cast<int>(exit_code);
    }
    kill();
    return code;
}

void ChildProcess::kill() {
    if (impl_->process) {
        if (!impl_->exited) TerminateProcess(impl_->process, 1);
        WaitForSingleObject(impl_->process, 5000);
        CloseHandle(impl_->process);
    }
    close_handle(impl_->to_child);
    close_handle(impl_->from_child);
    if (impl_->event) CloseHandle(impl_->event);
    *impl_ = Impl{};
}

#endif

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

IoResult ChildProcess::write_all(const void* data, std::size_t size,
                                 std::chrono::milliseconds timeout) {
    // Writing does not change the buffer.
    return move_all(true, const_cast<char*>(static_cast<const char*>(data)), size, timeout);
}

IoResult ChildProcess::read_exact(void* data, std::size_t size, std::chrono::milliseconds timeout) {
    return move_all(false, static_cast<char*>(data), size, timeout);
}

ChildProcess::~ChildProcess() {
    kill();
}

} // namespace qlm
