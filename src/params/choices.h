#pragma once
// The six choice lists of the control panel: their entries, the field each sets and how a
// field's text is shown in the list's edit field.

#include "params/param_set.h"

#include <span>
#include <string>

namespace qlm {

struct ChoiceList {
    const char* name; // the control: "Combo1" ... "Combo6"
    Field field;
    std::span<const char* const> entries; // in list order
    const char* prefix;                   // list form = prefix + text + suffix
    const char* suffix;
    bool label_first; // shows the new text before sending (work mode only)
};

std::span<const ChoiceList> choice_lists();
const ChoiceList& choice_list(Field field); // field must have a list

// The field text an entry stands for: the entry without the list's prefix and suffix.
std::string field_text(const ChoiceList& list, std::size_t position);

// The list form of a field's text: "1000" -> "1000Hz", "kHz" -> "1kHz".
std::string list_text(Field field, const std::string& text);

} // namespace qlm
