#pragma once
// What the three numeric entry fields take, and what a confirmed text becomes.

#include "params/param_set.h"

#include <string>
#include <string_view>

namespace qlm {

// How the value was confirmed; the refusal texts differ.
enum class ConfirmedBy { enter, button };

// The characters a key may put into the field: digits, and a minus where the parameter
// takes one. Backspace and Enter are handled by the field itself.
bool entry_accepts(Field field, char32_t character);

struct EntryResult {
    bool accepted = false;
    std::string field_text;   // what the entry field shows afterwards
    std::string display_text; // the value label's new text when accepted
    bool number = true;       // false: refused as not a whole number of the field's form
};

// A whole number of the field's form within its range, rounded down to the field's step
// (the voltage's magnitude counts; the gain is shown exactly as typed). A text that is not
// a whole number of the field's form ("-", "1-2", pasted "1.5" or "abc") is refused like an
// out-of-range value; more digits than any value has are a number out of range. The field
// is one of entry_fields().
EntryResult confirm_entry(Field field, std::string_view text);

// The message box text for a refusal.
std::string refusal_text(Field field, ConfirmedBy by);

} // namespace qlm
