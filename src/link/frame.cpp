#include "link/frame.h"

#include <algorithm>

namespace qlm {

namespace {

Frame with_header() {
    Frame frame{};
    std::copy(kFrameHeader.begin(), kFrameHeader.end(), frame.begin());
    return frame;
}

} // namespace

Frame make_data_frame(std::uint8_t code, std::uint8_t value1, std::uint8_t value2) {
    Frame frame = with_header();
    frame[kCodeByte] = code;
    frame[kValue1Byte] = value1;
    frame[kValue2Byte] = value2;
    frame[kSpareByte] = 0;
    frame[kTypeByte] = static_cast<std::uint8_t>(FrameType::data);
    return frame;
}

Frame make_control_frame(FrameType type) {
    Frame frame = with_header();
    std::copy(kControlBody.begin(), kControlBody.end(), frame.begin() + kCodeByte);
    frame[kTypeByte] = static_cast<std::uint8_t>(type);
    return frame;
}

bool has_header(const Frame& frame) {
    return std::equal(kFrameHeader.begin(), kFrameHeader.end(), frame.begin());
}

bool is_control_body(const Frame& frame) {
    return has_header(frame) &&
           std::equal(kControlBody.begin(), kControlBody.end(), frame.begin() + kCodeByte);
}

} // namespace qlm
