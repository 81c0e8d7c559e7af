#include "sim_instrument.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::sim;

namespace {
const Frame kAnnounce = make_control_frame(FrameType::write_announce);
const Frame kRequest = make_control_frame(FrameType::read_request);
} // namespace

TEST(Simulator, AppliesEveryCodeToItsSettingsByte) {
    SimInstrument sim;
    const std::vector<std::array<std::uint8_t, 3>> commands{{0, 1, 0},    {1, 70, 0}, {2, 16, 0},
                                                            {3, 1, 0},    {4, 6, 0},  {5, 1, 0},
                                                            {6, 100, 25}, {7, 0, 0},  {8, 3, 0}};
    for (const auto& c : commands) {
        EXPECT_EQ(sim.write(kAnnounce), 0);
        EXPECT_EQ(sim.write(make_data_frame(c[0], c[1], c[2])), 0);
    }
    EXPECT_EQ(sim.settings(), (Settings{1, 70, 16, 1, 6, 1, 100, 25, 0, 3}));
    EXPECT_EQ(sim.applied(), commands);
    EXPECT_EQ(sim.violations(), 0);

    EXPECT_EQ(sim.write(kRequest), 0);
    Frame answer{};
    EXPECT_EQ(sim.read(answer), 0);
    EXPECT_EQ(sim.read(answer), 0);
    EXPECT_EQ(answer, (Frame{1, 70, 16, 1, 6, 1, 100, 25, 0, 3, 0, 0, 0, 0, 0, 0}));
}

TEST(Simulator, CountsProtocolViolations) {
    SimInstrument sim;
    Frame answer{};
    EXPECT_LT(sim.write(make_data_frame(8, 3, 0)), 0); // no announce
    EXPECT_LT(sim.read(answer), 0);                    // no request
    Frame bad_header = kAnnounce;
    bad_header[3] = 9;
    EXPECT_LT(sim.write(bad_header), 0);
    Frame bad_type = kAnnounce;
    bad_type[kTypeByte] = 7;
    EXPECT_LT(sim.write(bad_type), 0);
    sim.write(kAnnounce);
    EXPECT_LT(sim.write(kRequest), 0); // a request where a data frame is due
    sim.write(kAnnounce);
    EXPECT_LT(sim.write(make_data_frame(9, 0, 0)), 0); // unknown code
    std::uint8_t raw[16] = {};
    EXPECT_LT(sim.write_port(raw, 15), 0);
    EXPECT_EQ(sim.violations(), 7);
    EXPECT_EQ(sim.settings(), kDefaultSettings);
}

TEST(Simulator, RejectsValuesTheInstrumentDoesNotTake) {
    SimInstrument sim;
    for (const auto& c : std::vector<std::array<std::uint8_t, 3>>{{0, 2, 0},
                                                                  {1, 111, 0},
                                                                  {2, 0, 0},
                                                                  {2, 17, 0},
                                                                  {4, 7, 0},
                                                                  {6, 24, 0},
                                                                  {6, 101, 25},
                                                                  {8, 0, 0}}) {
        sim.write(kAnnounce);
        EXPECT_LT(sim.write(make_data_frame(c[0], c[1], c[2])), 0);
    }
    EXPECT_EQ(sim.rejected_values(), 8);
    EXPECT_EQ(sim.violations(), 0);
    EXPECT_EQ(sim.settings(), kDefaultSettings);
}

TEST(Simulator, FaultModes) {
    Frame answer{};
    SimInstrument absent;
    absent.faults.absent = true;
    EXPECT_LT(absent.write(kAnnounce), 0);
    EXPECT_LT(absent.write(kRequest), 0);
    EXPECT_LT(absent.read(answer), 0);

    SimInstrument data;
    data.faults.data = true;
    EXPECT_EQ(data.write(kAnnounce), 0);
    EXPECT_LT(data.write(make_data_frame(8, 3, 0)), 0);
    EXPECT_EQ(data.settings(), kDefaultSettings);
    EXPECT_EQ(data.write(kRequest), 0);

    SimInstrument request;
    request.faults.request = true;
    EXPECT_LT(request.write(kRequest), 0);
    EXPECT_EQ(request.write(kAnnounce), 0);

    SimInstrument reads;
    reads.faults.answer = true;
    EXPECT_EQ(reads.write(kRequest), 0);
    EXPECT_LT(reads.read(answer), 0);
    EXPECT_EQ(absent.violations() + data.violations() + request.violations() + reads.violations(),
              0);
}

TEST(Simulator, EnvironmentSettingsAndTrace) {
    Settings settings{};
    EXPECT_TRUE(parse_settings("0,70,4,0,4,1,100,25,1,3", settings));
    EXPECT_EQ(settings, (Settings{0, 70, 4, 0, 4, 1, 100, 25, 1, 3}));
    for (const char* bad : {"", "1,2,3", "0,70,4,0,4,1,100,25,1,3,5", "0,70,4,0,4,1,256,25,1,3",
                            "0,70,4,0,4,1,-1,25,1,3", "0,,4,0,4,1,100,25,1,3", "a,b"}) {
        EXPECT_FALSE(parse_settings(bad, settings)) << bad;
    }
    Faults faults;
    EXPECT_TRUE(parse_faults("absent,answer", faults));
    EXPECT_TRUE(faults.absent && faults.answer && !faults.data && !faults.request);
    EXPECT_FALSE(parse_faults("absnet", faults));
    EXPECT_EQ(trace_line({'W', kAnnounce, 0}), "W 01020304050102030405010203040504 0");
    EXPECT_EQ(trace_line({'R', Frame{}, -1}), "R 00000000000000000000000000000000 -1");
}
