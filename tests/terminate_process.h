#pragma once
// Kills a process from a test, as a user or the system would.

namespace qlm {

// Kills the process `pid` and waits until it is gone. For a child of ours, the exit is left
// for its ChildProcess to collect. False when there is no such process, or it had ended.
bool terminate_process(long pid);

} // namespace qlm
