#pragma once
// One description per parameter: its title, command code, list entries, encoding, range,
// steps, texts and unit. Everything else in the program reads this table.

#include "params/param_set.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qlm {

// A list entry: the field text it stands for, its command value and, where the text is no
// number or unit, its English name.
struct Choice {
    const char* text;
    std::uint8_t value;
    const char* word = nullptr;
};

// How a text becomes command bytes, and an answer byte becomes a text again.
enum class Encoding {
    choice,         // the entry's value; read back: a byte naming no entry keeps the text
    choice_two_way, // the entry's value; read back: every byte but 1 is the value-0 entry
    offset,         // number + factor, halves to even; read back: byte - factor
    scaled,         // number / factor, halves to even; read back: byte * factor
    wide,           // the number in two bytes, low first; read back the same
    derived,        // never sent, never read: follows other fields
};

// From `from` upwards a confirmed number is rounded down to a multiple of `step`.
struct Step {
    std::int64_t from;
    std::int64_t step;
};

// The three parameters typed into an entry field.
struct NumericRule {
    std::int64_t min, max;
    std::span<const Step> steps; // empty: shown exactly as typed
    bool takes_minus;            // the field takes a minus key
    bool magnitude;              // the number's magnitude counts ("-150" is 150)
    const char* entry_unit;      // the unit label beside the entry field
    // Refusal messages by Enter and by the button; "{min}" and "{max}" stand for the range.
    const char* refused_by_enter;
    const char* refused_by_button;
};

struct ParamDescriptor {
    Field field;
    const char* title; // what the operator calls it
    std::optional<std::uint8_t> code;
    const char* initial;
    const char* unit;        // after the value on the display panel; "" for none
    const char* prefix;      // before the value ("1" of the high-pass filter); "" for none
    std::size_t answer_byte; // where the read-back answer holds it (first of two for wide)
    Encoding encoding;
    int factor; // of offset and scaled
    // Choice lists: entries in list order; the list shows prefix + text + list_suffix.
    std::span<const Choice> choices;
    const char* list_suffix;
    bool label_first; // the display changes before the send (work mode)
    bool needs_width; // read back only from an answer whose pulse width is not 0
    const char* hint; // the display caption's tooltip ("{min}" / "{max}": the range); or null
    const NumericRule* numeric;
};

const ParamDescriptor& descriptor(Field field);
std::optional<Field> field_named(std::string_view name);

// The fields with a choice list, in the window's list order.
std::span<const Field> list_fields();
// The fields typed into an entry field.
std::span<const Field> entry_fields();

// The list form of a field's text: "1000" -> "1000Hz", "kHz" -> "1kHz".
std::string list_text(Field field, const std::string& text);
// The entry a list form or a field text names, if any ("1000Hz" or "1000").
std::optional<std::size_t> choice_position(Field field, const std::string& text);
// As the display panel shows it, with its unit: "1000Hz", "1MHz", "-100V".
std::string shown_text(Field field, const std::string& text);

// "{min}" and "{max}" of a numeric rule's message replaced by its range.
std::string with_range(const char* message, const NumericRule& rule);

} // namespace qlm
