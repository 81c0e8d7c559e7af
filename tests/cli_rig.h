#pragma once
// The command line's logic over the in-process simulator: a run is a call with arguments,
// settings files in memory (or the real ones), and a clock that only moves when it sleeps.

#include "cli/cli.h"
#include "sim_cases.h"
#include "sim_instrument.h"

#include <map>
#include <sstream>

namespace qlm::testing {

struct MemoryFiles : SettingsStore {
    std::map<std::string, SettingsTexts> files;
    std::string save_problem; // what every save answers when set
    FileRead load(const std::string& path) override {
        const auto found = files.find(path);
        if (found == files.end()) return {std::nullopt, "无法打开文件"};
        return {found->second, {}};
    }
    std::string save(const std::string& path, const SettingsTexts& texts) override {
        if (save_problem.empty()) files[path] = texts;
        return save_problem;
    }
};

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

struct CliRig {
    explicit CliRig(sim::Settings settings = sim::kDefaultSettings) : instrument(settings) {
        instrument.on_call = [this](const sim::Call&) { call_times.push_back(now); };
    }

    sim::SimInstrument instrument;
    UsbDriver* driver = &instrument; // another instrument, such as a window's
    MemoryFiles memory;
    SettingsStore* files = &memory;
    cli::Clock::time_point now{};
    std::vector<std::chrono::microseconds> sleeps;
    std::vector<cli::Clock::time_point> call_times; // of each instrument call

    CliResult run(std::vector<std::string> args) {
        std::ostringstream out, err;
        cli::Context context{[this]() -> UsbDriver& { return *driver; },
                             *files,
                             out,
                             err,
                             [this](std::chrono::microseconds time) {
                                 sleeps.push_back(time);
                                 now += time;
                             },
                             [this] { return now; }};
        const int status = cli::run(args, context);
        return {status, out.str(), err.str()};
    }

    // Frames written since call `from` whose type byte is `type`.
    int writes_of(FrameType type, std::size_t from = 0) const {
        int count = 0;
        const auto& calls = instrument.calls();
        for (std::size_t i = from; i < calls.size(); ++i)
            count += calls[i].direction == 'W' && calls[i].frame[kTypeByte] == std::uint8_t(type);
        return count;
    }
};

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace qlm::testing
