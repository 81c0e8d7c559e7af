#include "params/encoding.h"

#include "params/descriptor.h"
#include "params/interlock.h"
#include "params/number.h"

#include <array>
#include <utility>

namespace qlm {

namespace {

std::optional<std::uint8_t> choice_value(const ParamDescriptor& param, const std::string& text) {
    for (const Choice& choice : param.choices) {
        if (text == choice.text) return choice.value;
    }
    return std::nullopt;
}

std::optional<Command> encode_number(const ParamDescriptor& param, const Decimal& value) {
    if (!param.numeric || !in_range(value, param.numeric->min, param.numeric->max))
        return std::nullopt;
    const std::uint8_t code = *param.code;
    const auto byte = [](std::int64_t v) { return static_cast<std::uint8_t>(v); };
    switch (param.encoding) {
    case Encoding::offset:
        return Command{code, byte(round_half_even(value.num + param.factor * value.den, value.den)),
                       0};
    case Encoding::scaled:
        return Command{code, byte(round_half_even(value.num, param.factor * value.den)), 0};
    case Encoding::wide: {
        const std::int64_t whole = round_half_even(value.num, value.den);
        const std::int64_t low = whole % 256;
        const std::int64_t high = round_half_even(value.num - low * value.den, 256 * value.den);
        return Command{code, byte(low), byte(high)};
    }
    default:
        return std::nullopt;
    }
}

int wide_value(const ParamDescriptor& param, SettingsBytes bytes) {
    return bytes[param.answer_byte + 1] * 256 + bytes[param.answer_byte];
}

void decode_field(param_set& set, Field field, SettingsBytes bytes) {
    const ParamDescriptor& param = descriptor(field);
    std::uint8_t byte = bytes[param.answer_byte];
    switch (param.encoding) {
    case Encoding::choice_two_way:
        byte = byte == 1 ? 1 : 0;
        [[fallthrough]];
    case Encoding::choice:
        // A byte that names no entry keeps the text.
        for (const Choice& choice : param.choices) {
            if (choice.value == byte) set[field] = choice.text;
        }
        return;
    case Encoding::offset:
        set[field] = std::to_string(int{byte} - param.factor);
        return;
    case Encoding::scaled:
        set[field] = std::to_string(int{byte} * param.factor);
        return;
    case Encoding::wide:
        set[field] = std::to_string(wide_value(param, bytes));
        return;
    case Encoding::derived:
        return;
    }
}

} // namespace

std::optional<Command> encode_param(const param_set& set, Field field) {
    return encode_text(field, set[field]);
}

std::optional<Command> encode_text(Field field, const std::string& text) {
    const ParamDescriptor& param = descriptor(field);
    if (!param.code) return std::nullopt;
    if (!param.choices.empty()) {
        const auto value = choice_value(param, text);
        if (!value) return std::nullopt;
        return Command{*param.code, *value, 0};
    }
    const auto number = parse_decimal(text);
    if (!number) return std::nullopt;
    return encode_number(param, *number);
}

std::string command_text(Field field, const Command& command) {
    const ParamDescriptor& param = descriptor(field);
    std::array<std::uint8_t, kSettingsBytes> bytes{};
    bytes[param.answer_byte] = command.value1;
    if (param.encoding == Encoding::wide) bytes[param.answer_byte + 1] = command.value2;
    param_set set;
    set[field] = "";
    decode_field(set, field, bytes);
    return set[field];
}

bool same_value(Field field, const std::string& a, const std::string& b) {
    if (a == b) return true;
    if (!descriptor(field).numeric) return false;
    const auto x = parse_decimal(a);
    const auto y = parse_decimal(b);
    if (!x || !y) return false;
    // Without trailing zeros of the fraction a value has one form.
    const auto reduced = [](Decimal d) {
        while (d.den > 1 && d.num % 10 == 0) {
            d.num /= 10;
            d.den /= 10;
        }
        return std::pair{d.num, d.den};
    };
    return reduced(*x) == reduced(*y);
}

void decode_width(param_set& set, SettingsBytes bytes) {
    decode_field(set, Field::pw, bytes);
}

void decode_settings(param_set& set, SettingsBytes bytes) {
    const int width = wide_value(descriptor(Field::pw), bytes);
    for (const Field field : kAllFields) {
        const ParamDescriptor& param = descriptor(field);
        if (param.needs_width && width == 0) continue;
        if (param.encoding == Encoding::derived)
            set[field] = probe_freq_text(width);
        else
            decode_field(set, field, bytes);
    }
}

} // namespace qlm
