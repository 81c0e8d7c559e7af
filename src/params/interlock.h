#pragma once
// The PRF / pulse-width interlock and the probe frequency that follows the width.

#include "params/number.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qlm {

// Below `below_ns` of width the PRF may go up to `max_prf` Hz; from the last band's width
// on, up to kPrfFloor.
struct PrfBand {
    std::int64_t below_ns;
    int max_prf;
};
std::span<const PrfBand> prf_bands();
constexpr int kPrfFloor = 500; // goes with every width

// Highest PRF in Hz for a width in ns; a boundary belongs to the band above.
int max_prf_for_pw(const Decimal& width);
bool prf_allowed(const Decimal& prf, const Decimal& width);

// A PRF chosen in the list against the width on display: up to kPrfFloor always; above it
// only when the width is a number that allows it.
bool prf_choice_allowed(const std::string& prf, const std::string& width);

// The PRF text to show after a width was confirmed: the highest the width allows when the
// shown PRF is a number above it, else none (the PRF stays).
std::optional<std::string> prf_lowered_for(const std::string& prf, const Decimal& width);

// 500 / width in MHz, two decimals, halves to even: 4000 -> "0.12". width > 0.
std::string probe_freq_text(std::int64_t width);

} // namespace qlm
