// qlm5120rx-sim-control: unplugs and plugs in, switches off and on the simulated instrument of
// a state file, for every program that uses it, while they run.
//   qlm5120rx-sim-control <state file> unplug | replug | power-off | power-on | status
//   qlm5120rx-sim-control <state file> power-cycle [<milliseconds off>]
// A power-off takes the settings back to EASYD12_SIM_STATE (or the simulator's defaults).
// Prints the instrument's state afterwards. Exit status 1 when the file cannot be used, 2 for
// a wrong command line.

#include "sim_instrument.h"
#include "state_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After windows.h.
#include <shellapi.h>
#endif

using namespace qlm::sim;
namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: qlm5120rx-sim-control <state file> unplug|replug|power-off|power-on|status\n"
    "       qlm5120rx-sim-control <state file> power-cycle [<milliseconds off, 0 to 600000; "
    "1000>]\n";
constexpr long kDefaultOff = 1000;
constexpr long kLongestOff = 600000;

// The file's name as given, in any script (Windows' argv holds the ANSI code page's version).
fs::path path_argument(char** argv) {
#ifdef _WIN32
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    const fs::path path = wide && count > 1 ? fs::path(wide[1]) : fs::path(argv[1]);
    LocalFree(wide);
    return path;
#else
    return argv[1];
#endif
}

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool parse_off_time(const std::string& text, long& ms) {
    if (text.empty() || text.size() > 6) return false;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    ms = value;
    return value <= kLongestOff;
}

std::string summary(const SharedState& state) {
    std::string text = state.present()                ? "present"
                       : state.unplugged && state.off ? "unplugged and off"
                       : state.unplugged              ? "unplugged"
                                                      : "off";
    const std::string settings = state_line(state.settings);
    text += "; settings " + settings.substr(0, settings.size() - 1);
    if (state.announce) text += "; write-announce of " + driver_text(*state.announce) + " pending";
    if (state.request) {
        text += "; read request of " + driver_text(*state.request) +
                (state.answered ? " answered" : " pending");
    }
    return text + "; violations " + std::to_string(state.violations);
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 3 ? argv[2] : "";
    std::vector<Event> events;
    long off = kDefaultOff;
    bool usage_ok = argc == 3 || (argc == 4 && command == "power-cycle");
    if (command == "unplug")
        events = {Event::unplug};
    else if (command == "replug")
        events = {Event::replug};
    else if (command == "power-off")
        events = {Event::power_off};
    else if (command == "power-on")
        events = {Event::power_on};
    else if (command == "power-cycle")
        events = {Event::power_off, Event::power_on};
    else if (command != "status")
        usage_ok = false;
    if (usage_ok && argc == 4 && !parse_off_time(argv[3], off)) {
        std::fprintf(stderr, "qlm5120rx-sim-control: '%s' is not a time off in milliseconds\n",
                     argv[3]);
        usage_ok = false;
    }
    if (!usage_ok) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    Settings power_on = kDefaultSettings;
    const char* start = std::getenv("EASYD12_SIM_STATE");
    if (start && *start && !parse_settings(start, power_on)) {
        std::fprintf(stderr, "qlm5120rx-sim-control: EASYD12_SIM_STATE '%s' is not ten bytes\n",
                     start);
        return 2;
    }

    const fs::path path = path_argument(argv);
    std::error_code error;
    if (!fs::exists(path, error)) {
        std::fprintf(stderr, "qlm5120rx-sim-control: %s does not exist yet: a fresh instrument\n",
                     utf8(path).c_str());
    }
    SharedState state;
    bool unknown = false;
    std::string why;
    for (std::size_t i = 0; i < events.size() || (i == 0 && events.empty()); ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(off));
        const auto step = [&](SharedState& held) {
            if (i < events.size()) apply_event(held, events[i], power_on);
        };
        if (!change_state(path, power_on, step, state, unknown, why)) {
            std::fprintf(stderr, "qlm5120rx-sim-control: %s %s\n", utf8(path).c_str(), why.c_str());
            return 1;
        }
        if (unknown) {
            std::fprintf(stderr,
                         "qlm5120rx-sim-control: the second line of %s is not understood; "
                         "nothing is taken as pending\n",
                         utf8(path).c_str());
        }
    }
    std::printf("%s\n", summary(state).c_str());
    return 0;
}
