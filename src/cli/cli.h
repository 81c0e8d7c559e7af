#pragma once
// qlm5120rx-cli: the instrument from a script. The same front panel as the window, driven by
// command-line arguments: get, set, upload, export, compare.

#include "cli/console_view.h"
#include "files/setup_files.h"
#include "link/instrument_lock.h"
#include "link/usb_driver.h"
#include "params/param_set.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qlm::cli {

enum ExitStatus : int {
    kDone = 0,
    kUsage = 1,
    kRefused = 2,      // nothing was sent
    kUnreachable = 3,  // the instrument did not answer or take a frame
    kDiffers = 4,      // compare found differences
    kFileError = 5,    // a settings file could not be read or written
    kPartly = 6,       // part of what was asked was sent (listed), the rest refused
    kOutputLost = 7,   // done, but standard output could not be written
    kCannotListen = 8, // serve: the address or port could not be listened on
    kJournalLost = 9,  // done, but its record could not be written to the journal
};

using Clock = std::chrono::steady_clock;

struct Context {
    // The instrument's driver, asked for only by commands that reach the instrument.
    std::function<UsbDriver&()> instrument;
    // The .qini files: the window's reader and writer in the program.
    SettingsStore& files;
    std::ostream& out;
    std::ostream& err;
    Sleep sleep;
    std::function<Clock::time_point()> now;
    // The exchange lock shared with other programs on that instrument; none in tests.
    std::function<InstrumentLock*()> lock = [] { return nullptr; };
    // serve: the remote server, where the program has one (it needs an event loop).
    std::function<int(const std::vector<std::string>& args)> serve = nullptr;
    // Commands the program adds over Qt (journal, sheet), by name.
    std::map<std::string, std::function<int(const std::vector<std::string>&, Context&)>>
        more_commands{};
};

// One run; `args` without the program name. Returns the exit status.
int run(const std::vector<std::string>& args, Context& context);

std::string help_text();

} // namespace qlm::cli
