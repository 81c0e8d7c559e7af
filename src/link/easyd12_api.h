#pragma once
// The two C functions of the EasyD12 driver library. The length is always 16.
// The simulated instrument's library also exports EasyD12SimulatorInfo, which the real one
// lacks: it writes its description (starting with kSimulatorInfoPrefix) into `buffer` as
// snprintf would and returns the description's full length.

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define EASYD12_CALL __stdcall
#else
#define EASYD12_CALL
#endif

// For a library that provides the calls (the simulator and the tests' stand-ins).
#if defined(_WIN32)
#define EASYD12_EXPORT __declspec(dllexport)
#else
#define EASYD12_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
using WritePort1Fn = std::int16_t(EASYD12_CALL*)(std::uint8_t* buffer, std::int32_t length);
using ReadPort1Fn = std::int16_t(EASYD12_CALL*)(std::uint8_t* buffer, std::int32_t length);
using EasyD12SimulatorInfoFn = std::int32_t(EASYD12_CALL*)(char* buffer, std::int32_t size);
}

namespace qlm {
#ifdef _WIN32
constexpr const char* kEasyD12FileName = "EasyD12.dll";
#else
constexpr const char* kEasyD12FileName = "libEasyD12.so";
#endif
constexpr const char* kSimulatorInfoSymbol = "EasyD12SimulatorInfo";
constexpr const char* kSimulatorInfoPrefix = "EasyD12 simulator";
} // namespace qlm
