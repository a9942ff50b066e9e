#pragma once

#include "report/eval/Element.h"
#include "report/eval/ExpressionScan.h"

#include <memory>

namespace report::eval {

// The operation on two values after their conversion to a common kind.
TRpEvResult applyOperator(Operator op, const TRpEvResult& left, const TRpEvResult& right);

// A binary operation on its two operands.
class OperatorElement : public Element
{
public:
    OperatorElement(Operator op, std::unique_ptr<Element> left, std::unique_ptr<Element> right);
    ~OperatorElement() override;
    void reset() override;
    bool containsAggregate() const override;

protected:
    TRpEvResult compute(EvalState& state) override;

private:
    Operator m_op;
    std::unique_ptr<Element> m_left;
    std::unique_ptr<Element> m_right;
};

// "not": negates a boolean; anything else is misuse.
class NotElement : public Element
{
public:
    explicit NotElement(std::unique_ptr<Element> operand) : m_operand(std::move(operand)) {}
    void reset() override { m_operand->reset(); }
    bool containsAggregate() const override { return m_operand->containsAggregate(); }

protected:
    TRpEvResult compute(EvalState& state) override;

private:
    std::unique_ptr<Element> m_operand;
};

} // namespace report::eval
