#pragma once
// Texts to command bytes and back, as each parameter's description says.

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

// The command for the field's current text, or none when the text matches no entry of a
// list field, is not a number, or lies outside its range (nothing may be sent then).
// probe_freq is never encodable.
std::optional<Command> encode_param(const param_set& set, Field field);
std::optional<Command> encode_text(Field field, const std::string& text);

// The text a command of the field stands for, as the read-back would show it ("5" for gain
// byte 55).
std::string command_text(Field field, const Command& command);

// Whether two texts of a field stand for the same setting: list texts alike, numbers of
// equal value ("05" and "5" dB), anything else alike to the letter.
bool same_value(Field field, const std::string& a, const std::string& b);

// The answer's settings bytes 0 to 9.
constexpr std::size_t kSettingsBytes = 10;
using SettingsBytes = std::span<const std::uint8_t, kSettingsBytes>;

// Answer bytes into the fields. The high-pass filter, the damping and the probe frequency
// only when the width is not 0.
void decode_settings(param_set& set, SettingsBytes bytes);

// The width alone.
void decode_width(param_set& set, SettingsBytes bytes);

} // namespace qlm
