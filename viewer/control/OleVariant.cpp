#include "viewer/control/OleVariant.h"

#include <limits>

namespace viewer::control {

namespace {

template <class T> std::optional<T> narrowed(std::optional<int64_t> n)
{
    if (!n || *n < std::numeric_limits<T>::min() || *n > std::numeric_limits<T>::max())
        return std::nullopt;
    return T(*n);
}

} // namespace

OleVariant::OleVariant(Type type, Value value) : m_type(type), m_value(std::move(value)) {}

OleVariant OleVariant::boolean(VARIANT_BOOL value)
{
    return {Type::Bool, int64_t(value != 0 ? VARIANT_TRUE : VARIANT_FALSE)};
}

OleVariant OleVariant::i2(int16_t value)
{
    return {Type::I2, int64_t(value)};
}

OleVariant OleVariant::i4(int32_t value)
{
    return {Type::I4, int64_t(value)};
}

OleVariant OleVariant::ui4(uint32_t value)
{
    return {Type::UI4, int64_t(value)};
}

OleVariant OleVariant::bstr(std::u16string value)
{
    return {Type::BStr, std::move(value)};
}

OleVariant OleVariant::font(OleFont value)
{
    return {Type::Font, std::move(value)};
}

std::optional<int64_t> OleVariant::number() const
{
    if (const int64_t* n = std::get_if<int64_t>(&m_value))
        return *n;
    return std::nullopt;
}

std::optional<VARIANT_BOOL> OleVariant::toBool() const
{
    const std::optional<int64_t> n = number();
    if (!n)
        return std::nullopt;
    return toVariantBool(*n != 0);
}

std::optional<int16_t> OleVariant::toInt16() const
{
    return narrowed<int16_t>(number());
}

std::optional<int32_t> OleVariant::toInt32() const
{
    // A colour held as an unsigned value keeps its bits when read as a signed one.
    if (m_type == Type::UI4)
        return int32_t(uint32_t(*number()));
    return narrowed<int32_t>(number());
}

std::optional<uint32_t> OleVariant::toUInt32() const
{
    if (m_type == Type::I4)
        return uint32_t(int32_t(*number()));
    return narrowed<uint32_t>(number());
}

std::optional<std::u16string> OleVariant::toBStr() const
{
    if (const std::u16string* s = std::get_if<std::u16string>(&m_value))
        return *s;
    return std::nullopt;
}

std::optional<OleFont> OleVariant::toFont() const
{
    if (const OleFont* f = std::get_if<OleFont>(&m_value))
        return *f;
    return std::nullopt;
}

} // namespace viewer::control
