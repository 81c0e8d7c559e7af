#pragma once
// The window program's start: its arguments, and one window per program file and
// configuration folder unless --new-window asks for another.

#include "desktop/single_instance.h"
#include "desktop/start_arguments.h"

#include <memory>
#include <optional>

namespace qlm {

class MainWindow;

struct WindowStart {
    StartArguments arguments;
    std::unique_ptr<InstanceServer> server; // this window takes later starts' files
    std::optional<int> exit_status;         // set: handed over to the running window
};

// After QApplication and its names are set up. Problems go to standard error.
WindowStart claim_window(int argc, char** argv);

// The window takes later starts' files and comes forward for them; then opens the start's
// own file, after the window's start-up.
void attach_window(WindowStart& start, MainWindow& window);

} // namespace qlm
