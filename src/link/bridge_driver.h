#pragma once
// UsbDriver through easyd12-bridge, a helper program that loads the EasyD12 library in its own
// process (a 32-bit library for a 64-bit program). The bridge is started at the first call and
// kept running. A call the bridge does not complete in time, or that it dies in, fails with
// kBridgeFailedStatus; the bridge is then stopped and a new one started at the next call.

#include "link/bridge_protocol.h"
#include "link/paths.h"
#include "link/process.h"
#include "link/usb_driver.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qlm {

struct BridgeOptions {
    std::string program = join_path(program_folder(), bridge::kBridgeFileName);
    std::vector<std::string> arguments;
    // For each call, and for the start of the bridge up to its hello.
    std::chrono::milliseconds call_timeout{2000};
    std::chrono::milliseconds start_timeout{5000};
};

// The status of a call that the bridge did not complete.
constexpr std::int16_t kBridgeFailedStatus = -3;

class BridgeDriver : public UsbDriver {
public:
    // `complain` receives one line for each new kind of trouble (stderr by default).
    explicit BridgeDriver(BridgeOptions options = {},
                          std::function<void(const std::string&)> complain = {});
    ~BridgeDriver() override;

    std::int16_t write(const Frame& frame) override;
    std::int16_t read(Frame& buffer) override;
    // Asks the bridge (started if need be) whether its library is the simulator; false when
    // the bridge cannot be reached.
    bool is_simulator() override;

    // The running bridge's process id, 0 when none runs.
    long bridge_pid() const { return process_.pid(); }
    // The bridge's pointer size in bits, from its hello; 0 before the first start.
    int bridge_bits() const { return bridge_bits_; }
    // How many bridges were started.
    int starts() const { return starts_; }
    // Why the last call failed in the bridge; empty after a call it completed.
    const std::string& last_failure() const { return last_failure_; }

private:
    bool ensure_running();
    std::int16_t call(std::uint8_t kind, Frame& body);
    void fail(const std::string& why);

    BridgeOptions options_;
    std::function<void(const std::string&)> complain_;
    ChildProcess process_;
    int bridge_bits_ = 0;
    int starts_ = 0;
    std::string last_failure_;
    std::string last_complaint_;
};

} // namespace qlm
