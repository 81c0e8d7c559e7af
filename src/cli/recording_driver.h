#pragma once
// Drivers of one run: one that passes every call on and keeps a record of it, and one that
// sends nothing (the rehearsal of a `set`, so that a refusal leaves the instrument untouched).

#include "link/usb_driver.h"

#include <cstddef>
#include <vector>

namespace qlm::cli {

struct DriverCall {
    bool write; // else a read
    Frame frame;
    std::int16_t status;
};

class RecordingDriver : public UsbDriver {
public:
    explicit RecordingDriver(UsbDriver& driver) : driver_(driver) {}
    std::int16_t write(const Frame& frame) override;
    std::int16_t read(Frame& buffer) override;
    bool is_simulator() override { return driver_.is_simulator(); }

    const std::vector<DriverCall>& calls() const { return calls_; }
    // The data frames handed over from call `from` on.
    std::vector<DriverCall> data_frames(std::size_t from) const;
    // The last exchange was a read whose answer arrived.
    bool answered() const;

private:
    UsbDriver& driver_;
    std::vector<DriverCall> calls_;
};

// Takes every frame and never answers: a width fetch leaves the width the rehearsal holds.
class RehearsalDriver : public UsbDriver {
public:
    std::int16_t write(const Frame&) override { return 0; }
    std::int16_t read(Frame&) override { return -1; }
    bool is_simulator() override { return false; }
};

} // namespace qlm::cli
