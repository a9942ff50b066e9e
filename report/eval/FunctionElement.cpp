#include "report/eval/FunctionElement.h"

namespace report::eval {

FunctionElement::FunctionElement(Builtin function, std::vector<std::unique_ptr<Element>> arguments)
    : m_function(function), m_arguments(std::move(arguments))
{
    if (isAggregate(function))
        m_aggregate.emplace(function, m_arguments.size());
}

void FunctionElement::reset()
{
    for (auto& a : m_arguments)
        a->reset();
    if (m_aggregate)
        m_aggregate->reset();
}

bool FunctionElement::containsAggregate() const
{
    if (m_aggregate)
        return true;
    for (const auto& a : m_arguments) {
        if (a->containsAggregate())
            return true;
    }
    return false;
}

TRpEvResult FunctionElement::compute(EvalState& state)
{
    std::vector<TRpEvResult> values;
    values.reserve(m_arguments.size());
    for (auto& a : m_arguments)
        values.push_back(a->evaluate(state));
    if (!m_aggregate)
        return computeBuiltin(m_function, values);
    if (state.aggregating)
        m_aggregate->step(values);
    return m_aggregate->value();
}

} // namespace report::eval
