#include "link/driver_select.h"

#include <cstdlib>
#include <optional>

#include "link/bridge_driver.h"
#include "link/paths.h"

#include <cstdio>

namespace qlm {

namespace {

constexpr unsigned long kWindowsBadExeFormat = 193;

bool only_in_32_bit_system_folder(const DynLib& attempt, const std::string& file_name) {
    if (sizeof(void*) != 8 || attempt.error() != LoadError::not_found) return false;
    const std::string folder = wow64_system_folder();
    return !folder.empty() && file_exists(join_path(folder, file_name));
}

} // namespace

bool bridge_can_load(const DynLib& attempt) {
    if (attempt.error() != LoadError::load_failed) return false;
    return attempt.system_code() == kWindowsBadExeFormat ||
           attempt.error_detail().find("wrong ELF class") != std::string::npos;
}

std::unique_ptr<UsbDriver>
make_instrument_driver(const LibraryLocation& location, const std::string& bridge_program,
                       const std::function<void(const std::string&)>& note) {
    // The binding's own complaint is held back until it is clear that it stands.
    auto held = std::make_shared<std::string>();
    auto direct = std::make_unique<EasyD12Driver>(
        location, [held](const std::string& line) { *held = line; });
    if (direct->ready()) return direct;
    const DynLib& attempt = direct->library();
    const bool helps =
        bridge_can_load(attempt) || only_in_32_bit_system_folder(attempt, location.file_name);
    if (helps && file_exists(bridge_program)) {
        note("EasyD12: " + attempt.path() + " cannot be loaded here (" + attempt.error_detail() +
             "); using " + bridge_program);
        BridgeOptions options;
        options.program = bridge_program;
        return std::make_unique<BridgeDriver>(options, note);
    }
    if (helps) {
        note(*held + "; " + bridge_program + ", which could load it, is missing");
    } else {
        note(*held);
    }
    return direct; // answers every call as an absent instrument, without saying it again
}

std::unique_ptr<UsbDriver> make_instrument_driver() {
    return make_instrument_driver(
        LibraryLocation{}, join_path(program_folder(), bridge::kBridgeFileName),
        [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
}

} // namespace qlm

namespace qlm {

std::unique_ptr<InstrumentLock> make_instrument_lock(UsbDriver& driver) {
    std::optional<std::string> state_file;
    if (driver.is_simulator()) {
        const char* file = std::getenv("EASYD12_SIM_STATE_FILE");
        state_file = file ? std::string(file) : std::string();
    }
    const std::string path = instrument_lock_path(state_file);
    if (path.empty()) return nullptr;
    return std::make_unique<FileInstrumentLock>(path);
}

} // namespace qlm
