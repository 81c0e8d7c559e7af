#pragma once
// What a front-panel operation did, as data: every front end switches on these and renders
// them through the catalogue (panel/texts.h), never by reading text.

#include "link/link.h"
#include "params/entry_rules.h"
#include "params/param_set.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace qlm {

// One parameter command handed to the instrument. `before` is what the instrument held as it
// came, as far as the program knows (the value last delivered or read back; empty when none
// was), `text` what the command carries.
struct Sent {
    Field field;
    std::uint8_t code, value1, value2;
    std::string before;
    std::string text;
    SendResult delivery;
};

enum class Rule {
    out_of_range,    // a number outside the field's range
    not_a_number,    // not a whole number of the field's form
    prf_not_allowed, // a PRF the width on display does not allow
    not_an_entry,    // a list value the list does not hold
};

// A value the rules do not take: nothing was sent, the display kept its value.
struct Refused {
    Field field;
    Rule rule;
    ConfirmedBy by; // the entry's refusal text depends on it; enter for lists
    std::string value;
};

// A value changed on the display only, following another one (the PRF after a longer
// width, the probe frequency after any width).
struct DisplayOnly {
    Field field;
    Field because;
    std::string before;
    std::string text;
};

// `follow`: read back because another program changed the instrument; `watch`: the idle
// panel's own look (Panel::watch), reported only when it found something: the instrument
// gone or back, or `updates` (settings changed with no send of this program's behind them,
// nor another program's that was counted); `query`: read for what the program knows of the
// instrument only (a remote query of a value not confirmed).
enum class ReadKind { settings, width, check, follow, watch, query };
enum class ReadResult { answered, request_refused, no_answer, busy };

// A field whose value differs between two sets.
struct Difference {
    Field field;
    std::string shown;      // on the display panel, or in the file
    std::string instrument; // read back
};

// A read-back. `updates`: the fields the instrument held otherwise than the program knew
// (`shown`: the value last delivered or read back); `observed`: the ones it knew nothing of
// yet (`shown` empty). `asked`: the operator asked for it (the menu's read-back); a check is
// always asked for.
struct ReadBack {
    ReadKind kind;
    ReadResult result;
    std::vector<Difference> updates{};
    bool asked = false;
    std::vector<Difference> observed{};
};

// A settings file's field not taken as the file has it.
struct ImportNote {
    Field field;
    std::string file_text;
    enum Kind {
        not_applied, // refused by `rule`: not sent, the display keeps its value
        rounded,     // to the instrument's steps, as an entry field would
        lowered,     // the PRF, to what the width allows
    } kind;
    Rule rule;
    std::string shown; // what the display shows for the field now
};

// A set read from a file went onto the display; its upload follows.
struct Imported {
    std::vector<ImportNote> notes;
};

enum class UploadStop { entry_key, button, read_failed, new_import, by_caller };

struct UploadStarted {};
struct UploadStep {
    int value; // 1..Upload::kSteps
};
struct UploadFinished {};
struct UploadStopped {
    UploadStop why;
    int at; // the step reached
};

// The instrument read back and compared with the display, or with a file.
enum class Against { display, file };
struct Compared {
    Against against;
    std::vector<Difference> differences;
};

enum class FileOp { import, export_, compare, sheet };

// A settings file read or written, or the setup sheet (a PDF) written; `reason` says why it
// failed.
struct FileDone {
    FileOp op;
    std::string path;
    bool ok;
    std::string reason;
};

using Outcome = std::variant<Sent, Refused, DisplayOnly, ReadBack, Imported, UploadStarted,
                             UploadStep, UploadFinished, UploadStopped, Compared, FileDone>;

// One change asked of the panel: a list entry by its text, or a number as typed.
struct Change {
    Field field;
    std::string value;
};

// True for a command the instrument did not take, or a read it did not answer.
inline bool unreachable(const Outcome& outcome) {
    if (const auto* sent = std::get_if<Sent>(&outcome))
        return sent->delivery == SendResult::announce_refused ||
               sent->delivery == SendResult::data_refused || sent->delivery == SendResult::busy;
    if (const auto* read = std::get_if<ReadBack>(&outcome))
        return read->result != ReadResult::answered;
    return false;
}

// True for a command not sent, or a read not asked, because the exchange lock was not had
// (held by another program, or its file unusable).
inline bool not_had_lock(const Outcome& outcome) {
    if (const auto* sent = std::get_if<Sent>(&outcome)) return sent->delivery == SendResult::busy;
    if (const auto* read = std::get_if<ReadBack>(&outcome)) return read->result == ReadResult::busy;
    return false;
}

} // namespace qlm
