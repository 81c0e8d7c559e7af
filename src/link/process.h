#pragma once
// A child process whose stdin and stdout are connected to us, with bounded reads and writes.
// All platform code for processes lives in process.cpp. Its stderr is ours.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qlm {

enum class IoResult {
    ok,
    closed,    // the other end is gone (the child exited or was killed)
    timed_out, // nothing (or not everything) moved in time
    failed,    // the system call failed for another reason
};

class ChildProcess {
public:
    ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess(); // kills the child if it still runs

    // Starts `program` (a full path) with `arguments`. False, with error(), when it cannot.
    bool start(const std::string& program, const std::vector<std::string>& arguments);

    // True while the child runs. Notices a child that exited or was killed meanwhile.
    bool running();
    long pid() const;

    IoResult write_all(const void* data, std::size_t size, std::chrono::milliseconds timeout);
    IoResult read_exact(void* data, std::size_t size, std::chrono::milliseconds timeout);

    // Closes the child's stdin and gives it `grace` to exit, then kills it. Returns its exit
    // code, or -1 when it had to be killed or was not running.
    int finish(std::chrono::milliseconds grace);
    // Kills the child at once and waits for it to go.
    void kill();

    // Why the last start failed.
    const std::string& error() const { return error_; }

private:
    IoResult move_all(bool writing, char* data, std::size_t size,
                      std::chrono::milliseconds timeout);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
};

} // namespace qlm
