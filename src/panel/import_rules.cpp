#include "panel/import_rules.h"

#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/interlock.h"
#include "params/number.h"

namespace qlm {

namespace {

// A file's text of a list field: an entry, in field or list form.
std::optional<std::string> list_value(Field field, const std::string& text) {
    const auto position = choice_position(field, text);
    if (!position) return std::nullopt;
    return descriptor(field).choices[*position].text;
}

// The text goes out as it stands when what it encodes to reads back as the same value; a
// read-back's width of 1234 ns, for one, loads again as it was exported.
bool taken_as_is(Field field, const std::string& text) {
    const auto command = encode_text(field, text);
    return command && same_value(field, text, command_text(field, *command));
}

} // namespace

ImportPlan plan_import(const param_set& current, const SettingsTexts& file) {
    ImportPlan plan;
    param_set shown = current;
    const auto note = [&](Field field, ImportNote::Kind kind, Rule rule) {
        plan.notes.push_back(
            {field, file[static_cast<std::size_t>(field)], kind, rule, shown[field]});
    };
    for (const Field field : kAllFields) {
        if (!descriptor(field).code) continue;
        const std::string& text = file[static_cast<std::size_t>(field)];
        const auto index = static_cast<std::size_t>(field);
        if (!descriptor(field).choices.empty()) {
            const auto value = list_value(field, text);
            if (!value) {
                note(field, ImportNote::not_applied, Rule::not_an_entry);
                continue;
            }
            shown[field] = *value;
            plan.sends[index] = true;
            continue;
        }
        if (taken_as_is(field, text)) {
            shown[field] = text;
            plan.sends[index] = true;
            continue;
        }
        // As if typed and confirmed: rounded to the instrument's steps, or refused.
        const EntryResult entry = confirm_entry(field, text);
        if (!entry.accepted) {
            note(field, ImportNote::not_applied,
                 entry.number ? Rule::out_of_range : Rule::not_a_number);
            continue;
        }
        shown[field] = entry.display_text;
        plan.sends[index] = true;
        note(field, ImportNote::rounded, Rule::out_of_range);
    }

    // The probe frequency follows the width, the PRF comes down to what it allows and is sent.
    if (const auto width = parse_decimal(shown.pw); width && width->num > 0) {
        if (plan.sends[static_cast<std::size_t>(Field::pw)])
            shown.probe_freq = probe_freq_text(round_half_even(width->num, width->den));
        if (const auto lowered = prf_lowered_for(shown.prf, *width)) {
            shown.prf = *lowered;
            plan.sends[static_cast<std::size_t>(Field::prf)] = true;
            note(Field::prf, ImportNote::lowered, Rule::prf_not_allowed);
        }
    }
    // A PRF above what the width before the import allows waits for the new width.
    const auto before = parse_decimal(current.pw);
    const auto prf = parse_decimal(shown.prf);
    plan.width_first = before && prf && plan.sends[static_cast<std::size_t>(Field::pw)] &&
                       !prf_allowed(*prf, *before);
    plan.shown = shown.texts();
    return plan;
}

} // namespace qlm
