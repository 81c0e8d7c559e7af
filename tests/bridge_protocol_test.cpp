// easyd12-bridge on the wire: the program beside this test, over the simulator library in
// the same folder, spoken to byte by byte.
#include "link/bridge_protocol.h"
#include "link/easyd12_api.h"
#include "link/paths.h"
#include "link/process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace qlm;
using namespace qlm::testing;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

namespace {

// A running bridge and the raw exchange with it.
struct Wire {
    ChildProcess bridge;

    explicit Wire(const std::vector<std::string>& arguments = {}) {
        const std::string program = join_path(program_folder(), bridge::kBridgeFileName);
        EXPECT_TRUE(bridge.start(program, arguments)) << program << ": " << bridge.error();
    }

    bridge::Reply call(const bridge::Request& request) {
        bridge::Reply reply{};
        EXPECT_EQ(bridge.write_all(request.data(), request.size(), milliseconds(5000)),
                  IoResult::ok);
        EXPECT_EQ(bridge.read_exact(reply.data(), reply.size(), milliseconds(5000)), IoResult::ok);
        return reply;
    }
    bridge::Reply call(std::uint8_t kind, const Frame& body = {}) {
        return call(bridge::make_request(kind, body));
    }
    std::int16_t status(std::uint8_t kind, const Frame& body = {}) {
        return bridge::reply_status(call(kind, body));
    }
};

} // namespace

TEST(BridgeProtocol, StatusesKeepTheirSignAndBytesTheirPlace) {
    for (const std::int16_t status : {0, 1, -1, -2, 255, 256, -256, 32767, -32768}) {
        EXPECT_EQ(bridge::reply_status(bridge::make_reply(status)), status);
    }
    EXPECT_EQ(bridge::make_reply(0x1234)[0], 0x34); // low byte first
    EXPECT_EQ(bridge::make_reply(-1)[1], 0xff);
    const Frame body = make_data_frame(6, 100, 25);
    const bridge::Request request = bridge::make_request(bridge::kWrite, body);
    EXPECT_EQ(request[0], 'W');
    EXPECT_EQ(bridge::request_body(request), body);
    EXPECT_EQ(bridge::reply_body(bridge::make_reply(7, body)), body);
    EXPECT_TRUE(bridge::is_hello(bridge::hello_body(64)));
    for (const int version : {bridge::kProtocolVersion - 1, bridge::kProtocolVersion + 1}) {
        Frame other_version = bridge::hello_body(0);
        other_version[14] = static_cast<std::uint8_t>(version);
        EXPECT_FALSE(bridge::is_hello(other_version));
    }
}

TEST(BridgeProtocol, HelloThenTheLibrarysCallsWithEveryByteValueIntact) {
    // Newline, carriage return and Ctrl-Z travel both ways: the bridge's stdio is binary.
    set_environment("EASYD12_SIM_STATE", "26,60,10,13,4,0,200,0,1,1");
    const fs::path trace = scratch_file("trace.txt");
    set_environment("EASYD12_SIM_TRACE", trace.string());
    Wire wire;
    set_environment("EASYD12_SIM_STATE", "");
    set_environment("EASYD12_SIM_TRACE", "");

    const bridge::Reply hello = wire.call(bridge::kHello, bridge::hello_body(0));
    EXPECT_EQ(bridge::reply_status(hello), 0);
    const Frame greeting = bridge::reply_body(hello);
    EXPECT_TRUE(bridge::is_hello(greeting));
    EXPECT_TRUE(greeting[15] == 32 || greeting[15] == 64) << int(greeting[15]);
    std::printf("bridge: %d-bit\n", greeting[15]);

    EXPECT_EQ(wire.status(bridge::kWrite, make_control_frame(FrameType::read_request)), 0);
    bridge::Reply answer = wire.call(bridge::kRead);
    EXPECT_EQ(bridge::reply_status(answer), 0);
    EXPECT_EQ(bridge::reply_body(answer),
              (Frame{26, 60, 10, 13, 4, 0, 200, 0, 1, 1, 0, 0, 0, 0, 0, 0}));

    // Pulse width 2586 ns: value bytes 26 and 10.
    EXPECT_EQ(wire.status(bridge::kWrite, make_control_frame(FrameType::write_announce)), 0);
    EXPECT_EQ(wire.status(bridge::kWrite, make_data_frame(6, 26, 10)), 0);
    // A read without a request: the simulator's refusal comes back as it is.
    EXPECT_EQ(wire.status(bridge::kRead), -1);
    wire.call(bridge::kWrite, make_control_frame(FrameType::read_request));
    answer = wire.call(bridge::kRead, Frame{9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    EXPECT_EQ(bridge::reply_body(answer)[6], 26);
    EXPECT_EQ(bridge::reply_body(answer)[7], 10);
    EXPECT_EQ(bridge::reply_body(answer)[12], 0); // the library wrote the whole buffer
    EXPECT_EQ(wire.bridge.finish(milliseconds(5000)), 0);

    std::ifstream lines(trace);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);)
        got.push_back(line);
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[0], "W 01020304050102030405010203040503 0");
    EXPECT_EQ(got[1], "R 1a3c0a0d0400c8000101000000000000 0");
    EXPECT_EQ(got[3], "W 010203040501020304050106"
                      "1a0a0000 0");
}

TEST(BridgeProtocol, UnknownRequestsAreRefusedAndTheStreamStaysInStep) {
    Wire wire;
    EXPECT_EQ(wire.status('X'), bridge::kBadRequestStatus);
    // A hello of an older or newer program.
    for (const int version : {1, bridge::kProtocolVersion + 1}) {
        Frame other = bridge::hello_body(0);
        other[14] = static_cast<std::uint8_t>(version);
        EXPECT_EQ(wire.status(bridge::kHello, other), bridge::kBadRequestStatus) << version;
    }
    Frame noise{};
    noise.fill(0x0a);
    EXPECT_EQ(wire.status(bridge::kHello, noise), bridge::kBadRequestStatus);
    const bridge::Reply hello = wire.call(bridge::kHello, bridge::hello_body(0));
    EXPECT_EQ(bridge::reply_status(hello), 0);
    EXPECT_TRUE(bridge::is_hello(bridge::reply_body(hello)));
}

TEST(BridgeProtocol, InfoSaysWhetherTheLibraryIsTheSimulator) {
#ifdef _WIN32
    const std::string faulty = "EasyD12_faulty.dll"; // both calls, but not the simulator's info
#else
    const std::string faulty = "libEasyD12_faulty.so";
#endif
    for (const auto& [arguments, simulator] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{}, 1}, {{"--library", faulty}, 0}, {{"--library", "EasyD12-nowhere.dll"}, 0}}) {
        Wire wire(arguments);
        const bridge::Reply info = wire.call(bridge::kInfo);
        EXPECT_EQ(bridge::reply_status(info), 0);
        EXPECT_EQ(bridge::reply_body(info), (Frame{static_cast<std::uint8_t>(simulator)}))
            << (arguments.empty() ? "the simulator" : arguments[1]);
    }
}

TEST(BridgeProtocol, ExitsWhenItsInputEnds) {
    Wire between_requests;
    between_requests.call(bridge::kHello, bridge::hello_body(0));
    EXPECT_EQ(between_requests.bridge.finish(milliseconds(5000)), 0);

    Wire inside_a_request;
    const char half[5] = {'W', 1, 2, 3, 4};
    EXPECT_EQ(inside_a_request.bridge.write_all(half, sizeof half, milliseconds(5000)),
              IoResult::ok);
    EXPECT_EQ(inside_a_request.bridge.finish(milliseconds(5000)), 2);
}

TEST(BridgeProtocol, TheLibraryNamedOnTheCommandLine) {
    Wire missing({"--library", "EasyD12-nowhere.dll"});
    EXPECT_EQ(missing.status(bridge::kHello, bridge::hello_body(0)), 0);
    EXPECT_EQ(missing.status(bridge::kWrite, make_control_frame(FrameType::write_announce)), -1);
    EXPECT_EQ(missing.status(bridge::kRead), -1);
    EXPECT_TRUE(missing.bridge.running()); // answers as an absent instrument

    // A name with spaces reaches the bridge as one argument.
    const std::string spaced = std::string("copy with spaces ") + kEasyD12FileName;
    const fs::path copy = fs::path(program_folder()) / spaced;
    fs::copy_file(fs::path(program_folder()) / kEasyD12FileName, copy,
                  fs::copy_options::overwrite_existing);
    Wire found({"--library", spaced});
    EXPECT_EQ(found.status(bridge::kWrite, make_control_frame(FrameType::write_announce)), 0);
    found.bridge.finish(milliseconds(5000));
    fs::remove(copy);
}
