// The simulated instrument as a drop-in EasyD12 library, configured by the environment:
//   EASYD12_SIM_STATE       ten comma-separated settings bytes at start
//   EASYD12_SIM_STATE_FILE  file that holds the settings for every process that names it
//   EASYD12_SIM_FAULT       comma-separated: absent, data, request, answer
//   EASYD12_SIM_TRACE       file that gets one line per call, flushed at once
//   EASYD12_SIM_APPLIED     file that gets one line per applied data frame, in the order of
//                           the changes of all programs on the state file
// Beside the library's two calls it exports EasyD12SimulatorInfo, which says what it is.

#include "link/easyd12_api.h"
#include "sim_instrument.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Absolute, so that a later change of the working folder does not move it.
std::filesystem::path find_state_file() {
#ifdef _WIN32
    const wchar_t* value = _wgetenv(L"EASYD12_SIM_STATE_FILE");
#else
    const char* value = std::getenv("EASYD12_SIM_STATE_FILE");
#endif
    if (!value || !*value) return {};
    std::error_code ignored;
    const std::filesystem::path path(value);
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute;
}

const std::filesystem::path& state_file_path() {
    static const std::filesystem::path path = find_state_file();
    return path;
}

qlm::sim::SimInstrument& instrument() {
    static std::unique_ptr<qlm::sim::SimInstrument> sim = [] {
        auto made = std::make_unique<qlm::sim::SimInstrument>();
        const std::string state = environment("EASYD12_SIM_STATE");
        qlm::sim::Settings settings = qlm::sim::kDefaultSettings;
        if (!state.empty() && !qlm::sim::parse_settings(state, settings)) {
            std::fprintf(stderr,
                         "EasyD12 simulator: EASYD12_SIM_STATE '%s' is not ten bytes; "
                         "using the default settings\n",
                         state.c_str());
        }
        made->set_settings(settings);
        const std::filesystem::path& shared = state_file_path();
        if (!shared.empty())
            made->keep_settings_in(std::make_unique<qlm::sim::StateFile>(shared, settings));
        const std::string faults = environment("EASYD12_SIM_FAULT");
        if (!qlm::sim::parse_faults(faults, made->faults)) {
            std::fprintf(stderr,
                         "EasyD12 simulator: EASYD12_SIM_FAULT '%s' names an unknown "
                         "fault (absent, data, request, answer)\n",
                         faults.c_str());
        }
        const std::string trace = environment("EASYD12_SIM_TRACE");
        if (!trace.empty()) {
            made->on_call = [trace](const qlm::sim::Call& call) {
                if (std::FILE* file = std::fopen(trace.c_str(), "ab")) {
                    std::fprintf(file, "%s\n", qlm::sim::trace_line(call).c_str());
                    std::fclose(file);
                }
            };
        }
        const std::string applied = environment("EASYD12_SIM_APPLIED");
        if (!applied.empty()) {
            qlm::sim::SimInstrument* self = made.get();
            made->on_apply = [applied, self](const std::array<std::uint8_t, 3>& change) {
                if (std::FILE* file = std::fopen(applied.c_str(), "ab")) {
                    std::fprintf(file, "%s\n", qlm::sim::applied_line(change, self->id()).c_str());
                    std::fclose(file);
                }
            };
        }
        return made;
    }();
    return *sim;
}

} // namespace

extern "C" {

EASYD12_EXPORT std::int16_t EASYD12_CALL WritePort1(std::uint8_t* buffer, std::int32_t length) {
    return instrument().write_port(buffer, length);
}

EASYD12_EXPORT std::int16_t EASYD12_CALL ReadPort1(std::uint8_t* buffer, std::int32_t length) {
    return instrument().read_port(buffer, length);
}

// Not in the real library: "EasyD12 simulator", and where its settings are kept.
EASYD12_EXPORT std::int32_t EASYD12_CALL EasyD12SimulatorInfo(char* buffer, std::int32_t size) {
    std::string text = qlm::kSimulatorInfoPrefix;
    const std::filesystem::path& shared = state_file_path();
    if (shared.empty()) {
        text += "; settings of this process only";
    } else {
        const std::u8string name = shared.u8string();
        text += "; settings in " + std::string(name.begin(), name.end());
    }
    if (buffer && size > 0) {
        const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(size) - 1);
        std::memcpy(buffer, text.data(), kept);
        buffer[kept] = '\0';
    }
    return static_cast<std::int32_t>(text.size());
}

} // extern "C"
