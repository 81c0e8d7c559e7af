#pragma once
// qlm5120rx-cli: the instrument from a script. The same front panel as the window, driven by
// command-line arguments: get, set, upload, export, compare.

#include "cli/console_view.h"
#include "link/usb_driver.h"
#include "params/param_set.h"

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qlm::cli {

enum ExitStatus : int {
    kDone = 0,
    kUsage = 1,
    kRefused = 2,     // nothing was sent
    kUnreachable = 3, // the instrument did not answer or take a frame
    kDiffers = 4,     // compare found differences
    kFileError = 5,   // a settings file could not be read or written
};

struct FileRead {
    std::optional<SettingsTexts> texts;
    std::string error; // the reason, as the window gives it
};

// The .qini files, behind a seam: the program uses the window's reader and writer.
class SettingsFiles {
public:
    virtual ~SettingsFiles() = default;
    virtual FileRead load(const std::string& path) = 0;
    // Empty on success, else the reason.
    virtual std::string save(const std::string& path, const SettingsTexts& texts) = 0;
};

using Clock = std::chrono::steady_clock;

struct Context {
    // The instrument's driver, asked for only by commands that reach the instrument.
    std::function<UsbDriver&()> instrument;
    SettingsFiles& files;
    std::ostream& out;
    std::ostream& err;
    Sleep sleep;
    std::function<Clock::time_point()> now;
};

// One run; `args` without the program name. Returns the exit status.
int run(const std::vector<std::string>& args, Context& context);

std::string help_text();

} // namespace qlm::cli
