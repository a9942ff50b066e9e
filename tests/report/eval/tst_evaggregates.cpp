#include "EvalTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

using namespace evaltest;
using report::TRpEvaluator;
using report::TRpEvEnvironment;

namespace {

// Steps the expression once per value, with the value in the name X, and answers its value.
struct AggregateRow
{
    const char* name;
    const char* expression;
    std::vector<TRpEvResult> values;
    TRpEvResult expected;
};

TRpEvResult stepThrough(const AggregateRow& row)
{
    TRpEvEnvironment functions;
    functions.addFunction("X", "0");
    TRpEvaluator evaluator(&functions);
    evaluator.prepare(row.expression);
    for (const TRpEvResult& v : row.values) {
        functions.setValue("X", v);
        evaluator.aggregateStep();
    }
    return evaluator.value();
}

} // namespace

TEST(Aggregates, Totals)
{
    const AggregateRow rows[] = {
        {"sum of integers", "sum(x)", {I(1), I(2), I(3)}, I(6)},
        {"sum before any value", "sum(x)", {}, I(0)},
        {"sum of reals", "sum(x)", {R(1.5), R(2.5)}, R(4)},
        {"sum keeps the kind of the first value: a real is not counted",
         "sum(x)",
         {I(1), R(2.5), I(3)},
         I(4)},
        {"sum keeps the kind of the first value: an integer is not counted",
         "sum(x)",
         {R(1.5), I(2)},
         R(1.5)},
        {"a string makes the sum an error", "sum(x)", {I(1), S("a"), I(2)}, E()},
        {"an error value makes the sum that error", "sum(x)", {I(1), E("bad")}, E("bad")},
        {"sum beyond 32 bits turns real", "sum(x)", {I(2147483647), I(1)}, R(2147483648.0)},
        {"average of integers", "average(x)", {I(1), I(2)}, R(1.5)},
        {"average before any value", "average(x)", {}, R(0)},
        {"max of integers", "max(x)", {I(3), I(7), I(5)}, I(7)},
        {"min of integers", "min(x)", {I(3), I(7), I(5)}, I(3)},
        {"max of strings by bytes", "max(x)", {S("b"), S("c"), S("a")}, S("c")},
        {"min of strings by bytes", "min(x)", {S("b"), S("c"), S("a")}, S("a")},
        {"max of booleans: true beats false", "max(x)", {B(false), B(true)}, B(true)},
        {"max before any value", "max(x)", {}, I(0)},
        {"max compares a real within the integers", "max(x)", {I(3), R(7.9)}, I(7)},
        {"min ignores a value of an unrelated kind", "min(x)", {I(3), S("a")}, I(3)},
        {"count counts the steps", "count", {I(0), I(0), I(0)}, I(3)},
        {"count with an argument", "count(1)", {I(0)}, E("COUNT - Too many arguments")},
        {"sum without its argument", "sum()", {I(1)}, E()},
        {"an aggregate inside an expression", "sum(x)*2", {I(1), I(2)}, I(6)},
        {"two aggregates side by side", "sum(x)+count", {I(5), I(5)}, I(12)},
    };
    for (const AggregateRow& row : rows)
        EXPECT_EQ(stepThrough(row), row.expected) << row.name;
}

TEST(Aggregates, ChangeOnlyDuringSteps)
{
    TRpEvEnvironment functions;
    functions.addFunction("X", "5");
    TRpEvaluator evaluator(&functions);
    evaluator.prepare("sum(x)");
    EXPECT_EQ(evaluator.value(), I(0));
    EXPECT_EQ(evaluator.value(), I(0));
    EXPECT_EQ(evaluator.aggregateStep(), I(5));
    EXPECT_EQ(evaluator.value(), I(5));
}

TEST(Aggregates, ResetClearsAndPrepareStartsClear)
{
    TRpEvaluator evaluator;
    evaluator.prepare("count");
    evaluator.aggregateStep();
    evaluator.aggregateStep();
    EXPECT_EQ(evaluator.value(), I(2));
    evaluator.reset();
    EXPECT_EQ(evaluator.value(), I(0));
    evaluator.aggregateStep();
    evaluator.prepare("count");
    EXPECT_EQ(evaluator.value(), I(0));
}

TEST(Aggregates, IsAggregateNamesTheAggregateFunctions)
{
    struct Row
    {
        const char* expression;
        bool aggregate;
    };
    const Row rows[] = {
        {"1+2", false},         {"'sum(1)'", false},        {"sum(1)", true},
        {"1+average(2)", true}, {"if(true,count,0)", true}, {"max(1)", true},
        {"min(1)", true},       {"copy('a',1,1)", false},
    };
    for (const Row& row : rows) {
        TRpEvaluator evaluator;
        evaluator.prepare(row.expression);
        EXPECT_EQ(evaluator.isAggregate(), row.aggregate) << row.expression;
    }
}
