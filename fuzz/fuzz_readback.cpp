// Read-back decoding: any answer gives display texts from the allowed sets, or numbers of
// the answer's range; a zero width leaves the texts it guards alone, and every value the
// instrument can hold encodes back to the byte it came from.
#include "fuzz_check.h"
#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/interlock.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

using namespace qlm;

namespace {

// The list entry a value stands for.
std::string text_of(Field field, std::uint8_t value) {
    for (const Choice& choice : descriptor(field).choices)
        if (choice.value == value) return choice.text;
    return "?";
}

bool one_of(const std::string& text, Field field) {
    for (const Choice& code : descriptor(field).choices)
        if (text == code.text) return true;
    return false;
}

// "-12" / "6375": an optional minus and digits, no leading zero.
bool plain_integer(const std::string& text, long& value) {
    std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    if (text[i] == '0' && text.size() > i + 1) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        value = value * 10 + (text[i] - '0');
    }
    if (text[0] == '-') value = -value;
    return true;
}

// Whole part without leading zeros, a point, two decimals.
bool two_decimals(const std::string& text) {
    const auto point = text.find('.');
    if (point == std::string::npos || point == 0 || text.size() != point + 3) return false;
    if (text[0] == '0' && point > 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != point && !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

void check_answer(const std::uint8_t* answer, const param_set& before) {
    param_set set = before;
    decode_settings(set, std::span<const std::uint8_t, 10>(answer, 10));

    FUZZ_CHECK(one_of(set.mode, Field::mode));
    FUZZ_CHECK(one_of(set.trigger, Field::trigger));
    FUZZ_CHECK(one_of(set.lpf, Field::lpf));
    FUZZ_CHECK(set.mode == (answer[0] == 1 ? "双" : "单"));
    FUZZ_CHECK(set.trigger == (answer[3] == 1 ? "外部" : "内部"));
    FUZZ_CHECK(set.lpf == (answer[5] == 1 ? "30" : "10"));
    FUZZ_CHECK(answer[4] >= 1 && answer[4] <= 6 ? set.prf == text_of(Field::prf, answer[4])
                                                : set.prf == before.prf);

    long gain = 0, voltage = 0, width = 0;
    FUZZ_CHECK(plain_integer(set.gain, gain) && gain == answer[1] - 50);
    FUZZ_CHECK(plain_integer(set.voltage, voltage) && voltage == answer[2] * 25);
    // The width is unsigned 16-bit: never negative, whatever the high byte.
    FUZZ_CHECK(plain_integer(set.pw, width) && width == answer[7] * 256 + answer[6]);

    if (width == 0) {
        FUZZ_CHECK(set.probe_freq == before.probe_freq);
        FUZZ_CHECK(set.hpf_unit == before.hpf_unit);
        FUZZ_CHECK(set.damping == before.damping);
    } else {
        FUZZ_CHECK(two_decimals(set.probe_freq));
        // 500 / width to the hundredth, halves to even.
        const long scaled = 50000;
        long hundredths = scaled / width;
        const long rest = scaled % width;
        if (2 * rest > width || (2 * rest == width && hundredths % 2 != 0)) ++hundredths;
        const auto point = set.probe_freq.find('.');
        FUZZ_CHECK(std::stol(set.probe_freq.substr(0, point)) * 100 +
                       std::stol(set.probe_freq.substr(point + 1)) ==
                   hundredths);
        FUZZ_CHECK(set.hpf_unit == (answer[8] == 1 ? "MHz" : "kHz"));
        FUZZ_CHECK(answer[9] >= 1 && answer[9] <= 4
                       ? set.damping == text_of(Field::damping, answer[9])
                       : set.damping == before.damping);
    }

    // What the instrument can hold goes back out as the same bytes; anything else does not
    // go out at all.
    const auto gain_command = encode_param(set, Field::gain);
    FUZZ_CHECK(gain_command.has_value() == (answer[1] <= 110));
    if (gain_command) FUZZ_CHECK(gain_command->value1 == answer[1] && gain_command->value2 == 0);
    const auto voltage_command = encode_param(set, Field::voltage);
    FUZZ_CHECK(voltage_command.has_value() == (answer[2] >= 1 && answer[2] <= 16));
    if (voltage_command) FUZZ_CHECK(voltage_command->value1 == answer[2]);
    const auto width_command = encode_param(set, Field::pw);
    FUZZ_CHECK(width_command.has_value() == (width >= 25 && width <= 6500));
    if (width_command)
        FUZZ_CHECK(width_command->value1 == answer[6] && width_command->value2 == answer[7]);
    for (const Field field : {Field::mode, Field::trigger, Field::lpf}) {
        const auto command = encode_param(set, field);
        FUZZ_CHECK(command && command->code == *descriptor(field).code);
    }

    param_set width_only = before;
    decode_width(width_only, std::span<const std::uint8_t, 10>(answer, 10));
    FUZZ_CHECK(width_only.pw == set.pw);
    width_only.pw = before.pw;
    FUZZ_CHECK(width_only == before);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One answer on the initial texts, then each further one on what the last left.
    param_set set;
    std::uint8_t answer[16];
    for (std::size_t at = 0; at < size && at < 16 * 8; at += 16) {
        std::memset(answer, 0, sizeof answer);
        std::memcpy(answer, data + at, size - at < 16 ? size - at : 16);
        check_answer(answer, set);
        decode_settings(set, std::span<const std::uint8_t, 10>(answer, 10));
    }
    return 0;
}
