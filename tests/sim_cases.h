#pragma once
// Simulator settings and driver faults that several test programs run through.

#include "params/param_set.h"
#include "sim_instrument.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qlm::testing {

// The frames (code, value 1, value 2) the instrument applied, in order.
using Applied = std::vector<std::array<std::uint8_t, 3>>;

// The operator's message when the instrument does not take a frame.
inline constexpr const char* kConnectionFailed = "数据通信失败！仪器和计算机无法连接";

// An instrument that differs from the initial texts in most fields: single, 20 dB, 100 V,
// internal, 1000 Hz, 30 MHz, 6500 ns, 1 MHz, 150 ohm (probe 0.08 MHz).
inline constexpr sim::Settings kExampleSettings{0, 70, 4, 0, 4, 1, 100, 25, 1, 3};

// A settings file's texts, what an import shows of them (its PRF of 1000 Hz lowered to the
// 500 Hz its width of 6500 ns allows) and the nine frames (code, value 1, value 2) its upload
// sends.
inline const SettingsTexts kExampleSet{"双", "20",   "100", "外部", "1000",
                                       "30", "6500", "MHz", "0.08", "150"};
inline const SettingsTexts kExampleSetShown{"双", "20",   "100", "外部", "500",
                                            "30", "6500", "MHz", "0.08", "150"};
inline const Applied kExampleSetFrames{{0, 1, 0}, {1, 70, 0},   {2, 4, 0}, {3, 1, 0}, {4, 3, 0},
                                       {5, 1, 0}, {6, 100, 25}, {7, 1, 0}, {8, 3, 0}};

// The simulator's usual settings with another width, as the PRF list's opening fetches it.
inline sim::Settings with_width(int width) {
    sim::Settings settings = sim::kDefaultSettings;
    settings[6] = static_cast<std::uint8_t>(width % 256);
    settings[7] = static_cast<std::uint8_t>(width / 256);
    return settings;
}

// A library with WritePort1 only, beside the test programs; a library found nowhere (not even
// by Windows' search of the program's own folder).
#ifdef _WIN32
inline constexpr const char* kWriteOnlyLibrary = "libEasyD12_write_only.dll";
#else
inline constexpr const char* kWriteOnlyLibrary = "libEasyD12_write_only.so";
#endif
inline constexpr const char* kMissingLibrary = "EasyD12_nowhere";

// Each way the driver can fail, and what the operator can tell of it.
enum class Driver { simulator, missing_library, write_only_library };

struct Fault {
    const char* name;
    Driver driver;
    sim::Faults faults;
    bool sends_refused;    // every command fails (its announce or its data frame): one message each
    bool requests_refused; // every read request fails: one message each
    bool answers_arrive;   // a read-back decodes something
    bool commands_arrive;  // the instrument takes the data frames
};

inline const Fault kFaults[] = {
    {"none", Driver::simulator, {}, false, false, true, true},
    {"absent", Driver::simulator, {true, false, false, false}, true, true, false, false},
    {"data", Driver::simulator, {false, true, false, false}, true, false, true, false},
    {"request", Driver::simulator, {false, false, true, false}, false, true, false, true},
    {"answer", Driver::simulator, {false, false, false, true}, false, false, false, true},
    {"missing library", Driver::missing_library, {}, true, true, false, false},
    {"library without ReadPort1", Driver::write_only_library, {}, true, true, false, false},
};

} // namespace qlm::testing
