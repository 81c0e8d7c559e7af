#pragma once
// Exact decimal numbers as the display texts hold them, and halves-to-even rounding
// without binary floating point.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qlm {

// num / den, den a power of ten.
struct Decimal {
    std::int64_t num = 0;
    std::int64_t den = 1;
};

// An optional sign, digits, an optional fraction ("-12", "37.5", "05", ".5").
// Anything else, or a text too long to be any instrument value, is not a number.
std::optional<Decimal> parse_decimal(std::string_view text);

// num / den rounded to a whole number, halves to even. den > 0.
std::int64_t round_half_even(std::int64_t num, std::int64_t den);

// Sign of (value - whole).
int compare(const Decimal& value, std::int64_t whole);

inline bool in_range(const Decimal& value, std::int64_t low, std::int64_t high) {
    return compare(value, low) >= 0 && compare(value, high) <= 0;
}

} // namespace qlm
