// Any text must give a value or an error result: no crash, no hang, no stack overflow. Also
// checks that every value comes back exactly through its exact string expression.

#include "report/eval/EvalCommand.h"
#include "report/eval/EvalLimits.h"
#include "report/eval/NumericFormat.h"
#include "report/eval/QuotedLiteral.h"
#include "report/eval/TRpEvEnvironment.h"
#include "report/eval/TRpEvaluator.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    report::eval::evalCommandLine(input);

    // The text as a named constant, reached directly, through another name and in aggregates.
    report::TRpEvEnvironment functions;
    functions.addReportConstants();
    functions.addFunction("INPUT", input);
    functions.addFunction("VIA", "input");
    report::TRpEvaluator evaluator(&functions);
    evaluator.prepare("sum(via)+max(input)+count");
    evaluator.aggregateStep();
    evaluator.aggregateStep();
    evaluator.value();
    evaluator.reset();

    evaluator.prepare(input);
    evaluator.isAggregate();
    evaluator.aggregateStep();
    evaluator.value();
    evaluator.unprepare();

    report::TRpEvaluator exact;
    exact.prepare(report::eval::exactStringExpression(input));
    if (!(exact.value() ==
          report::TRpEvResult::string(input.substr(0, report::eval::maxResultBytes))))
        __builtin_trap();

    report::eval::FormatNumeric(input, 1234.5);
    report::eval::FormatNumeric(input, -0.001);
    report::eval::FormatNumeric(input, 0);
    return 0;
}
