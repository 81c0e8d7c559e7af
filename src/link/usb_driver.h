#pragma once
// The driver boundary: one 16-byte block in or out, a 16-bit status back
// (negative: not delivered / nothing read).

#include "link/frame.h"

#include <cstdint>

namespace qlm {

class UsbDriver {
public:
    virtual ~UsbDriver() = default;
    virtual std::int16_t write(const Frame& frame) = 0;
    virtual std::int16_t read(Frame& buffer) = 0;
    // True when the instrument behind the driver is the simulated one. The real EasyD12
    // library never says so. May load the library or start the bridge to find out.
    virtual bool is_simulator() = 0;
};

} // namespace qlm
