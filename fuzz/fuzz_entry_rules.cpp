// The three numeric entries: any text is either refused or becomes a value in range and on
// its step that encodes to the bytes it stands for. A short text of the field's form whose
// value is in range is never refused.
#include "fuzz_check.h"
#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/entry_rules.h"
#include "params/interlock.h"

#include <cstdint>
#include <string>

using namespace qlm;

namespace {

struct Form {
    bool whole = false; // an optional leading minus and at least one digit, nothing else
    bool negative = false;
    long long magnitude = 0; // capped, so long texts do not overflow
    std::size_t digits = 0;
};

Form read_form(const std::string& text) {
    Form form;
    std::size_t i = 0;
    if (!text.empty() && text[0] == '-') {
        form.negative = true;
        i = 1;
    }
    if (i == text.size()) return form;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return form;
        if (form.magnitude < 1000000000) form.magnitude = form.magnitude * 10 + (text[i] - '0');
        ++form.digits;
    }
    form.whole = true;
    return form;
}

long long whole_of(const std::string& text) {
    const Form form = read_form(text);
    FUZZ_CHECK(form.whole);
    return form.negative ? -form.magnitude : form.magnitude;
}

void check(Field entry, const std::string& text) {
    const EntryResult result = confirm_entry(entry, text);
    const Form form = read_form(text);
    const long long typed = form.negative ? -form.magnitude : form.magnitude;
    const bool minus_allowed = entry != Field::pw;
    const bool of_form = form.whole && (minus_allowed || !form.negative);
    // Eight characters hold every value a field takes, with a sign and leading zeros.
    const bool short_text = text.size() <= 8;

    if (!result.accepted) {
        FUZZ_CHECK(result.display_text.empty());
        switch (entry) {
        case Field::voltage:
            if (of_form && short_text) FUZZ_CHECK(form.magnitude < 25 || form.magnitude > 400);
            break;
        case Field::pw:
            if (of_form && short_text) FUZZ_CHECK(typed < 25 || typed > 6500);
            break;
        case Field::gain:
            if (of_form && short_text) FUZZ_CHECK(typed < -50 || typed > 60);
            FUZZ_CHECK(result.field_text == text);
            break;
        }
        return;
    }

    FUZZ_CHECK(of_form);
    const auto command = encode_text(entry, result.display_text);
    FUZZ_CHECK(command.has_value());
    const long long value = whole_of(result.display_text);
    switch (entry) {
    case Field::voltage:
        FUZZ_CHECK(value >= 25 && value <= 400 && value % 25 == 0);
        FUZZ_CHECK(form.magnitude - value >= 0 && form.magnitude - value < 25);
        FUZZ_CHECK(result.field_text == result.display_text);
        FUZZ_CHECK(result.display_text == std::to_string(value));
        FUZZ_CHECK(command->code == 2 && command->value1 == value / 25 && command->value2 == 0);
        break;
    case Field::pw: {
        FUZZ_CHECK(value >= 25 && value <= 6500);
        const long long step = value >= 1000 ? 20 : 5;
        FUZZ_CHECK(value % step == 0 && typed - value >= 0 && typed - value < step);
        FUZZ_CHECK(result.field_text == result.display_text);
        FUZZ_CHECK(result.display_text == std::to_string(value));
        FUZZ_CHECK(command->code == 6 && command->value1 == value % 256 &&
                   command->value2 == value / 256);
        break;
    }
    case Field::gain:
        FUZZ_CHECK(value >= -50 && value <= 60);
        // Shown exactly as typed.
        FUZZ_CHECK(result.display_text == text && result.field_text == text);
        FUZZ_CHECK(command->code == 1 && command->value1 == value + 50 && command->value2 == 0);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const Field entry : {Field::voltage, Field::pw, Field::gain})
        check(entry, text);
    return 0;
}
