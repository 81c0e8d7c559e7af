// BridgeDriver over the real easyd12-bridge beside this test: the link's exchanges through it,
// and what a caller sees when the bridge dies, hangs, is missing or is some other program.
#include "link/bridge_driver.h"
#include "link/link.h"
#include "link/paths.h"
#include "terminate_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace qlm;
using namespace qlm::testing;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

#ifdef _WIN32
constexpr const char* kFaultyLibrary = "EasyD12_faulty.dll";
constexpr const char* kExeSuffix = ".exe";
#else
constexpr const char* kFaultyLibrary = "libEasyD12_faulty.so";
constexpr const char* kExeSuffix = "";
#endif

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A link over a bridge driver, recording the sends that did not arrive.
struct Rig {
    std::vector<SendResult> failed;
    std::vector<std::string> complaints;
    BridgeDriver driver;
    Link link{driver, LinkSeams{.after = [](auto, auto then) { then(); }}};

    void send(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1) {
        link.write_seting(num, data_ch, data_ch1, [this](SendResult result) {
            if (result != SendResult::delivered) failed.push_back(result);
        });
    }

    explicit Rig(std::vector<std::string> arguments = {}, BridgeOptions options = {})
        : driver(with_arguments(std::move(options), std::move(arguments)),
                 [this](const std::string& line) { complaints.push_back(line); }) {}

    // read_settings; the answer, or zeros when there was none.
    Frame read_back() {
        Frame answer{};
        link.read_settings([&](Link::ReadOutcome outcome, const Frame& got) {
            EXPECT_EQ(outcome, Link::ReadOutcome::answered);
            answer = got;
        });
        return answer;
    }

    static BridgeOptions with_arguments(BridgeOptions options, std::vector<std::string> arguments) {
        options.arguments = std::move(arguments);
        return options;
    }
};

// The faulty library's order file: "hang" or "exit" at the next call, until removed.
struct FaultOrder {
    fs::path file = scratch_file("fault.txt");
    FaultOrder() { set_environment("EASYD12_FAULTY_FILE", file.string()); }
    ~FaultOrder() { clear(); }
    void give(const char* order) const { std::ofstream(file, std::ios::binary) << order; }
    void clear() const {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
    // Waits until the library reports that a call hangs in it.
    bool hanging() const {
        for (int i = 0; i < 1000; ++i) {
            if (file_text(file) == "hanging") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

const Frame kAnnounce = make_control_frame(FrameType::write_announce);

} // namespace

TEST(BridgeDriver, SendsAndReadsBackThroughTheBridge) {
    const fs::path trace = scratch_file("trace.txt");
    set_environment("EASYD12_SIM_TRACE", trace.string());
    Rig rig;
    const auto start = Clock::now();
    rig.send(8, 3, 0);
    const double first_send = ms_since(start);
    rig.send(6, 26, 10); // 2586 ns
    const Frame answer = rig.read_back();
    set_environment("EASYD12_SIM_TRACE", "");

    EXPECT_TRUE(rig.failed.empty());
    EXPECT_TRUE(rig.complaints.empty());
    EXPECT_EQ(rig.driver.starts(), 1);
    EXPECT_EQ(answer, (Frame{0, 50, 4, 0, 4, 0, 26, 10, 1, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(lines_of(trace), (std::vector<std::string>{
                                   "W 01020304050102030405010203040504 0",
                                   "W 01020304050102030405010803000000 0",
                                   "W 01020304050102030405010203040504 0",
                                   "W 0102030405010203040501061a0a0000 0",
                                   "W 01020304050102030405010203040503 0",
                                   "R 0032040004001a0a0103000000000000 0",
                                   "R 0032040004001a0a0103000000000000 0",
                               }));

    constexpr int kCalls = 200;
    const auto calls = Clock::now();
    for (int i = 0; i < kCalls; ++i)
        rig.driver.write(kAnnounce);
    std::printf("%d-bit bridge: first send with start %.1f ms, then %.3f ms per call\n",
                rig.driver.bridge_bits(), first_send, ms_since(calls) / kCalls);
}

TEST(BridgeDriver, ACallTheBridgeDiesInFailsAndTheNextCallStartsANewOne) {
    FaultOrder fault;
    Rig rig({"--library", kFaultyLibrary});
    rig.send(8, 3, 0);
    ASSERT_TRUE(rig.failed.empty());

    // Killed from outside while the write-announce frame is inside the library.
    fault.give("hang");
    const long pid = rig.driver.bridge_pid();
    std::atomic<bool> killed{false};
    std::thread killer([&] { killed = fault.hanging() && terminate_process(pid); });
    rig.send(1, 60, 0);
    killer.join();
    EXPECT_TRUE(killed);
    EXPECT_EQ(rig.failed, std::vector<SendResult>{SendResult::announce_refused});
    EXPECT_NE(rig.driver.last_failure().find("ended during a call"), std::string::npos)
        << rig.driver.last_failure();
    EXPECT_EQ(rig.complaints.size(), 1u);
    fault.clear();

    rig.send(2, 8, 0);
    const Frame answer = rig.read_back();
    EXPECT_EQ(rig.failed.size(), 1u);
    EXPECT_EQ(rig.driver.starts(), 2);
    EXPECT_EQ(answer[2], 8);
    EXPECT_EQ(answer[9], 1); // a new instrument: the first bridge's damping is gone

    // The bridge ends by itself inside a call.
    fault.give("exit");
    EXPECT_EQ(rig.driver.write(kAnnounce), kBridgeFailedStatus);
    fault.clear();
    EXPECT_EQ(rig.driver.write(kAnnounce), 0);
    EXPECT_EQ(rig.driver.starts(), 3);
    EXPECT_TRUE(rig.driver.last_failure().empty());
}

TEST(BridgeDriver, ABridgeThatHangsIsStoppedAfterTheTimeout) {
    FaultOrder fault;
    BridgeOptions options;
    options.call_timeout = std::chrono::milliseconds(300);
    Rig rig({"--library", kFaultyLibrary}, options);
    EXPECT_EQ(rig.driver.write(kAnnounce), 0);
    const long hung = rig.driver.bridge_pid();
    fault.give("hang");
    const auto start = Clock::now();
    EXPECT_EQ(rig.driver.write(make_data_frame(8, 3, 0)), kBridgeFailedStatus);
    const double waited = ms_since(start);
    EXPECT_NE(rig.driver.last_failure().find("no answer within 300 ms"), std::string::npos)
        << rig.driver.last_failure();
    EXPECT_GE(waited, 250);
    EXPECT_LT(waited, 2000);
    EXPECT_EQ(rig.driver.bridge_pid(), 0);
    EXPECT_FALSE(terminate_process(hung)); // already gone
    fault.clear();
    EXPECT_EQ(rig.driver.write(kAnnounce), 0);
    EXPECT_EQ(rig.driver.starts(), 2);
    std::printf("a hanging call failed after %.0f ms\n", waited);
}

TEST(BridgeDriver, ABridgeThatEndedBetweenCallsIsReplacedBeforeTheNext) {
    Rig rig;
    EXPECT_EQ(rig.driver.write(kAnnounce), 0);
    ASSERT_TRUE(terminate_process(rig.driver.bridge_pid()));
    EXPECT_EQ(rig.driver.write(make_data_frame(8, 3, 0)), -1); // a new instrument: no announce
    EXPECT_EQ(rig.driver.starts(), 2);
    EXPECT_TRUE(rig.complaints.empty());
}

TEST(BridgeDriver, MissingOrForeignProgramsFailEachCallAndAreReportedOnce) {
    BridgeOptions missing;
    missing.program = join_path(program_folder(), std::string("no-such-bridge") + kExeSuffix);
    Rig absent({}, missing);
    EXPECT_EQ(absent.driver.write(kAnnounce), kBridgeFailedStatus);
    Frame buffer{};
    EXPECT_EQ(absent.driver.read(buffer), kBridgeFailedStatus);
    EXPECT_EQ(absent.driver.starts(), 0);
    ASSERT_EQ(absent.complaints.size(), 1u);
    EXPECT_NE(absent.complaints[0].find("no-such-bridge"), std::string::npos);

    // This test program itself, which prints its test list instead of a hello.
    BridgeOptions foreign;
    foreign.program = join_path(program_folder(), std::string("bridge_driver_test") + kExeSuffix);
    Rig impostor({"--gtest_list_tests"}, foreign);
    EXPECT_EQ(impostor.driver.write(kAnnounce), kBridgeFailedStatus);
    EXPECT_EQ(impostor.driver.write(kAnnounce), kBridgeFailedStatus);
    EXPECT_EQ(impostor.driver.starts(), 2);
    ASSERT_EQ(impostor.complaints.size(), 1u);
    EXPECT_NE(impostor.complaints[0].find("is not the EasyD12 bridge"), std::string::npos)
        << impostor.complaints[0];
    EXPECT_EQ(impostor.driver.bridge_pid(), 0);
}

TEST(BridgeDriver, SaysWhetherItsLibraryIsTheSimulator) {
    Rig simulator;
    EXPECT_TRUE(simulator.driver.is_simulator());
    EXPECT_EQ(simulator.driver.write(kAnnounce), 0); // the same bridge goes on
    EXPECT_EQ(simulator.driver.starts(), 1);

    Rig other({"--library", kFaultyLibrary}); // both calls, no simulator info
    EXPECT_FALSE(other.driver.is_simulator());
    EXPECT_EQ(other.driver.write(kAnnounce), 0);

    BridgeOptions missing;
    missing.program = join_path(program_folder(), std::string("no-such-bridge") + kExeSuffix);
    Rig absent({}, missing);
    EXPECT_FALSE(absent.driver.is_simulator());
    EXPECT_TRUE(other.complaints.empty() && simulator.complaints.empty());
}

TEST(BridgeDriver, ABridgeOfAnotherProtocolVersionIsRefusedAndNamedSo) {
    BridgeOptions old;
    old.program = join_path(program_folder(), std::string("easyd12-bridge-v1") + kExeSuffix);
    Rig rig({}, old);
    EXPECT_EQ(rig.driver.write(kAnnounce), kBridgeFailedStatus);
    EXPECT_FALSE(rig.driver.is_simulator());
    EXPECT_EQ(rig.driver.starts(), 2);
    ASSERT_EQ(rig.complaints.size(), 1u);
    EXPECT_NE(rig.complaints[0].find("of another protocol version (this program needs protocol " +
                                     std::to_string(bridge::kProtocolVersion) + ")"),
              std::string::npos)
        << rig.complaints[0];
    EXPECT_EQ(rig.failed.size(), 0u);
}

TEST(BridgeDriver, TwoBridgesShareOneInstrumentThroughTheStateFile) {
    const fs::path file = scratch_file("instrument.txt");
    set_environment("EASYD12_SIM_STATE_FILE", file.string());
    Rig window;
    Rig script;
    window.send(8, 2, 0);   // damping 75
    script.send(6, 26, 10); // 2586 ns
    const Frame seen_by_window = window.read_back();
    const Frame seen_by_script = script.read_back();
    set_environment("EASYD12_SIM_STATE_FILE", "");

    EXPECT_NE(window.driver.bridge_pid(), script.driver.bridge_pid());
    EXPECT_EQ(seen_by_window, (Frame{0, 50, 4, 0, 4, 0, 26, 10, 1, 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(seen_by_script, seen_by_window);
    EXPECT_EQ(lines_of(file).at(0), "0,50,4,0,4,0,26,10,1,2");
    EXPECT_TRUE(window.failed.empty() && script.failed.empty());
}

// Two processes on one simulated instrument: frames of one inside the other's exchange are
// refused, and counted in the file, where the real instrument would apply one program's data
// frame for the other's announce.
TEST(BridgeDriver, TwoBridgesInsideEachOthersExchangeAreRefusedNotMixedUp) {
    const fs::path file = scratch_file("interleaved.txt");
    const fs::path applied = scratch_file("applied.txt");
    set_environment("EASYD12_SIM_STATE_FILE", file.string());
    set_environment("EASYD12_SIM_APPLIED", applied.string());
    Rig a;
    Rig b;
    const Frame announce = make_control_frame(FrameType::write_announce);
    EXPECT_EQ(a.driver.write(announce), 0);
    EXPECT_LT(b.driver.write(announce), 0);
    EXPECT_LT(a.driver.write(make_data_frame(1, 30, 0)), 0);
    EXPECT_LT(b.driver.write(make_data_frame(1, 40, 0)), 0);
    a.link.write_seting(8, 2, 0); // one after the other
    b.link.write_seting(1, 40, 0);
    set_environment("EASYD12_SIM_STATE_FILE", "");
    set_environment("EASYD12_SIM_APPLIED", "");

    EXPECT_EQ(lines_of(file), (std::vector<std::string>{"0,40,4,0,4,0,200,0,1,2", "violations=3"}));
    const std::vector<std::string> changes = lines_of(applied);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].rfind("8,2,0 " + std::to_string(a.driver.bridge_pid()) + ".", 0), 0u)
        << changes[0];
    EXPECT_EQ(changes[1].rfind("1,40,0 " + std::to_string(b.driver.bridge_pid()) + ".", 0), 0u)
        << changes[1];
}
