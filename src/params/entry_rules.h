#pragma once
// What the three numeric entry fields take, and what a confirmed text becomes.

#include <optional>
#include <string>
#include <string_view>

namespace qlm {

enum class Entry { voltage, width, gain };

// How the value was confirmed; the refusal texts differ.
enum class ConfirmedBy { enter, button };

// The characters a key may put into the field: digits, and a minus for voltage and gain.
// Backspace and Enter are handled by the field itself.
bool entry_accepts(Entry entry, char32_t character);

struct EntryResult {
    bool accepted = false;
    std::string field_text;   // what the entry field shows afterwards
    std::string display_text; // the value label's new text when accepted
};

// Voltage: the magnitude of the number; 25 to 400, rounded down to a multiple of 25.
// Width: 25 to 999 rounded down to a multiple of 5, 1000 to 6500 to a multiple of 20.
// Gain: -50 to 60, shown exactly as typed.
// A text that is not a whole number of the field's form ("-", "1-2", pasted "1.5" or
// "abc", more digits than any value has) is refused like an out-of-range value.
EntryResult confirm_entry(Entry entry, std::string_view text);

// The message box text for a refusal.
const char* refusal_text(Entry entry, ConfirmedBy by);

} // namespace qlm
