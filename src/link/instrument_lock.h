#pragma once
// The lock that keeps one program's exchange with the instrument (an announce and its data
// frame, a request and its reads) from interleaving with another program's: the instrument
// has one USB pipe and takes each frame for whoever's exchange it expects. Taken without
// waiting; the caller polls, with its own waits, for a bounded time.

#include <cstdint>
#include <optional>
#include <string>

namespace qlm {

// Why a lock file cannot be used at all (rather than being held by another program).
enum class LockFault { none, folder, not_regular, link, no_permission, missing_folder, other };
struct LockProblem {
    LockFault fault = LockFault::none;
    std::string path;   // the lock file, UTF-8
    std::string detail; // the system's words, for logs
};

class InstrumentLock {
public:
    virtual ~InstrumentLock();
    // True when this object holds the lock now (also when it held it already).
    virtual bool try_acquire() = 0;
    virtual void release() = 0;

    // The changes every program applies to the instrument are counted beside the lock.
    // note_change counts one of this program's (while it holds the lock); changed_elsewhere
    // is true when another program's change came since the last take_changes.
    virtual void note_change() {}
    virtual bool changed_elsewhere() { return false; }
    virtual void take_changes() {}
    // Set after a try that failed because the lock cannot be used; none while it can.
    virtual std::optional<LockProblem> problem() const { return std::nullopt; }
};

// The operating system's lock on a file: flock on POSIX, LockFileEx on Windows. A program that
// ends, however it ends, lets go of it. Two objects exclude each other even in one process.
// The file is opened at the first try (made, for every user to read and write, when it is
// not there) and stays open for the object's life; release keeps it open. Only a regular
// file is used, never through a symbolic link, and a FIFO or device is never waited on; the
// change count beside it likewise.
class FileInstrumentLock : public InstrumentLock {
public:
    explicit FileInstrumentLock(std::string path);
    FileInstrumentLock(const FileInstrumentLock&) = delete;
    FileInstrumentLock& operator=(const FileInstrumentLock&) = delete;
    ~FileInstrumentLock() override;

    bool try_acquire() override;
    void release() override;
    void note_change() override;
    bool changed_elsewhere() override;
    void take_changes() override;
    std::optional<LockProblem> problem() const override;

    bool held() const { return held_; }
    const std::string& path() const { return path_; }
    // Why the last try failed when it was not another holder (the file cannot be made or
    // opened, the system refused the lock); empty after a try that succeeded or found the
    // lock held elsewhere.
    std::string error() const { return error_; }

private:
    bool open_file();
    void fail(LockFault fault, std::string detail);
    // "<lock file>.changes": one decimal number; none when it cannot be read whole.
    std::optional<std::uint64_t> read_changes() const;

    std::string path_;
    std::optional<std::uint64_t> seen_; // the count this program has taken in
    std::intptr_t handle_;              // the file descriptor or HANDLE; -1 while not open
    bool held_ = false;
    std::string error_;
    LockFault fault_ = LockFault::none;
};

// The lock file for the driver in use (UTF-8):
//   std::nullopt   the instrument's own driver: one per machine, for every user;
//   ""             the simulator without a state file: every program has an instrument of
//                  its own, no lock is needed (empty);
//   a state file   the simulator over that file: "<file>.exchange.lock" beside the file it
//                  names (relative names and links resolved), so that programs on one
//                  simulated instrument share the lock and others never wait for them.
std::string instrument_lock_path(const std::optional<std::string>& sim_state_file);

} // namespace qlm
