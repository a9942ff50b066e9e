#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace report {

// The value of an expression: one of five kinds. Strings and error messages are cp949 bytes,
// at most 255 of them.
class TRpEvResult
{
public:
    enum class Kind { Integer, Real, String, Boolean, Error };

    // An error whose message is not set.
    TRpEvResult() = default;

    static TRpEvResult integer(int32_t value);
    // An integer that does not fit 32 bits becomes a real of the same value.
    static TRpEvResult wideInteger(int64_t value);
    static TRpEvResult real(double value);
    static TRpEvResult string(std::string_view value);
    static TRpEvResult boolean(bool value);
    static TRpEvResult error(std::string_view message = {});

    Kind kind() const { return m_kind; }
    bool isError() const { return m_kind == Kind::Error; }
    bool isNumeric() const { return m_kind == Kind::Integer || m_kind == Kind::Real; }

    int32_t asInteger() const { return m_integer; }
    double asReal() const { return m_real; }
    // Integer or real as a real.
    double asNumber() const { return m_kind == Kind::Integer ? double(m_integer) : m_real; }
    bool asBoolean() const { return m_boolean; }
    // The string of a string result, the message of an error.
    const std::string& asString() const { return m_text; }
    const std::string& message() const { return m_text; }

    // The text the operators convert to: decimal integers, reals in the general format with 15
    // significant digits, "True"/"False", strings unchanged, an error's message.
    std::string text() const;

    // "integer", "real", "string", "boolean" or "error".
    std::string_view kindName() const;

    friend bool operator==(const TRpEvResult&, const TRpEvResult&) = default;

private:
    Kind m_kind = Kind::Error;
    int32_t m_integer = 0;
    double m_real = 0;
    bool m_boolean = false;
    std::string m_text;
};

} // namespace report
