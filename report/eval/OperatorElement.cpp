#include "report/eval/OperatorElement.h"

#include "report/eval/EvalMessages.h"

#include <utility>
#include <vector>

namespace report::eval {

namespace {

using Kind = TRpEvResult::Kind;

template <typename T> TRpEvResult compare(Operator op, const T& a, const T& b)
{
    switch (op) {
    case Operator::Less:
        return TRpEvResult::boolean(a < b);
    case Operator::LessEqual:
        return TRpEvResult::boolean(a <= b);
    case Operator::Greater:
        return TRpEvResult::boolean(a > b);
    case Operator::GreaterEqual:
        return TRpEvResult::boolean(a >= b);
    case Operator::Equal:
        return TRpEvResult::boolean(a == b);
    case Operator::NotEqual:
        return TRpEvResult::boolean(a != b);
    default:
        return TRpEvResult::error();
    }
}

bool isComparison(Operator op)
{
    return op == Operator::Less || op == Operator::LessEqual || op == Operator::Greater ||
           op == Operator::GreaterEqual || op == Operator::Equal || op == Operator::NotEqual;
}

TRpEvResult notCompatible(Operator op, std::string_view kind)
{
    return TRpEvResult::error(formatMessage(msg::notCompatible, {operatorText(op), kind}));
}

TRpEvResult cannot(Operator op, std::string_view kind)
{
    std::string_view verb;
    switch (op) {
    case Operator::Add:
        verb = "add";
        break;
    case Operator::Subtract:
        verb = "subtract";
        break;
    case Operator::Multiply:
        verb = "multiply";
        break;
    default:
        verb = "divide";
        break;
    }
    return TRpEvResult::error(formatMessage(msg::cannot, {verb, kind}));
}

TRpEvResult onIntegers(Operator op, int32_t a, int32_t b)
{
    // 64-bit arithmetic: a result beyond 32 bits turns real instead of wrapping.
    switch (op) {
    case Operator::Add:
        return TRpEvResult::wideInteger(int64_t(a) + b);
    case Operator::Subtract:
        return TRpEvResult::wideInteger(int64_t(a) - b);
    case Operator::Multiply:
        return TRpEvResult::wideInteger(int64_t(a) * b);
    case Operator::Divide:
        if (b == 0)
            return TRpEvResult::error(msg::divideByZero);
        return TRpEvResult::real(double(a) / double(b));
    case Operator::Or:
        return TRpEvResult::integer(a | b);
    case Operator::And:
        return TRpEvResult::integer(a & b);
    default:
        return compare(op, a, b);
    }
}

TRpEvResult onReals(Operator op, double a, double b)
{
    switch (op) {
    case Operator::Add:
        return TRpEvResult::real(a + b);
    case Operator::Subtract:
        return TRpEvResult::real(a - b);
    case Operator::Multiply:
        return TRpEvResult::real(a * b);
    case Operator::Divide:
        if (b == 0)
            return TRpEvResult::error(msg::divideByZero);
        return TRpEvResult::real(a / b);
    case Operator::Or:
    case Operator::And:
        return notCompatible(op, "numeric");
    default:
        return compare(op, a, b);
    }
}

TRpEvResult onStrings(Operator op, const std::string& a, const std::string& b)
{
    switch (op) {
    case Operator::Add:
        return TRpEvResult::string(a + b);
    case Operator::Subtract:
    case Operator::Multiply:
    case Operator::Divide:
        return cannot(op, "string");
    case Operator::Or:
    case Operator::And:
        return notCompatible(op, "string");
    default:
        // std::string compares bytes as unsigned values.
        return compare(op, a, b);
    }
}

TRpEvResult onBooleans(Operator op, bool a, bool b)
{
    switch (op) {
    case Operator::Equal:
        return TRpEvResult::boolean(a == b);
    case Operator::NotEqual:
        return TRpEvResult::boolean(a != b);
    case Operator::Or:
        return TRpEvResult::boolean(a || b);
    case Operator::And:
        return TRpEvResult::boolean(a && b);
    default:
        if (isComparison(op))
            return notCompatible(op, "boolean");
        return cannot(op, "boolean");
    }
}

} // namespace

TRpEvResult applyOperator(Operator op, const TRpEvResult& left, const TRpEvResult& right)
{
    if (left.isError())
        return left;
    if (right.isError())
        return right;
    if (left.kind() != right.kind()) {
        if (left.isNumeric() && right.isNumeric())
            return onReals(op, left.asNumber(), right.asNumber());
        return onStrings(op, left.text(), right.text());
    }
    switch (left.kind()) {
    case Kind::Integer:
        return onIntegers(op, left.asInteger(), right.asInteger());
    case Kind::Real:
        return onReals(op, left.asReal(), right.asReal());
    case Kind::String:
        return onStrings(op, left.asString(), right.asString());
    case Kind::Boolean:
        return onBooleans(op, left.asBoolean(), right.asBoolean());
    case Kind::Error:
        break;
    }
    return left;
}

OperatorElement::OperatorElement(Operator op, std::unique_ptr<Element> left,
                                 std::unique_ptr<Element> right)
    : m_op(op), m_left(std::move(left)), m_right(std::move(right))
{
}

OperatorElement::~OperatorElement()
{
    // A long chain is a long line of right operands: freed one by one, not by recursion.
    std::unique_ptr<Element> next = std::move(m_right);
    while (auto* op = dynamic_cast<OperatorElement*>(next.get()))
        next = std::move(op->m_right);
}

void OperatorElement::reset()
{
    for (OperatorElement* op = this; op;) {
        op->m_left->reset();
        Element* right = op->m_right.get();
        op = dynamic_cast<OperatorElement*>(right);
        if (!op)
            right->reset();
    }
}

bool OperatorElement::containsAggregate() const
{
    for (const OperatorElement* op = this; op;) {
        if (op->m_left->containsAggregate())
            return true;
        const Element* right = op->m_right.get();
        op = dynamic_cast<const OperatorElement*>(right);
        if (!op)
            return right->containsAggregate();
    }
    return false;
}

TRpEvResult OperatorElement::compute(EvalState& state)
{
    // Along the chain of right operands: the left operands in order, then the last right one,
    // then the operators from the right. A flat chain of any length takes one level of depth.
    std::vector<std::pair<Operator, TRpEvResult>> lefts;
    Element* node = this;
    while (auto* op = dynamic_cast<OperatorElement*>(node)) {
        lefts.emplace_back(op->m_op, op->m_left->evaluate(state));
        node = op->m_right.get();
    }
    TRpEvResult value = node->evaluate(state);
    for (auto it = lefts.rbegin(); it != lefts.rend(); ++it)
        value = applyOperator(it->first, it->second, value);
    return value;
}

TRpEvResult NotElement::compute(EvalState& state)
{
    const TRpEvResult value = m_operand->evaluate(state);
    if (value.kind() != TRpEvResult::Kind::Boolean)
        return TRpEvResult::error(msg::invalidNot);
    return TRpEvResult::boolean(!value.asBoolean());
}

} // namespace report::eval
