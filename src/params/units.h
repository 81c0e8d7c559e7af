#pragma once
// Values in other units than the display's: a number with a unit suffix ("5kHz", "1.5us"),
// a list entry by its English name ("dual"), and every value in SI base units.

#include "params/param_set.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qlm {

// A unit suffix, upper case, and its power of ten to the SI base unit ("KHZ", 3; "US", -6).
struct UnitSuffix {
    const char* name;
    int power;
};
std::span<const UnitSuffix> unit_suffixes(Field field);
// "NS|US|MS|S"
std::string suffix_list(Field field);
// The power of ten from a field's own unit to its SI base unit: 6 for the low-pass filter's
// and the probe frequency's MHz, -9 for the pulse width's ns, 0 for the others.
int si_power(Field field);
// "Hz", "s", "V", "dB", "Ω"; "" for mode and trigger.
const char* si_unit(Field field);

// digits × 10^exponent as plain decimal text ("1500", "-20", "20.5", "0.0000002"); none when
// it has more than 12 whole digits. One of 12 zero places and more is "0.000000000001".
std::optional<std::string> decimal_text(bool negative, std::string digits, long exponent);

// A value as a script writes it, as the field's text: a list entry by its text, its list or
// display form or its English name, Latin letters in any case ("dual", "1khz", "1000Hz");
// a number with one of the field's suffixes in any case ("5kHz", "1.5 us", "0.2kV") in the
// field's unit, as the suffix-free number it names. Anything else is returned unchanged, for
// the panel's rules to judge.
std::string script_value(Field field, std::string_view text);

// The English name of a list entry that is no number ("single", "internal"); null for others.
const char* english_name(Field field, const std::string& text);

// A field's text as a number in SI base units, as decimal text: the PRF and filters in Hz
// ("MHz" of the high-pass filter is "1000000"), the pulse width in s, the voltage's magnitude
// in V, gain in dB, damping in Ω, the probe frequency in Hz. None for a field that holds no
// number (mode, trigger) or a text that is none.
std::optional<std::string> si_number(Field field, const std::string& text);

// digits × 10^exponent as a number a SCPI client reads: whole numbers below 10^6 as integers
// ("1000", "-50"), others in NR3 with the shortest exact mantissa ("5E-7", "1.5E-6", "3E7").
std::string nr_text(bool negative, std::string digits, long exponent);
// si_number() as nr_text() writes it.
std::optional<std::string> si_text(Field field, const std::string& text);

} // namespace qlm
