#pragma once
// The 16-byte command frame that every transfer to and from the instrument carries.

#include <array>
#include <cstdint>
#include <span>

namespace qlm {

constexpr std::size_t kFrameSize = 16;
using Frame = std::array<std::uint8_t, kFrameSize>;

// Bytes 0 to 10 of every frame sent.
constexpr std::array<std::uint8_t, 11> kFrameHeader{1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1};

// Byte positions.
constexpr std::size_t kCodeByte = 11;
constexpr std::size_t kValue1Byte = 12;
constexpr std::size_t kValue2Byte = 13;
constexpr std::size_t kSpareByte = 14; // 0 in a data frame
constexpr std::size_t kTypeByte = 15;

// Bytes 11 to 14 of a control frame (read request, write announce).
constexpr std::array<std::uint8_t, 4> kControlBody{2, 3, 4, 5};

// Byte 15.
enum class FrameType : std::uint8_t {
    data = 0,
    read_request = 3,
    write_announce = 4,
};

Frame make_data_frame(std::uint8_t code, std::uint8_t value1, std::uint8_t value2);
Frame make_control_frame(FrameType type);

bool has_header(const Frame& frame);
// A control frame is the run 1..5 three times, then its type byte.
bool is_control_body(const Frame& frame);

} // namespace qlm
