// The choice between the in-process EasyD12 binding and the bridge, against files on disk.
#include "link/bridge_driver.h"
#include "link/driver_select.h"
#include "link/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace qlm;
using namespace qlm::testing;
namespace fs = std::filesystem;

namespace {

struct Choice {
    std::vector<std::string> notes;
    std::unique_ptr<UsbDriver> driver;

    Choice(const fs::path& folder, const std::string& file_name, const std::string& bridge) {
        driver = make_instrument_driver(LibraryLocation{folder.string(), file_name}, bridge,
                                        [this](const std::string& line) { notes.push_back(line); });
    }
    bool in_process() const { return dynamic_cast<EasyD12Driver*>(driver.get()) != nullptr; }
    bool bridged() const { return dynamic_cast<BridgeDriver*>(driver.get()) != nullptr; }
};

const std::string kBridge = join_path(program_folder(), bridge::kBridgeFileName);

} // namespace

TEST(DriverSelect, ALibraryThatLoadsIsUsedInProcess) {
    Choice choice(program_folder(), kEasyD12FileName, kBridge);
    EXPECT_TRUE(choice.in_process());
    EXPECT_TRUE(choice.notes.empty());
    EXPECT_EQ(choice.driver->write(make_control_frame(FrameType::write_announce)), 0);
}

TEST(DriverSelect, ProblemsTheBridgeCannotSolveStayWithTheInProcessBinding) {
    Choice missing(scratch_folder("empty"), "EasyD12-nowhere.dll", kBridge);
    EXPECT_TRUE(missing.in_process());
    ASSERT_EQ(missing.notes.size(), 1u);
    EXPECT_NE(missing.notes[0].find("file not found"), std::string::npos) << missing.notes[0];

    const fs::path text = scratch_folder("text");
    std::ofstream(text / kEasyD12FileName) << "not a library\n";
    Choice not_a_library(text, kEasyD12FileName, kBridge);
    EXPECT_TRUE(not_a_library.in_process());
    ASSERT_EQ(not_a_library.notes.size(), 1u);
    EXPECT_NE(not_a_library.notes[0].find("not a library"), std::string::npos);
    EXPECT_LT(not_a_library.driver->write(make_control_frame(FrameType::write_announce)), 0);
    EXPECT_EQ(not_a_library.notes.size(), 1u); // said once, at the choice
}

#ifndef _WIN32
// The start of a 32-bit ELF file: enough for the loader to say "wrong ELF class".
TEST(DriverSelect, ALibraryOfTheOtherClassGoesThroughTheBridgeWhenThereIsOne) {
    const fs::path folder = scratch_folder("elf32");
    std::string header(64, '\0');
    header.replace(0, 7,
                   "\x7f"
                   "ELF\x01\x01\x01");
    std::ofstream(folder / kEasyD12FileName, std::ios::binary) << header;

    EasyD12Driver attempt(LibraryLocation{folder.string(), kEasyD12FileName}, [](auto&) {});
    EXPECT_FALSE(attempt.ready());
    EXPECT_TRUE(bridge_can_load(attempt.library())) << attempt.library().error_detail();

    Choice with_bridge(folder, kEasyD12FileName, kBridge);
    EXPECT_TRUE(with_bridge.bridged());
    ASSERT_EQ(with_bridge.notes.size(), 1u);
    EXPECT_NE(with_bridge.notes[0].find("wrong ELF class"), std::string::npos);
    EXPECT_NE(with_bridge.notes[0].find(kBridge), std::string::npos);

    Choice without(folder, kEasyD12FileName, join_path(folder.string(), "easyd12-bridge"));
    EXPECT_TRUE(without.in_process());
    ASSERT_EQ(without.notes.size(), 1u);
    EXPECT_NE(without.notes[0].find("is missing"), std::string::npos) << without.notes[0];
    EXPECT_LT(without.driver->write(make_control_frame(FrameType::write_announce)), 0);
}
#endif
