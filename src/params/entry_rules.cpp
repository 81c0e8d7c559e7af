#include "params/entry_rules.h"

#include <cstdint>

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

EntryResult confirm_voltage(std::string_view text) {
    const auto number = whole_number(text, true);
    if (!number) return {false, std::string(text), {}};
    const std::int64_t v = *number < 0 ? -*number : *number;
    EntryResult result{false, std::to_string(v), {}};
    if (v >= 25 && v <= 400) {
        result.accepted = true;
        result.field_text = result.display_text = std::to_string(v - v % 25);
    }
    return result;
}

EntryResult confirm_width(std::string_view text) {
    const auto v = whole_number(text, false);
    if (!v || *v < 25 || *v > 6500) return {false, std::string(text), {}};
    const std::int64_t step = *v >= 1000 ? 20 : 5;
    const std::string width = std::to_string(*v - *v % step);
    return {true, width, width};
}

EntryResult confirm_gain(std::string_view text) {
    const auto g = whole_number(text, true);
    const bool accepted = g && *g >= -50 && *g <= 60;
    return {accepted, std::string(text), accepted ? std::string(text) : std::string()};
}

} // namespace

bool entry_accepts(Entry entry, char32_t character) {
    if (character >= U'0' && character <= U'9') return true;
    return character == U'-' && entry != Entry::width;
}

EntryResult confirm_entry(Entry entry, std::string_view text) {
    switch (entry) {
    case Entry::voltage:
        return confirm_voltage(text);
    case Entry::width:
        return confirm_width(text);
    case Entry::gain:
        return confirm_gain(text);
    }
    return {};
}

const char* refusal_text(Entry entry, ConfirmedBy by) {
    const bool enter = by == ConfirmedBy::enter;
    switch (entry) {
    case Entry::voltage:
        return enter ? "电压值范围25~400V!" : "电压值：-25~400V!";
    case Entry::width:
        return enter ? "脉冲宽度25~6500ns" : "脉冲宽度：25~6500ns!";
    case Entry::gain:
        return "增益值：-50~60dB!";
    }
    return "";
}

} // namespace qlm
