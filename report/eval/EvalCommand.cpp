#include "report/eval/EvalCommand.h"

#include "report/eval/TRpEvEnvironment.h"
#include "report/eval/TRpEvaluator.h"

namespace report::eval {

std::string describeResult(const TRpEvResult& result)
{
    return std::string(result.kindName()) + "\t" + result.text();
}

TRpEvResult evaluateCommandLine(std::string_view expression)
{
    TRpEvEnvironment functions;
    functions.addReportConstants();
    TRpEvaluator evaluator(&functions);
    evaluator.prepare(expression);
    return evaluator.value();
}

std::string evalCommandLine(std::string_view expression)
{
    return describeResult(evaluateCommandLine(expression));
}

} // namespace report::eval
