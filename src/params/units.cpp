#include "params/units.h"

#include "params/descriptor.h"

#include <array>
#include <cctype>

namespace qlm {

namespace {

// Longer numbers than this are far outside every range.
constexpr std::size_t kMaxWholeDigits = 12;

// Whole SI numbers below this are answered as integers, others in NR3.
constexpr std::size_t kMaxIntegerDigits = 6;

constexpr std::array<UnitSuffix, 1> kDb{{{"DB", 0}}};
constexpr std::array<UnitSuffix, 3> kVolt{{{"V", 0}, {"KV", 3}, {"MV", -3}}};
constexpr std::array<UnitSuffix, 3> kHz{{{"HZ", 0}, {"KHZ", 3}, {"MHZ", 6}}};
constexpr std::array<UnitSuffix, 4> kSeconds{{{"NS", -9}, {"US", -6}, {"MS", -3}, {"S", 0}}};
constexpr std::array<UnitSuffix, 3> kOhm{{{"OHM", 0}, {"KOHM", 3}, {"MOHM", 6}}};

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// "[+|-]digits[.digits][ ]SUFFIX": the number and the suffix, upper case; none for others.
struct Written {
    bool negative = false;
    std::string digits;
    long exponent = 0;
    std::string suffix;
};
std::optional<Written> split_number(std::string_view text) {
    Written out;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) out.negative = text[at++] == '-';
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            out.digits += c;
            if (point) --out.exponent;
        } else {
            break;
        }
    }
    while (at < text.size() && text[at] == ' ')
        ++at;
    out.suffix = upper(text.substr(at));
    if (out.digits.empty()) return std::nullopt;
    return out;
}

// A number with one of the field's suffixes, its exponent in SI base units.
std::optional<Written> suffixed_si(Field field, std::string_view text) {
    auto written = split_number(text);
    if (!written || written->suffix.empty()) return std::nullopt;
    for (const UnitSuffix& suffix : unit_suffixes(field)) {
        if (written->suffix == suffix.name) {
            written->exponent += suffix.power;
            return written;
        }
    }
    return std::nullopt;
}

// A number with one of the field's suffixes, in the field's own unit.
std::optional<std::string> in_field_unit(Field field, std::string_view text) {
    const auto written = suffixed_si(field, text);
    if (!written) return std::nullopt;
    return decimal_text(written->negative, written->digits, written->exponent - si_power(field));
}

// A field's text in SI base units; none for a field or text that holds no number.
std::optional<Written> si_value(Field field, const std::string& text) {
    if (field == Field::hpf_unit) return suffixed_si(field, descriptor(field).prefix + text);
    if (unit_suffixes(field).empty()) return std::nullopt;
    auto written = split_number(text);
    if (!written || !written->suffix.empty()) return std::nullopt;
    // The voltage is shown as a magnitude after a fixed minus sign.
    written->negative = written->negative && field != Field::voltage;
    written->exponent += si_power(field);
    return written;
}

bool same_letters(std::string_view a, std::string_view b) {
    return upper(a) == upper(b);
}

} // namespace

std::span<const UnitSuffix> unit_suffixes(Field field) {
    switch (field) {
    case Field::gain:
        return kDb;
    case Field::voltage:
        return kVolt;
    case Field::prf:
    case Field::hpf_unit:
    case Field::lpf:
    case Field::probe_freq:
        return kHz;
    case Field::pw:
        return kSeconds;
    case Field::damping:
        return kOhm;
    default:
        return {};
    }
}

int si_power(Field field) {
    switch (field) {
    case Field::lpf:
    case Field::probe_freq:
        return 6;
    case Field::pw:
        return -9;
    default:
        return 0;
    }
}

const char* si_unit(Field field) {
    switch (field) {
    case Field::gain:
        return "dB";
    case Field::voltage:
        return "V";
    case Field::pw:
        return "s";
    case Field::damping:
        return "Ω";
    case Field::mode:
    case Field::trigger:
        return "";
    default:
        return "Hz";
    }
}

std::string suffix_list(Field field) {
    std::string out;
    for (const UnitSuffix& suffix : unit_suffixes(field))
        out += (out.empty() ? "" : "|") + std::string(suffix.name);
    return out;
}

namespace {

// The digits without leading zeros, and trailing zeros moved into the exponent; false for
// zero.
bool significant(std::string& digits, long& exponent) {
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) return false;
    digits.erase(0, first);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    return true;
}

} // namespace

std::optional<std::string> decimal_text(bool negative, std::string digits, long exponent) {
    if (!significant(digits, exponent)) return "0";
    std::string text;
    if (exponent >= 0) {
        if (digits.size() + static_cast<std::size_t>(exponent) > kMaxWholeDigits)
            return std::nullopt;
        text = digits + std::string(static_cast<std::size_t>(exponent), '0');
    } else {
        const auto places = static_cast<std::size_t>(-exponent);
        if (places > kMaxWholeDigits + digits.size()) {
            text = "0." + std::string(kMaxWholeDigits, '0') + "1"; // tiny, not zero
        } else {
            if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
            text = digits.substr(0, digits.size() - places) + "." +
                   digits.substr(digits.size() - places);
        }
    }
    return (negative ? "-" : "") + text;
}

std::string script_value(Field field, std::string_view text) {
    const ParamDescriptor& param = descriptor(field);
    for (const Choice& choice : param.choices) {
        for (const std::string& form :
             {std::string(choice.text), list_text(field, choice.text),
              shown_text(field, choice.text), std::string(choice.word ? choice.word : "")}) {
            if (!form.empty() && same_letters(text, form)) return choice.text;
        }
    }
    const auto number = in_field_unit(field, text);
    if (!number) return std::string(text);
    for (const Choice& choice : param.choices) {
        // The high-pass filter's entries are units: "kHz" is 1000 Hz.
        const auto value = field == Field::hpf_unit ? si_number(field, choice.text)
                                                    : std::optional<std::string>(choice.text);
        if (value == number) return choice.text;
    }
    return *number;
}

const char* english_name(Field field, const std::string& text) {
    for (const Choice& choice : descriptor(field).choices) {
        if (text == choice.text) return choice.word;
    }
    return nullptr;
}

std::optional<std::string> si_number(Field field, const std::string& text) {
    const auto value = si_value(field, text);
    if (!value) return std::nullopt;
    return decimal_text(value->negative, value->digits, value->exponent);
}

std::string nr_text(bool negative, std::string digits, long exponent) {
    if (!significant(digits, exponent)) return "0";
    const std::string sign = negative ? "-" : "";
    if (exponent >= 0 && digits.size() + static_cast<std::size_t>(exponent) <= kMaxIntegerDigits)
        return sign + digits + std::string(static_cast<std::size_t>(exponent), '0');
    const long power = exponent + static_cast<long>(digits.size()) - 1;
    const std::string rest = digits.substr(1);
    return sign + digits.front() + (rest.empty() ? "" : "." + rest) + "E" + std::to_string(power);
}

std::optional<std::string> si_text(Field field, const std::string& text) {
    const auto value = si_value(field, text);
    if (!value) return std::nullopt;
    return nr_text(value->negative, value->digits, value->exponent);
}

} // namespace qlm
