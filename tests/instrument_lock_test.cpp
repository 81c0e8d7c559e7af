// The exchange lock: objects on one file exclude each other (in this process too), a holder
// that is killed lets go, and a file that cannot be made is said so. Run with
// "--hold <path>", it takes the lock, says "held" and keeps it until its input ends.
#include "link/instrument_lock.h"
#include "link/paths.h"
#include "link/process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace qlm;
using namespace qlm::testing;
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr const char* kExeSuffix = ".exe";
#else
constexpr const char* kExeSuffix = "";
#endif

// Tries until `timeout`; whether it got the lock.
bool acquire_within(FileInstrumentLock& lock, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!lock.try_acquire()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

TEST(InstrumentLock, LocksOnOneFileExcludeEachOtherAndOthersDoNot) {
    struct Case {
        const char* name;
        bool same_file;
    };
    for (const Case& c : {Case{"one file", true}, Case{"two files", false}}) {
        const fs::path folder = scratch_file(std::string("pair ") + c.name);
        fs::create_directories(folder);
        FileInstrumentLock first((folder / "a.lock").string());
        FileInstrumentLock second((folder / (c.same_file ? "a.lock" : "b.lock")).string());
        ASSERT_TRUE(first.try_acquire()) << first.error();
        EXPECT_TRUE(first.try_acquire()); // held already
        EXPECT_EQ(second.try_acquire(), !c.same_file) << c.name;
        EXPECT_EQ(second.error(), "") << c.name;
        first.release();
        EXPECT_TRUE(second.try_acquire()) << c.name;
        EXPECT_EQ(first.try_acquire(), !c.same_file) << c.name;
        second.release();
        EXPECT_TRUE(first.try_acquire()) << c.name; // again after a release
        EXPECT_TRUE(first.held());
    }
}

TEST(InstrumentLock, AHolderThatIsKilledLetsGo) {
    const std::string path = scratch_file("killed.lock").string();
    ChildProcess holder;
    ASSERT_TRUE(
        holder.start(join_path(program_folder(), std::string("instrument_lock_test") + kExeSuffix),
                     {"--hold", path}))
        << holder.error();
    char said[4] = {};
    ASSERT_EQ(holder.read_exact(said, sizeof said, std::chrono::seconds(10)), IoResult::ok);
    ASSERT_EQ(std::string(said, sizeof said), "held");
    FileInstrumentLock lock(path);
    EXPECT_FALSE(lock.try_acquire());
    holder.kill();
    EXPECT_TRUE(acquire_within(lock, std::chrono::seconds(5))) << lock.error();
}

TEST(InstrumentLock, AFileThatCannotBeMadeFailsAndSaysWhy) {
    const fs::path folder = scratch_file("unmade");
    fs::create_directories(folder);
    std::ofstream(folder / "plain.txt") << "a file";
    for (const fs::path& path :
         {folder / "missing" / "deeper" / "x.lock", folder / "plain.txt" / "x.lock", folder}) {
        FileInstrumentLock lock(path.string());
        EXPECT_FALSE(lock.try_acquire()) << path;
        EXPECT_NE(lock.error(), "") << path;
        EXPECT_FALSE(lock.try_acquire()) << path; // and again
        lock.release();
        EXPECT_FALSE(lock.held());
    }
}

#ifndef _WIN32
// The lock file and the change count beside it: every user's programs take part.
TEST(InstrumentLock, TheFilesAreOpenToEveryUserWhateverTheUmask) {
    const fs::path path = scratch_file("umask.lock");
    const mode_t old = ::umask(077);
    FileInstrumentLock lock(path.string());
    const bool acquired = lock.try_acquire();
    if (acquired) lock.note_change();
    ::umask(old);
    ASSERT_TRUE(acquired) << lock.error();
    for (const std::string& file : {path.string(), path.string() + ".changes"}) {
        struct stat status {};
        ASSERT_EQ(::stat(file.c_str(), &status), 0) << file;
        EXPECT_EQ(status.st_mode & 0777, 0666u) << file;
    }
}
#endif

TEST(InstrumentLock, OneLockFilePerInstrument) {
    const fs::path folder = fs::weakly_canonical(scratch_file("paths"));
    fs::create_directories(folder / "other");
    std::ofstream(folder / "other" / "instrument.txt") << "0,50,4,0,4,0,200,0,1,1\n";
    const std::string machine = instrument_lock_path(std::nullopt);
    EXPECT_TRUE(fs::path(machine).is_absolute()) << machine;
    EXPECT_EQ(machine, instrument_lock_path(std::nullopt));
    EXPECT_EQ(instrument_lock_path(std::string()), "");
    struct Case {
        fs::path state_file;
        fs::path lock;
    };
    std::vector<Case> cases{
        {folder / "instrument.txt", folder / "instrument.txt.exchange.lock"},
        {folder / "other" / ".." / "other" / "instrument.txt",
         folder / "other" / "instrument.txt.exchange.lock"},
        {"relative.txt", fs::weakly_canonical(fs::current_path()) / "relative.txt.exchange.lock"},
    };
#ifndef _WIN32
    fs::create_symlink(folder / "other" / "instrument.txt", folder / "link.txt");
    cases.push_back({folder / "link.txt", folder / "other" / "instrument.txt.exchange.lock"});
#endif
    for (const Case& c : cases) {
        const std::string lock = instrument_lock_path(c.state_file.string());
        EXPECT_EQ(fs::path(lock), c.lock) << c.state_file;
        EXPECT_NE(lock, machine);
    }
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--hold") == 0) {
        FileInstrumentLock lock(argv[2]);
        std::fputs(lock.try_acquire() ? "held" : "free", stdout);
        std::fflush(stdout);
        while (std::fgetc(stdin) != EOF) {
        }
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
