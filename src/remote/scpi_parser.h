#pragma once
// SCPI program messages: one line of commands joined by ';'. A command is a header (a path
// of mnemonics in the command tree, or an IEEE 488.2 common command such as *IDN), '?' for
// a query, and parameters separated by ','. The parser knows no commands.

#include "remote/scpi_error.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm::remote {

// A decimal number as written: sign, digits and a power of ten, exactly.
struct ScpiNumber {
    bool negative = false;
    std::string digits; // at least one digit, no leading zeros ("0" for zero)
    int exponent = 0;   // value = digits * 10^exponent
};

struct Parameter {
    enum class Kind { number, word, string };
    Kind kind = Kind::word;
    std::string text;   // word: upper case; string: its content; number: as written
    ScpiNumber number;  // a number's value
    std::string suffix; // a number's unit, upper case ("KHZ"); empty for none
};

struct Command {
    bool common = false;           // *IDN? and its kin
    bool rooted = false;           // the header started with ':'
    bool query = false;            // ended with '?'
    std::vector<std::string> path; // the mnemonics as written, upper case
    std::vector<Parameter> params;
};

class MessageParser {
public:
    static constexpr std::size_t kMaxMnemonic = 12;

    explicit MessageParser(std::string line);

    // The next command of the line, or none at its end. A command that does not parse
    // yields none and `error`, and the rest of the line is dropped, as the standard has it.
    std::optional<Command> next(ScpiError& error);
    bool at_end() const { return at_ >= line_.size(); }

private:
    bool header(Command& command, ScpiError& error);
    bool parameter(Command& command, ScpiError& error);
    bool number(Parameter& out, ScpiError& error);
    bool quoted(Parameter& out, ScpiError& error);
    bool mnemonic(std::string& out, ScpiError& error);
    void skip_space();
    bool fail(ScpiError& error, int code, const std::string& detail);
    char peek() const { return at_ < line_.size() ? line_[at_] : '\0'; }

    std::string line_;
    std::size_t at_ = 0;
};

} // namespace qlm::remote
