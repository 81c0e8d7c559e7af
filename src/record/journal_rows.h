#pragma once
// The journal read back as a table: one row per field a line touched, or one for a line
// that touched none.

#include <string>
#include <vector>

namespace qlm {

struct JournalRow {
    std::string time, program, driver, event;
    std::string field;     // the param_set member; empty for none
    std::string parameter; // what the operator calls it
    std::string old_text, new_text;
    std::string result;
};

// The rows of one line; none for a line that is not a journal object (shown as such by
// the caller, never dropped silently).
std::vector<JournalRow> journal_rows(const std::string& line, bool* unreadable = nullptr);

// A control character: C0, C1, DEL, line and paragraph separators, and the marks, embeddings,
// overrides and isolates that change the direction of text.
bool is_control_character(char16_t c);
// UTF-8 text with each control character written as \uXXXX (valid in JSON too), so that
// a line cannot drive a terminal.
std::string escape_controls(const std::string& text);

} // namespace qlm
