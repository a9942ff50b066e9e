#include "report/eval/TRpEvResult.h"

#include "report/eval/EvalLimits.h"
#include "report/eval/FloatText.h"

#include <cstdint>
#include <limits>

namespace report {

static std::string cut(std::string_view bytes)
{
    return std::string(bytes.substr(0, eval::maxResultBytes));
}

TRpEvResult TRpEvResult::integer(int32_t value)
{
    TRpEvResult r;
    r.m_kind = Kind::Integer;
    r.m_integer = value;
    return r;
}

TRpEvResult TRpEvResult::wideInteger(int64_t value)
{
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return real(double(value));
    return integer(int32_t(value));
}

TRpEvResult TRpEvResult::real(double value)
{
    TRpEvResult r;
    r.m_kind = Kind::Real;
    r.m_real = value;
    return r;
}

TRpEvResult TRpEvResult::string(std::string_view value)
{
    TRpEvResult r;
    r.m_kind = Kind::String;
    r.m_text = cut(value);
    return r;
}

TRpEvResult TRpEvResult::boolean(bool value)
{
    TRpEvResult r;
    r.m_kind = Kind::Boolean;
    r.m_boolean = value;
    return r;
}

TRpEvResult TRpEvResult::error(std::string_view message)
{
    TRpEvResult r;
    r.m_text = cut(message);
    return r;
}

std::string TRpEvResult::text() const
{
    switch (m_kind) {
    case Kind::Integer:
        return std::to_string(m_integer);
    case Kind::Real:
        return eval::generalFloatText(m_real);
    case Kind::Boolean:
        return m_boolean ? "True" : "False";
    case Kind::String:
    case Kind::Error:
        return m_text;
    }
    return {};
}

std::string_view TRpEvResult::kindName() const
{
    switch (m_kind) {
    case Kind::Integer:
        return "integer";
    case Kind::Real:
        return "real";
    case Kind::String:
        return "string";
    case Kind::Boolean:
        return "boolean";
    case Kind::Error:
        return "error";
    }
    return {};
}

} // namespace report
