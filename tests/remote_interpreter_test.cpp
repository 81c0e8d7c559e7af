// The remote command set over the front panel and the simulator: what each line answers,
// which errors it queues and which data frames the instrument applied.
#include "remote_rig.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string answers; // every non-empty answer, joined by " / "
    std::string errors;  // the codes left in the queue
    Applied applied;
    sim::Settings settings = sim::kDefaultSettings;
};

const sim::Settings kWidth1500 = with_width(1500);

const std::vector<Case> kCases = {
    // IEEE 488.2 and the system subtree
    {"identity", {"*IDN?"}, "Kavronix,QLM-5120RX,0,1.1", "", {}},
    {"identity lower case", {"*idn?"}, "Kavronix,QLM-5120RX,0,1.1", "", {}},
    {"no error",
     {"SYST:ERR?", "SYSTEM:ERROR:NEXT?", ":SYST:ERR:COUN?"},
     "0,\"No error\" / 0,\"No error\" / 0",
     "",
     {}},
    {"version", {"SYST:VERS?"}, "1999.0", "", {}},
    {"reset sends nothing", {"*RST", "*OPC?"}, "1", "", {}},
    {"status registers",
     {"FOO", "GAIN 99", "*STB?", "*ESR?", "*ESR?", "*ESE 36;*ESE?"},
     "4 / 48 / 0 / 36",
     "-113 -222",
     {}},
    {"clear status", {"FOO", "*CLS", "SYST:ERR:COUN?;*ESR?"}, "0;0", "", {}},
    {"enable mask out of range", {"*ESE 300", "*ESE 1.5"}, "", "-222 -222", {}},
    // the nine parameters: set, query, long and short headers, optional nodes, suffixes
    {"damping", {"DAMP 150", "DAMP?"}, "150", "", {{8, 3, 0}}},
    {"damping long form", {"damping 150;:DAMPING?"}, "150", "", {{8, 3, 0}}},
    {"gain", {"GAIN 20", "GAIN?"}, "20", "", {{1, 70, 0}}},
    {"gain level with unit", {"GAIN:LEV 20 DB;GAIN:LEVEL?"}, "20", "", {{1, 70, 0}}},
    {"gain leading zeros", {"GAIN +020;GAIN?"}, "20", "", {{1, 70, 0}}},
    {"gain negative", {"GAIN -50", "GAIN?"}, "-50", "", {{1, 0, 0}}},
    {"voltage magnitude, rounded",
     {"VOLT -150;VOLT?", "VOLTAGE:LEVEL 160;VOLT?"},
     "150 / 150",
     "",
     {{2, 6, 0}, {2, 6, 0}}},
    {"voltage in kilovolts", {"VOLT 0.2KV;VOLT?"}, "200", "", {{2, 8, 0}}},
    {"mode",
     {"MODE DUAL", "MODE?", "MODE single;MODE?"},
     "DUAL / SING",
     "",
     {{0, 1, 0}, {0, 0, 0}}},
    {"trigger",
     {"TRIG:SOUR EXT;TRIG?", "TRIGGER INTERNAL;TRIGGER:SOURCE?"},
     "EXT / INT",
     "",
     {{3, 1, 0}, {3, 0, 0}}},
    {"high-pass, relative header",
     {"FILT:HPAS 1KHZ;HPAS?", "FILT:HPAS 1000000;HPAS?"},
     "1000 / 1E6",
     "",
     {{7, 0, 0}, {7, 1, 0}}},
    {"low-pass",
     {"FILT:LPAS 30E6;LPAS?", "FILT:LPAS 10000KHZ;LPAS?"},
     "3E7 / 1E7",
     "",
     {{5, 1, 0}, {5, 0, 0}}},
    {"width in microseconds", {"PULS:WIDT 1.5US;PULS:WIDT?"}, "1.5E-6", "", {{6, 220, 5}}},
    {"width rounded to its step", {"PULS:WIDT 1.01E-6;PULS:WIDT?"}, "1E-6", "", {{6, 232, 3}}},
    {"longer width lowers and sends the PRF first",
     {"PULS:WIDT 5000 NS;PRF?;PROB:FREQ?"},
     "500;100000",
     "",
     {{4, 3, 0}, {6, 136, 19}}},
    {"prf", {"PRF 5000;PRF?", "PRF 0.2KHZ;PRF?"}, "5000 / 200", "", {{4, 6, 0}, {4, 2, 0}}},
    // Nothing read yet: the instrument's width (200 ns) gives it, not the display's initial text.
    {"probe frequency", {"PROB:FREQ?"}, "2.5E6", "", {}},
    // MIN, MAX, DEF, UP, DOWN
    {"gain limits",
     {"GAIN MAX;GAIN?", "GAIN UP", "GAIN DOWN;GAIN?", "GAIN? MIN;GAIN? DEF"},
     "60 / 59 / -50;0",
     "-222",
     {{1, 110, 0}, {1, 109, 0}}},
    {"voltage steps",
     {"VOLT UP;VOLT?", "VOLT DOWN;VOLT DOWN;VOLT?", "VOLT MIN;VOLT DOWN"},
     "125 / 75",
     "-222",
     {{2, 5, 0}, {2, 4, 0}, {2, 3, 0}, {2, 1, 0}}},
    {"width steps at 1000 ns",
     {"PULS:WIDT 995NS;PULS:WIDT UP;PULS:WIDT?", "PULS:WIDT UP;PULS:WIDT?",
      "PULS:WIDT DOWN;PULS:WIDT DOWN;PULS:WIDT?", "PULS:WIDT? MAX;FILT:LPAS? MIN"},
     "1E-6 / 1.02E-6 / 9.95E-7 / 6.5E-6;1E7",
     "",
     {{6, 227, 3}, {6, 232, 3}, {6, 252, 3}, {6, 232, 3}, {6, 227, 3}}},
    {"damping by value, not list order",
     {"DAMP UP;DAMP?", "DAMP MAX;DAMP?", "DAMP MIN;DAMP DOWN"},
     "80 / 400",
     "-222",
     {{8, 2, 0}, {8, 4, 0}, {8, 1, 0}}},
    {"lists of names step in list order",
     {"MODE UP;MODE?", "MODE UP", "TRIG MAX;TRIG?"},
     "DUAL / EXT",
     "-222",
     {{0, 1, 0}, {3, 1, 0}}},
    {"defaults",
     {"GAIN 20;DAMP 400", "GAIN DEF;DAMP DEF;MODE? DEF;PRF? DEF"},
     "SING;1000",
     "",
     {{1, 70, 0}, {8, 4, 0}, {1, 50, 0}, {8, 1, 0}}},
    {"prf max is what the width allows",
     {"INST:READ;PRF? MAX;PRF MAX;PRF?"},
     "2000;2000",
     "",
     {{4, 5, 0}},
     kWidth1500},
    // refusals: nothing sent, the error queued with its range
    {"width out of range",
     {"PULS:WIDT 7E-6", "PULS:WIDT 200", "SYST:ERR?"},
     "-222,\"Data out of range;PULS:WIDT 2.5E-8 to 6.5E-6\"",
     "-222",
     {}},
    {"gain out of range",
     {"GAIN 61;SYST:ERR?"},
     "-222,\"Data out of range;GAIN -50 to 60\"",
     "",
     {}},
    {"huge number", {"GAIN 1E30", "DAMP 1E30"}, "", "-222 -224", {}},
    {"not a whole number",
     {"PULS:WIDT 1.0001E-6;SYST:ERR?", "GAIN 20.5", "PULS:WIDT 0.0011US"},
     "-224,\"Illegal parameter value;PULS:WIDT 2.5E-8 to 6.5E-6, multiples of 1E-9\"",
     "-224 -224",
     {}},
    {"not a list entry",
     {"DAMP 100;SYST:ERR?", "FILT:LPAS 30;SYST:ERR?"},
     "-224,\"Illegal parameter value;DAMP 50|80|150|400\" / "
     "-224,\"Illegal parameter value;FILT:LPAS 1E7|3E7\"",
     "",
     {}},
    {"not a word of the list",
     {"MODE SIN", "TRIG 1", "FILT:HPAS 2KHZ", "MODE \"DUAL\""},
     "",
     "-224 -224 -224 -224",
     {}},
    {"prf the width does not allow",
     {"PRF 5000;SYST:ERR?"},
     "-221,\"Settings conflict;PRF 5000 not at PULS:WIDT 1.5E-6 (up to 2000)\"",
     "",
     {},
     kWidth1500},
    {"wrong unit", {"GAIN 20 NS;SYST:ERR?"}, "-131,\"Invalid suffix;GAIN NS, not DB\"", "", {}},
    {"missing and extra parameters",
     {"GAIN", "GAIN 1,2", "*IDN? 1", "GAIN? UP"},
     "",
     "-109 -108 -108 -224",
     {}},
    {"unknown headers and forms",
     {"FOO 1", "GAIN:FOO 1", "PROB:FREQ 5", "*CLS?", "GAIN20 1"},
     "",
     "-113 -113 -100 -100 -113",
     {}},
    {"a syntax error drops the rest of the line",
     {"GAIN 20;GAIN ,5;DAMP 150", "GAIN?"},
     "20",
     "-102",
     {{1, 70, 0}}},
    {"binary garbage",
     {std::string("\x00\xff\x80GAIN 20", 8), "\x1b[A", "GAIN?"},
     "0",
     "-101 -101",
     {}},
    {"a query before the error still answers", {"GAIN?;FOO;DAMP?"}, "0;50", "-113", {}},
    // the instrument as a whole
    {"read back", {"INST:READ;GAIN?;PULS:WIDT?;DAMP?"}, "20;6.5E-6;150", "", {}, kExampleSettings},
    {"compare",
     {"INST:CHEC?"},
     "4,GAIN,0,20,FILT:LPAS,1E7,3E7,PULS:WIDT,2E-7,6.5E-6,DAMP,50,150",
     "",
     {},
     kExampleSettings},
    {"compare equal", {"INST:CHEC?"}, "0", "", {}},
    {"presence, from the first exchange on",
     {"INST:PRES?", "DAMP 150;INST:PRESENT?"},
     "0 / 1",
     "",
     {{8, 3, 0}}},
};

TEST(RemoteInterpreter, LinesAnswerQueueErrorsAndSendAsThePanelDoes) {
    for (const Case& each : kCases) {
        RemoteRig rig(each.settings);
        std::string answers;
        for (const std::string& line : each.lines) {
            const std::string out = rig.send(line);
            if (!out.empty()) answers += (answers.empty() ? "" : " / ") + out;
        }
        EXPECT_EQ(answers, each.answers) << each.name;
        EXPECT_EQ(rig.error_codes(), each.errors) << each.name;
        EXPECT_EQ(rig.applied(), each.applied) << each.name;
    }
}

TEST(RemoteInterpreter, TheQueueHoldsSixteenErrorsTheLastMarkingTheOverflow) {
    RemoteRig rig;
    for (int i = 0; i < 20; ++i)
        rig.send("FOO");
    EXPECT_EQ(rig.send("SYST:ERR:COUN?"), "16");
    std::string expected;
    for (int i = 0; i < 15; ++i)
        expected += "-113 ";
    EXPECT_EQ(rig.error_codes(), expected + "-350");
}

TEST(RemoteInterpreter, AnUnreachableInstrumentIsAHardwareError) {
    RemoteRig rig;
    rig.instrument.faults.absent = true;
    // Shown as in the window, but not answered: the instrument never confirmed it.
    EXPECT_EQ(rig.send("GAIN 20;GAIN?"), "");
    EXPECT_EQ(rig.send("INST:CHEC?"), "");
    EXPECT_EQ(rig.send("INST:READ"), "");
    EXPECT_EQ(rig.send("INST:PRES?"), "0");
    EXPECT_EQ(rig.send("MMEM:STOR \"out.qini\""), "");
    EXPECT_EQ(rig.store.files.count(RemoteRig::stored("out.qini")), 0u);
    EXPECT_EQ(rig.error_codes(), "-240 -240 -240 -240 -240");
}

TEST(RemoteInterpreter, UploadRefusesChangesAndOpcAnswersWhenItHasFinished) {
    RemoteRig rig;
    rig.store.files[RemoteRig::stored("set.qini")] = kExampleSet;
    EXPECT_EQ(rig.interpreter.run(rig.client, "MMEM:LOAD \"set.qini\";GAIN 10;INST:READ"), true);
    EXPECT_TRUE(rig.panel.uploading());
    EXPECT_EQ(rig.error_codes(), "-221 -221");
    EXPECT_FALSE(rig.interpreter.run(rig.client, "*OPC?;GAIN?"));
    EXPECT_EQ(rig.client->output, "");
    EXPECT_EQ(rig.finish(), "1;20"); // the upload ticked to its end
    EXPECT_EQ(rig.applied(), kExampleSetFrames);
    EXPECT_FALSE(rig.panel.uploading());
}

TEST(RemoteInterpreter, FilesStayBelowTheFolder) {
    RemoteRig rig;
    rig.send("GAIN 20;MMEM:STOR \"out.qini\"");
    ASSERT_EQ(rig.store.files.count(RemoteRig::stored("out.qini")), 1u);
    EXPECT_EQ(rig.store.files[RemoteRig::stored("out.qini")][1], "20");
    for (const char* name : {"../out.qini", "/etc/out.qini", "a/../../out.qini", "out.txt",
                             "C:\\out.qini", "", "a\\..\\..\\b.qini"})
        rig.send(std::string("MMEM:STOR \"") + name + "\"");
    rig.send("MMEM:LOAD \"none.qini\"");
    rig.send("MMEM:LOAD 5");
    EXPECT_EQ(rig.error_codes(), "-257 -257 -257 -257 -257 -257 -257 -256 -224");
    EXPECT_EQ(rig.store.files.size(), 1u);
}

} // namespace
