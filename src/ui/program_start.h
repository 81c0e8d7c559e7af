#pragma once
// The window program's start: its arguments, and one window per program file and
// configuration folder unless --new-window asks for another.

#include "desktop/single_instance.h"
#include "desktop/start_arguments.h"
#include "desktop/stop_signals.h"

#include <memory>
#include <optional>
#include <string>

namespace qlm {

class MainWindow;

struct WindowStart {
    StartArguments arguments;
    std::unique_ptr<InstanceServer> server; // this window takes later starts' files
    std::optional<int> exit_status;         // set: handed over to the running window
};

// Exit status of a usage error, as qlm5120rx-cli's.
constexpr int kUsageStatus = 1;

// Before QApplication, so that no display is needed: --help and --version print their text
// (status 0), a usage error its message (kUsageStatus). None: the window starts.
std::optional<int> answer_before_window(int argc, char** argv);
std::string window_help_text();

// After QApplication and its names are set up. Problems go to standard error.
WindowStart claim_window(int argc, char** argv);

// The window takes later starts' files and comes forward for them; then opens the start's
// own file, after the window's start-up.
void attach_window(WindowStart& start, MainWindow& window);

// A stop signal ends the window as its close does, once no exchange runs (open.qini written,
// the journal's lines are each flushed as they are written); a second one ends it at once.
void end_on_stop_signals(StopSignals& stop, MainWindow& window);

} // namespace qlm
