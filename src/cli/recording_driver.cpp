#include "cli/recording_driver.h"

namespace qlm::cli {

std::int16_t RecordingDriver::write(const Frame& frame) {
    const std::int16_t status = driver_.write(frame);
    calls_.push_back({true, frame, status});
    return status;
}

std::int16_t RecordingDriver::read(Frame& buffer) {
    const std::int16_t status = driver_.read(buffer);
    calls_.push_back({false, buffer, status});
    return status;
}

std::vector<DriverCall> RecordingDriver::data_frames(std::size_t from) const {
    std::vector<DriverCall> out;
    for (std::size_t i = from; i < calls_.size(); ++i) {
        const DriverCall& call = calls_[i];
        if (call.write && call.frame[kTypeByte] == static_cast<std::uint8_t>(FrameType::data))
            out.push_back(call);
    }
    return out;
}

bool RecordingDriver::answered() const {
    return !calls_.empty() && !calls_.back().write && calls_.back().status >= 0;
}

} // namespace qlm::cli
