#pragma once
// UsbDriver over the EasyD12 driver library, loaded by name at the first call.
// A library that cannot be loaded, or lacks a function, acts as an absent instrument.

#include "link/dynlib.h"
#include "link/easyd12_api.h"
#include "link/paths.h"
#include "link/usb_driver.h"

#include <functional>
#include <string>

namespace qlm {

struct LibraryLocation {
    std::string folder = program_folder(); // searched first
    std::string file_name = kEasyD12FileName;
};

class EasyD12Driver : public UsbDriver {
public:
    // `complain` receives the one line that tells why the library is unusable
    // (stderr by default).
    explicit EasyD12Driver(LibraryLocation location = {},
                           std::function<void(const std::string&)> complain = {});

    std::int16_t write(const Frame& frame) override;
    std::int16_t read(Frame& buffer) override;
    // True when the library answers EasyD12SimulatorInfo with the simulator's description.
    bool is_simulator() override;
    // That description; empty for any other library.
    const std::string& simulator_info();

    // Loads on demand; true when both functions are there.
    bool ready();
    LoadError error() const { return library_.error(); }
    const DynLib& library() const { return library_; }

private:
    LibraryLocation location_;
    std::function<void(const std::string&)> complain_;
    DynLib library_;
    bool tried_ = false;
    WritePort1Fn write_port_ = nullptr;
    ReadPort1Fn read_port_ = nullptr;
    bool asked_info_ = false;
    std::string simulator_info_;
};

// The status a call gets when no library is usable.
constexpr std::int16_t kNoLibraryStatus = -1;

} // namespace qlm
