#pragma once

#include "report/eval/Aggregate.h"
#include "report/eval/Builtins.h"
#include "report/eval/Element.h"

#include <memory>
#include <optional>
#include <vector>

namespace report::eval {

// A call of a built-in with its argument elements; aggregates keep their total here.
class FunctionElement : public Element
{
public:
    FunctionElement(Builtin function, std::vector<std::unique_ptr<Element>> arguments);

    void reset() override;
    bool containsAggregate() const override;

protected:
    TRpEvResult compute(EvalState& state) override;

private:
    Builtin m_function;
    std::vector<std::unique_ptr<Element>> m_arguments;
    std::optional<Aggregate> m_aggregate;
};

} // namespace report::eval
