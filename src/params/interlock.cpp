#include "params/interlock.h"

#include <array>
#include <cstdio>

namespace qlm {

namespace {
constexpr std::array<PrfBand, 3> kBands{{{1000, 5000}, {2000, 2000}, {5000, 1000}}};
} // namespace

std::span<const PrfBand> prf_bands() {
    return kBands;
}

int max_prf_for_pw(const Decimal& width) {
    for (const PrfBand& band : kBands) {
        if (compare(width, band.below_ns) < 0) return band.max_prf;
    }
    return kPrfFloor;
}

bool prf_allowed(const Decimal& prf, const Decimal& width) {
    return compare(prf, max_prf_for_pw(width)) <= 0;
}

bool prf_choice_allowed(const std::string& prf, const std::string& width) {
    const auto hz = parse_decimal(prf);
    if (!hz) return false;
    if (compare(*hz, kPrfFloor) <= 0) return true;
    const auto ns = parse_decimal(width);
    return ns && prf_allowed(*hz, *ns);
}

std::optional<std::string> prf_lowered_for(const std::string& prf, const Decimal& width) {
    const auto hz = parse_decimal(prf);
    if (!hz || prf_allowed(*hz, width)) return std::nullopt;
    return std::to_string(max_prf_for_pw(width));
}

std::string probe_freq_text(std::int64_t width) {
    const std::int64_t hundredths = round_half_even(50000, width);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(hundredths / 100),
                  static_cast<long long>(hundredths % 100));
    return text;
}

} // namespace qlm
