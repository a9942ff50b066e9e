#pragma once

#include "report/eval/TRpEvEnvironment.h"
#include "report/eval/TRpEvResult.h"
#include "report/eval/TRpEvaluator.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace report {

inline void PrintTo(const TRpEvResult& r, std::ostream* os)
{
    *os << r.kindName() << " " << r.text();
}

} // namespace report

namespace evaltest {

using report::TRpEvResult;

// The value of a text prepared on its own (no report constants).
inline TRpEvResult evalText(std::string_view text, report::TRpEvEnvironment* functions = nullptr)
{
    report::TRpEvaluator evaluator(functions);
    evaluator.prepare(text);
    return evaluator.value();
}

// One row of a table: a plain-words name, the expression and what it gives.
struct Row
{
    const char* name;
    std::string expression;
    TRpEvResult expected;
};

inline TRpEvResult I(int32_t v)
{
    return TRpEvResult::integer(v);
}
inline TRpEvResult R(double v)
{
    return TRpEvResult::real(v);
}
inline TRpEvResult S(std::string_view v)
{
    return TRpEvResult::string(v);
}
inline TRpEvResult B(bool v)
{
    return TRpEvResult::boolean(v);
}
inline TRpEvResult E(std::string_view message = {})
{
    return TRpEvResult::error(message);
}

inline void checkRows(std::initializer_list<Row> rows,
                      report::TRpEvEnvironment* functions = nullptr)
{
    for (const Row& row : rows)
        EXPECT_EQ(evalText(row.expression, functions), row.expected)
            << row.name << ": " << row.expression.substr(0, 80);
}

} // namespace evaltest
