#include "link/easyd12.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace qlm {

EasyD12Driver::EasyD12Driver(LibraryLocation location,
                             std::function<void(const std::string&)> complain)
    : location_(std::move(location)), complain_(std::move(complain)) {
    if (!complain_) {
        complain_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    }
}

bool EasyD12Driver::ready() {
    if (tried_) return write_port_ && read_port_;
    tried_ = true;
    if (library_.open(location_.folder, location_.file_name)) {
        // GetProcAddress and dlsym hand back untyped addresses.
        write_port_ = reinterpret_cast<WritePort1Fn>(library_.symbol("WritePort1"));
        read_port_ = reinterpret_cast<ReadPort1Fn>(library_.symbol("ReadPort1"));
    }
    if (write_port_ && read_port_) return true;
    write_port_ = nullptr;
    read_port_ = nullptr;
    complain_("EasyD12: " + library_.path() + ": " + describe(library_.error()) + " (" +
              library_.error_detail() + "); the instrument is treated as not attached");
    return false;
}

const std::string& EasyD12Driver::simulator_info() {
    if (asked_info_ || !ready()) return simulator_info_;
    asked_info_ = true;
    const auto info =
        reinterpret_cast<EasyD12SimulatorInfoFn>(library_.optional_symbol(kSimulatorInfoSymbol));
    if (!info) return simulator_info_;
    std::vector<char> buffer(256, '\0');
    const std::int32_t length = info(buffer.data(), static_cast<std::int32_t>(buffer.size()));
    if (length <= 0) return simulator_info_;
    const std::string text(buffer.begin(), std::find(buffer.begin(), buffer.end(), '\0'));
    if (text.rfind(kSimulatorInfoPrefix, 0) == 0) simulator_info_ = text;
    return simulator_info_;
}

bool EasyD12Driver::is_simulator() {
    return !simulator_info().empty();
}

std::int16_t EasyD12Driver::write(const Frame& frame) {
    if (!ready()) return kNoLibraryStatus;
    Frame copy = frame; // the library takes a non-const pointer
    return write_port_(copy.data(), static_cast<std::int32_t>(kFrameSize));
}

std::int16_t EasyD12Driver::read(Frame& buffer) {
    if (!ready()) return kNoLibraryStatus;
    return read_port_(buffer.data(), static_cast<std::int32_t>(kFrameSize));
}

} // namespace qlm
