#pragma once

#include "report/eval/Builtins.h"
#include "report/eval/TRpEvResult.h"

#include <cstdint>
#include <vector>

namespace report::eval {

// The running total of one aggregate function (SUM, AVERAGE, MAX, MIN, COUNT), changed only by
// aggregation steps and cleared by reset.
class Aggregate
{
public:
    Aggregate(Builtin function, size_t argumentCount);

    void reset();
    // One aggregation step with the evaluated arguments.
    void step(const std::vector<TRpEvResult>& args);
    TRpEvResult value() const;

private:
    void add(const TRpEvResult& v);
    void keepExtreme(const TRpEvResult& v);

    Builtin m_function;
    size_t m_argumentCount;
    // Set by the first value; later values of another kind are not counted (SUM, AVERAGE) or
    // are compared within this kind (MAX, MIN).
    bool m_started = false;
    TRpEvResult::Kind m_kind = TRpEvResult::Kind::Integer;
    // Integers are summed in 64 bits so that a total beyond 32 bits stays right.
    int64_t m_integerTotal = 0;
    double m_realTotal = 0;
    int64_t m_count = 0;
    TRpEvResult m_extreme;
    // A wrong value makes the total an error until the next reset.
    bool m_failed = false;
    TRpEvResult m_error;
};

} // namespace report::eval
