#include "report/model/TRpExpr.h"

#include "report/eval/FloatText.h"
#include "report/eval/NumericFormat.h"
#include "report/model/TRpReport.h"

namespace report {

TRpExpr::TRpExpr()
{
    showExpression();
}

void TRpExpr::setExpression(std::string expression)
{
    m_expression = std::move(expression);
    // A field refilled during a run (at a page start) prints its new expression.
    if (m_evaluator.isPrepared())
        prepareEvaluator();
    else
        showExpression();
}

void TRpExpr::setMask(std::string mask)
{
    m_mask = std::move(mask);
    showExpression();
}

void TRpExpr::showExpression()
{
    setCaption(m_expression.empty() ? std::string("(none)") : m_expression);
}

void TRpExpr::PrepareForRun()
{
    TRpCustomLabel::PrepareForRun();
    prepareEvaluator();
}

void TRpExpr::prepareEvaluator()
{
    TRpReport* owner = report();
    m_evaluator.setEnvironment(owner ? &owner->functions() : nullptr);
    m_evaluator.prepare(m_expression);
    if (owner && m_evaluator.isAggregate())
        owner->addNotifyClient(this);
    m_evaluator.reset();
}

std::string TRpExpr::resultText(const TRpEvResult& result) const
{
    switch (result.kind()) {
    case TRpEvResult::Kind::Integer:
    case TRpEvResult::Kind::Real: {
        const auto text = eval::FormatNumeric(m_mask, result.asNumber());
        return text ? *text : eval::generalFloatText(result.asNumber());
    }
    case TRpEvResult::Kind::Boolean:
        return result.asBoolean() ? "True" : "False";
    case TRpEvResult::Kind::String:
        return result.asString();
    case TRpEvResult::Kind::Error:
        break;
    }
    return result.message();
}

void TRpExpr::PrintAt(long double offsetX, long double offsetY)
{
    if (!IsPrintEnabled() || !m_printer)
        return;
    assignPrintText(resultText(m_evaluator.value()));
    printLines(offsetX, offsetY);
    if (resetAfterPrint)
        m_evaluator.reset();
}

void TRpExpr::NotifyPrintable(TRpNotifyOperation operation)
{
    if (operation == TRpNotifyOperation::DataAdvance && m_evaluator.isPrepared())
        m_evaluator.aggregateStep();
}

void TRpExpr::EndRun()
{
    m_evaluator.unprepare();
    showExpression();
    TRpCustomLabel::EndRun();
}

} // namespace report
