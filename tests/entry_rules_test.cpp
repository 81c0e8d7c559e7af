#include "params/entry_rules.h"

#include <gtest/gtest.h>

using namespace qlm;

namespace {

void expect_accepted(Field entry, const char* typed, const char* shown) {
    const EntryResult result = confirm_entry(entry, typed);
    EXPECT_TRUE(result.accepted) << typed;
    EXPECT_EQ(result.display_text, shown) << typed;
    EXPECT_EQ(result.field_text, shown) << typed;
}

void expect_refused(Field entry, const char* typed, const char* field_after) {
    const EntryResult result = confirm_entry(entry, typed);
    EXPECT_FALSE(result.accepted) << typed;
    EXPECT_EQ(result.field_text, field_after) << typed;
}

} // namespace

TEST(VoltageEntry, MagnitudeRoundedDownToSteps) {
    expect_accepted(Field::voltage, "400", "400");
    expect_accepted(Field::voltage, "25", "25");
    expect_accepted(Field::voltage, "-150", "150");
    expect_accepted(Field::voltage, "0100", "100");
    expect_accepted(Field::voltage, "110", "100");
    expect_accepted(Field::voltage, "399", "375");
    expect_accepted(Field::voltage, "-400", "400");
    // Refusals keep the positive text in the field.
    expect_refused(Field::voltage, "401", "401");
    expect_refused(Field::voltage, "24", "24");
    expect_refused(Field::voltage, "0", "0");
    expect_refused(Field::voltage, "-24", "24");
    expect_refused(Field::voltage, "-0401", "401");
}

TEST(WidthEntry, StepsBelowAndAboveOneMicrosecond) {
    expect_accepted(Field::pw, "1234", "1220");
    expect_accepted(Field::pw, "6500", "6500");
    expect_accepted(Field::pw, "999", "995");
    expect_accepted(Field::pw, "27", "25");
    expect_accepted(Field::pw, "1019", "1000");
    expect_accepted(Field::pw, "1000", "1000");
    expect_accepted(Field::pw, "0040", "40");
    expect_refused(Field::pw, "6501", "6501");
    expect_refused(Field::pw, "24", "24");
    expect_refused(Field::pw, "-100", "-100");
}

TEST(GainEntry, ShownExactlyAsTyped) {
    expect_accepted(Field::gain, "60", "60");
    expect_accepted(Field::gain, "-50", "-50");
    expect_accepted(Field::gain, "05", "05");
    expect_accepted(Field::gain, "-0", "-0");
    expect_refused(Field::gain, "61", "61");
    expect_refused(Field::gain, "-51", "-51");
}

TEST(NumericEntries, TextThatIsNotAWholeNumberIsRefused) {
    for (const Field entry : {Field::voltage, Field::pw, Field::gain}) {
        for (const char* text : {"", "-", "--5", "1-2", "5-", "1.5", "abc", " 100", "100 ", "+50",
                                 "１００", "000000100", "99999999999999999999", "1e2"}) {
            const EntryResult result = confirm_entry(entry, text);
            EXPECT_FALSE(result.accepted) << static_cast<int>(entry) << " '" << text << "'";
            EXPECT_EQ(result.field_text, text); // left for the operator to correct
        }
    }
}

TEST(NumericEntries, KeysThatReachTheField) {
    for (const char32_t digit : U"0123456789") {
        if (digit == 0) continue;
        EXPECT_TRUE(entry_accepts(Field::pw, digit));
        EXPECT_TRUE(entry_accepts(Field::gain, digit));
    }
    EXPECT_TRUE(entry_accepts(Field::voltage, U'-'));
    EXPECT_TRUE(entry_accepts(Field::gain, U'-'));
    EXPECT_FALSE(entry_accepts(Field::pw, U'-'));
    for (const char32_t other : {U'.', U' ', U'a', U'+', U'e', U'１', U'一'})
        EXPECT_FALSE(entry_accepts(Field::gain, other));
}

TEST(NumericEntries, RefusalTextsPerWayOfConfirming) {
    EXPECT_EQ(refusal_text(Field::voltage, ConfirmedBy::enter), "电压值范围25~400V!");
    EXPECT_EQ(refusal_text(Field::voltage, ConfirmedBy::button), "电压值：-25~400V!");
    EXPECT_EQ(refusal_text(Field::pw, ConfirmedBy::enter), "脉冲宽度25~6500ns");
    EXPECT_EQ(refusal_text(Field::pw, ConfirmedBy::button), "脉冲宽度：25~6500ns!");
    EXPECT_EQ(refusal_text(Field::gain, ConfirmedBy::enter), "增益值：-50~60dB!");
    EXPECT_EQ(refusal_text(Field::gain, ConfirmedBy::button), "增益值：-50~60dB!");
}
