#include "params/number.h"

namespace qlm {

namespace {
constexpr std::size_t kMaxWholeDigits = 9;
constexpr std::size_t kMaxFractionDigits = 6;
} // namespace

std::optional<Decimal> parse_decimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    if (whole.size() > kMaxWholeDigits || fraction.size() > kMaxFractionDigits) return std::nullopt;

    Decimal value;
    for (const std::string_view part : {whole, fraction}) {
        for (const char c : part) {
            if (c < '0' || c > '9') return std::nullopt;
            value.num = value.num * 10 + (c - '0');
        }
    }
    for (std::size_t i = 0; i < fraction.size(); ++i)
        value.den *= 10;
    if (negative) value.num = -value.num;
    return value;
}

std::int64_t round_half_even(std::int64_t num, std::int64_t den) {
    std::int64_t quotient = num / den;
    std::int64_t remainder = num % den;
    if (remainder < 0) { // floor division
        remainder += den;
        quotient -= 1;
    }
    const std::int64_t twice = 2 * remainder;
    if (twice > den || (twice == den && quotient % 2 != 0)) ++quotient;
    return quotient;
}

int compare(const Decimal& value, std::int64_t whole) {
    const std::int64_t scaled = whole * value.den;
    return value.num < scaled ? -1 : value.num > scaled ? 1 : 0;
}

} // namespace qlm
