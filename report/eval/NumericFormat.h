#pragma once

#include "report/eval/TRpEvResult.h"

#include <optional>
#include <string>
#include <string_view>

namespace report::eval {

// Formats a number with a numeric format pattern: up to three sections separated by ";"
// (positive, negative, zero); "0" and "#" digit placeholders, "." the decimal point, ","
// anywhere for thousands grouping, "E+"/"E-" (or "e") with "0"s for the exponent, text in
// single or double quotes copied as it stands, any other byte copied. Halves round away from
// zero. An empty pattern gives the general format. Nothing for NaN or an infinity.
std::optional<std::string> FormatNumeric(std::string_view pattern, double value);

// The text an expression field prints for a result: numbers with the mask as a numeric format
// pattern (an empty mask, or a value the pattern cannot show, in the general format), strings
// unchanged, "True"/"False", an error's message.
std::string formatResult(const TRpEvResult& result, std::string_view mask);

} // namespace report::eval
