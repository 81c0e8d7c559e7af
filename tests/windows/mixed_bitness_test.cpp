// A 64-bit program in a folder with the 32-bit EasyD12.dll and the 32-bit easyd12-bridge.exe,
// as the users have it: the DLL cannot be loaded in-process, and the program's driver reaches
// it through the bridge.
#include "link/bridge_driver.h"
#include "link/driver_select.h"
#include "link/link.h"
#include "link/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace qlm;
namespace fs = std::filesystem;

static_assert(sizeof(void*) == 8, "the program side of these tests is 64-bit");

namespace {

fs::path scratch_folder(const std::string& name) {
    static const fs::path base =
        fs::temp_directory_path() /
        ("qlm-mixed-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path folder = base / name;
    fs::create_directories(folder);
    return folder;
}

std::vector<std::string> lines_of(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(MixedBitness, TheDllBesideTheProgramIsOfTheOtherBitness) {
    EasyD12Driver direct(LibraryLocation{}, [](const std::string&) {});
    EXPECT_FALSE(direct.ready());
    EXPECT_EQ(direct.error(), LoadError::load_failed);
    EXPECT_EQ(direct.library().system_code(), 193u) << direct.library().error_detail();
    EXPECT_TRUE(bridge_can_load(direct.library()));
}

TEST(MixedBitness, TheProgramsDriverSendsAndReadsBackThroughThe32BitBridge) {
    const fs::path trace = scratch_folder("trace") / "trace.txt";
    _putenv_s("EASYD12_SIM_TRACE", trace.string().c_str());
    std::unique_ptr<UsbDriver> driver = make_instrument_driver();
    auto* bridged = dynamic_cast<BridgeDriver*>(driver.get());
    ASSERT_NE(bridged, nullptr);

    std::vector<SendResult> failed;
    Link link(*driver, LinkSeams{[](long) {}});
    const auto record = [&](SendResult result) {
        if (result != SendResult::delivered) failed.push_back(result);
    };
    const auto start = std::chrono::steady_clock::now();
    link.write_seting(8, 3, 0, record);
    const auto first = std::chrono::steady_clock::now() - start;
    link.write_seting(6, 100, 25, record); // 6500 ns
    Frame answer{};
    link.read_settings([&](Link::ReadOutcome outcome, const Frame& got) {
        EXPECT_EQ(outcome, Link::ReadOutcome::answered);
        answer = got;
    });
    _putenv_s("EASYD12_SIM_TRACE", "");

    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(bridged->bridge_bits(), 32);
    EXPECT_TRUE(driver->is_simulator());
    EXPECT_EQ(bridged->starts(), 1);
    EXPECT_EQ(answer, (Frame{0, 50, 4, 0, 4, 0, 100, 25, 1, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(lines_of(trace), (std::vector<std::string>{
                                   "W 01020304050102030405010203040504 0",
                                   "W 01020304050102030405010803000000 0",
                                   "W 01020304050102030405010203040504 0",
                                   "W 01020304050102030405010664190000 0",
                                   "W 01020304050102030405010203040503 0",
                                   "R 00320400040064190103000000000000 0",
                                   "R 00320400040064190103000000000000 0",
                               }));
    std::printf("first send through the 32-bit bridge, with its start: %.0f ms\n",
                std::chrono::duration<double, std::milli>(first).count());
}

TEST(MixedBitness, ADllOnlyInThe32BitSystemFolderGoesThroughTheBridge) {
    const std::string system32 = wow64_system_folder();
    ASSERT_FALSE(system32.empty());
    const fs::path placed = fs::path(system32) / "EasyD12_qlm_test.dll";
    fs::copy_file(join_path(program_folder(), "EasyD12.dll"), placed,
                  fs::copy_options::overwrite_existing);
    std::vector<std::string> notes;
    const auto driver = make_instrument_driver(
        LibraryLocation{scratch_folder("empty").string(), "EasyD12_qlm_test.dll"},
        join_path(program_folder(), bridge::kBridgeFileName),
        [&](const std::string& line) { notes.push_back(line); });
    fs::remove(placed);
    EXPECT_NE(dynamic_cast<BridgeDriver*>(driver.get()), nullptr);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("easyd12-bridge.exe"), std::string::npos) << notes[0];
}
