// The SCPI parser alone: what each line parses into, command by command, or the error that
// ends it.
#include "remote/scpi_parser.h"

#include <gtest/gtest.h>

#include <string>

using namespace qlm::remote;

namespace {

std::string render(const Command& command) {
    std::string out = command.rooted ? ":" : "";
    for (std::size_t i = 0; i < command.path.size(); ++i)
        out += (i ? ":" : "") + command.path[i];
    if (command.query) out += "?";
    for (std::size_t i = 0; i < command.params.size(); ++i) {
        const Parameter& param = command.params[i];
        out += i ? "," : " ";
        switch (param.kind) {
        case Parameter::Kind::number:
            out += std::string(param.number.negative ? "-" : "") + param.number.digits + "e" +
                   std::to_string(param.number.exponent);
            if (!param.suffix.empty()) out += "/" + param.suffix;
            break;
        case Parameter::Kind::word:
            out += param.text;
            break;
        case Parameter::Kind::string:
            out += "<" + param.text + ">";
            break;
        }
    }
    return out;
}

// The commands, joined by " | ", and "!<code>" where parsing stopped.
std::string parse(const std::string& line) {
    MessageParser parser(line);
    std::string out;
    for (;;) {
        ScpiError error;
        const auto command = parser.next(error);
        if (!command) {
            if (error.code) out += (out.empty() ? "!" : " | !") + std::to_string(error.code);
            return out;
        }
        out += (out.empty() ? "" : " | ") + render(*command);
    }
}

struct Case {
    const char* line;
    const char* parsed;
};

const Case kCases[] = {
    // headers: common, rooted, relative, case, query
    {"*IDN?", "*IDN?"},
    {"*idn?\r\n", "*IDN?"},
    {":SYST:ERR?", ":SYST:ERR?"},
    {"system:error:next?", "SYSTEM:ERROR:NEXT?"},
    {"GAIN20", "GAIN20"},
    {"  gain   20  ", "GAIN 2e1"},
    // numbers: sign, fraction, exponent, leading and trailing zeros, suffixes
    {"GAIN -20", "GAIN -2e1"},
    {"GAIN +020", "GAIN 2e1"},
    {"VOLT 0", "VOLT 0e0"},
    {"VOLT -0.0", "VOLT 0e0"},
    {"PULS:WIDT 1.5 us", "PULS:WIDT 15e-1/US"},
    {"PULS:WIDT 1.5US", "PULS:WIDT 15e-1/US"},
    {"PRF 1e3Hz", "PRF 1e3/HZ"},
    {"PRF 1 E 3", "PRF 1e3"},
    {"PRF 2.5E-1 kHz", "PRF 25e-2/KHZ"},
    {"FILT:HPAS 1KHZ", "FILT:HPAS 1e0/KHZ"},
    {"GAIN .5", "GAIN 5e-1"},
    {"GAIN 1e999999", "GAIN 1e1000"},
    // words, strings, several parameters
    {"MODE sing", "MODE SING"},
    {"GAIN MAX", "GAIN MAX"},
    {"MMEM:LOAD 'it''s.qini'", "MMEM:LOAD <it's.qini>"},
    {"MMEM:LOAD \"a;b,c\"", "MMEM:LOAD <a;b,c>"},
    {"MMEM:LOAD \"设置.qini\"", "MMEM:LOAD <设置.qini>"},
    {"*ESE 1 , 2", "*ESE 1e0,2e0"},
    // compound lines, empty commands
    {"GAIN 20;DAMP 150", "GAIN 2e1 | DAMP 15e1"},
    {"GAIN 20;:DAMP?;*OPC?", "GAIN 2e1 | :DAMP? | *OPC?"},
    {";;GAIN?;;", "GAIN?"},
    {"", ""},
    {"   ", ""},
    // errors end the line; what came before stands
    {"GAIN 20;GAIN ,5;DAMP 150", "GAIN 2e1 | !-102"},
    {"GAIN 20,", "!-102"},
    {"GAIN:", "!-102"},
    {"GAIN::LEV 5", "!-102"},
    {"*", "!-102"},
    {"?", "!-102"},
    {"123", "!-102"},
    {"GAIN=20", "!-102"},
    {"GAIN 2#0", "!-102"},
    {"GAIN #H10", "!-102"},
    {"GAIN -", "!-102"},
    {"MMEM:LOAD \"open", "!-102"},
    {"MMEM:LOAD \"a\tb\"", "!-101"},
    {"\x01", "!-101"},
    {"GAIN 20\xff", "!-101"},
    {"\xc0\xc1GAIN", "!-101"},
    {"GA\x7fIN", "!-101"},
    {"ABCDEFGHIJKLM 5", "!-112"},
    {"ABCDEFGHIJKL 5", "ABCDEFGHIJKL 5e0"},
    {"MODE ABCDEFGHIJKLM", "!-112"},
};

TEST(ScpiParser, LinesParseIntoCommandsOrStopAtTheirError) {
    for (const Case& each : kCases) {
        EXPECT_EQ(parse(each.line), each.parsed) << "line: " << each.line;
    }
}

TEST(ScpiParser, ErrorAnswersAreQuotedAsciiWithTheirDetail) {
    EXPECT_EQ((ScpiError{-222, "GAIN -50 to 60"}).answer(),
              "-222,\"Data out of range;GAIN -50 to 60\"");
    EXPECT_EQ(ScpiError{}.answer(), "0,\"No error\"");
    EXPECT_EQ((ScpiError{-113, "A\"B\xe4"}).answer(), "-113,\"Undefined header;A'B?\"");
    EXPECT_EQ((ScpiError{-113, std::string(400, 'X')}).answer().size(), 255u + 7);
}

TEST(ScpiParser, TheErrorQueueKeepsSixteenAndMarksTheOverflow) {
    ErrorQueue queue;
    for (int i = 0; i < 20; ++i)
        queue.push({-113, std::to_string(i)});
    EXPECT_EQ(queue.count(), ErrorQueue::kCapacity);
    EXPECT_EQ(queue.next().detail, "0");
    for (std::size_t i = 1; i + 1 < ErrorQueue::kCapacity; ++i)
        queue.next();
    EXPECT_EQ(queue.next().code, -350);
    EXPECT_EQ(queue.next().code, 0);
}

} // namespace
