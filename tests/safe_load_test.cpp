// The driver library is taken from the program's folder or the system's library locations,
// never from the working folder: a decoy planted there is not loaded, whatever the folder
// and file name look like and whatever LD_LIBRARY_PATH holds.
//
// Built with QLM_DECOY_LIBRARY this file is the decoy itself: loading it leaves a marker
// file, and its functions answer with a status no real call gives.

#ifdef QLM_DECOY_LIBRARY

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
__attribute__((constructor)) void mark_loaded() {
    if (const char* marker = std::getenv("QLM_DECOY_MARKER")) {
        if (std::FILE* file = std::fopen(marker, "w")) std::fclose(file);
    }
}
} // namespace

extern "C" __attribute__((visibility("default"))) std::int16_t WritePort1(std::uint8_t*,
                                                                          std::int32_t) {
    return 7;
}
extern "C" __attribute__((visibility("default"))) std::int16_t ReadPort1(std::uint8_t*,
                                                                         std::int32_t) {
    return 7;
}

#else

#include "link/easyd12.h"
#include "link/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace qlm;
namespace fs = std::filesystem;

namespace {

constexpr std::int16_t kDecoyStatus = 7;

// A working folder holding the decoy under the driver's name (also one level down), an
// empty folder standing in for the program's, and the marker the decoy would leave.
struct Planted {
    fs::path root;
    fs::path work;
    fs::path empty_program_folder;
    fs::path marker;
    fs::path previous_folder = fs::current_path();

    Planted() {
        root = fs::temp_directory_path() / ("qlm-safe-load-" + std::to_string(::getpid()));
        work = root / "work";
        empty_program_folder = root / "program";
        marker = root / "decoy-was-loaded";
        fs::create_directories(work / "lib");
        fs::create_directories(empty_program_folder);
        const fs::path decoy = fs::path(program_folder()) / "libEasyD12_decoy.so";
        fs::copy_file(decoy, work / kEasyD12FileName);
        fs::copy_file(decoy, work / "lib" / kEasyD12FileName);
        ::setenv("QLM_DECOY_MARKER", marker.c_str(), 1);
        fs::current_path(work);
    }
    ~Planted() {
        fs::current_path(previous_folder);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

struct Attempt {
    std::int16_t status;
    LoadError error;
};

Attempt load(const LibraryLocation& where) {
    EasyD12Driver driver(where, [](const std::string&) {});
    const std::int16_t status = driver.write(make_control_frame(FrameType::read_request));
    return {status, driver.error()};
}

// Every way of naming the library that could reach the working folder.
void expect_decoy_never_loaded(const Planted& planted) {
    const std::string name = kEasyD12FileName;
    const LibraryLocation locations[] = {
        {planted.empty_program_folder.string(), name}, // the usual case: not beside the program
        {"", name},                                    // no program folder known
        {".", name},
        {"lib", name},
        {"./lib/", name},
        {planted.empty_program_folder.string(), "./" + name},
        {"", "lib/" + name},
    };
    for (const LibraryLocation& where : locations) {
        SCOPED_TRACE("folder '" + where.folder + "', file '" + where.file_name + "'");
        const Attempt attempt = load(where);
        EXPECT_NE(attempt.status, kDecoyStatus);
        EXPECT_EQ(attempt.status, kNoLibraryStatus);
        EXPECT_EQ(attempt.error, LoadError::not_found);
        EXPECT_FALSE(fs::exists(planted.marker)) << "the decoy's code ran";
    }
}

} // namespace

TEST(SafeLoad, TheDecoyWorksWhereItIsMeantToBeFound) {
    // Given the absolute folder it lies in, the decoy loads: the checks below can see it.
    Planted planted;
    const Attempt attempt = load({planted.work.string(), kEasyD12FileName});
    EXPECT_EQ(attempt.error, LoadError::none);
    EXPECT_EQ(attempt.status, kDecoyStatus);
    EXPECT_TRUE(fs::exists(planted.marker));
}

TEST(SafeLoad, NotFromTheWorkingFolder) {
    Planted planted;
    expect_decoy_never_loaded(planted);
}

// An empty entry in LD_LIBRARY_PATH (as "$LD_LIBRARY_PATH:/opt/x" gives when it was unset)
// makes the system loader search the working folder. The loader reads the variable at
// start, so the check runs in a fresh copy of this program.
TEST(SafeLoad, NotThroughAnEmptyLibraryPathEntry) {
    // The child names the file it leaves once its checks ran and passed, so that a child
    // that ran no test (a filter that no longer matches) fails too.
    if (const char* ran = std::getenv("QLM_SAFE_LOAD_CHILD")) {
        Planted planted;
        expect_decoy_never_loaded(planted);
        if (!::testing::Test::HasFailure()) std::ofstream(ran) << "ran\n";
        return;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter =
        std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    const fs::path ran = qlm::testing::scratch_file("safe load child ran");
    fs::remove(ran);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("QLM_SAFE_LOAD_CHILD", ran.c_str(), 1);
        ::setenv("LD_LIBRARY_PATH", ":relative-folder:/nonexistent", 1);
        ::execl(self.c_str(), self.c_str(), filter.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's checks failed (its output is above)";
    EXPECT_TRUE(fs::exists(ran)) << "the child ran no check";
}

#endif
