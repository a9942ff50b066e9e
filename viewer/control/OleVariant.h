#pragma once

#include "viewer/control/Automation.h"
#include "viewer/control/OleFont.h"

#include <optional>
#include <string>
#include <variant>

namespace viewer::control {

// The value passed through the dispatch interfaces: the few automation types the control's
// members use. Conversions between them follow automation's coercions for those types.
class OleVariant
{
public:
    enum class Type { Empty, Bool, I2, I4, UI4, BStr, Font };

    OleVariant() = default;
    static OleVariant boolean(VARIANT_BOOL value);
    static OleVariant i2(int16_t value);
    static OleVariant i4(int32_t value);
    static OleVariant ui4(uint32_t value);
    static OleVariant bstr(std::u16string value);
    static OleVariant font(OleFont value);

    Type type() const { return m_type; }

    // Numbers and booleans convert among themselves (any non-zero number is true); a text
    // converts only to a text, a font only to a font. Empty when the types do not meet.
    std::optional<VARIANT_BOOL> toBool() const;
    std::optional<int16_t> toInt16() const;
    std::optional<int32_t> toInt32() const;
    std::optional<uint32_t> toUInt32() const;
    std::optional<std::u16string> toBStr() const;
    std::optional<OleFont> toFont() const;

    friend bool operator==(const OleVariant&, const OleVariant&) = default;

private:
    using Value = std::variant<std::monostate, int64_t, std::u16string, OleFont>;
    OleVariant(Type type, Value value);
    std::optional<int64_t> number() const;

    Type m_type = Type::Empty;
    Value m_value;
};

} // namespace viewer::control
