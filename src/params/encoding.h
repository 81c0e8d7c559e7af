#pragma once
// Texts to command bytes and back, the PRF / pulse-width interlock, the probe frequency.

#include "params/number.h"
#include "params/param_set.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qlm {

// Byte 11, 12 and 13 of a data frame.
struct Command {
    std::uint8_t code = 0;
    std::uint8_t value1 = 0;
    std::uint8_t value2 = 0;
    bool operator==(const Command&) const = default;
};

// Ranges within which a numeric text can be encoded.
constexpr std::int64_t kGainMin = -50, kGainMax = 60;
constexpr std::int64_t kVoltageMin = 25, kVoltageMax = 400;
constexpr std::int64_t kWidthMin = 25, kWidthMax = 6500;

// The command for the field's current text, or none when the text matches no entry of a
// discrete field, is not a number, or lies outside its range (nothing may be sent then).
// probe_freq is never encodable.
std::optional<Command> encode_param(const param_set& set, Field field);
std::optional<Command> encode_text(Field field, const std::string& text);

// Answer bytes 0 to 9 into the fields. Bytes 8 and 9 and the probe frequency only when the
// width from bytes 6 and 7 is not 0.
void decode_settings(param_set& set, std::span<const std::uint8_t, 10> bytes);

// Answer bytes 6 and 7 into the width text only.
void decode_width(param_set& set, std::uint8_t low, std::uint8_t high);

// Highest PRF in Hz for a width in ns; a boundary belongs to the band above.
int max_prf_for_pw(const Decimal& width);
bool prf_allowed(const Decimal& prf, const Decimal& width);

// 500 / width in MHz, two decimals, halves to even: 4000 -> "0.12". width > 0.
std::string probe_freq_text(std::int64_t width);

// The discrete texts a field takes, in code order; empty for the numeric fields.
struct DiscreteCode {
    const char* text;
    std::uint8_t value;
};
std::span<const DiscreteCode> discrete_codes(Field field);

} // namespace qlm
