#pragma once

#include "report/eval/TRpEvResult.h"
#include "report/eval/TRpEvaluator.h"
#include "report/model/TRpCustomLabel.h"

#include <string>

namespace report {

// A text printable that prints the value of an expression, evaluated at each printing.
class TRpExpr : public TRpCustomLabel
{
public:
    TRpExpr();

    const std::string& expression() const { return m_expression; }
    // Also shows the expression as the caption until a run evaluates it.
    void setExpression(std::string expression);
    // A numeric format pattern for integer and real results.
    const std::string& mask() const { return m_mask; }
    void setMask(std::string mask);
    bool resetAfterPrint = false;
    TRpComponent* master = nullptr;

    TRpEvaluator& ExprEvaluator() { return m_evaluator; }

    void PrepareForRun() override;
    void PrintAt(long double offsetX, long double offsetY) override;
    void NotifyPrintable(TRpNotifyOperation operation) override;
    void EndRun() override;

    // The printed text of a result: numbers through the mask, booleans as "True" or "False",
    // an error as its message.
    std::string resultText(const TRpEvResult& result) const;

private:
    void showExpression();
    void prepareEvaluator();

    std::string m_expression;
    std::string m_mask;
    TRpEvaluator m_evaluator;
};

} // namespace report
