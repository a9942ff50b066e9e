#include "report/eval/NumericFormat.h"

#include "report/eval/Cp949Bytes.h"
#include "report/eval/FloatText.h"
#include "text/Cp949.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <vector>

namespace report::eval {

namespace {

// Beyond this magnitude plain notation has no meaningful digits left; the general format
// takes over.
constexpr double plainLimit = 1e18;
// The digits a double can carry, and so the most decimals worth producing.
constexpr int maxDigits = 18;
constexpr int maxExponentDigits = 4;

struct Section
{
    std::string_view text;
    int intPlaceholders = 0;
    int firstZeroInt = -1;
    int decPlaceholders = 0;
    int lastZeroDec = -1;
    bool thousands = false;
    bool scientific = false;
    bool exponentSign = false;
    int exponentDigits = 0;
};

// Length of the piece of the section at i that is copied as it stands: a quoted text (quotes
// included) or a double-byte character; 0 for anything else.
size_t literalLength(std::string_view s, size_t i)
{
    const char c = s[i];
    if (c == '\'' || c == '"') {
        const size_t close = s.find(c, i + 1);
        return (close == std::string_view::npos ? s.size() : close + 1) - i;
    }
    if (isLeadByte(c) && i + 1 < s.size())
        return 2;
    return 0;
}

bool isExponentAt(std::string_view s, size_t i)
{
    return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

// Number of "0"s after an exponent mark at i (which takes two bytes).
int exponentZeros(std::string_view s, size_t i)
{
    int n = 0;
    for (size_t j = i + 2; j < s.size() && s[j] == '0' && n < maxExponentDigits; ++j)
        ++n;
    return n;
}

Section analyse(std::string_view text)
{
    Section sec;
    sec.text = text;
    bool point = false;
    for (size_t i = 0; i < text.size();) {
        if (const size_t n = literalLength(text, i)) {
            i += n;
            continue;
        }
        const char c = text[i];
        if (c == '0' || c == '#') {
            if (!point) {
                if (c == '0' && sec.firstZeroInt < 0)
                    sec.firstZeroInt = sec.intPlaceholders;
                ++sec.intPlaceholders;
            } else {
                if (c == '0')
                    sec.lastZeroDec = sec.decPlaceholders;
                ++sec.decPlaceholders;
            }
        } else if (c == '.') {
            point = true;
        } else if (c == ',') {
            sec.thousands = true;
        } else if (!sec.scientific && isExponentAt(text, i)) {
            sec.scientific = true;
            sec.exponentSign = text[i + 1] == '+';
            sec.exponentDigits = exponentZeros(text, i);
            i += 2 + size_t(sec.exponentDigits);
            continue;
        }
        ++i;
    }
    sec.decPlaceholders = std::min(sec.decPlaceholders, maxDigits);
    return sec;
}

// Rounds the digits (value 0.d1d2... × 10^exponent) half away from zero so that `keep` digits
// remain; may carry into a new leading digit.
void roundDigits(DecimalDigits& d, int keep)
{
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    if (size_t(keep) >= d.digits.size())
        return;
    const bool up = d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(keep));
    if (up) {
        int i = keep - 1;
        for (; i >= 0 && d.digits[size_t(i)] == '9'; --i)
            d.digits[size_t(i)] = '0';
        if (i >= 0) {
            ++d.digits[size_t(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

struct Parts
{
    std::string integer;
    std::string fraction;
    int exponent = 0;
    bool zero = true;
};

Parts plainParts(const Section& sec, double magnitude)
{
    DecimalDigits d = decimalDigits(magnitude, maxDigits);
    roundDigits(d, d.exponent + sec.decPlaceholders);
    Parts p;
    p.zero = d.digits.empty();
    if (!p.zero && d.exponent > 0) {
        const size_t whole = size_t(d.exponent);
        p.integer = d.digits.substr(0, whole);
        p.integer.append(whole - p.integer.size(), '0');
        p.fraction = d.digits.size() > whole ? d.digits.substr(whole) : std::string();
    } else if (!p.zero) {
        p.fraction = std::string(size_t(-d.exponent), '0') + d.digits;
    }
    return p;
}

Parts scientificParts(const Section& sec, double magnitude)
{
    const int whole = std::max(sec.intPlaceholders, 1);
    DecimalDigits d = decimalDigits(magnitude, maxDigits);
    roundDigits(d, whole + sec.decPlaceholders);
    Parts p;
    p.zero = d.digits.empty();
    if (p.zero)
        return p;
    d.digits.append(size_t(std::max(0, whole - int(d.digits.size()))), '0');
    p.integer = d.digits.substr(0, size_t(whole));
    p.fraction = d.digits.substr(size_t(whole));
    p.exponent = d.exponent - whole;
    return p;
}

std::string formatSection(const Section& sec, double magnitude, bool minus, bool& zero)
{
    Parts p = sec.scientific ? scientificParts(sec, magnitude) : plainParts(sec, magnitude);
    zero = p.zero;
    const int minInt = sec.firstZeroInt < 0 ? 0 : sec.intPlaceholders - sec.firstZeroInt;
    if (int(p.integer.size()) < minInt)
        p.integer.insert(0, size_t(minInt - int(p.integer.size())), '0');
    const size_t minDec = sec.lastZeroDec < 0 ? 0 : size_t(sec.lastZeroDec) + 1;
    if (p.fraction.size() < minDec)
        p.fraction.append(minDec - p.fraction.size(), '0');

    const std::string group = text::toCp949(QLocale().groupSeparator());
    const std::string& digits = p.integer;
    std::string out = minus && !zero ? "-" : "";
    // Digit at position `pos` counted from the right of the integer part, with the group
    // separator after it where a group ends.
    auto emitDigit = [&](size_t pos) {
        out.push_back(digits[digits.size() - 1 - pos]);
        if (sec.thousands && pos > 0 && pos % 3 == 0)
            out += group;
    };
    auto emitAllDigits = [&] {
        for (size_t pos = digits.size(); pos-- > 0;)
            emitDigit(pos);
    };

    const std::string_view s = sec.text;
    int intSeen = 0;
    int decSeen = 0;
    bool point = false;
    bool exponentDone = false;
    for (size_t i = 0; i < s.size();) {
        if (const size_t n = literalLength(s, i)) {
            const bool quoted = s[i] == '\'' || s[i] == '"';
            if (quoted)
                out.append(s.substr(i + 1, n >= 2 && s[i + n - 1] == s[i] ? n - 2 : n - 1));
            else
                out.append(s.substr(i, n));
            i += n;
            continue;
        }
        const char c = s[i];
        if ((c == '0' || c == '#') && !point) {
            const size_t pos = size_t(sec.intPlaceholders - 1 - intSeen);
            if (intSeen == 0) {
                for (size_t extra = digits.size(); extra-- > size_t(sec.intPlaceholders);)
                    emitDigit(extra);
            }
            if (pos < digits.size())
                emitDigit(pos);
            ++intSeen;
        } else if ((c == '0' || c == '#') && point) {
            if (size_t(decSeen) < p.fraction.size())
                out.push_back(p.fraction[size_t(decSeen)]);
            ++decSeen;
        } else if (c == '.') {
            if (!point) {
                if (sec.intPlaceholders == 0)
                    emitAllDigits();
                if (!p.fraction.empty())
                    out += decimalSeparator();
                point = true;
            }
        } else if (c == ',') {
            // grouping only, placed by the digits
        } else if (sec.scientific && !exponentDone && isExponentAt(s, i)) {
            out.push_back(c);
            if (p.exponent < 0)
                out.push_back('-');
            else if (sec.exponentSign)
                out.push_back('+');
            std::string e = std::to_string(std::abs(p.exponent));
            if (int(e.size()) < sec.exponentDigits)
                e.insert(0, size_t(sec.exponentDigits - int(e.size())), '0');
            out += e;
            exponentDone = true;
            i += 2 + size_t(sec.exponentDigits);
            continue;
        } else {
            out.push_back(c);
        }
        ++i;
    }
    if (sec.intPlaceholders == 0 && !point)
        emitAllDigits();
    return out;
}

std::vector<std::string_view> splitSections(std::string_view pattern)
{
    std::vector<std::string_view> sections;
    size_t start = 0;
    for (size_t i = 0; i < pattern.size();) {
        if (const size_t n = literalLength(pattern, i)) {
            i += n;
            continue;
        }
        if (pattern[i] == ';') {
            sections.push_back(pattern.substr(start, i - start));
            start = i + 1;
        }
        ++i;
    }
    sections.push_back(pattern.substr(start));
    return sections;
}

} // namespace

std::optional<std::string> FormatNumeric(std::string_view pattern, double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const std::vector<std::string_view> sections = splitSections(pattern);
    if (sections[0].empty())
        return generalFloatText(value);
    const bool hasNegative = sections.size() > 1 && !sections[1].empty();
    const bool hasZero = sections.size() > 2 && !sections[2].empty();

    size_t index = 0;
    bool minus = false;
    if (value < 0) {
        if (hasNegative)
            index = 1;
        else
            minus = true;
    }
    if (value == 0 && hasZero)
        index = 2;
    const Section sec = analyse(sections[index]);
    const double magnitude = std::fabs(value);
    if (!sec.scientific && magnitude >= plainLimit)
        return generalFloatText(value);
    bool zero = false;
    std::string out = formatSection(sec, magnitude, minus, zero);
    // A value that rounds to zero takes the zero section.
    if (zero && index != 2 && hasZero)
        out = formatSection(analyse(sections[2]), 0, false, zero);
    return out;
}

std::string formatResult(const TRpEvResult& result, std::string_view mask)
{
    if (!result.isNumeric())
        return result.text();
    if (std::optional<std::string> text = FormatNumeric(mask, result.asNumber()))
        return *text;
    return result.text();
}

} // namespace report::eval
