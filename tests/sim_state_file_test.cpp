// The simulated instrument's settings shared through a state file: several instruments (as
// several programs would hold them) over one file, a missing, damaged or unusable file, and
// writers racing each other; the instrument unplugged and power-cycled from outside.
#include "link/easyd12.h"
#include "link/process.h"
#include "sim_instrument.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace qlm;
using namespace qlm::sim;
using namespace qlm::testing;
namespace fs = std::filesystem;

namespace {

const Frame kAnnounce = make_control_frame(FrameType::write_announce);
const Frame kRequest = make_control_frame(FrameType::read_request);
constexpr Settings kStart{0, 70, 4, 0, 4, 1, 100, 25, 1, 3};

// The settings line, as an operator edits it.
std::string first_line(const fs::path& path) {
    const std::string text = file_text(path);
    return text.substr(0, text.find('\n') + 1);
}

SharedState file_state(const fs::path& path) {
    SharedState state;
    bool second_line_ok = false;
    EXPECT_TRUE(parse_state(file_text(path), state, second_line_ok) && second_line_ok)
        << file_text(path);
    return state;
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

// The control program beside this test, as a rehearsal runs it: its exit status.
int sim_control(const fs::path& file, const std::string& command) {
    std::vector<std::string> arguments{file.string()};
    std::istringstream words(command);
    for (std::string word; words >> word;)
        arguments.push_back(word);
    ChildProcess control;
    if (!control.start(join_path(program_folder(), QLM_SIM_CONTROL), arguments)) return -1;
    return control.finish(std::chrono::seconds(30));
}

} // namespace

TEST(SimStateFile, ProgramsShareTheSettingsAndTheExchangeInProgress) {
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

    // One program's announce is pending in the file: another's data frame is refused, and the
    // exchange it broke into is over.
    EXPECT_EQ(window.sim.write(kAnnounce), 0);
    EXPECT_EQ(file_state(file).announce, window.sim.id());
    EXPECT_LT(script.sim.write(make_data_frame(1, 20, 0)), 0);
    EXPECT_LT(window.sim.write(make_data_frame(1, 30, 0)), 0);
    EXPECT_EQ(script.sim.violations() + window.sim.violations(), 2);
    EXPECT_EQ(file_state(file).violations, 2u);
    EXPECT_EQ(window.send(1, 30), 0);
    EXPECT_EQ(script.read_back()[1], 30);

    // Refused values and faults change nothing in the file.
    EXPECT_LT(script.send(1, 111), 0);
    script.sim.faults.data = true;
    EXPECT_LT(script.send(1, 40), 0);
    EXPECT_EQ(first_line(file), "0,30,4,0,4,1,26,10,1,2\n");
    EXPECT_EQ(file_state(file).violations, 2u);
    EXPECT_TRUE(window.complaints.empty());
    EXPECT_TRUE(script.complaints.empty());
}

// Two drivers on one file, each step "<driver><frame>": + announce, =<gain> data frame,
// ? read request, < read; "!" when the step must fail. Each script runs three times over.
TEST(SimStateFile, FramesOfOneDriverInsideAnothersExchangeAreRefused) {
    struct Case {
        const char* script;
        std::uint64_t violations; // per run
    };
    const std::vector<Case> cases{
        {"A+ A=30 B+ B=40 A? A< A< B? B< B< B+ B=50", 0},
        {"A+ B+! A=30! B=40!", 3}, // interleaved announces
        {"A+ B+! B=40! A=30!", 3}, // a direct writer inside the exchange
        {"A+ B=40! A=30!", 2},     // a data frame of another's announce
        {"A? B<! A<!", 2},         // the answer to a request read by another
        {"A? A< B+ B=40 A<!", 1},  // an answer read after another's frames
        {"A? A< B? A<! B<!", 2},   // ... after another's request
        {"A? B?! A<!", 2},         // a request inside another's
        {"A+ A+! A=30!", 2},       // one's own announce twice
    };
    for (const Case& c : cases) {
        const fs::path file =
            scratch_folder("interleaved") / (std::to_string(&c - cases.data()) + ".txt");
        Program a(file);
        Program b(file);
        std::vector<std::array<std::uint8_t, 3>> applied;
        for (int run = 0; run < 3; ++run) {
            std::istringstream steps(c.script);
            for (std::string step; steps >> step;) {
                Program& program = step[0] == 'A' ? a : b;
                const bool fails = step.back() == '!';
                std::int16_t status = 0;
                Frame answer{};
                switch (step[1]) {
                case '+':
                    status = program.sim.write(kAnnounce);
                    break;
                case '=': {
                    const auto gain = static_cast<std::uint8_t>(std::stoi(step.substr(2)));
                    status = program.sim.write(make_data_frame(1, gain, 0));
                    if (!fails) applied.push_back({1, gain, 0});
                    break;
                }
                case '?':
                    status = program.sim.write(kRequest);
                    break;
                default:
                    status = program.sim.read(answer);
                    if (status == 0) {
                        EXPECT_EQ(answer[1], applied.empty() ? 70 : applied.back()[1]);
                    }
                }
                EXPECT_EQ(status < 0, fails) << c.script << ", run " << run << ": " << step;
            }
        }
        auto both = a.sim.applied();
        both.insert(both.end(), b.sim.applied().begin(), b.sim.applied().end());
        std::sort(both.begin(), both.end());
        EXPECT_EQ(file_state(file).settings[1], applied.empty() ? 70 : applied.back()[1]);
        std::sort(applied.begin(), applied.end());
        EXPECT_EQ(both, applied) << c.script; // nothing applied for a refused frame
        EXPECT_EQ(file_state(file).violations, 3 * c.violations) << c.script;
        EXPECT_EQ(a.sim.violations() + b.sim.violations(), 3 * c.violations) << c.script;
    }
}

// A pending exchange whose driver is gone does not hold up the next driver.
TEST(SimStateFile, AnExchangeOfADriverThatHasEndedIsDropped) {
    const fs::path folder = scratch_folder("ended");
    const long long pid = current_process_id();
    const std::string start = std::to_string(process_start_time(pid));
    auto other = std::make_unique<Program>(folder / "live.txt");
    const std::string live = driver_text(other->sim.id());
    struct Case {
        const char* name;
        std::string announce; // by hand on line 2
        bool dropped;
    };
    const std::vector<Case> cases{
        {"an instrument of this process", live, false},
        {"one that is gone", std::to_string(pid) + "." + start + ".999999", true},
        {"this process id started another time", std::to_string(pid) + ".1.1", true},
        {"a process id not in use", "2147483646.0.1", true},
    };
    for (const Case& c : cases) {
        const fs::path file = folder / (std::string(c.name) + ".txt");
        std::ofstream(file) << "0,70,4,0,4,1,100,25,1,3\nannounce=" << c.announce << "\n";
        Program next(file);
        EXPECT_EQ(next.send(8, 2) == 0, c.dropped) << c.name;
        EXPECT_EQ(next.sim.violations() == 0, c.dropped) << c.name;
    }
    // An instrument that goes away takes its pending announce with it.
    const fs::path file = folder / "live.txt";
    EXPECT_EQ(other->sim.write(kAnnounce), 0);
    other.reset();
    EXPECT_FALSE(file_state(file).announce);
    EXPECT_EQ(Program(file).send(8, 2), 0);

#ifndef _WIN32
    // A program that announced and then exited, or was killed, before its data frame.
    for (const char* end : {"exits", "is killed", "is killed, not yet collected"}) {
        const fs::path shared = folder / (std::string("child ") + end + ".txt");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            Program program(shared);
            const char announced = program.sim.write(kAnnounce) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &announced, 1);
            if (end[0] == 'e') ::_exit(0); // no destructors: the announce stays in the file
            ::pause();
        }
        char announced = 0;
        ASSERT_EQ(::read(ready[0], &announced, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        EXPECT_EQ(announced, 'y');
        ASSERT_TRUE(file_state(shared).announce);
        EXPECT_EQ(file_state(shared).announce->pid, child) << end;
        if (end[0] != 'e') ::kill(child, SIGKILL);
        const bool collect = std::string(end).find("not yet") == std::string::npos;
        int status = 0;
        if (collect) ::waitpid(child, &status, 0);
        if (!collect) // until the child has ended (a zombie)
            for (int i = 0; i < 500 && process_start_time(child) != 0; ++i) {
                char state = 0;
                std::ifstream("/proc/" + std::to_string(child) + "/stat").ignore(256, ')') >> state;
                if (state == 'Z') break;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        Program next(shared);
        EXPECT_EQ(next.send(8, 2), 0) << end;
        EXPECT_EQ(next.sim.violations(), 0) << end;
        if (!collect) ::waitpid(child, &status, 0);
    }
#endif
}

TEST(SimStateFile, AMissingFileStartsAgainFromTheStartSettings) {
    const fs::path file = scratch_folder("missing") / "instrument.txt";
    Program program(file);
    EXPECT_EQ(program.send(2, 8), 0);
    fs::remove(file);
    EXPECT_EQ(program.read_back()[2], 4); // a fresh instrument
    EXPECT_EQ(first_line(file), "0,70,4,0,4,1,100,25,1,3\n");
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
             "0,70,4,0,4,1,100,25,1,3\n\n" + std::string(1000, ' '), std::string("0,7\0,4", 6)}) {
        std::ofstream(file, std::ios::binary) << damage;
        program.complaints.clear();
        EXPECT_EQ(program.read_back()[2], 4) << damage; // the start settings
        EXPECT_EQ(program.read_back()[2], 4);
        EXPECT_EQ(first_line(file), "0,70,4,0,4,1,100,25,1,3\n");
        ASSERT_EQ(program.complaints.size(), 1u) << damage;
        EXPECT_NE(program.complaints[0].find("does not hold ten comma-separated bytes"),
                  std::string::npos);
    }
    // What an editor leaves is no damage; a second line not understood only loses what was
    // pending in it.
    struct Edit {
        const char* text;
        bool complains;
        std::uint64_t violations;
    };
    for (const Edit& edit :
         std::vector<Edit>{{"0,70,8,0,4,1,100,25,1,3", false, 0},
                           {"\xef\xbb\xbf"
                            "0,70,8,0,4,1,100,25,1,3\r\n",
                            false, 0},
                           {"0,70,8,0,4,1,100,25,1,3\r\nviolations=4\r\n", false, 4},
                           {"0,70,8,0,4,1,100,25,1,3 \nannounce=1.2\n", true, 0},
                           {"0,70,8,0,4,1,100,25,1,3\nviolations=4 lost\n", true, 0},
                           {"0,70,8,0,4,1,100,25,1,3\nviolations=4\nviolations=4\n", true, 0}}) {
        std::ofstream(file, std::ios::binary) << edit.text;
        program.complaints.clear();
        EXPECT_EQ(program.read_back()[2], 8) << edit.text;
        EXPECT_EQ(program.complaints.size(), edit.complains ? 1u : 0u) << edit.text;
        EXPECT_EQ(file_state(file).violations, edit.violations) << edit.text;
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

struct Writes {
    int failed = 0;
    int violations = 0;
};

// Sends `count` gain settings of `first`, `first` + 1, ..., each applied one logged to `log`.
Writes write_gains(const fs::path& file, const fs::path& log, int first, int count) {
    Program program(file, kDefaultSettings);
    program.sim.on_apply = [&log](const std::array<std::uint8_t, 3>& change) {
        std::ofstream(log, std::ios::app | std::ios::binary) << int(change[1]) << '\n';
    };
    Writes writes;
    for (int i = 0; i < count; ++i) {
        if (program.send(1, static_cast<std::uint8_t>(first + i % 10)) != 0) ++writes.failed;
    }
    writes.violations = program.sim.violations();
    return writes;
}

} // namespace

// Writers without an exchange lock of their own: their exchanges break into each other's
// (refused, never applied wrongly), the simulator's own changes of the file take turns, and
// no reader sees a part file.
TEST(SimStateFile, ConcurrentWritersNeverLeaveAPartFile) {
    const fs::path folder = scratch_folder("concurrent");
    const fs::path file = folder / "instrument.txt";
    const fs::path log = scratch_folder("concurrent-log") / "applied.txt";
    constexpr int kWriters = 4;
    constexpr int kCount = 200;
    int writer_count = 0;
    std::atomic<int> failed{0};
    std::atomic<int> violations{0};
#ifndef _WIN32
    // Other processes, as other programs would be (forked before this process has threads),
    // each telling its counts through a pipe.
    std::vector<std::pair<pid_t, int>> children;
    for (int w = 0; w < kWriters; ++w) {
        int counts[2];
        ASSERT_EQ(::pipe(counts), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const Writes writes = write_gains(file, log, 10 * w, kCount);
            (void)!::write(counts[1], &writes, sizeof writes);
            ::_exit(0);
        }
        ::close(counts[1]);
        children.emplace_back(child, counts[0]);
    }
    writer_count += kWriters;
#endif
    std::atomic<bool> done{false};
    int reads = 0;
    int unparsed = 0;
    std::thread reader([&] {
        while (!done) {
            std::string text;
            std::string why;
            std::this_thread::yield();
            if (read_small_file(file, 512, text, why) != ReadResult::ok) continue;
            SharedState state;
            bool second_line_ok = false;
            if (!parse_state(text, state, second_line_ok) || !second_line_ok) ++unparsed;
            ++reads;
        }
    });
#ifndef _WIN32
    for (const auto& [child, counts] : children) {
        Writes writes;
        EXPECT_EQ(::read(counts, &writes, sizeof writes), static_cast<ssize_t>(sizeof writes));
        ::close(counts);
        failed += writes.failed;
        violations += writes.violations;
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
#endif
    // And threads of one process, each with an instrument of its own.
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            const Writes writes = write_gains(file, log, 50 + 10 * w, kCount);
            failed += writes.failed;
            violations += writes.violations;
        });
    writer_count += kWriters;
    for (auto& writer : writers)
        writer.join();
    done = true;
    reader.join();

    EXPECT_EQ(unparsed, 0) << "of " << reads << " reads";
    const SharedState last = file_state(file);
    EXPECT_EQ(last.violations, static_cast<std::uint64_t>(violations)); // no count lost
    EXPECT_FALSE(last.announce || last.request);
    const std::vector<std::string> applied = lines_of(log);
    EXPECT_EQ(static_cast<int>(applied.size()), writer_count * kCount - failed);
    ASSERT_FALSE(applied.empty());
    EXPECT_EQ(applied.back(), std::to_string(last.settings[1])); // the last change is the last
    Settings others = last.settings;
    others[1] = kDefaultSettings[1];
    EXPECT_EQ(others, kDefaultSettings);
    int left = 0;
    for (const auto& entry : fs::directory_iterator(folder)) // the simulator's lock file stays
        left += entry.path() != file && entry.path().extension() != ".lock";
    EXPECT_EQ(left, 0) << "temporary files left behind";
    std::printf("%d writers x %d settings: %d refused, %d violations, %d reads of the file\n",
                writer_count, kCount, failed.load(), violations.load(), reads);
}

// The control program's events reach every program on the file: two instruments in this
// process, or one and the drop-in library.
TEST(SimStateFile, UnplugAndPowerCycleReachEveryProgramOnTheFile) {
    struct Case {
        const char* commands;
        bool present;
        bool power_on_settings; // or those it held
    };
    const std::vector<Case> cases{
        {"unplug", false, false},
        {"unplug,replug", true, false},
        {"power-off", false, true},
        {"power-cycle 0", true, true},
        {"unplug,power-cycle 0", false, true},
        {"power-off,replug", false, true},
        {"unplug,power-off,replug,power-on", true, true},
    };
    const fs::path folder = scratch_folder("events");
    qlm::testing::set_environment("EASYD12_SIM_STATE_FILE", (folder / "drop-in.txt").string());
    EasyD12Driver library;
    for (const bool drop_in : {false, true})
        for (const Case& c : cases) {
            const std::string name = c.commands + std::string(drop_in ? ", drop-in library" : "");
            const fs::path file = folder / (drop_in ? "drop-in.txt" : name + ".txt");
            std::string why;
            ASSERT_TRUE(replace_file(file, state_line(kStart), why)) << why;
            Program program(file);
            Program second(drop_in ? folder / "unused.txt" : file);
            UsbDriver& other = drop_in ? static_cast<UsbDriver&>(library) : second.sim;
            ASSERT_EQ(program.send(1, 30), 0) << name;
            ASSERT_EQ(other.write(kAnnounce), 0) << name; // an exchange in progress
            std::istringstream commands(c.commands);
            for (std::string command; std::getline(commands, command, ',');)
                EXPECT_EQ(sim_control(file, command), 0) << name;
            Settings expected = c.power_on_settings ? kDefaultSettings : kStart;
            expected[1] = c.power_on_settings ? expected[1] : 30;
            EXPECT_LT(other.write(make_data_frame(1, 20, 0)), 0) << name; // that exchange is over
            EXPECT_EQ(file_state(file).present(), c.present) << name;
            for (UsbDriver* driver : {static_cast<UsbDriver*>(&program.sim), &other}) {
                Frame answer{};
                const bool read = driver->write(kRequest) == 0 && driver->read(answer) == 0;
                EXPECT_EQ(read, c.present) << name;
                EXPECT_TRUE(!read || std::equal(expected.begin(), expected.end(), answer.begin()))
                    << name;
            }
            EXPECT_EQ(program.send(1, 40) == 0, c.present) << name;
            EXPECT_EQ(other.write(kAnnounce) == 0 && other.write(make_data_frame(1, 41, 0)) == 0,
                      c.present)
                << name;
            if (c.present) expected[1] = 41;
            EXPECT_EQ(file_state(file).settings, expected) << name;
        }
}

// A wrong command line (2) and a damaged file (1) change nothing.
TEST(SimStateFile, TheControlProgramRefusesWhatItCannotDo) {
    const fs::path file = scratch_folder("control") / "instrument.txt";
    std::ofstream(file, std::ios::binary) << "lost\n";
    EXPECT_EQ(sim_control(file, "pull"), 2);
    EXPECT_EQ(sim_control(file, "power-cycle -1"), 2);
    EXPECT_EQ(sim_control(file, "unplug"), 1);
    EXPECT_EQ(file_text(file), "lost\n");
}
