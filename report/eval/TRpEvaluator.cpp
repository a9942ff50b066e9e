#include "report/eval/TRpEvaluator.h"

#include "report/eval/Element.h"
#include "report/eval/EvalMessages.h"
#include "report/eval/ExpressionParser.h"
#include "report/eval/TRpEvEnvironment.h"

namespace report {

TRpEvaluator::TRpEvaluator(TRpEvEnvironment* functions) : m_functions(functions) {}

TRpEvaluator::~TRpEvaluator()
{
    unprepare();
}

void TRpEvaluator::prepare(std::string_view expression)
{
    unprepare();
    TRpEvEnvironment::global().prepare();
    m_prepared = true;
    m_root = eval::ExpressionParser(m_functions).parse(expression.empty() ? "' '" : expression);
    reset();
}

void TRpEvaluator::unprepare()
{
    if (!m_prepared)
        return;
    m_root.reset();
    m_prepared = false;
    TRpEvEnvironment::global().unprepare();
}

TRpEvResult TRpEvaluator::run(bool aggregating)
{
    if (!m_prepared)
        throw EvaluatorError(std::string(eval::msg::notPrepared));
    if (!m_root)
        return TRpEvResult::error();
    eval::EvalState state;
    state.aggregating = aggregating;
    return m_root->evaluate(state);
}

TRpEvResult TRpEvaluator::value()
{
    return run(false);
}

TRpEvResult TRpEvaluator::aggregateStep()
{
    return run(true);
}

void TRpEvaluator::reset()
{
    if (m_root)
        m_root->reset();
}

bool TRpEvaluator::isAggregate() const
{
    return m_root && m_root->containsAggregate();
}

} // namespace report
