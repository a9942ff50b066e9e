#include "report/eval/Builtins.h"

#include "report/eval/Cp949Bytes.h"
#include "report/eval/EvalMessages.h"
#include "report/eval/NumericFormat.h"
#include "text/Cp949.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <array>
#include <cmath>
#include <utility>

namespace report::eval {

namespace {

using Kind = TRpEvResult::Kind;
using Args = std::vector<TRpEvResult>;

constexpr std::array<std::pair<std::string_view, Builtin>, 21> library{{
    {"TRUE", Builtin::True},   {"FALSE", Builtin::False},
    {"IF", Builtin::If},       {"TYPEOF", Builtin::TypeOf},
    {"INT", Builtin::Int},     {"FRAC", Builtin::Frac},
    {"SQRT", Builtin::Sqrt},   {"DIV", Builtin::Div},
    {"STR", Builtin::Str},     {"UPPER", Builtin::Upper},
    {"LOWER", Builtin::Lower}, {"PRETTY", Builtin::Pretty},
    {"TIME", Builtin::Time},   {"DATE", Builtin::Date},
    {"COPY", Builtin::Copy},   {"FORMATNUMERIC", Builtin::FormatNumeric},
    {"SUM", Builtin::Sum},     {"AVERAGE", Builtin::Average},
    {"MAX", Builtin::Max},     {"MIN", Builtin::Min},
    {"COUNT", Builtin::Count},
}};

// Below this magnitude a whole double converts to a 64-bit integer and divides without overflow.
constexpr double exactIntegerLimit = 4611686018427387904.0; // 2^62

TRpEvResult wrongArguments(std::string_view name)
{
    return TRpEvResult::error(formatMessage(msg::wrongArguments, {name}));
}

bool oneNumber(const Args& a)
{
    return a.size() == 1 && a[0].isNumeric();
}

// A whole double as a result: an integer where it fits, else a real.
TRpEvResult wholeNumber(double whole)
{
    if (std::fabs(whole) < exactIntegerLimit)
        return TRpEvResult::wideInteger(int64_t(whole));
    return TRpEvResult::real(whole);
}

std::string_view typeName(const TRpEvResult& r)
{
    switch (r.kind()) {
    case Kind::Integer:
        return "INTEGER";
    case Kind::Real:
        return "FLOAT";
    case Kind::String:
        return "STRING";
    case Kind::Boolean:
        return "BOOLEAN";
    case Kind::Error:
        break;
    }
    return "ERROR";
}

TRpEvResult integerDivision(const Args& a)
{
    if (a.size() != 2 || !a[0].isNumeric() || !a[1].isNumeric())
        return wrongArguments("DIV");
    // Reals are rounded first, halves to even.
    const double dividend = std::nearbyint(a[0].asNumber());
    const double divisor = std::nearbyint(a[1].asNumber());
    if (divisor == 0)
        return TRpEvResult::error(msg::divisionByZero);
    if (std::fabs(dividend) < exactIntegerLimit && std::fabs(divisor) < exactIntegerLimit)
        return TRpEvResult::wideInteger(int64_t(dividend) / int64_t(divisor));
    return TRpEvResult::real(std::trunc(dividend / divisor));
}

TRpEvResult caseMapped(Builtin f, std::string_view name, const Args& a)
{
    if (a.empty())
        return TRpEvResult::error(formatMessage(msg::missingArgument, {name}));
    if (a.size() != 1)
        return TRpEvResult::error();
    if (a[0].isError())
        return a[0];
    if (a[0].kind() != Kind::String)
        return TRpEvResult::error();
    const std::string& s = a[0].asString();
    if (f == Builtin::Upper)
        return TRpEvResult::string(upperCase(s));
    if (f == Builtin::Lower)
        return TRpEvResult::string(lowerCase(s));
    return TRpEvResult::string(prettyCase(s));
}

// The locale's long time format without its time-zone field: the long time of the platform we
// replace has hours, minutes, seconds and the day half only.
QString longTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't') {
            out += c;
            continue;
        }
        // The zone and the blanks that set it apart go.
        while (!out.isEmpty() && out.back().isSpace())
            out.chop(1);
        while (i + 1 < format.size() && format[i + 1] == u't')
            ++i;
    }
    return out.trimmed();
}

TRpEvResult now(Builtin f, const Args& a)
{
    if (!a.empty())
        return TRpEvResult::error();
    const QLocale locale;
    const QString text = f == Builtin::Time
                             ? locale.toString(QTime::currentTime(), longTimeFormat(locale))
                             : locale.toString(QDate::currentDate(), QLocale::ShortFormat);
    return TRpEvResult::string(text::toCp949(text));
}

TRpEvResult copy(const Args& a)
{
    if (a.size() != 3 || a[0].kind() != Kind::String || a[1].kind() != Kind::Integer ||
        a[2].kind() != Kind::Integer)
        return TRpEvResult::error();
    return TRpEvResult::string(copyBytes(a[0].asString(), a[1].asInteger(), a[2].asInteger()));
}

TRpEvResult formatNumeric(const Args& a)
{
    if (a.size() != 2 || a[0].kind() != Kind::String || !a[1].isNumeric())
        return TRpEvResult::error();
    const std::optional<std::string> text = FormatNumeric(a[0].asString(), a[1].asNumber());
    if (!text)
        return TRpEvResult::error(msg::invalidFormat);
    return TRpEvResult::string(*text);
}

} // namespace

std::optional<Builtin> findBuiltin(std::string_view upperName)
{
    for (const auto& [name, f] : library) {
        if (name == upperName)
            return f;
    }
    return std::nullopt;
}

bool isAggregate(Builtin f)
{
    return f == Builtin::Sum || f == Builtin::Average || f == Builtin::Max || f == Builtin::Min ||
           f == Builtin::Count;
}

TRpEvResult computeBuiltin(Builtin f, const Args& a)
{
    switch (f) {
    case Builtin::True:
    case Builtin::False:
        if (!a.empty())
            return TRpEvResult::error(msg::tooManyArguments);
        return TRpEvResult::boolean(f == Builtin::True);
    case Builtin::If:
        if (a.size() != 3 || a[0].kind() != Kind::Boolean)
            return wrongArguments("IF");
        return a[0].asBoolean() ? a[1] : a[2];
    case Builtin::TypeOf:
        if (a.size() != 1)
            return wrongArguments("TypeOf");
        return TRpEvResult::string(typeName(a[0]));
    case Builtin::Int:
        if (!oneNumber(a))
            return wrongArguments("INT");
        if (a[0].kind() == Kind::Integer)
            return a[0];
        return wholeNumber(std::trunc(a[0].asReal()));
    case Builtin::Frac:
        if (!oneNumber(a))
            return TRpEvResult::error();
        if (a[0].kind() == Kind::Integer)
            return TRpEvResult::real(0);
        return TRpEvResult::real(a[0].asReal() - std::trunc(a[0].asReal()));
    case Builtin::Sqrt:
        if (!oneNumber(a) || !(a[0].asNumber() >= 0))
            return TRpEvResult::error(msg::invalidSqrt);
        return TRpEvResult::real(std::sqrt(a[0].asNumber()));
    case Builtin::Div:
        return integerDivision(a);
    case Builtin::Str:
        if (a.size() != 1 || a[0].kind() == Kind::String || a[0].isError())
            return TRpEvResult::error(msg::conversionError);
        return TRpEvResult::string(a[0].text());
    case Builtin::Upper:
        return caseMapped(f, "UPPER", a);
    case Builtin::Lower:
        return caseMapped(f, "LOWER", a);
    case Builtin::Pretty:
        return caseMapped(f, "PRETTY", a);
    case Builtin::Time:
    case Builtin::Date:
        return now(f, a);
    case Builtin::Copy:
        return copy(a);
    case Builtin::FormatNumeric:
        return formatNumeric(a);
    case Builtin::Sum:
    case Builtin::Average:
    case Builtin::Max:
    case Builtin::Min:
    case Builtin::Count:
        break;
    }
    // Aggregates keep totals; their element answers for them.
    return TRpEvResult::error();
}

} // namespace report::eval
