#pragma once
// The journal's lines: one JSON object per outcome, on one line, in UTF-8. Plain C++.

#include "panel/outcome.h"

#include <optional>
#include <string>

namespace qlm {

// Who made the outcome, and when.
struct JournalSource {
    std::string time;    // local time with its offset, ISO 8601
    std::string program; // the program file's name: qlm5120rx, qlm5120rx-cli, ...
    bool simulator;      // the driver in use is the simulated instrument
};

// The outcome's line without its newline; none for what the journal does not keep (the
// upload's single steps, whose commands are kept).
std::optional<std::string> journal_line(const Outcome& outcome, const JournalSource& source);

} // namespace qlm
