#pragma once

#include "text/Dates.h"

#include <cstdint>
#include <string>
#include <variant>

namespace text {

// The value a grid cell holds. The viewer stores only strings; a cell never written is Empty.
class Variant
{
public:
    enum class Kind { Empty, Null, Integer, Double, Currency, Date, String, Boolean };

    Variant() = default;
    Variant(std::string s) : m_kind(Kind::String), m_value(std::move(s)) {}
    Variant(const char* s) : Variant(std::string(s)) {}
    Variant(int64_t v) : m_kind(Kind::Integer), m_value(v) {}
    Variant(int v) : Variant(int64_t(v)) {}
    Variant(double v) : m_kind(Kind::Double), m_value(v) {}
    Variant(bool v) : m_kind(Kind::Boolean), m_value(v) {}
    Variant(const Date& d) : m_kind(Kind::Date), m_value(d) {}

    static Variant null();
    // Currency is held as a double, like a double, but keeps its own kind code.
    static Variant currency(double v);

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNull() const { return m_kind == Kind::Empty || m_kind == Kind::Null; }
    bool isNumeric() const;

    // The text conversion: Empty and Null give the empty text, numbers their decimal text,
    // dates "yyyy-mm-dd", booleans "True"/"False".
    std::string toString() const;
    double toDouble() const;

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    Kind m_kind = Kind::Empty;
    std::variant<std::monostate, int64_t, double, bool, std::string, Date> m_value;
};

} // namespace text
