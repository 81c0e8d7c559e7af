#include "remote/scpi_error.h"

#include <array>
#include <utility>

namespace qlm::remote {

namespace {

constexpr std::array<std::pair<int, const char*>, 19> kTexts{{
    {error::kNone, "No error"},
    {error::kCommand, "Command error"},
    {error::kInvalidCharacter, "Invalid character"},
    {error::kSyntax, "Syntax error"},
    {error::kParameterNotAllowed, "Parameter not allowed"},
    {error::kMissingParameter, "Missing parameter"},
    {error::kMnemonicTooLong, "Program mnemonic too long"},
    {error::kUndefinedHeader, "Undefined header"},
    {error::kInvalidSuffix, "Invalid suffix"},
    {error::kSettingsConflict, "Settings conflict"},
    {error::kOutOfRange, "Data out of range"},
    {error::kTooMuchData, "Too much data"},
    {error::kIllegalValue, "Illegal parameter value"},
    {error::kHardware, "Hardware error"},
    {error::kMassStorage, "Mass storage error"},
    {error::kFileNotFound, "File name not found"},
    {error::kFileName, "File name error"},
    {error::kQueueOverflow, "Queue overflow"},
    {error::kInputOverrun, "Input buffer overrun"},
}};

// The standard caps an error string at 255 characters.
constexpr std::size_t kMaxText = 255;

} // namespace

const char* error_text(int code) {
    for (const auto& [each, text] : kTexts) {
        if (each == code) return text;
    }
    return code <= -400   ? "Query error"
           : code <= -300 ? "Device-specific error"
           : code <= -200 ? "Execution error"
                          : "Command error";
}

std::string ScpiError::answer() const {
    std::string text = error_text(code);
    if (!detail.empty()) text += ";" + detail;
    if (text.size() > kMaxText) text.resize(kMaxText);
    // Printable ASCII only; a quote would end the string.
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) c = '?';
        if (c == '"') c = '\'';
    }
    return std::to_string(code) + ",\"" + text + "\"";
}

int esr_bit(int code) {
    if (code <= -100 && code > -200) return 0x20; // command error
    if (code <= -200 && code > -300) return 0x10; // execution error
    if (code <= -300 && code > -400) return 0x08; // device-dependent error
    if (code <= -400 && code > -500) return 0x04; // query error
    return 0;
}

void ErrorQueue::push(ScpiError error) {
    if (errors_.size() < kCapacity)
        errors_.push_back(std::move(error));
    else
        errors_.back() = {error::kQueueOverflow, {}};
}

ScpiError ErrorQueue::next() {
    if (errors_.empty()) return {};
    ScpiError oldest = std::move(errors_.front());
    errors_.pop_front();
    return oldest;
}

} // namespace qlm::remote
