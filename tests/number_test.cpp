#include "params/number.h"
#include "params/units.h"

#include <gtest/gtest.h>

using qlm::parse_decimal;
using qlm::round_half_even;

TEST(ParseDecimal, AcceptsSignDigitsAndFraction) {
    struct Case {
        const char* text;
        std::int64_t num, den;
    };
    for (const Case c : {Case{"0", 0, 1},
                         {"05", 5, 1},
                         {"-0", 0, 1},
                         {"-150", -150, 1},
                         {"+7", 7, 1},
                         {"37.5", 375, 10},
                         {".5", 5, 10},
                         {"5.", 5, 1},
                         {"6500", 6500, 1},
                         {"0.125", 125, 1000}}) {
        const auto value = parse_decimal(c.text);
        ASSERT_TRUE(value) << c.text;
        EXPECT_EQ(value->num, c.num) << c.text;
        EXPECT_EQ(value->den, c.den) << c.text;
    }
}

TEST(ParseDecimal, RefusesWhatIsNotANumber) {
    for (const char* text : {"", "-", "+", ".", "-.", "1-", "--1", "1.2.3", " 1", "1 ", "1e3",
                             "0x10", "１２", "abc", "12345678901234567890", "1.1234567"}) {
        EXPECT_FALSE(parse_decimal(text)) << text;
    }
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(round_half_even(375, 250), 2);     // 1.5
    EXPECT_EQ(round_half_even(625, 250), 2);     // 2.5
    EXPECT_EQ(round_half_even(1125, 250), 4);    // 4.5
    EXPECT_EQ(round_half_even(1375, 250), 6);    // 5.5
    EXPECT_EQ(round_half_even(50000, 4000), 12); // 12.5
    EXPECT_EQ(round_half_even(-5, 10), 0);       // -0.5
    EXPECT_EQ(round_half_even(-15, 10), -2);     // -1.5
    EXPECT_EQ(round_half_even(-16, 10), -2);
    EXPECT_EQ(round_half_even(7, 10), 1);
    EXPECT_EQ(round_half_even(30, 25), 1);
}

// A script's value as the field's text, and the field's text in SI base units.
TEST(Units, ScriptValuesAndSiNumbers) {
    using qlm::Field;
    struct Case {
        Field field;
        const char* written;
        const char* text; // what the panel gets
    };
    // The common ones run through qlm5120rx-cli in cli_process_test.
    for (const Case c : {Case{Field::mode, "单", "单"},
                         {Field::hpf_unit, "1000000Hz", "MHz"},
                         {Field::prf, "0.5 KHZ", "500"},
                         {Field::lpf, "30000khz", "30"},
                         {Field::pw, "0.0000025s", "2500"},
                         {Field::voltage, "-150", "-150"}, // as typed: the panel's rule
                         {Field::gain, "20Hz", "20Hz"},    // not its unit: refused later
                         {Field::damping, "0.15kohm", "150"}}) {
        EXPECT_EQ(qlm::script_value(c.field, c.written), c.text) << c.written;
    }
    struct Si {
        Field field;
        const char* text;
        std::optional<std::string> number;
    };
    for (const Si& c : {Si{Field::pw, "200", "0.0000002"},
                        {Field::pw, "6500", "0.0000065"},
                        {Field::lpf, "30", "30000000"},
                        {Field::hpf_unit, "kHz", "1000"},
                        {Field::probe_freq, "0.08", "80000"},
                        {Field::voltage, "-100", "100"},
                        {Field::gain, "-5", "-5"},
                        {Field::mode, "单", std::nullopt},
                        {Field::prf, "abc", std::nullopt}}) {
        EXPECT_EQ(qlm::si_number(c.field, c.text), c.number) << c.text;
    }
    EXPECT_STREQ(qlm::english_name(Field::trigger, "内部"), "internal");
}
