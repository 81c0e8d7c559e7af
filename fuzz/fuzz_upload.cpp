// The upload's frames from ten arbitrary label texts, through the link to the simulated
// instrument. Nothing out of range may reach it, a frame goes out exactly for the texts
// that stand for a value, and decoding what arrived gives back the text it came from
// (a numeric text up to its rounding).
#include "fuzz_check.h"
#include "link/link.h"
#include "panel/upload.h"
#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/interlock.h"
#include "sim_instrument.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace qlm;

namespace {

bool one_of(const std::string& text, Field field) {
    for (const Choice& code : descriptor(field).choices)
        if (text == code.text) return true;
    return false;
}

// The number a text of the form [+-]digits[.digits] stands for, read independently of the
// program's own reader; false for any other text.
bool decimal_form(const std::string& text, long double& value) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    bool point = false;
    for (std::size_t j = i; j < text.size(); ++j) {
        if (text[j] == '.' && !point)
            point = true;
        else if (text[j] >= '0' && text[j] <= '9')
            ++digits;
        else
            return false;
    }
    if (digits == 0) return false;
    value = std::strtold(text.c_str(), nullptr);
    return true;
}

// Beyond nine whole or six fractional digits.
bool too_many_digits(const std::string& text) {
    const auto point = text.find('.');
    const std::size_t sign = text[0] == '+' || text[0] == '-';
    const std::size_t whole = (point == std::string::npos ? text.size() : point) - sign;
    const std::size_t fraction = point == std::string::npos ? 0 : text.size() - point - 1;
    return whole > 9 || fraction > 6;
}

struct Range {
    long double low, high;
};

Range range_of(Field field) {
    switch (field) {
    case Field::gain:
        return {-50, 60};
    case Field::voltage:
        return {25, 400};
    default:
        return {25, 6500};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Ten texts, one a line.
    param_set set;
    {
        const std::string all(reinterpret_cast<const char*>(data), size);
        std::size_t at = 0;
        for (const Field field : kAllFields) {
            const std::size_t end = std::min(all.find('\n', at), all.size());
            set[field] = at < all.size() ? all.substr(at, end - at) : std::string();
            at = end + 1;
        }
    }

    sim::Settings zero{};
    sim::SimInstrument instrument(zero);
    int failed = 0;
    Link link(instrument, LinkSeams{.after = [](auto, auto then) { then(); }});

    Upload upload;
    upload.start();
    std::vector<Field> expected;
    while (const auto tick = upload.tick()) {
        if (!tick->field) continue;
        const Field field = *tick->field;
        if (const auto command = encode_param(set, field)) {
            link.write_seting(
                command->code, command->value1, command->value2,
                [&](SendResult result) { failed += result != SendResult::delivered; });
            expected.push_back(field);
        }
    }

    FUZZ_CHECK(failed == 0);
    FUZZ_CHECK(instrument.violations() == 0);
    FUZZ_CHECK(instrument.rejected_values() == 0);
    const auto& applied = instrument.applied();
    FUZZ_CHECK(applied.size() == expected.size());

    for (std::size_t i = 0; i < applied.size(); ++i) {
        const Field field = expected[i];
        FUZZ_CHECK(applied[i][0] == *descriptor(field).code);
        // Re-decode this one command through the read-back on its own.
        sim::Settings answer = {};
        answer[6] = 200; // a width, so the guarded bytes 8 and 9 are decoded
        static constexpr std::size_t kByte[] = {0, 1, 2, 3, 4, 5, 6, 8, 9};
        answer[kByte[applied[i][0]]] = applied[i][1];
        if (field == Field::pw)
            answer[7] = applied[i][2];
        else
            FUZZ_CHECK(applied[i][2] == 0);
        param_set decoded;
        decode_settings(decoded, answer);

        if (!descriptor(field).choices.empty()) {
            FUZZ_CHECK(decoded[field] == set[field]);
            continue;
        }
        long double original = 0, back = 0;
        FUZZ_CHECK(decimal_form(set[field], original));
        FUZZ_CHECK(decimal_form(decoded[field], back));
        const Range range = range_of(field);
        FUZZ_CHECK(original >= range.low && original <= range.high);
        const long double step = field == Field::voltage ? 25 : 1;
        FUZZ_CHECK(std::fabs(back - original) <= step / 2 + 1e-9L);
    }

    // Every text that stands for a value went out; no other did.
    std::size_t sent = 0;
    for (const Field field : kAllFields) {
        if (field == Field::probe_freq) continue;
        bool sendable = false;
        long double value = 0;
        if (!descriptor(field).choices.empty())
            sendable = one_of(set[field], field);
        else if (decimal_form(set[field], value)) {
            const Range range = range_of(field);
            sendable = value >= range.low && value <= range.high;
            // Texts with more digits than a label ever holds may be refused.
            if (too_many_digits(set[field])) sendable = encode_param(set, field).has_value();
        }
        if (!sendable) FUZZ_CHECK(!encode_param(set, field));
        if (sendable) {
            FUZZ_CHECK(encode_param(set, field).has_value());
            ++sent;
        }
    }
    FUZZ_CHECK(sent == applied.size());
    return 0;
}
