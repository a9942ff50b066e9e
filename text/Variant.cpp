#include "text/Variant.h"

#include <cstdio>

namespace text {

Variant Variant::null()
{
    Variant v;
    v.m_kind = Kind::Null;
    return v;
}

Variant Variant::currency(double value)
{
    Variant v(value);
    v.m_kind = Kind::Currency;
    return v;
}

bool Variant::isNumeric() const
{
    return m_kind == Kind::Integer || m_kind == Kind::Double || m_kind == Kind::Currency;
}

std::string Variant::toString() const
{
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null:
        return {};
    case Kind::Integer:
        return std::to_string(std::get<int64_t>(m_value));
    case Kind::Double:
    case Kind::Currency: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(m_value));
        return buf;
    }
    case Kind::Date:
        return FormatDateTime("yyyy-mm-dd", std::get<Date>(m_value));
    case Kind::String:
        return std::get<std::string>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? "True" : "False";
    }
    return {};
}

double Variant::toDouble() const
{
    switch (m_kind) {
    case Kind::Integer:
        return double(std::get<int64_t>(m_value));
    case Kind::Double:
    case Kind::Currency:
        return std::get<double>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? -1.0 : 0.0;
    default:
        return 0.0;
    }
}

} // namespace text
