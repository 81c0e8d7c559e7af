#pragma once
// SCPI errors: the standard codes with their texts, and one client's error queue.

#include <cstddef>
#include <deque>
#include <string>

namespace qlm::remote {

namespace error {
constexpr int kNone = 0;
constexpr int kCommand = -100;
constexpr int kInvalidCharacter = -101;
constexpr int kSyntax = -102;
constexpr int kParameterNotAllowed = -108;
constexpr int kMissingParameter = -109;
constexpr int kMnemonicTooLong = -112;
constexpr int kUndefinedHeader = -113;
constexpr int kInvalidSuffix = -131;
constexpr int kSettingsConflict = -221;
constexpr int kOutOfRange = -222;
constexpr int kTooMuchData = -223;
constexpr int kIllegalValue = -224;
constexpr int kHardware = -240;
constexpr int kMassStorage = -250;
constexpr int kFileNotFound = -256;
constexpr int kFileName = -257;
constexpr int kQueueOverflow = -350;
constexpr int kInputOverrun = -363;
} // namespace error

// The standard's text for a code: "Data out of range".
const char* error_text(int code);

struct ScpiError {
    int code = error::kNone;
    std::string detail; // after the text, behind a ';': "GAIN -50 to 60"

    // The answer of SYSTem:ERRor?: -222,"Data out of range;GAIN -50 to 60", ASCII only.
    std::string answer() const;
};

// The event status register's bit for an error's class (command, execution, device, query).
int esr_bit(int code);

// Oldest first. When full the newest entry becomes -350, as the standard has it.
class ErrorQueue {
public:
    static constexpr std::size_t kCapacity = 16;

    void push(ScpiError error);
    // The oldest error, or 0,"No error".
    ScpiError next();
    std::size_t count() const { return errors_.size(); }
    void clear() { errors_.clear(); }

private:
    std::deque<ScpiError> errors_;
};

} // namespace qlm::remote
