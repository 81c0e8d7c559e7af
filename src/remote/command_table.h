#pragma once
// The remote command set as data: every header with what it does, and for the nine
// parameters their units, their words and what their queries answer. The interpreter and the
// command tables (the manual's, docs/remote-control.md's, the installed one) read this.

#include "params/param_set.h"
#include "remote/scpi_parser.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qlm::remote {

enum class Action {
    idn,
    rst,
    cls,
    esr,
    ese,
    opc,
    wai,
    stb,
    error_next,
    error_count,
    version,
    field,      // one of the nine parameters
    probe_freq, // follows the width; query only
    read_back,  // the instrument read back into the display
    check,      // the instrument compared with the display
    present,    // whether the instrument answered its last exchange
    load,       // a settings file shown and uploaded
    store,      // the display written to a settings file
    restore,    // the display as it was before a change the watch found, uploaded
};

// The SI base unit a number of the field is in, without a suffix; none for words. The
// suffixes are the field's own (params/units.h).
enum class Units { none, s, volt, db, hz, ohm };

struct CommandEntry {
    const char* header; // long form, short form in capitals, optional nodes in brackets
    Action action;
    std::optional<Field> field;
    bool sets;
    bool queries;
    const char* parameter; // what a set takes, for the tables; a parameter's from its rules
    const char* answer;    // what the query answers, for the tables ("" for none)
};
std::span<const CommandEntry> command_entries();

// A parameter as the remote names it.
struct RemoteField {
    Field field;
    const char* name; // short header, in messages: "PULS:WIDT"
    Units units;
    // List entries in the parameter's list order: a word (short form in capitals) for lists
    // of names, or the number in SI base units; none where the entry texts are numbers
    // already.
    std::array<const char*, 2> entries;
    // What a query answers for each entry; none: the value in SI base units.
    std::array<const char*, 2> answers;
    bool numeric_order; // UP/DOWN and MIN/MAX by value, not by list order
};
const RemoteField& remote_field(Field field);

// "SINGle" takes "SING" and "SINGLE", in any case (`word` is upper case already).
bool word_matches(const char* pattern, const std::string& word);

// The command a header names: its path after the current one (`prefix`, the previous
// command's path less its last node) or, when not found there, from the root. `prefix`
// becomes this command's. None for an unknown header.
const CommandEntry* find_command(const Command& command, std::vector<std::string>& prefix);

// "PULSe:WIDTh" -> "PULS:WIDT"; optional nodes left out.
std::string short_header(const char* header);

} // namespace qlm::remote
