#pragma once
// JSON text for the program's machine-readable output (the journal, the command line's --json).

#include <string>

namespace qlm {

// A JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped.
std::string json_quoted(const std::string& text);

} // namespace qlm
