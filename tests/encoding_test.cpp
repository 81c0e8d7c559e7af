#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/entry_rules.h"
#include "params/interlock.h"

#include <gtest/gtest.h>

using namespace qlm;

namespace {

std::optional<Command> encode(Field field, const std::string& text) {
    param_set set;
    set[field] = text;
    return encode_param(set, field);
}

Decimal number(const char* text) {
    return *parse_decimal(text);
}

} // namespace

TEST(ParamSet, StartsWithTheInitialTextsInFileOrder) {
    const param_set set;
    const std::array<std::string, 10> expected{"单", "0",   "100", "内部", "1000",
                                               "10", "200", "MHz", "5.0",  "50"};
    EXPECT_EQ(set.texts(), expected);
    EXPECT_EQ(param_set::from_texts(expected), set);
}

TEST(EncodeParam, NumericFieldsRoundHalvesToEven) {
    EXPECT_EQ(encode(Field::pw, "6500"), (Command{6, 100, 25}));
    EXPECT_EQ(encode(Field::pw, "255"), (Command{6, 255, 0}));
    EXPECT_EQ(encode(Field::pw, "256"), (Command{6, 0, 1}));
    EXPECT_EQ(encode(Field::pw, "1000"), (Command{6, 232, 3}));
    EXPECT_EQ(encode(Field::gain, "-50"), (Command{1, 0, 0}));
    EXPECT_EQ(encode(Field::gain, "60"), (Command{1, 110, 0}));
    EXPECT_EQ(encode(Field::gain, "05"), (Command{1, 55, 0}));
    EXPECT_EQ(encode(Field::gain, "-0"), (Command{1, 50, 0}));
    EXPECT_EQ(encode(Field::gain, "20.5"), (Command{1, 70, 0}));
    EXPECT_EQ(encode(Field::voltage, "25"), (Command{2, 1, 0}));
    EXPECT_EQ(encode(Field::voltage, "400"), (Command{2, 16, 0}));
    EXPECT_EQ(encode(Field::voltage, "30"), (Command{2, 1, 0}));
    EXPECT_EQ(encode(Field::voltage, "37.5"), (Command{2, 2, 0}));
    EXPECT_EQ(encode(Field::voltage, "62.5"), (Command{2, 2, 0}));
    EXPECT_EQ(encode(Field::voltage, "112.5"), (Command{2, 4, 0}));
    EXPECT_EQ(encode(Field::voltage, "137.5"), (Command{2, 6, 0}));
}

TEST(EncodeParam, NumbersOutsideTheirRangeOrNotNumbersAreNotEncodable) {
    for (const char* text : {"-51", "61", "60.5", "abc", "", "-", "1-2"})
        EXPECT_FALSE(encode(Field::gain, text)) << text;
    for (const char* text : {"0", "24", "401", "6400", "-100", "x"})
        EXPECT_FALSE(encode(Field::voltage, text)) << text;
    for (const char* text : {"0", "24", "6501", "65536", "70000", "-25", "1e3"})
        EXPECT_FALSE(encode(Field::pw, text)) << text;
    EXPECT_FALSE(encode(Field::probe_freq, "5.00"));
}

TEST(EncodeParam, DiscreteTextsMatchExactly) {
    EXPECT_EQ(encode(Field::mode, "单"), (Command{0, 0, 0}));
    EXPECT_EQ(encode(Field::mode, "双"), (Command{0, 1, 0}));
    EXPECT_EQ(encode(Field::trigger, "外部"), (Command{3, 1, 0}));
    EXPECT_EQ(encode(Field::prf, "100"), (Command{4, 1, 0}));
    EXPECT_EQ(encode(Field::prf, "5000"), (Command{4, 6, 0}));
    EXPECT_EQ(encode(Field::lpf, "30"), (Command{5, 1, 0}));
    EXPECT_EQ(encode(Field::lpf, "10"), (Command{5, 0, 0}));
    EXPECT_EQ(encode(Field::hpf_unit, "kHz"), (Command{7, 0, 0}));
    EXPECT_EQ(encode(Field::damping, "50"), (Command{8, 1, 0}));
    EXPECT_EQ(encode(Field::damping, "400"), (Command{8, 4, 0}));
    for (const char* text : {"khz", "MHz ", "1kHz", ""})
        EXPECT_FALSE(encode(Field::hpf_unit, text));
    for (const char* text : {"1000Hz", "300", " 100"})
        EXPECT_FALSE(encode(Field::prf, text));
    EXPECT_FALSE(encode(Field::damping, "100"));
}

TEST(DecodeSettings, TheExampleAnswer) {
    param_set set;
    const std::array<std::uint8_t, 10> bytes{0, 70, 4, 0, 4, 1, 100, 25, 1, 3};
    decode_settings(set, bytes);
    const std::array<std::string, 10> expected{"单", "20",   "100", "内部", "1000",
                                               "30", "6500", "MHz", "0.08", "150"};
    EXPECT_EQ(set.texts(), expected);
}

TEST(DecodeSettings, OtherBytesFallBackOrKeepTheText) {
    param_set set;
    set.prf = "2000";
    set.damping = "80";
    decode_settings(set, std::array<std::uint8_t, 10>{2, 0, 16, 9, 0, 7, 4, 1, 0, 0});
    EXPECT_EQ(set.texts(), (SettingsTexts{"单", "-50", "400", "内部", "2000", "10", "260", "kHz",
                                          "1.92", "80"}));
    decode_settings(set, std::array<std::uint8_t, 10>{1, 110, 1, 1, 7, 1, 25, 0, 1, 5});
    EXPECT_EQ(set.texts(),
              (SettingsTexts{"双", "60", "25", "外部", "2000", "30", "25", "MHz", "20.00", "80"}));
}

TEST(DecodeSettings, WidthZeroLeavesProbeFrequencyUnitAndDamping) {
    param_set set;
    set.probe_freq = "2.50";
    set.hpf_unit = "kHz";
    set.damping = "400";
    decode_settings(set, std::array<std::uint8_t, 10>{0, 50, 4, 0, 4, 0, 0, 0, 1, 1});
    EXPECT_EQ(set.texts(),
              (SettingsTexts{"单", "0", "100", "内部", "1000", "10", "0", "kHz", "2.50", "400"}));
}

TEST(DecodeSettings, WidthIsUnsignedSixteenBit) {
    param_set set;
    decode_width(set, std::array<std::uint8_t, 10>{9, 9, 9, 9, 9, 9, 0, 128, 9, 9});
    EXPECT_EQ(set.pw, "32768");
    EXPECT_EQ(set.texts()[0], "单"); // nothing but the width
    decode_width(set, std::array<std::uint8_t, 10>{0, 0, 0, 0, 0, 0, 255, 255, 0, 0});
    EXPECT_EQ(set.pw, "65535");
}

TEST(Interlock, BoundariesBelongToTheBandAbove) {
    EXPECT_EQ(max_prf_for_pw(number("999")), 5000);
    EXPECT_EQ(max_prf_for_pw(number("999.9")), 5000);
    EXPECT_EQ(max_prf_for_pw(number("1000")), 2000);
    EXPECT_EQ(max_prf_for_pw(number("1999")), 2000);
    EXPECT_EQ(max_prf_for_pw(number("2000")), 1000);
    EXPECT_EQ(max_prf_for_pw(number("4999")), 1000);
    EXPECT_EQ(max_prf_for_pw(number("5000")), 500);
    EXPECT_EQ(max_prf_for_pw(number("6500")), 500);
    EXPECT_TRUE(prf_allowed(number("2000"), number("1000")));
    EXPECT_FALSE(prf_allowed(number("5000"), number("1000")));
    for (const char* low : {"100", "200", "500"})
        EXPECT_TRUE(prf_allowed(number(low), number("6500"))) << low;
}

TEST(Interlock, ListChoiceAndLoweredPrfAgainstTheShownWidth) {
    // Up to 500 Hz whatever the width says; above only with a width that allows it.
    for (const char* width : {"abc", "", "6500", "5000.5"}) {
        EXPECT_TRUE(prf_choice_allowed("500", width)) << width;
        EXPECT_FALSE(prf_choice_allowed("1000", width)) << width;
    }
    EXPECT_TRUE(prf_choice_allowed("5000", "995"));
    EXPECT_FALSE(prf_choice_allowed("5000", "1000"));
    EXPECT_EQ(prf_lowered_for("5000", number("1000")), "2000");
    EXPECT_EQ(prf_lowered_for("700", number("6500")), "500"); // any number above the limit
    EXPECT_EQ(prf_lowered_for("1000", number("4980")), std::nullopt);
    EXPECT_EQ(prf_lowered_for("x", number("6500")), std::nullopt);
}

TEST(SameValue, NumbersByValueListsByText) {
    EXPECT_TRUE(same_value(Field::gain, "05", "5"));
    EXPECT_TRUE(same_value(Field::gain, "-0", "0"));
    EXPECT_TRUE(same_value(Field::voltage, "100.0", "100"));
    EXPECT_FALSE(same_value(Field::voltage, "110", "100"));
    EXPECT_FALSE(same_value(Field::gain, "20.5", "20"));
    EXPECT_FALSE(same_value(Field::pw, "abc", "200"));
    EXPECT_TRUE(same_value(Field::pw, "abc", "abc"));
    EXPECT_FALSE(same_value(Field::damping, "050", "50"));
    EXPECT_FALSE(same_value(Field::hpf_unit, "1MHz", "MHz"));
}

TEST(ProbeFrequency, TwoDecimalsHalvesToEven) {
    EXPECT_EQ(probe_freq_text(100), "5.00");
    EXPECT_EQ(probe_freq_text(200), "2.50");
    EXPECT_EQ(probe_freq_text(500), "1.00");
    EXPECT_EQ(probe_freq_text(1000), "0.50");
    EXPECT_EQ(probe_freq_text(4000), "0.12");
    EXPECT_EQ(probe_freq_text(6500), "0.08");
    EXPECT_EQ(probe_freq_text(25), "20.00");
    EXPECT_EQ(probe_freq_text(65535), "0.01");
}

TEST(ChoiceLists, EveryEntryEncodesToItsValueAndReadsBackAsItself) {
    // The list order differs from the code order for damping and the low-pass filter.
    const std::vector<std::pair<std::string, Command>> damping{
        {"400", {8, 4, 0}}, {"150", {8, 3, 0}}, {"80", {8, 2, 0}}, {"50", {8, 1, 0}}};
    const auto& choices = descriptor(Field::damping).choices;
    ASSERT_EQ(choices.size(), damping.size());
    for (std::size_t i = 0; i < damping.size(); ++i) {
        EXPECT_EQ(choices[i].text, damping[i].first);
        EXPECT_EQ(encode(Field::damping, choices[i].text), damping[i].second);
    }
    EXPECT_EQ(std::string(descriptor(Field::lpf).choices[0].text), "30");
    EXPECT_EQ(std::string(descriptor(Field::hpf_unit).choices[0].text), "kHz");
    EXPECT_EQ(std::string(descriptor(Field::prf).choices[5].text), "5000");
    for (const Field field : list_fields()) {
        const ParamDescriptor& param = descriptor(field);
        for (std::size_t i = 0; i < param.choices.size(); ++i) {
            const std::string text = param.choices[i].text;
            const auto command = encode(field, text);
            ASSERT_TRUE(command) << field_name(field) << " " << i;
            EXPECT_EQ(command->code, *param.code);
            // The instrument holds the value at the field's answer byte; it reads back as the
            // entry.
            std::array<std::uint8_t, 10> answer{0, 50, 4, 0, 4, 0, 200, 0, 1, 1};
            answer[param.answer_byte] = command->value1;
            param_set set;
            set[field] = "?";
            decode_settings(set, answer);
            EXPECT_EQ(set[field], text) << field_name(field);
            EXPECT_EQ(choice_position(field, list_text(field, text)), i);
            EXPECT_EQ(choice_position(field, shown_text(field, text)), i);
        }
    }
}

TEST(NumericFields, EveryStepValueOfTheRangeEncodesAndReadsBackAsItself) {
    for (const Field field : entry_fields()) {
        const ParamDescriptor& param = descriptor(field);
        for (std::int64_t v = param.numeric->min; v <= param.numeric->max; ++v) {
            const EntryResult typed = confirm_entry(field, std::to_string(v));
            ASSERT_TRUE(typed.accepted) << field_name(field) << " " << v;
            const auto command = encode(field, typed.display_text);
            ASSERT_TRUE(command) << field_name(field) << " " << v;
            std::array<std::uint8_t, 10> answer{0, 50, 4, 0, 4, 0, 200, 0, 1, 1};
            answer[param.answer_byte] = command->value1;
            if (param.encoding == Encoding::wide) answer[param.answer_byte + 1] = command->value2;
            param_set set;
            decode_settings(set, answer);
            EXPECT_EQ(set[field], typed.display_text) << field_name(field) << " " << v;
        }
        EXPECT_FALSE(encode(field, std::to_string(param.numeric->min - 1)));
        EXPECT_FALSE(encode(field, std::to_string(param.numeric->max + 1)));
    }
}

TEST(ChoiceLists, ListFormOfStoredTexts) {
    EXPECT_EQ(list_text(Field::prf, "1000"), "1000Hz");
    EXPECT_EQ(list_text(Field::lpf, "30"), "30MHz");
    EXPECT_EQ(list_text(Field::hpf_unit, "kHz"), "1kHz");
    EXPECT_EQ(list_text(Field::mode, "双"), "双");
    EXPECT_EQ(list_text(Field::damping, "bogus"), "bogus");
}
