#pragma once

#include "text/Variant.h"

#include <string>

namespace grid {

// The value holder through which a cell is displayed: filled just before the cell is drawn.
class TImCellData
{
public:
    using Kind = text::Variant::Kind;

    void Clear() { m_value = text::Variant(); }
    // Copies the variant; its kind becomes the holder's kind.
    void setValue(const text::Variant& value) { m_value = value; }
    void setString(std::string value) { m_value = text::Variant(std::move(value)); }

    const text::Variant& Value() const { return m_value; }
    Kind kind() const { return m_value.kind(); }
    bool IsNull() const { return m_value.isNull(); }

    const std::string& DisplayFormat() const { return m_displayFormat; }
    void setDisplayFormat(std::string format) { m_displayFormat = std::move(format); }
    const std::string& DisplayNullAs() const { return m_displayNullAs; }
    void setDisplayNullAs(std::string text) { m_displayNullAs = std::move(text); }

    // Empty and Null show DisplayNullAs, numbers a currency amount in DisplayFormat,
    // everything else its text conversion.
    std::string DisplayText() const;

private:
    text::Variant m_value;
    std::string m_displayFormat;
    std::string m_displayNullAs;
};

} // namespace grid
