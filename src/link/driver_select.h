#pragma once
// Which driver the program talks to the instrument through.

#include "link/dynlib.h"
#include "link/easyd12.h"
#include "link/instrument_lock.h"
#include "link/usb_driver.h"

#include <functional>
#include <memory>
#include <string>

namespace qlm {

// True when a library that failed to load in this process can still be used through the
// bridge: it is there but built for the other bitness (Windows' error 193, the loader's
// "wrong ELF class"), or, in a 64-bit program on Windows, it is only in the 32-bit system folder.
bool bridge_can_load(const DynLib& attempt);

// The EasyD12 library in-process when it loads, else the bridge when that helps and the
// bridge program is there, else the in-process binding acting as an absent instrument.
// One line on stderr (or to `note`) tells why when it is not the in-process library.
std::unique_ptr<UsbDriver>
make_instrument_driver(const LibraryLocation& location, const std::string& bridge_program,
                       const std::function<void(const std::string&)>& note);

// The same for the program: the library and the bridge beside the program.
std::unique_ptr<UsbDriver> make_instrument_driver();

// The exchange lock for the driver: one per machine for the instrument's own driver, one per
// state file for the simulator (EASYD12_SIM_STATE_FILE), none for a simulator of this
// program's own. Asks the driver whether it is the simulator.
std::unique_ptr<InstrumentLock> make_instrument_lock(UsbDriver& driver);

} // namespace qlm
