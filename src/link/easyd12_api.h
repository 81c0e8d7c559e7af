#pragma once
// The two C functions of the EasyD12 driver library. The length is always 16.

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define EASYD12_CALL __stdcall
#else
#define EASYD12_CALL
#endif

extern "C" {
using WritePort1Fn = std::int16_t(EASYD12_CALL*)(std::uint8_t* buffer, std::int32_t length);
using ReadPort1Fn = std::int16_t(EASYD12_CALL*)(std::uint8_t* buffer, std::int32_t length);
}

namespace qlm {
#ifdef _WIN32
constexpr const char* kEasyD12FileName = "EasyD12.dll";
#else
constexpr const char* kEasyD12FileName = "libEasyD12.so";
#endif
} // namespace qlm
