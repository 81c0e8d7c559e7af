// The command line's commands and exit statuses over the in-process simulator.
#include "cli_rig.h"
#include "sim_cases.h"

#include "link/link.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;
using Args = std::vector<std::string>;
using namespace std::chrono_literals;

namespace {

const sim::Settings kWidth1000{0, 50, 4, 0, 6, 0, 232, 3, 1, 1}; // 5000 Hz, 1000 ns

} // namespace

TEST(CliUsage, WrongUsageExitsOneAndLeavesTheInstrumentAlone) {
    for (const Args& args : std::vector<Args>{
             {},
             {"reset"},
             {"get", "--xml"},
             {"get", "--json", "--json"},
             {"set"},
             {"set", "damping"},
             {"set", "damping", "100"},     // not an entry of the list
             {"set", "speed", "3"},         // no such parameter
             {"set", "probe_freq", "5.00"}, // follows the width
             {"set", "gain", ""},
             {"set", "damping", "150", "lpf"},
             {"upload"},
             {"export", "a.qini", "b.qini"},
             {"compare"},
         }) {
        CliRig rig;
        const CliResult result = rig.run(args);
        EXPECT_EQ(result.status, cli::kUsage) << ::testing::PrintToString(args);
        EXPECT_TRUE(contains(result.err, "--help")) << result.err;
        EXPECT_TRUE(result.out.empty());
        EXPECT_TRUE(rig.instrument.calls().empty());
    }
    CliRig rig;
    EXPECT_TRUE(contains(rig.run({"set", "damping", "100"}).err, "可选：400 150 80 50"));
    EXPECT_TRUE(contains(rig.run({"set", "speed", "1"}).err, "未知参数：speed"));
}

TEST(CliUsage, HelpInChineseAnywhereOnTheLine) {
    CliRig rig;
    for (const Args& args : std::vector<Args>{{"--help"}, {"-h"}, {"set", "pw", "--help"}}) {
        const CliResult result = rig.run(args);
        EXPECT_EQ(result.status, cli::kDone);
        EXPECT_TRUE(contains(result.out, "退出状态"));
        EXPECT_TRUE(contains(result.out, "upload 文件.qini"));
    }
    EXPECT_TRUE(rig.instrument.calls().empty());
}

TEST(CliGet, DisplayTextsWithUnitsOrJsonByFieldName) {
    CliRig rig({1, 70, 16, 1, 3, 1, 100, 25, 0, 3});
    const CliResult plain = rig.run({"get"});
    EXPECT_EQ(plain.status, cli::kDone);
    EXPECT_EQ(plain.out, "mode        双\n"
                         "gain        20dB\n"
                         "voltage     -400V\n"
                         "trigger     外部\n"
                         "prf         500Hz\n"
                         "lpf         30MHz\n"
                         "pw          6500nS\n"
                         "hpf_unit    1kHz\n"
                         "probe_freq  0.08MHz\n"
                         "damping     150Ω\n");
    const CliResult json = rig.run({"get", "--json"});
    EXPECT_EQ(json.status, cli::kDone);
    EXPECT_EQ(json.out, "{\n  \"mode\": \"dual\",\n  \"gain\": 20,\n  \"voltage\": 400,\n"
                        "  \"trigger\": \"external\",\n  \"prf\": 500,\n  \"lpf\": 30000000,\n"
                        "  \"pw\": 0.0000065,\n  \"hpf_unit\": 1000,\n  \"probe_freq\": 80000,\n"
                        "  \"damping\": 150,\n  \"display\": {\n    \"mode\": \"双\",\n"
                        "    \"gain\": \"20dB\",\n    \"voltage\": \"-400V\",\n"
                        "    \"trigger\": \"外部\",\n    \"prf\": \"500Hz\",\n"
                        "    \"lpf\": \"30MHz\",\n    \"pw\": \"6500nS\",\n"
                        "    \"hpf_unit\": \"1kHz\",\n    \"probe_freq\": \"0.08MHz\",\n"
                        "    \"damping\": \"150Ω\"\n  }\n}\n");
    // Only read requests: one per run.
    EXPECT_EQ(rig.writes_of(FrameType::read_request), 2);
    EXPECT_EQ(rig.instrument.calls().size(), 6u);
}

TEST(CliSet, SendsAsTheWindowWithItsWaitsAndSaysWhat) {
    CliRig rig;
    const CliResult result = rig.run({"set", "damping", "150"});
    EXPECT_EQ(result.status, cli::kDone);
    EXPECT_EQ(result.out, "已发送 damping=150Ω（8 3 0）\n");
    const auto& calls = rig.instrument.calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(sim::trace_line(calls[3]), "W 01020304050102030405010203040504 0");
    EXPECT_EQ(sim::trace_line(calls[4]), "W 01020304050102030405010803000000 0");
    // Real time for the window's passes: before the answer, then between the two frames.
    EXPECT_EQ(rig.sleeps, (std::vector<std::chrono::microseconds>{150001us, 100001us}));
    EXPECT_EQ(rig.call_times[1] - rig.call_times[0], 150001us);
    EXPECT_EQ(rig.call_times[4] - rig.call_times[3], 100001us);
}

TEST(CliSet, ListEntriesWithOrWithoutTheirUnit) {
    CliRig rig;
    const CliResult result =
        rig.run({"set", "prf", "200", "prf", "500Hz", "lpf", "30", "lpf", "10MHz", "hpf_unit",
                 "kHz", "hpf_unit", "1MHz", "mode", "双", "trigger", "外部", "damping", "400Ω"});
    EXPECT_EQ(result.status, cli::kDone) << result.err;
    EXPECT_EQ(rig.instrument.applied(), (Applied{{4, 2, 0},
                                                 {4, 3, 0},
                                                 {5, 1, 0},
                                                 {5, 0, 0},
                                                 {7, 0, 0},
                                                 {7, 1, 0},
                                                 {0, 1, 0},
                                                 {3, 1, 0},
                                                 {8, 4, 0}}));
    // Each PRF choice opened the list, which fetched the width: a request read at once.
    EXPECT_EQ(rig.writes_of(FrameType::read_request), 3);
}

TEST(CliSet, TheRulesFollowTheRunsOwnEarlierPairs) {
    CliRig rig(kWidth1000);
    // The width lowers the PRF, which goes out first; the probe frequency follows.
    CliResult result = rig.run({"set", "pw", "6500"});
    EXPECT_EQ(result.status, cli::kDone);
    EXPECT_EQ(result.out, "已发送 prf=500Hz（4 3 0）\n"
                          "已发送 pw=6500nS（6 100 25）\n"
                          "仅显示 probe_freq=0.08MHz（由脉冲宽度得出）\n");
    // A PRF chosen before a shorter width is checked against the width in force then.
    result = rig.run({"set", "prf", "1000Hz", "pw", "200"});
    EXPECT_EQ(result.status, cli::kRefused);
    result = rig.run({"set", "pw", "200", "prf", "5000Hz"});
    EXPECT_EQ(result.status, cli::kDone) << result.err;
    EXPECT_EQ(rig.instrument.applied().back(), (std::array<std::uint8_t, 3>{4, 6, 0}));
}

TEST(CliSet, ARefusalAnywhereSendsNothingOfTheRun) {
    struct Case {
        sim::Settings start;
        Args args;
        const char* refusal;
    };
    const char* const kPrfRefused = "重复频率与脉冲宽度不匹配，请重新选择重复频率！";
    for (const Case& c : std::vector<Case>{
             {sim::kDefaultSettings, {"set", "pw", "7000"}, "pw 7000：脉冲宽度25~6500ns"},
             {sim::kDefaultSettings, {"set", "damping", "150", "gain", "61"}, "增益值：-50~60dB!"},
             {sim::kDefaultSettings, {"set", "voltage", "24", "mode", "双"}, "电压值范围25~400V!"},
             {sim::kDefaultSettings, {"set", "gain", "abc"}, "gain abc：增益值：-50~60dB!"},
             {sim::kDefaultSettings, {"set", "pw", "-100"}, "脉冲宽度25~6500ns"},
             {kWidth1000, {"set", "prf", "5000Hz"}, kPrfRefused},
             // Allowed by the instrument's width, refused by the width set before it.
             {sim::kDefaultSettings, {"set", "pw", "6000", "prf", "1000"}, kPrfRefused},
         }) {
        CliRig rig(c.start);
        const CliResult result = rig.run(c.args);
        EXPECT_EQ(result.status, cli::kRefused) << ::testing::PrintToString(c.args);
        EXPECT_TRUE(contains(result.err, c.refusal)) << result.err;
        EXPECT_TRUE(contains(result.err, "未发送任何参数"));
        EXPECT_EQ(rig.writes_of(FrameType::write_announce), 0);
        EXPECT_EQ(rig.writes_of(FrameType::data), 0);
        EXPECT_EQ(rig.instrument.settings(), c.start);
        EXPECT_TRUE(result.out.empty());
    }
}

TEST(CliSet, ARefusedDataFrameOrAnnounceIsExitThree) {
    CliRig rig;
    rig.instrument.faults.data = true;
    CliResult result = rig.run({"set", "damping", "150"});
    EXPECT_EQ(result.status, cli::kUnreachable);
    EXPECT_EQ(result.out, "未送达 damping=150Ω（8 3 0）：仪器未接收\n");
    EXPECT_EQ(result.err, std::string("错误：") + kConnectionFailed + "\n");

    // Taking the request but no announce: the window's message, once per refused frame.
    rig.instrument.faults = {};
    int reads = 0;
    rig.instrument.on_call = [&](const sim::Call& call) {
        if (call.direction == 'R' && ++reads == 2) rig.instrument.faults.absent = true;
    };
    result = rig.run({"set", "damping", "150", "lpf", "30"});
    EXPECT_EQ(result.status, cli::kUnreachable);
    EXPECT_EQ(result.err,
              std::string("错误：") + kConnectionFailed + "\n错误：" + kConnectionFailed + "\n");
}

// Between the read-back and a later pair another program changed the width: the run stops
// before the pair the rules now refuse, and says what it sent.
TEST(CliSet, ARunRefusedAfterItsFirstSendIsPartlyDone) {
    CliRig rig;
    rig.instrument.on_call = [&](const sim::Call& call) {
        if (call.direction == 'W' && call.frame[kTypeByte] == std::uint8_t(FrameType::data))
            rig.instrument.set_settings(with_width(6500));
    };
    const CliResult result = rig.run({"set", "damping", "150", "prf", "5000Hz", "gain", "10"});
    EXPECT_EQ(result.status, cli::kPartly);
    EXPECT_EQ(result.out, "已发送 damping=150Ω（8 3 0）\n");
    EXPECT_TRUE(contains(result.err, "prf 5000Hz：重复频率与脉冲宽度不匹配")) << result.err;
    EXPECT_TRUE(contains(result.err, "其余参数未发送。"));
    EXPECT_EQ(rig.writes_of(FrameType::data), 1);
}

// Fields of a file the rules refuse are named and not sent; the rest goes out.
TEST(CliUpload, AFileTheRulesPartlyRefuseIsNamedAndNotReportedDone) {
    struct Case {
        SettingsTexts file;
        int status;
        const char* named;
    };
    for (const Case& c : {Case{{"双", "999", "100", "外部", "1000", "30", "200", "MHz", "", "150"},
                               cli::kPartly,
                               "接收增益 “999”：增益值：-50~60dB!"},
                          {{"", "", "", "", "", "", "", "", "", ""}, cli::kRefused, "工作模式 “”"},
                          {{"单", "0", "130", "内部", "1000", "10", "200", "MHz", "", "50"},
                           cli::kDone,
                           "脉冲电压 “130”：按仪器的步进取为 -125V"}}) {
        CliRig rig;
        rig.memory.files["set.qini"] = c.file;
        const CliResult result = rig.run({"upload", "set.qini"});
        EXPECT_EQ(result.status, c.status) << c.named;
        EXPECT_TRUE(contains(result.err, c.named)) << result.err;
        EXPECT_FALSE(contains(result.out, "130V")) << result.out;
        EXPECT_EQ(rig.instrument.rejected_values(), 0);
    }
}

TEST(CliUnreachable, EveryInstrumentCommandExitsThreeWithTheWindowsMessage) {
    for (const bool absent : {true, false}) {
        for (const Args& args : std::vector<Args>{{"get"},
                                                  {"get", "--json"},
                                                  {"set", "damping", "150"},
                                                  {"upload", "set.qini"},
                                                  {"export", "out.qini"},
                                                  {"compare", "set.qini"}}) {
            CliRig rig;
            rig.memory.files["set.qini"] = kExampleSet;
            // No instrument, or one that takes the request and never answers.
            (absent ? rig.instrument.faults.absent : rig.instrument.faults.answer) = true;
            const CliResult result = rig.run(args);
            EXPECT_EQ(result.status, cli::kUnreachable) << ::testing::PrintToString(args);
            EXPECT_EQ(result.err, std::string("错误：") + kConnectionFailed + "\n");
            EXPECT_TRUE(result.out.empty());
            EXPECT_EQ(rig.writes_of(FrameType::write_announce), 0);
            EXPECT_FALSE(rig.memory.files.count("out.qini")); // no file of initial values
        }
    }
}

TEST(CliUpload, NineCommandsOverThirteenTicksTwoHundredMillisecondsApart) {
    CliRig rig;
    rig.memory.files["set.qini"] = kExampleSet;
    const CliResult result = rig.run({"upload", "set.qini"});
    EXPECT_EQ(result.status, cli::kDone) << result.err;
    EXPECT_EQ(rig.instrument.applied(), kExampleSetFrames);
    EXPECT_TRUE(contains(result.out, "已发送 pw=6500nS（6 100 25）\n已发送 hpf_unit=1MHz"));
    EXPECT_TRUE(contains(result.err, "\r上传 1/13"));
    EXPECT_TRUE(contains(result.err, "\r上传 13/13\n"));
    // Announces at ticks 1, 2, 4, 6, 7, 9, 11, 12, 13: 200 ms apart from the import on.
    const auto& calls = rig.instrument.calls();
    std::vector<cli::Clock::time_point> announces;
    for (std::size_t i = 3; i < calls.size(); ++i) {
        if (calls[i].frame[kTypeByte] == std::uint8_t(FrameType::write_announce))
            announces.push_back(rig.call_times[i]);
    }
    ASSERT_EQ(announces.size(), 9u);
    const std::vector<int> ticks{1, 2, 4, 6, 7, 9, 11, 12, 13};
    for (std::size_t i = 0; i < ticks.size(); ++i)
        EXPECT_EQ(announces[i] - announces[0], (ticks[i] - 1) * 200ms) << i;
}

TEST(CliFiles, AFileThatCannotBeReadOrWrittenExitsFiveWithTheReason) {
    CliRig rig;
    CliResult result = rig.run({"upload", "missing.qini"});
    EXPECT_EQ(result.status, cli::kFileError);
    EXPECT_EQ(result.err, "导入失败：missing.qini\n无法打开文件\n");
    EXPECT_TRUE(rig.instrument.calls().empty());
    result = rig.run({"compare", "missing.qini"});
    EXPECT_EQ(result.status, cli::kFileError);
    EXPECT_TRUE(rig.instrument.calls().empty());

    rig.memory.save_problem = "无法写入文件：Permission denied";
    result = rig.run({"export", "out.qini"});
    EXPECT_EQ(result.status, cli::kFileError);
    EXPECT_EQ(result.err, "导出失败：out.qini\n无法写入文件：Permission denied\n");
}

TEST(CliFiles, ExportThenCompareAndCompareAfterARefusedUpload) {
    CliRig rig;
    ASSERT_EQ(rig.run({"export", "now.qini"}).status, cli::kDone);
    EXPECT_EQ(rig.memory.files["now.qini"],
              (SettingsTexts{"单", "0", "100", "内部", "1000", "10", "200", "MHz", "2.50", "50"}));
    CliResult result = rig.run({"compare", "now.qini"});
    EXPECT_EQ(result.status, cli::kDone);
    EXPECT_EQ(result.out, "仪器参数与文件一致。\n");

    rig.memory.files["set.qini"] = kExampleSet;
    rig.instrument.faults.data = true;
    EXPECT_EQ(rig.run({"upload", "set.qini"}).status, cli::kUnreachable);
    rig.instrument.faults.data = false;
    result = rig.run({"compare", "set.qini"});
    EXPECT_EQ(result.status, cli::kDiffers);
    EXPECT_EQ(result.out, "以下参数与文件不一致：\n"
                          "mode（工作模式）：文件 双，仪器 单\n"
                          "gain（接收增益）：文件 20dB，仪器 0dB\n"
                          "trigger（触发源）：文件 外部，仪器 内部\n"
                          "lpf（低通滤波）：文件 30MHz，仪器 10MHz\n"
                          "pw（脉冲宽度）：文件 6500nS，仪器 200nS\n"
                          "damping（阻尼）：文件 150Ω，仪器 50Ω\n");
    // A compare sends nothing but its read request.
    EXPECT_EQ(rig.writes_of(FrameType::read_request), 4);
}
