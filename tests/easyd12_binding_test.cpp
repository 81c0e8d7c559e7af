// The EasyD12 binding against real libraries on disk: the simulator library built beside
// this test, a library without ReadPort1, one without the simulator's info, a file that is not
// a library, and none at all.
#include "link/easyd12.h"
#include "link/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace qlm;
using namespace qlm::testing;
namespace fs = std::filesystem;

namespace {

struct Binding {
    std::vector<std::string> complaints;
    EasyD12Driver driver;
    explicit Binding(LibraryLocation where)
        : driver(std::move(where),
                 [this](const std::string& line) { complaints.push_back(line); }) {}
};

} // namespace

TEST(EasyD12Binding, LoadsTheLibraryFromTheProgramFolderAndTalks) {
    Binding binding(LibraryLocation{});
    const std::string trace = (scratch_folder("trace") / "trace.txt").string();
    ::setenv("EASYD12_SIM_TRACE", trace.c_str(), 1);
    EXPECT_EQ(binding.driver.write(make_control_frame(FrameType::read_request)), 0);
    Frame answer{};
    EXPECT_EQ(binding.driver.read(answer), 0);
    EXPECT_EQ(answer[2], 4); // the simulator's default: 100 V
    EXPECT_TRUE(binding.complaints.empty());
    EXPECT_EQ(binding.driver.library().path(), join_path(program_folder(), kEasyD12FileName));
    std::ifstream lines(trace);
    std::string first;
    std::getline(lines, first);
    EXPECT_EQ(first, "W 01020304050102030405010203040503 0");
}

TEST(EasyD12Binding, MissingLibraryActsAsAbsentInstrumentAndSaysSoOnce) {
    Binding binding(LibraryLocation{scratch_folder("empty").string(), "libEasyD12-nowhere.so"});
    Frame buffer{};
    EXPECT_LT(binding.driver.write(make_control_frame(FrameType::write_announce)), 0);
    EXPECT_LT(binding.driver.read(buffer), 0);
    EXPECT_EQ(binding.driver.error(), LoadError::not_found);
    ASSERT_EQ(binding.complaints.size(), 1u);
    EXPECT_NE(binding.complaints[0].find("libEasyD12-nowhere.so"), std::string::npos);
    EXPECT_NE(binding.complaints[0].find("file not found"), std::string::npos);
}

TEST(EasyD12Binding, AFileThatIsNotALibrary) {
    const fs::path folder = scratch_folder("text");
    std::ofstream(folder / "libEasyD12.so") << "not a library\n";
    Binding binding(LibraryLocation{folder.string(), "libEasyD12.so"});
    EXPECT_LT(binding.driver.write(make_control_frame(FrameType::write_announce)), 0);
    EXPECT_EQ(binding.driver.error(), LoadError::not_a_library);
    ASSERT_EQ(binding.complaints.size(), 1u);
    EXPECT_NE(binding.complaints[0].find("not a library"), std::string::npos);
}

TEST(EasyD12Binding, ALibraryWithoutOneFunction) {
    Binding binding(LibraryLocation{program_folder(), "libEasyD12_write_only.so"});
    EXPECT_LT(binding.driver.write(make_control_frame(FrameType::write_announce)), 0);
    EXPECT_EQ(binding.driver.error(), LoadError::symbol_missing);
    ASSERT_EQ(binding.complaints.size(), 1u);
    EXPECT_NE(binding.complaints[0].find("ReadPort1"), std::string::npos);
}

TEST(EasyD12Binding, OnlyTheSimulatorLibrarySaysItIsTheSimulator) {
    Binding simulator(LibraryLocation{});
    EXPECT_TRUE(simulator.driver.is_simulator());
    EXPECT_EQ(simulator.driver.simulator_info(),
              "EasyD12 simulator; settings of this process only");

    // Both calls and the simulator inside, but not its info: as a real library.
    Binding other(LibraryLocation{program_folder(), "libEasyD12_faulty.so"});
    EXPECT_FALSE(other.driver.is_simulator());
    EXPECT_TRUE(other.driver.ready());
    EXPECT_EQ(other.driver.error(), LoadError::none);
    EXPECT_EQ(other.driver.write(make_control_frame(FrameType::write_announce)), 0);

    Binding half(LibraryLocation{program_folder(), "libEasyD12_write_only.so"});
    EXPECT_FALSE(half.driver.is_simulator());
    Binding missing(LibraryLocation{scratch_folder("none").string(), "libEasyD12-nowhere.so"});
    EXPECT_FALSE(missing.driver.is_simulator());
    EXPECT_EQ(missing.complaints.size(), 1u);
}
