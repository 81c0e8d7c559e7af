// The EasyD12 binding on Windows, against DLLs on disk: the simulator DLL beside this
// program, DLLs in folders with Chinese names, and the ways a DLL can fail to load.
#include "link/easyd12.h"
#include "link/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <type_traits>

using namespace qlm;
namespace fs = std::filesystem;

#ifndef _WIN64
// The 32-bit DLL's functions pop their own arguments; calling them as __cdecl would not.
static_assert(std::is_same_v<WritePort1Fn, std::int16_t(__stdcall*)(std::uint8_t*, std::int32_t)>);
static_assert(std::is_same_v<ReadPort1Fn, std::int16_t(__stdcall*)(std::uint8_t*, std::int32_t)>);
static_assert(!std::is_same_v<WritePort1Fn, std::int16_t(__cdecl*)(std::uint8_t*, std::int32_t)>);
static_assert(
    std::is_same_v<EasyD12SimulatorInfoFn, std::int32_t(__stdcall*)(char*, std::int32_t)>);
#endif

namespace {

fs::path from_utf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string to_utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path scratch_folder(const std::u8string& name) {
    static const fs::path base =
        fs::temp_directory_path() /
        ("qlm-easyd12-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path folder = base / fs::path(name);
    fs::create_directories(folder);
    return folder;
}

struct Binding {
    std::vector<std::string> complaints;
    EasyD12Driver driver;
    explicit Binding(LibraryLocation where)
        : driver(std::move(where),
                 [this](const std::string& line) { complaints.push_back(line); }) {}
};

const Frame kRequest = make_control_frame(FrameType::read_request);

} // namespace

TEST(EasyD12Windows, LoadsTheSimulatorDllFromTheProgramFolderAndCallsBoth) {
    const fs::path trace = scratch_folder(u8"trace") / "trace.txt";
    _putenv_s("EASYD12_SIM_TRACE", to_utf8(trace).c_str());
    Binding binding(LibraryLocation{});
    EXPECT_EQ(binding.driver.write(kRequest), 0);
    Frame answer{};
    EXPECT_EQ(binding.driver.read(answer), 0);
    EXPECT_EQ(binding.driver.read(answer), 0);
    EXPECT_EQ(answer, (Frame{0, 50, 4, 0, 4, 0, 200, 0, 1, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(binding.complaints.empty());
    EXPECT_EQ(binding.driver.library().path(), join_path(program_folder(), "EasyD12.dll"));
    _putenv_s("EASYD12_SIM_TRACE", "");
    std::ifstream lines(trace);
    std::string first;
    std::getline(lines, first);
    EXPECT_EQ(first, "W 01020304050102030405010203040503 0");
    std::printf("%d-bit binding: %s\n", static_cast<int>(sizeof(void*) * 8),
                binding.driver.library().path().c_str());
}

TEST(EasyD12Windows, FoldersWithChineseNames) {
    const fs::path drivers = scratch_folder(u8"仪器驱动");
    fs::copy_file(from_utf8(join_path(program_folder(), "EasyD12.dll")), drivers / "EasyD12.dll");
    Binding loads(LibraryLocation{to_utf8(drivers), "EasyD12.dll"});
    EXPECT_EQ(loads.driver.write(kRequest), 0);
    EXPECT_TRUE(loads.complaints.empty());
    EXPECT_EQ(from_utf8(loads.driver.library().path()), drivers / "EasyD12.dll");

    // A file that starts like a DLL and is not one: the loader refuses it, and the file is
    // still read for its first bytes.
    const fs::path broken = scratch_folder(u8"损坏的库");
    std::ofstream(broken / "EasyD12.dll", std::ios::binary)
        << std::string("MZ") + std::string(62, '\0');
    Binding refused(LibraryLocation{to_utf8(broken), "EasyD12.dll"});
    EXPECT_LT(refused.driver.write(kRequest), 0);
    EXPECT_EQ(refused.driver.error(), LoadError::load_failed);
    ASSERT_EQ(refused.complaints.size(), 1u);
    EXPECT_NE(refused.complaints[0].find(to_utf8(broken)), std::string::npos);
}

TEST(EasyD12Windows, MissingDllsFilesThatAreNotDllsAndMissingFunctions) {
    Binding missing(LibraryLocation{to_utf8(scratch_folder(u8"empty")), "EasyD12-nowhere.dll"});
    Frame buffer{};
    EXPECT_LT(missing.driver.write(kRequest), 0);
    EXPECT_LT(missing.driver.read(buffer), 0);
    EXPECT_EQ(missing.driver.error(), LoadError::not_found);
    ASSERT_EQ(missing.complaints.size(), 1u);
    EXPECT_NE(missing.complaints[0].find("EasyD12-nowhere.dll"), std::string::npos);
    EXPECT_NE(missing.complaints[0].find("error 126"), std::string::npos) << missing.complaints[0];

    const fs::path text = scratch_folder(u8"text");
    std::ofstream(text / "EasyD12.dll") << "not a library\n";
    Binding not_a_library(LibraryLocation{to_utf8(text), "EasyD12.dll"});
    EXPECT_LT(not_a_library.driver.write(kRequest), 0);
    EXPECT_EQ(not_a_library.driver.error(), LoadError::not_a_library);

    Binding half(LibraryLocation{program_folder(), "EasyD12_write_only.dll"});
    EXPECT_LT(half.driver.write(kRequest), 0);
    EXPECT_EQ(half.driver.error(), LoadError::symbol_missing);
    ASSERT_EQ(half.complaints.size(), 1u);
    EXPECT_NE(half.complaints[0].find("ReadPort1"), std::string::npos);
}

TEST(EasyD12Windows, OnlyTheSimulatorDllSaysItIsTheSimulator) {
    Binding simulator(LibraryLocation{});
    EXPECT_TRUE(simulator.driver.is_simulator());
    EXPECT_EQ(simulator.driver.simulator_info().rfind("EasyD12 simulator", 0), 0u);
    Binding other(LibraryLocation{program_folder(), "EasyD12_faulty.dll"});
    EXPECT_FALSE(other.driver.is_simulator());
    EXPECT_EQ(other.driver.write(kRequest), 0);
    Binding half(LibraryLocation{program_folder(), "EasyD12_write_only.dll"});
    EXPECT_FALSE(half.driver.is_simulator());
}
