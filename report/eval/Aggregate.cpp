#include "report/eval/Aggregate.h"

#include "report/eval/EvalMessages.h"

#include <cmath>

namespace report::eval {

using Kind = TRpEvResult::Kind;

Aggregate::Aggregate(Builtin function, size_t argumentCount)
    : m_function(function), m_argumentCount(argumentCount)
{
}

void Aggregate::reset()
{
    m_started = false;
    m_kind = Kind::Integer;
    m_integerTotal = 0;
    m_realTotal = 0;
    m_count = 0;
    m_extreme = TRpEvResult();
    m_failed = false;
    m_error = TRpEvResult();
}

void Aggregate::step(const std::vector<TRpEvResult>& args)
{
    if (m_function == Builtin::Count) {
        ++m_count;
        return;
    }
    if (args.size() != 1 || m_failed)
        return;
    const TRpEvResult& v = args[0];
    if (v.isError()) {
        m_failed = true;
        m_error = v;
        return;
    }
    if (m_function == Builtin::Max || m_function == Builtin::Min)
        keepExtreme(v);
    else
        add(v);
}

void Aggregate::add(const TRpEvResult& v)
{
    if (!v.isNumeric()) {
        m_failed = true;
        m_error = TRpEvResult::error();
        return;
    }
    if (!m_started) {
        m_started = true;
        m_kind = v.kind();
    }
    if (v.kind() != m_kind)
        return;
    if (m_kind == Kind::Integer)
        m_integerTotal += v.asInteger();
    else
        m_realTotal += v.asReal();
    ++m_count;
}

namespace {

// Whether `v` should replace `best` (both of one kind).
bool beats(const TRpEvResult& v, const TRpEvResult& best, bool wantMax)
{
    switch (v.kind()) {
    case Kind::Integer:
        return wantMax ? v.asInteger() > best.asInteger() : v.asInteger() < best.asInteger();
    case Kind::Real:
        return wantMax ? v.asReal() > best.asReal() : v.asReal() < best.asReal();
    case Kind::String:
        return wantMax ? v.asString() > best.asString() : v.asString() < best.asString();
    case Kind::Boolean:
        return wantMax ? v.asBoolean() && !best.asBoolean() : !v.asBoolean() && best.asBoolean();
    case Kind::Error:
        break;
    }
    return false;
}

} // namespace

void Aggregate::keepExtreme(const TRpEvResult& v)
{
    if (!m_started) {
        m_started = true;
        m_kind = v.kind();
        m_extreme = v;
        return;
    }
    TRpEvResult candidate = v;
    if (v.kind() != m_kind) {
        if (!v.isNumeric() || !m_extreme.isNumeric())
            return;
        // A number of the other numeric kind is brought into the first value's kind.
        const double whole = std::trunc(v.asNumber());
        if (m_kind == Kind::Real)
            candidate = TRpEvResult::real(v.asNumber());
        else if (whole >= INT32_MIN && whole <= INT32_MAX)
            candidate = TRpEvResult::integer(int32_t(whole));
        else
            return;
    }
    if (beats(candidate, m_extreme, m_function == Builtin::Max))
        m_extreme = candidate;
}

TRpEvResult Aggregate::value() const
{
    if (m_function == Builtin::Count) {
        if (m_argumentCount > 0)
            return TRpEvResult::error(std::string(msg::countPrefix) +
                                      std::string(msg::tooManyArguments));
        return TRpEvResult::wideInteger(m_count);
    }
    if (m_argumentCount != 1)
        return TRpEvResult::error();
    if (m_failed)
        return m_error;
    switch (m_function) {
    case Builtin::Sum:
        if (!m_started)
            return TRpEvResult::integer(0);
        if (m_kind == Kind::Integer)
            return TRpEvResult::wideInteger(m_integerTotal);
        return TRpEvResult::real(m_realTotal);
    case Builtin::Average:
        if (m_count == 0)
            return TRpEvResult::real(0);
        if (m_kind == Kind::Integer)
            return TRpEvResult::real(double(m_integerTotal) / double(m_count));
        return TRpEvResult::real(m_realTotal / double(m_count));
    default:
        return m_started ? m_extreme : TRpEvResult::integer(0);
    }
}

} // namespace report::eval
