// What the exchange lock costs an exchange: its first acquire (which opens or makes the file)
// and an uncontended acquire and release, and beside it what one frame costs the simulator
// over a state file (its own lock, a read and a replacement of the file).
//   lock_bench [rounds]     (default 100000)
#include "bench_clock.h"
#include "link/instrument_lock.h"
#include "sim_instrument.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100000;
    const fs::path folder =
        fs::temp_directory_path() /
        ("qlm-lock-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(folder);

    const std::string path = qlm::instrument_lock_path((folder / "instrument.txt").string());
    qlm::FileInstrumentLock lock(path);
    auto start = Clock::now();
    if (!lock.try_acquire()) {
        std::fprintf(stderr, "lock_bench: %s\n", lock.error().c_str());
        return 1;
    }
    const double first = us_since(start, 1);
    lock.release();
    start = Clock::now();
    for (long i = 0; i < rounds; ++i) {
        if (!lock.try_acquire()) return 1;
        lock.release();
    }
    const double pair = us_since(start, rounds);
    std::printf("exchange lock: first acquire %.1f us, acquire + release %.3f us (%ld rounds)\n",
                first, pair, rounds);

    // An announce and its data frame over a state file, as one program on a shared instrument.
    qlm::sim::SimInstrument sim;
    sim.keep_settings_in(std::make_unique<qlm::sim::StateFile>(folder / "instrument.txt",
                                                               qlm::sim::kDefaultSettings));
    const long frames = std::max(1L, rounds / 50);
    const qlm::Frame announce = qlm::make_control_frame(qlm::FrameType::write_announce);
    start = Clock::now();
    for (long i = 0; i < frames; ++i) {
        if (sim.write(announce) != 0) return 1;
        if (sim.write(qlm::make_data_frame(1, static_cast<std::uint8_t>(i % 100), 0)) != 0)
            return 1;
    }
    std::printf("simulator over a state file: %.1f us per frame (%ld exchanges)\n",
                us_since(start, 2 * frames), frames);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
