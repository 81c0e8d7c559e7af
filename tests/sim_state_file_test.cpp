// The simulated instrument's settings shared through a state file: several instruments (as
// several programs would hold them) over one file, a missing, damaged or unusable file, and
// writers racing each other.
#include "sim_instrument.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace qlm;
using namespace qlm::sim;
namespace fs = std::filesystem;

namespace {

const Frame kAnnounce = make_control_frame(FrameType::write_announce);
const Frame kRequest = make_control_frame(FrameType::read_request);
constexpr Settings kStart{0, 70, 4, 0, 4, 1, 100, 25, 1, 3};

fs::path scratch_folder(const std::string& name) {
    static const fs::path base =
        fs::temp_directory_path() /
        ("qlm-sim-state-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path folder = base / name;
    fs::create_directories(folder);
    return folder;
}

std::string file_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An instrument over `file`, as one program holds it.
struct Program {
    std::vector<std::string> complaints;
    SimInstrument sim;
    explicit Program(const fs::path& file, Settings start = kStart) {
        sim.set_settings(start);
        sim.keep_settings_in(std::make_unique<StateFile>(
            file, start, [this](const std::string& line) { complaints.push_back(line); }));
    }
    std::int16_t send(std::uint8_t code, std::uint8_t value1, std::uint8_t value2 = 0) {
        const std::int16_t announced = sim.write(kAnnounce);
        return announced != 0 ? announced : sim.write(make_data_frame(code, value1, value2));
    }
    Frame read_back() {
        Frame answer{};
        EXPECT_EQ(sim.write(kRequest), 0);
        EXPECT_EQ(sim.read(answer), 0);
        return answer;
    }
};

} // namespace

TEST(SimStateFile, ProgramsShareTheSettingsButEachHasItsOwnAnnounce) {
    const fs::path file = scratch_folder("shared") / "instrument.txt";
    Program window(file);
    EXPECT_EQ(file_text(file), "0,70,4,0,4,1,100,25,1,3\n"); // created with the start settings
    Program script(file, kDefaultSettings); // the file wins over its own start settings
    EXPECT_EQ(script.sim.settings(), kStart);

    EXPECT_EQ(script.send(8, 2), 0);
    EXPECT_EQ(file_text(file), "0,70,4,0,4,1,100,25,1,2\n");
    EXPECT_EQ(window.read_back()[9], 2);
    EXPECT_EQ(window.send(6, 26, 10), 0);
    EXPECT_EQ(script.read_back(), (Frame{0, 70, 4, 0, 4, 1, 26, 10, 1, 2, 0, 0, 0, 0, 0, 0}));

    // One program's announce does not open the way for another's data frame.
    EXPECT_EQ(window.sim.write(kAnnounce), 0);
    EXPECT_LT(script.sim.write(make_data_frame(1, 20, 0)), 0);
    EXPECT_EQ(script.sim.violations(), 1);
    EXPECT_EQ(window.sim.write(make_data_frame(1, 30, 0)), 0);
    EXPECT_EQ(window.sim.violations(), 0);
    EXPECT_EQ(script.read_back()[1], 30);

    // Refused values and faults change nothing in the file.
    EXPECT_LT(script.send(1, 111), 0);
    script.sim.faults.data = true;
    EXPECT_LT(script.send(1, 40), 0);
    EXPECT_EQ(file_text(file), "0,30,4,0,4,1,26,10,1,2\n");
    EXPECT_TRUE(window.complaints.empty());
    EXPECT_TRUE(script.complaints.empty());
}

TEST(SimStateFile, AMissingFileStartsAgainFromTheStartSettings) {
    const fs::path file = scratch_folder("missing") / "instrument.txt";
    Program program(file);
    EXPECT_EQ(program.send(2, 8), 0);
    fs::remove(file);
    EXPECT_EQ(program.read_back()[2], 4); // a fresh instrument
    EXPECT_EQ(file_text(file), "0,70,4,0,4,1,100,25,1,3\n");
    EXPECT_TRUE(program.complaints.empty());

    // A folder that is not there: the instrument takes no setting, and says why once.
    Program nowhere(scratch_folder("missing") / "no-such-folder" / "instrument.txt");
    EXPECT_LT(nowhere.send(2, 8), 0);
    EXPECT_LT(nowhere.send(2, 9), 0);
    EXPECT_EQ(nowhere.read_back()[2], 4);
    ASSERT_EQ(nowhere.complaints.size(), 1u);
    EXPECT_NE(nowhere.complaints[0].find("cannot be replaced"), std::string::npos)
        << nowhere.complaints[0];
}

TEST(SimStateFile, ADamagedFileIsReportedOnceAndReplacedByTheStartSettings) {
    const fs::path file = scratch_folder("damaged") / "instrument.txt";
    Program program(file);
    EXPECT_EQ(program.send(2, 8), 0);
    for (const std::string& damage : std::vector<std::string>{
             "", "0,70,4", "0,70,4,0,4,1,100,25,1,3,9\n", "0,70,4,0,4,1,100,256,1,3\n", "lost\n",
             "0,70,4,0,4,1,100,25,1,3\n\n" + std::string(200, ' '), std::string("0,7\0,4", 6)}) {
        std::ofstream(file, std::ios::binary) << damage;
        program.complaints.clear();
        EXPECT_EQ(program.read_back()[2], 4) << damage; // the start settings
        EXPECT_EQ(program.read_back()[2], 4);
        EXPECT_EQ(file_text(file), "0,70,4,0,4,1,100,25,1,3\n");
        ASSERT_EQ(program.complaints.size(), 1u) << damage;
        EXPECT_NE(program.complaints[0].find("does not hold ten comma-separated bytes"),
                  std::string::npos);
    }
    // What an editor leaves is no damage.
    for (const char* edited : {"0,70,8,0,4,1,100,25,1,3", "\xef\xbb\xbf"
                                                          "0,70,8,0,4,1,100,25,1,3\r\n"}) {
        std::ofstream(file, std::ios::binary) << edited;
        program.complaints.clear();
        EXPECT_EQ(program.read_back()[2], 8) << edited;
        EXPECT_TRUE(program.complaints.empty());
    }
}

TEST(SimStateFile, AFileThatCannotBeReadLeavesTheProgramsOwnSettings) {
    const fs::path file = scratch_folder("unreadable") / "instrument.txt";
    Program program(file);
    EXPECT_EQ(program.send(2, 8), 0);
    fs::remove(file);
    fs::create_directory(file); // in the file's place
    EXPECT_EQ(program.read_back()[2], 8);
    EXPECT_LT(program.send(2, 9), 0); // it cannot be replaced either
    EXPECT_EQ(program.read_back()[2], 8);
    ASSERT_EQ(program.complaints.size(), 2u);
    EXPECT_NE(program.complaints[0].find("cannot be read"), std::string::npos);
    EXPECT_NE(program.complaints[1].find("cannot be replaced"), std::string::npos);

#ifndef _WIN32
    // A FIFO in its place: no call waits for a writer, and nothing replaces it.
    const fs::path fifo = scratch_folder("fifo") / "instrument.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Program beside_a_fifo(fifo);
    EXPECT_LT(beside_a_fifo.send(2, 9), 0);
    EXPECT_EQ(beside_a_fifo.read_back()[2], 4);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(beside_a_fifo.complaints.size(), 2u);
#endif
}

#ifndef _WIN32
// A state file named through symbolic links: the file they lead to takes the change, and the
// links stay links.
TEST(SimStateFile, ALinkIsFollowedToTheFileItNames) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links; // link, what it points to
        const char* target;
        bool target_exists;
    };
    const std::vector<Case> cases{
        {"no link", {}, "here/instrument.txt", true},
        {"beside it", {{"here/link.txt", "instrument.txt"}}, "here/instrument.txt", true},
        {"other folder", {{"here/link.txt", "../other/a.txt"}}, "other/a.txt", true},
        {"absolute", {{"here/link.txt", "@other/a.txt"}}, "other/a.txt", true},
        {"chain",
         {{"here/link.txt", "b.txt"}, {"here/b.txt", "../other/a.txt"}},
         "other/a.txt",
         true},
        {"dangling", {{"here/link.txt", "../other/a.txt"}}, "other/a.txt", false},
    };
    for (const Case& c : cases) {
        const fs::path folder = scratch_folder(std::string("links-") + c.name);
        fs::create_directories(folder / "here");
        fs::create_directories(folder / "other");
        const fs::path target = folder / c.target;
        if (c.target_exists) std::ofstream(target) << "0,70,4,0,4,1,100,25,1,3\n";
        for (const auto& [link, to] : c.links)
            fs::create_symlink(to[0] == '@' ? folder / to.substr(1) : fs::path(to), folder / link);
        const fs::path named = folder / (c.links.empty() ? c.target : c.links[0].first);
        Program program(named);
        EXPECT_EQ(program.send(8, 2), 0) << c.name;
        EXPECT_EQ(file_text(target), "0,70,4,0,4,1,100,25,1,2\n") << c.name;
        for (const auto& link : c.links)
            EXPECT_TRUE(fs::is_symlink(folder / link.first)) << c.name << ": " << link.first;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            EXPECT_NE(entry.path().extension(), ".tmp") << c.name;
        EXPECT_TRUE(program.complaints.empty()) << c.name;
    }
}
#endif

namespace {

// Sends `count` gain settings of `first`, `first` + 1, ...; the number that failed.
int write_gains(const fs::path& file, int first, int count) {
    Program program(file, kDefaultSettings);
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (program.send(1, static_cast<std::uint8_t>(first + i % 10)) != 0) ++failed;
    }
    return failed;
}

} // namespace

TEST(SimStateFile, ConcurrentWritersNeverLeaveAPartFile) {
    const fs::path folder = scratch_folder("concurrent");
    const fs::path file = folder / "instrument.txt";
    constexpr int kWriters = 4;
    constexpr int kCount = 200;
    int writer_count = 0;
#ifndef _WIN32
    // Other processes, as other programs would be (forked before this process has threads).
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(write_gains(file, 10 * w, kCount) == 0 ? 0 : 1);
        children.push_back(child);
    }
    writer_count += kWriters;
#endif
    std::atomic<bool> done{false};
    std::atomic<int> failed{0};
    int reads = 0;
    int unparsed = 0;
    std::thread reader([&] {
        while (!done) {
            std::string text;
            std::string why;
            std::this_thread::yield();
            if (read_small_file(file, 64, text, why) != ReadResult::ok) continue;
            Settings settings{};
            if (text.empty() || !parse_settings(text.substr(0, text.size() - 1), settings))
                ++unparsed;
            ++reads;
        }
    });
#ifndef _WIN32
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
#endif
    // And threads of one process, each with an instrument of its own.
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] { failed += write_gains(file, 50 + 10 * w, kCount); });
    writer_count += kWriters;
    for (auto& writer : writers)
        writer.join();
    done = true;
    reader.join();

    EXPECT_EQ(failed, 0);
    EXPECT_EQ(unparsed, 0) << "of " << reads << " reads";
    Settings last{};
    ASSERT_TRUE(parse_settings(file_text(file).substr(0, file_text(file).size() - 1), last));
    EXPECT_GE(last[1], 50); // one thread's last write
    last[1] = kDefaultSettings[1];
    EXPECT_EQ(last, kDefaultSettings);
    int left = 0;
    for (const auto& entry : fs::directory_iterator(folder)) // Windows' lock file may stay
        left += entry.path() != file && entry.path().extension() != ".lock";
    EXPECT_EQ(left, 0) << "temporary files left behind";
    std::printf("%d writers x %d settings, %d reads of the file during them\n", writer_count,
                kCount, reads);
}
