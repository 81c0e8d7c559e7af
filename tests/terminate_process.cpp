#include "terminate_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#endif

namespace qlm {

#ifdef _WIN32
bool terminate_process(long pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) return false;
    const BOOL killed =
        WaitForSingleObject(process, 0) == WAIT_TIMEOUT && TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    return killed != FALSE;
}
#else
bool terminate_process(long pid) {
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), SIGKILL) != 0) return false;
    // A child of ours is waited for without collecting it; any other process is polled.
    siginfo_t info{};
    int waited = 0;
    while ((waited = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT)) != 0 &&
           errno == EINTR) {
    }
    for (int i = 0; waited != 0 && i < 500 && ::kill(static_cast<pid_t>(pid), 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}
#endif

} // namespace qlm
