#include "params/entry_rules.h"

#include "params/descriptor.h"

#include <cstdint>
#include <optional>

namespace qlm {

namespace {

// Longer than any value a field takes, even with leading zeros and a sign.
constexpr std::size_t kMaxEntryLength = 8;

// "-12" / "0100": an optional leading minus (where allowed) and at least one digit.
std::optional<std::int64_t> whole_number(std::string_view text, bool minus_allowed) {
    if (text.empty() || text.size() > kMaxEntryLength) return std::nullopt;
    const bool negative = text.front() == '-';
    if (negative) {
        if (!minus_allowed) return std::nullopt;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// More digits than any value has, and nothing else: a number, out of range.
bool too_long(std::string_view text, bool minus_allowed) {
    if (minus_allowed && !text.empty() && text.front() == '-') text.remove_prefix(1);
    return text.size() > kMaxEntryLength &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::int64_t round_down(std::int64_t value, const NumericRule& rule) {
    std::int64_t step = 1;
    for (const Step& each : rule.steps) {
        if (value >= each.from) step = each.step;
    }
    return value - value % step;
}

} // namespace

bool entry_accepts(Field field, char32_t character) {
    if (character >= U'0' && character <= U'9') return true;
    const NumericRule* rule = descriptor(field).numeric;
    return character == U'-' && rule && rule->takes_minus;
}

EntryResult confirm_entry(Field field, std::string_view text) {
    const NumericRule& rule = *descriptor(field).numeric;
    const auto number = whole_number(text, rule.takes_minus);
    if (!number) return {false, std::string(text), {}, too_long(text, rule.takes_minus)};
    const std::int64_t value = rule.magnitude && *number < 0 ? -*number : *number;
    // A magnitude is shown as such, even when refused.
    const std::string typed = rule.magnitude ? std::to_string(value) : std::string(text);
    if (value < rule.min || value > rule.max) return {false, typed, {}};
    if (rule.steps.empty()) return {true, typed, typed};
    const std::string rounded = std::to_string(round_down(value, rule));
    return {true, rounded, rounded};
}

std::string refusal_text(Field field, ConfirmedBy by) {
    const NumericRule& rule = *descriptor(field).numeric;
    return with_range(by == ConfirmedBy::enter ? rule.refused_by_enter : rule.refused_by_button,
                      rule);
}

} // namespace qlm
