#pragma once

#include "report/eval/TRpEvResult.h"

#include <memory>
#include <stdexcept>
#include <string_view>

namespace report {

class TRpEvEnvironment;
namespace eval {
class Element;
}

// Raised only when an unprepared evaluator is asked for a value; every fault of an expression
// itself is an error result.
class EvaluatorError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Parses an expression once per run and evaluates it each time its field prints.
class TRpEvaluator
{
public:
    // `functions` is the report's `Functions` (may be null); it must outlive the prepared state.
    explicit TRpEvaluator(TRpEvEnvironment* functions = nullptr);
    ~TRpEvaluator();
    TRpEvaluator(const TRpEvaluator&) = delete;
    TRpEvaluator& operator=(const TRpEvaluator&) = delete;

    TRpEvEnvironment* environment() const { return m_functions; }
    // Takes effect at the next prepare.
    void setEnvironment(TRpEvEnvironment* functions) { m_functions = functions; }

    // Parses the text (an empty text as "' '"), after preparing the global environment; a
    // prepared evaluator is unprepared first. Aggregates start cleared.
    void prepare(std::string_view expression);
    void unprepare();
    bool isPrepared() const { return m_prepared; }

    // Throws EvaluatorError "Evaluator not prepared" when not prepared.
    TRpEvResult value();
    // Evaluates once with aggregation on: every aggregate takes in its arguments.
    TRpEvResult aggregateStep();
    // Clears every aggregate.
    void reset();
    // Whether the expression names an aggregate function.
    bool isAggregate() const;

private:
    TRpEvResult run(bool aggregating);

    TRpEvEnvironment* m_functions;
    std::unique_ptr<eval::Element> m_root;
    bool m_prepared = false;
};

} // namespace report
