#pragma once
// A parameter's values as a remote client writes and reads them, in SI base units: a set's
// parameter as the text the panel takes, MIN, MAX, DEF, UP and DOWN, and the panel's
// refusals as error texts.

#include "panel/outcome.h"
#include "params/param_set.h"
#include "remote/scpi_error.h"
#include "remote/scpi_parser.h"

#include <optional>
#include <string>

namespace qlm::remote {

// A number in a unit `shift` powers of ten above the field's: the field's decimal text
// ("1500", "-20", "20.5"); none when it is too long to be any value.
std::optional<std::string> number_text(const ScpiNumber& number, int shift);

enum class Limit { min, max, def, up, down };
std::optional<Limit> limit_word(const Parameter& value);

// The field's text for MIN, MAX, DEF, UP or DOWN from what `set` holds.
bool limit_text(Field field, Limit limit, const param_set& set, std::string& text,
                ScpiError& error);

// What a set's parameter asks the field to take, as the text the panel takes for it.
bool value_text(Field field, const Parameter& value, const param_set& set, std::string& text,
                ScpiError& error);

// The text of the error for a change the panel refused.
std::string refusal_detail(const Refused& refused, const param_set& set);

} // namespace qlm::remote
