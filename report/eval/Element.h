#pragma once

#include "report/eval/TRpEvResult.h"

namespace report::eval {

// What one evaluation carries down the elements.
struct EvalState
{
    // Set during an aggregation step: aggregates take in their arguments.
    bool aggregating = false;
    // Levels entered so far, named constants included.
    int depth = 0;
};

// One node of a parsed expression.
class Element
{
public:
    virtual ~Element() = default;

    // The element's value one level below the caller; an error beyond maxNestingDepth.
    TRpEvResult evaluate(EvalState& state);
    // Clears aggregates here and below.
    virtual void reset() {}
    virtual bool containsAggregate() const { return false; }

protected:
    virtual TRpEvResult compute(EvalState& state) = 0;
};

// A fixed value: numbers, string literals and parse errors, and the constants a report
// overwrites.
class ConstantElement : public Element
{
public:
    explicit ConstantElement(TRpEvResult value) : m_value(std::move(value)) {}
    const TRpEvResult& value() const { return m_value; }
    void setValue(const TRpEvResult& value) { m_value = value; }

protected:
    TRpEvResult compute(EvalState&) override { return m_value; }

private:
    TRpEvResult m_value;
};

} // namespace report::eval
