#include "EvalTestSupport.h"

#include "report/eval/EvalLimits.h"
#include "report/eval/ReportValues.h"

#include <gtest/gtest.h>

using namespace evaltest;
using report::EvaluatorError;
using report::TRpEvaluator;
using report::TRpEvEnvironment;

namespace {

class FakeReport : public report::ReportValues
{
public:
    int32_t pageNumber() const override { return page; }
    int32_t columnNumber() const override { return column; }
    std::string reportTitle() const override { return title; }

    int32_t page = 3;
    int32_t column = 2;
    std::string title = text::cp949("거래명세서");
};

} // namespace

TEST(Environment, NamesAndExpressions)
{
    TRpEvEnvironment functions;
    functions.addFunction("tax", "10*2");
    functions.addFunction("Rate", "3");
    functions.addFunction("", "1");
    EXPECT_EQ(functions.names(), (std::vector<std::string>{"TAX", "RATE"}));
    EXPECT_EQ(functions.expression("rate"), "3");
    checkRows(
        {
            {"a name gives its expression's value", "tax+1", I(21)},
            {"names in any letter case", "RATE*TaX", I(60)},
            {"a name in brackets", "[rate]", I(3)},
        },
        &functions);
    functions.addFunction("RATE", "4");
    EXPECT_EQ(evalText("rate", &functions), I(4)) << "a name added again takes the new expression";
    EXPECT_TRUE(functions.deleteFunction("tax"));
    EXPECT_FALSE(functions.deleteFunction("tax"));
    EXPECT_EQ(evalText("tax", &functions), E("Unknown function : TAX"));
}

TEST(Environment, ErrorsOfNames)
{
    TRpEvEnvironment functions;
    functions.addFunction("A", "B+1");
    functions.addFunction("B", "A");
    functions.addFunction("SELF", "self");
    functions.addFunction("BAD", "'x");
    checkRows(
        {
            {"a name that reaches itself through another", "A", E("Recursive calls not allowed")},
            {"a name that names itself", "self", E("Recursive calls not allowed")},
            {"a name whose expression has an error", "bad", E("Missing '")},
        },
        &functions);
    EXPECT_EQ(functions.evaluate("nobody"), E("Unknown function : NOBODY"));
}

TEST(Environment, ANameDeletedAfterParsingReadsAsUnknown)
{
    TRpEvEnvironment functions;
    functions.addFunction("Z", "1");
    TRpEvaluator evaluator(&functions);
    evaluator.prepare("z+1");
    EXPECT_EQ(evaluator.value(), I(2));
    functions.deleteFunction("Z");
    EXPECT_EQ(evaluator.value(), E("Unknown function : Z"));
}

TEST(Environment, ChainsOfNamesAreBounded)
{
    auto chain = [](TRpEvEnvironment& env, int length) {
        for (int i = 0; i < length; ++i)
            env.addFunction("N" + std::to_string(i), "N" + std::to_string(i + 1));
        env.addFunction("N" + std::to_string(length), "1");
    };
    TRpEvEnvironment shortChain;
    chain(shortChain, 50);
    EXPECT_EQ(evalText("n0", &shortChain), I(1));
    TRpEvEnvironment longChain;
    chain(longChain, report::eval::maxNestingDepth + 10);
    EXPECT_EQ(evalText("n0", &longChain), E("Expression too deeply nested"));
}

TEST(Environment, ReportFunctionsComeBeforeTheGlobalOnes)
{
    TRpEvEnvironment& global = TRpEvEnvironment::global();
    global.addFunction("SHARED", "1");
    global.addFunction("ONLYGLOBAL", "7");
    TRpEvEnvironment functions;
    functions.addFunction("SHARED", "2");
    EXPECT_EQ(evalText("shared", &functions), I(2));
    EXPECT_EQ(evalText("onlyglobal", &functions), I(7));
    EXPECT_EQ(evalText("shared"), I(1));
    global.deleteFunction("SHARED");
    global.deleteFunction("ONLYGLOBAL");
}

TEST(Environment, ReportConstantsDefaultToTheirExpressions)
{
    TRpEvEnvironment functions;
    functions.addReportConstants();
    EXPECT_EQ(functions.expression("PAGENUMBER"), "0");
    EXPECT_EQ(functions.expression("REPORTTITLE"), "''");
    checkRows(
        {
            {"page number", "pagenumber", I(0)},
            {"column number", "COLUMNNUMBER", I(0)},
            {"report title", "reporttitle", S("")},
        },
        &functions);
}

TEST(Environment, ReportConstantsComeFromTheReport)
{
    FakeReport report;
    TRpEvEnvironment functions;
    functions.addReportConstants(&report);
    TRpEvaluator page(&functions);
    page.prepare("'p.'+pagenumber");
    EXPECT_EQ(page.value(), S("p.3"));
    report.page = 4;
    EXPECT_EQ(page.value(), S("p.4")) << "read each time the expression asks";
    checkRows(
        {
            {"column number", "columnnumber", I(2)},
            {"report title", "[reporttitle]", S(report.title)},
        },
        &functions);
}

TEST(Environment, SettingConstantsLastsUntilTheLastUnprepare)
{
    TRpEvEnvironment functions;
    functions.addReportConstants();
    functions.prepare();
    functions.prepare();
    EXPECT_TRUE(functions.setInteger("PAGENUMBER", 5));
    EXPECT_TRUE(functions.setString("reporttitle", "T"));
    EXPECT_FALSE(functions.setInteger("NOSUCH", 1));
    EXPECT_EQ(evalText("pagenumber", &functions), I(5));
    EXPECT_EQ(evalText("reporttitle", &functions), S("T"));
    functions.unprepare();
    EXPECT_TRUE(functions.isPrepared());
    EXPECT_EQ(evalText("pagenumber", &functions), I(5));
    functions.unprepare();
    EXPECT_FALSE(functions.isPrepared());
    EXPECT_EQ(evalText("pagenumber", &functions), I(0));
}

TEST(Evaluator, Lifecycle)
{
    TRpEvEnvironment& global = TRpEvEnvironment::global();
    TRpEvaluator evaluator;
    EXPECT_FALSE(evaluator.isPrepared());
    try {
        evaluator.value();
        FAIL() << "an unprepared evaluator gave a value";
    } catch (const EvaluatorError& e) {
        EXPECT_STREQ(e.what(), "Evaluator not prepared");
    }
    EXPECT_THROW(evaluator.aggregateStep(), EvaluatorError);

    evaluator.prepare("1");
    EXPECT_TRUE(global.isPrepared()) << "preparing prepares the global environment";
    evaluator.prepare("2");
    EXPECT_EQ(evaluator.value(), I(2)) << "a second prepare replaces the first";
    evaluator.unprepare();
    EXPECT_FALSE(evaluator.isPrepared());
    EXPECT_FALSE(global.isPrepared()) << "a prepare over a prepare is counted once";
    EXPECT_THROW(evaluator.value(), EvaluatorError);
}
