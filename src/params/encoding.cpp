#include "params/encoding.h"

#include <array>
#include <cstdio>

namespace qlm {

namespace {

constexpr std::array<DiscreteCode, 2> kMode{{{"单", 0}, {"双", 1}}};
constexpr std::array<DiscreteCode, 2> kTrigger{{{"内部", 0}, {"外部", 1}}};
constexpr std::array<DiscreteCode, 6> kPrf{
    {{"100", 1}, {"200", 2}, {"500", 3}, {"1000", 4}, {"2000", 5}, {"5000", 6}}};
constexpr std::array<DiscreteCode, 2> kLpf{{{"10", 0}, {"30", 1}}};
constexpr std::array<DiscreteCode, 2> kHpf{{{"kHz", 0}, {"MHz", 1}}};
constexpr std::array<DiscreteCode, 4> kDamping{{{"50", 1}, {"80", 2}, {"150", 3}, {"400", 4}}};

std::optional<std::uint8_t> discrete_value(Field field, const std::string& text) {
    for (const DiscreteCode& entry : discrete_codes(field)) {
        if (text == entry.text) return entry.value;
    }
    return std::nullopt;
}

// A read-back byte that names an entry sets the text; any other byte keeps it.
void decode_discrete(param_set& set, Field field, std::uint8_t byte) {
    for (const DiscreteCode& entry : discrete_codes(field)) {
        if (entry.value == byte) set[field] = entry.text;
    }
}

// For the two-way fields every byte but 1 means the first entry.
std::uint8_t one_or_zero(std::uint8_t byte) { return byte == 1 ? 1 : 0; }

std::optional<Command> encode_numeric(Field field, const Decimal& value) {
    const std::uint8_t code = *info(field).code;
    switch (field) {
    case Field::gain:
        if (!in_range(value, kGainMin, kGainMax)) return std::nullopt;
        return Command{code,
                       static_cast<std::uint8_t>(round_half_even(value.num + 50 * value.den,
                                                                 value.den)),
                       0};
    case Field::voltage:
        if (!in_range(value, kVoltageMin, kVoltageMax)) return std::nullopt;
        return Command{code, static_cast<std::uint8_t>(round_half_even(value.num, 25 * value.den)),
                       0};
    case Field::pw: {
        if (!in_range(value, kWidthMin, kWidthMax)) return std::nullopt;
        const std::int64_t width = round_half_even(value.num, value.den);
        const std::int64_t low = width % 256;
        const std::int64_t high = round_half_even(value.num - low * value.den, 256 * value.den);
        return Command{code, static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)};
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::span<const DiscreteCode> discrete_codes(Field field) {
    switch (field) {
    case Field::mode:
        return kMode;
    case Field::trigger:
        return kTrigger;
    case Field::prf:
        return kPrf;
    case Field::lpf:
        return kLpf;
    case Field::hpf_unit:
        return kHpf;
    case Field::damping:
        return kDamping;
    default:
        return {};
    }
}

std::optional<Command> encode_param(const param_set& set, Field field) {
    return encode_text(field, set[field]);
}

std::optional<Command> encode_text(Field field, const std::string& text) {
    const auto code = info(field).code;
    if (!code) return std::nullopt;
    if (!discrete_codes(field).empty()) {
        const auto value = discrete_value(field, text);
        if (!value) return std::nullopt;
        return Command{*code, *value, 0};
    }
    const auto number = parse_decimal(text);
    if (!number) return std::nullopt;
    return encode_numeric(field, *number);
}

void decode_width(param_set& set, std::uint8_t low, std::uint8_t high) {
    set.pw = std::to_string(high * 256 + low);
}

void decode_settings(param_set& set, std::span<const std::uint8_t, 10> bytes) {
    decode_discrete(set, Field::mode, one_or_zero(bytes[0]));
    set.gain = std::to_string(int{bytes[1]} - 50);
    set.voltage = std::to_string(int{bytes[2]} * 25);
    decode_discrete(set, Field::trigger, one_or_zero(bytes[3]));
    decode_discrete(set, Field::prf, bytes[4]);
    decode_discrete(set, Field::lpf, one_or_zero(bytes[5]));
    decode_width(set, bytes[6], bytes[7]);
    const int width = bytes[7] * 256 + bytes[6];
    if (width == 0) return;
    set.probe_freq = probe_freq_text(width);
    decode_discrete(set, Field::hpf_unit, one_or_zero(bytes[8]));
    decode_discrete(set, Field::damping, bytes[9]);
}

int max_prf_for_pw(const Decimal& width) {
    if (compare(width, 1000) < 0) return 5000;
    if (compare(width, 2000) < 0) return 2000;
    if (compare(width, 5000) < 0) return 1000;
    return 500;
}

bool prf_allowed(const Decimal& prf, const Decimal& width) {
    return compare(prf, max_prf_for_pw(width)) <= 0;
}

std::string probe_freq_text(std::int64_t width) {
    const std::int64_t hundredths = round_half_even(50000, width);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(hundredths / 100),
                  static_cast<long long>(hundredths % 100));
    return text;
}

} // namespace qlm
