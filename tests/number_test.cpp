#include "params/number.h"

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
