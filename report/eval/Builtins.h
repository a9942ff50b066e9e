#pragma once

#include "report/eval/TRpEvResult.h"

#include <optional>
#include <string_view>
#include <vector>

namespace report::eval {

// The function library.
enum class Builtin {
    True,
    False,
    If,
    TypeOf,
    Int,
    Frac,
    Sqrt,
    Div,
    Str,
    Upper,
    Lower,
    Pretty,
    Time,
    Date,
    Copy,
    FormatNumeric,
    Sum,
    Average,
    Max,
    Min,
    Count
};

// The built-in of an upper-case name.
std::optional<Builtin> findBuiltin(std::string_view upperName);

bool isAggregate(Builtin f);

// The value of a function that is not an aggregate, from its evaluated arguments.
TRpEvResult computeBuiltin(Builtin f, const std::vector<TRpEvResult>& args);

} // namespace report::eval
