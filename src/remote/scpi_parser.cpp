#include "remote/scpi_parser.h"

#include <cctype>
#include <utility>

namespace qlm::remote {

namespace {

bool letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool digit(char c) {
    return c >= '0' && c <= '9';
}
bool space(char c) {
    return c == ' ' || c == '\t';
}
char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// Exponents beyond this say nothing more about any value the instrument takes.
constexpr int kMaxExponent = 1000;

// A character as an error message shows it: printable ASCII, else its code.
std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7f) return std::string(1, c);
    static const char* const kHex = "0123456789ABCDEF";
    return std::string("0x") + kHex[byte >> 4] + kHex[byte & 15];
}

} // namespace

MessageParser::MessageParser(std::string line) : line_(std::move(line)) {
    // The terminator and a carriage return before it are not part of the message.
    while (!line_.empty() && (line_.back() == '\n' || line_.back() == '\r'))
        line_.pop_back();
}

bool MessageParser::fail(ScpiError& error, int code, const std::string& detail) {
    error = {code, detail};
    at_ = line_.size();
    return false;
}

void MessageParser::skip_space() {
    while (space(peek()))
        ++at_;
}

std::optional<Command> MessageParser::next(ScpiError& error) {
    error = {};
    for (;;) {
        skip_space();
        if (at_end()) return std::nullopt;
        if (peek() != ';') break;
        ++at_; // an empty command
    }
    Command command;
    if (!header(command, error)) return std::nullopt;
    skip_space();
    if (!at_end() && peek() != ';') {
        for (;;) {
            if (!parameter(command, error)) return std::nullopt;
            skip_space();
            if (peek() != ',') break;
            ++at_;
            skip_space();
        }
    }
    if (!at_end() && peek() != ';') {
        const auto byte = static_cast<unsigned char>(peek());
        fail(error, byte < 0x20 || byte > 0x7e ? error::kInvalidCharacter : error::kSyntax,
             "unexpected " + shown(peek()));
        return std::nullopt;
    }
    if (!at_end()) ++at_;
    return command;
}

bool MessageParser::mnemonic(std::string& out, ScpiError& error) {
    if (!letter(peek())) {
        if (at_end() || space(peek()) || peek() == ';' || peek() == ':' || peek() == '?')
            return fail(error, error::kSyntax, "header expected");
        const auto byte = static_cast<unsigned char>(peek());
        return fail(error, byte < 0x20 || byte > 0x7e ? error::kInvalidCharacter : error::kSyntax,
                    shown(peek()));
    }
    const std::size_t from = at_;
    while (letter(peek()) || digit(peek()) || peek() == '_')
        out += upper(line_[at_++]);
    if (at_ - from > kMaxMnemonic) return fail(error, error::kMnemonicTooLong, out.substr(0, 12));
    return true;
}

bool MessageParser::header(Command& command, ScpiError& error) {
    if (peek() == '*') {
        ++at_;
        command.common = true;
        std::string name;
        if (!mnemonic(name, error)) return false;
        command.path.push_back("*" + name);
    } else {
        if (peek() == ':') {
            command.rooted = true;
            ++at_;
        }
        for (;;) {
            std::string name;
            if (!mnemonic(name, error)) return false;
            command.path.push_back(std::move(name));
            if (peek() != ':') break;
            ++at_;
        }
    }
    if (peek() == '?') {
        command.query = true;
        ++at_;
    }
    const char after = peek();
    if (at_end() || after == ';' || space(after)) return true;
    const auto byte = static_cast<unsigned char>(after);
    return fail(error, byte < 0x20 || byte > 0x7e ? error::kInvalidCharacter : error::kSyntax,
                "unexpected " + shown(after));
}

bool MessageParser::parameter(Command& command, ScpiError& error) {
    Parameter out;
    const char c = peek();
    if (digit(c) || c == '+' || c == '-' || c == '.') {
        if (!number(out, error)) return false;
    } else if (letter(c)) {
        out.kind = Parameter::Kind::word;
        while (letter(peek()) || digit(peek()) || peek() == '_')
            out.text += upper(line_[at_++]);
        if (out.text.size() > kMaxMnemonic)
            return fail(error, error::kMnemonicTooLong, out.text.substr(0, 12));
    } else if (c == '"' || c == '\'') {
        if (!quoted(out, error)) return false;
    } else if (at_end() || c == ',' || c == ';') {
        return fail(error, error::kSyntax, "parameter expected");
    } else {
        const auto byte = static_cast<unsigned char>(c);
        return fail(error, byte < 0x20 || byte > 0x7e ? error::kInvalidCharacter : error::kSyntax,
                    shown(c));
    }
    command.params.push_back(std::move(out));
    return true;
}

// [+|-] digits [. digits] [E [+|-] digits], then an optional unit suffix.
bool MessageParser::number(Parameter& out, ScpiError& error) {
    out.kind = Parameter::Kind::number;
    const std::size_t from = at_;
    if (peek() == '+' || peek() == '-') out.number.negative = line_[at_++] == '-';
    std::string digits;
    int exponent = 0;
    bool any = false;
    while (digit(peek())) {
        digits += line_[at_++];
        any = true;
    }
    if (peek() == '.') {
        ++at_;
        while (digit(peek())) {
            digits += line_[at_++];
            --exponent;
            any = true;
        }
    }
    if (!any) return fail(error, error::kSyntax, "number expected");
    // An exponent: E, an optional sign, digits (spaces allowed around the E).
    std::size_t back = at_;
    skip_space();
    if (upper(peek()) == 'E') {
        std::size_t e = at_ + 1;
        while (e < line_.size() && space(line_[e]))
            ++e;
        bool minus = false;
        if (e < line_.size() && (line_[e] == '+' || line_[e] == '-')) minus = line_[e++] == '-';
        if (e < line_.size() && digit(line_[e])) {
            int value = 0;
            while (e < line_.size() && digit(line_[e])) {
                if (value < kMaxExponent) value = value * 10 + (line_[e] - '0');
                ++e;
            }
            exponent += minus ? -value : value;
            at_ = e;
            back = at_;
        }
    }
    at_ = back;
    // The value without leading zeros; trailing zeros of the digits go into the exponent.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        digits = "0";
        exponent = 0;
        out.number.negative = false;
    } else {
        digits.erase(0, first);
        while (digits.size() > 1 && digits.back() == '0') {
            digits.pop_back();
            ++exponent;
        }
    }
    if (exponent > kMaxExponent) exponent = kMaxExponent;
    if (exponent < -kMaxExponent) exponent = -kMaxExponent;
    out.number.digits = std::move(digits);
    out.number.exponent = exponent;
    out.text = line_.substr(from, at_ - from);
    // A suffix, after optional spaces: letters (and '/' as in "V/S").
    back = at_;
    skip_space();
    if (letter(peek())) {
        while (letter(peek()) || peek() == '/')
            out.suffix += upper(line_[at_++]);
        if (out.suffix.size() > kMaxMnemonic)
            return fail(error, error::kMnemonicTooLong, out.suffix.substr(0, 12));
    } else {
        at_ = back;
    }
    return true;
}

// '...' or "...", the quote doubled inside.
bool MessageParser::quoted(Parameter& out, ScpiError& error) {
    out.kind = Parameter::Kind::string;
    const char quote = line_[at_++];
    for (;;) {
        if (at_end()) return fail(error, error::kSyntax, "unterminated string");
        const char c = line_[at_++];
        if (c == quote) {
            if (peek() != quote) return true;
            ++at_;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            return fail(error, error::kInvalidCharacter, shown(c));
        }
        out.text += c;
    }
}

} // namespace qlm::remote
