#include "remote/field_values.h"

#include "params/descriptor.h"
#include "params/interlock.h"
#include "params/number.h"
#include "params/units.h"
#include "remote/interpreter.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace qlm::remote {

namespace {

std::string range_text(Field field) {
    const NumericRule& rule = *descriptor(field).numeric;
    return std::string(remote_field(field).name) + " " +
           Interpreter::answer_text(field, std::to_string(rule.min)) + " to " +
           Interpreter::answer_text(field, std::to_string(rule.max));
}

// The list entries' positions, in the order UP and MIN go.
std::vector<std::size_t> entry_order(Field field) {
    const ParamDescriptor& param = descriptor(field);
    std::vector<std::size_t> order(param.choices.size());
    std::iota(order.begin(), order.end(), 0);
    if (remote_field(field).numeric_order) {
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::stoll(param.choices[a].text) < std::stoll(param.choices[b].text);
        });
    }
    return order;
}

// The field's name and its entries as queries answer them, made once per field.
const std::string& entries_text(Field field) {
    static const auto texts = [] {
        std::array<std::string, kFieldCount> out;
        for (const Field each : kAllFields) {
            std::string& text = out[static_cast<std::size_t>(each)];
            text = std::string(remote_field(each).name) + " ";
            bool first = true;
            for (const std::size_t i : entry_order(each)) {
                text += (first ? "" : "|") +
                        Interpreter::answer_text(each, descriptor(each).choices[i].text);
                first = false;
            }
        }
        return out;
    }();
    return texts[static_cast<std::size_t>(field)];
}

// The whole number a field's text holds (a voltage as its magnitude).
std::optional<std::int64_t> whole(Field field, const std::string& text) {
    const auto value = parse_decimal(text);
    if (!value || value->den != 1) return std::nullopt;
    return descriptor(field).numeric->magnitude ? std::abs(value->num) : value->num;
}

// A value an entry shows as it is, on the field's steps.
bool on_step(const NumericRule& rule, std::int64_t value) {
    std::int64_t step = 1;
    for (const Step& each : rule.steps) {
        if (value >= each.from) step = each.step;
    }
    return value % step == 0;
}

} // namespace

std::optional<std::string> number_text(const ScpiNumber& number, int shift) {
    return decimal_text(number.negative, number.digits, static_cast<long>(number.exponent) + shift);
}

std::optional<Limit> limit_word(const Parameter& value) {
    if (value.kind != Parameter::Kind::word) return std::nullopt;
    if (word_matches("MINimum", value.text)) return Limit::min;
    if (word_matches("MAXimum", value.text)) return Limit::max;
    if (word_matches("DEFault", value.text)) return Limit::def;
    if (word_matches("UP", value.text)) return Limit::up;
    if (word_matches("DOWN", value.text)) return Limit::down;
    return std::nullopt;
}

bool limit_text(Field field, Limit limit, const param_set& set, std::string& text,
                ScpiError& error) {
    const ParamDescriptor& param = descriptor(field);
    if (limit == Limit::def) {
        text = param.initial;
        return true;
    }
    if (const NumericRule* rule = param.numeric) {
        if (limit == Limit::min || limit == Limit::max) {
            text = std::to_string(limit == Limit::min ? rule->min : rule->max);
            return true;
        }
        const auto current = whole(field, set[field]);
        if (!current) {
            error = {error::kSettingsConflict,
                     std::string(remote_field(field).name) + " holds no number to step from"};
            return false;
        }
        const int direction = limit == Limit::up ? 1 : -1;
        for (std::int64_t value = *current + direction; value >= rule->min && value <= rule->max;
             value += direction) {
            if (value < rule->min || !on_step(*rule, value)) continue;
            text = std::to_string(value);
            return true;
        }
        error = {error::kOutOfRange, range_text(field)};
        return false;
    }
    const std::vector<std::size_t> order = entry_order(field);
    if (limit == Limit::min) {
        text = param.choices[order.front()].text;
        return true;
    }
    if (limit == Limit::max) {
        text = param.choices[order.back()].text;
        // The highest PRF is the highest the width on display allows.
        if (field == Field::prf) {
            if (const auto width = parse_decimal(set.pw))
                text = std::to_string(max_prf_for_pw(*width));
        }
        return true;
    }
    const auto position = choice_position(field, set[field]);
    const auto at = position ? std::find(order.begin(), order.end(), *position) : order.end();
    if (at == order.end()) {
        error = {error::kSettingsConflict,
                 std::string(remote_field(field).name) + " holds no list value to step from"};
        return false;
    }
    if (limit == Limit::up ? at + 1 == order.end() : at == order.begin()) {
        error = {error::kOutOfRange, entries_text(field)};
        return false;
    }
    text = param.choices[*(limit == Limit::up ? at + 1 : at - 1)].text;
    return true;
}

bool value_text(Field field, const Parameter& value, const param_set& set, std::string& text,
                ScpiError& error) {
    const RemoteField& remote = remote_field(field);
    const ParamDescriptor& param = descriptor(field);
    if (const auto limit = limit_word(value)) return limit_text(field, *limit, set, text, error);
    if (value.kind == Parameter::Kind::word && remote.units == Units::none) {
        for (std::size_t i = 0; i < param.choices.size(); ++i) {
            if (i < remote.entries.size() && remote.entries[i] &&
                word_matches(remote.entries[i], value.text)) {
                text = param.choices[i].text;
                return true;
            }
        }
        error = {error::kIllegalValue, entries_text(field)};
        return false;
    }
    if (value.kind != Parameter::Kind::number || remote.units == Units::none) {
        error = {error::kIllegalValue, param.numeric ? range_text(field) : entries_text(field)};
        return false;
    }
    // Without a suffix, in the SI base unit.
    int shift = -si_power(field);
    if (!value.suffix.empty()) {
        const auto units = unit_suffixes(field);
        const auto suffix = std::find_if(units.begin(), units.end(), [&](const UnitSuffix& each) {
            return value.suffix == each.name;
        });
        if (suffix == units.end()) {
            error = {error::kInvalidSuffix,
                     std::string(remote.name) + " " + value.suffix + ", not " + suffix_list(field)};
            return false;
        }
        shift += suffix->power;
    }
    const auto number = number_text(value.number, shift);
    if (!number) {
        error = param.numeric ? ScpiError{error::kOutOfRange, range_text(field)}
                              : ScpiError{error::kIllegalValue, entries_text(field)};
        return false;
    }
    text = *number;
    // A list of named entries given as numbers (the high-pass filter in Hz).
    if (remote.entries[0]) {
        for (std::size_t i = 0; i < param.choices.size(); ++i) {
            if (i < remote.entries.size() && remote.entries[i] && text == remote.entries[i]) {
                text = param.choices[i].text;
                return true;
            }
        }
        error = {error::kIllegalValue, entries_text(field)};
        return false;
    }
    return true;
}

std::string refusal_detail(const Refused& refused, const param_set& set) {
    const std::string name = remote_field(refused.field).name;
    switch (refused.rule) {
    case Rule::out_of_range:
        return range_text(refused.field);
    case Rule::not_a_number: {
        const int power = si_power(refused.field);
        return range_text(refused.field) +
               (power ? ", multiples of " + nr_text(false, "1", power) : ", whole numbers");
    }
    case Rule::prf_not_allowed: {
        const auto width = parse_decimal(set.pw);
        return "PRF " + refused.value + " not at PULS:WIDT " +
               Interpreter::answer_text(Field::pw, set.pw) +
               (width ? " (up to " + std::to_string(max_prf_for_pw(*width)) + ")" : "");
    }
    case Rule::not_an_entry:
        break;
    }
    return entries_text(refused.field);
}

} // namespace qlm::remote
