#include "exchange/RequestTexts.h"

#include "text/Cp949.h"
#include "text/Dates.h"
#include "text/Integers.h"
#include "text/NumberFormat.h"

#include <limits>

namespace exchange {

namespace {

enum class Slot {
    Quoted, // an escaped text between the double quotes of the literals around it
    Integer // plain decimal digits, not quoted
};

// A request text: literals with a value slot between each two.
struct Template
{
    std::string_view fields; // command and type fields of the request frame
    std::vector<std::string_view> literals;
    std::vector<Slot> valueSlots;
};

const Template& templateOf(Command command)
{
    static const Template makeKey{
        makeKeyFields,
        {"select custcode,custname,telno from custs where substring(custcode from 1 for 1) = "
         "\"5\" and controls = 0 order by custcode"},
        {}};
    static const Template makeCust{
        makeCustFields,
        {"select REGITRATION,CUSTNAME,CHIEF,POSTNAME,ADDRESS,JOBKIND,JOBITEM from custs left "
         "outer join posts on (posts.postkey = custs.postkey) where custcode = \"",
         "\" and USERPASS = \"", "\""},
        {Slot::Quoted, Slot::Quoted}};
    static const Template makeDate{
        makeDateFields,
        // One query written over several lines, not a list with a comma missing.
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
        {"SELECT SUBULM.SUBULDATE, SUBULM.SUBULSEQ, SUBULM.ICUSTCODE, CUSTS.USERPASS, "
         "SUBULM.IOCODE  FROM SUBULM       LEFT OUTER JOIN CUSTS ON ( CUSTS.CUSTCODE = "
         "SUBULM.ICUSTCODE ) WHERE SUBULM.SUBULDATE >= \"",
         "\" AND SUBULM.SUBULDATE <= \"", "\"   AND SUBULM.ICUSTCODE = \"",
         "\"   AND CUSTS.USERPASS = \"",
         "\"   AND SUBULM.IOCODE NOT IN (\"CJ1\", \"EJ2\", \"MM1\", \"MM2\") ORDER BY "
         "SUBULM.SUBULDATE, SUBULM.SUBULSEQ"},
        {Slot::Quoted, Slot::Quoted, Slot::Quoted, Slot::Quoted}};
    static const Template makeData{
        makeDataFields,
        {"SELECT SUBULD.SUBULDATE, SUBULD.SUBULSEQ, SUBULD.SUBULSER,        ITEMS.ITEMNAME, "
         "SUBULD.REMARK, SUBULD.QTY, ITEMS.UNIT, SUBULD.PRICE, SUBULD.AMOUNT, SUBULD.TAX  FROM "
         "SUBULD       LEFT OUTER JOIN ITEMS ON ( ITEMS.ITEMCODE = SUBULD.ITEMCODE ) WHERE "
         "SUBULD.SUBULDATE = \"",
         "\"   AND SUBULD.SUBULSEQ = ",
         "  ORDER BY SUBULD.SUBULDATE, SUBULD.SUBULSEQ, SUBULD.SUBULSER"},
        {Slot::Quoted, Slot::Integer}};
    static const Template none{{}, {}, {}};
    switch (command) {
    case Command::MakeKey:
        return makeKey;
    case Command::MakeCust:
        return makeCust;
    case Command::MakeDate:
        return makeDate;
    case Command::MakeData:
        return makeData;
    case Command::Other:
        break;
    }
    return none;
}

std::string fill(const Template& t, std::initializer_list<std::string_view> values)
{
    std::string text;
    auto value = values.begin();
    for (size_t i = 0; i < t.literals.size(); ++i) {
        text += t.literals[i];
        if (i < t.valueSlots.size())
            text += t.valueSlots[i] == Slot::Quoted ? escapeValue(*value++) : std::string(*value++);
    }
    return text;
}

// Reads an escaped value up to the lone double quote that ends it; the quote is left.
std::optional<std::string> readQuoted(std::string_view text, size_t& pos)
{
    std::string value;
    while (pos < text.size()) {
        if (text[pos] == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                value.push_back('"');
                pos += 2;
                continue;
            }
            return value;
        }
        value.push_back(text[pos++]);
    }
    return std::nullopt;
}

// Decimal digits with an optional "-".
std::optional<int64_t> readInteger(std::string_view text, size_t& pos)
{
    // 18 digits always fit 64 bits; a sequence number never needs more.
    constexpr size_t maxDigits = 18;
    const size_t begin = pos;
    if (pos < text.size() && text[pos] == '-')
        ++pos;
    const size_t digits = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    if (pos == digits || pos - digits > maxDigits)
        return std::nullopt;
    return text::plainDecimal(text.substr(begin, pos - begin));
}

} // namespace

std::string escapeValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out.push_back(c);
        if (c == '"')
            out.push_back('"');
    }
    return out;
}

std::string customerCode(std::string_view itemText)
{
    return std::string(itemText.substr(0, 5));
}

std::string securityNumber(std::string_view passText)
{
    return text::trim(passText);
}

int fieldInteger(std::string_view s)
{
    const int64_t v = text::StrToInt64Def(text::trim(s), 0);
    return v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max() ? 0 : int(v);
}

int64_t sequenceNumber(std::string_view cell)
{
    return text::StrToInt64Def(text::trim(cell), 0);
}

std::string periodFieldError(std::string_view year, std::string_view startMonth,
                             std::string_view endMonth)
{
    // Only plain digits count: "+3" or "0x0C" would be read as numbers and surprise the user.
    auto plainNumber = [](std::string_view field, int low, int high) {
        const std::string t = text::trim(field);
        if (t.empty() || t.size() > 4 || t.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        const int v = std::stoi(t);
        return v >= low && v <= high ? v : 0;
    };
    auto quoted = [](std::string_view field) { return "'" + std::string(field) + "'"; };
    if (plainNumber(year, 1, 9999) == 0)
        return text::cp949("거래년월의 년도 ") + quoted(year) +
               text::cp949("이(가) 올바르지 않습니다. 네 자리 숫자로 적어 주세요.");
    const int from = plainNumber(startMonth, 1, 12);
    if (from == 0)
        return text::cp949("시작 월 ") + quoted(startMonth) +
               text::cp949("이(가) 올바르지 않습니다. 1에서 12 사이로 적어 주세요.");
    const int to = plainNumber(endMonth, 1, 12);
    if (to == 0)
        return text::cp949("끝 월 ") + quoted(endMonth) +
               text::cp949("이(가) 올바르지 않습니다. 1에서 12 사이로 적어 주세요.");
    if (from > to)
        return text::cp949("시작 월(") + std::to_string(from) + text::cp949(")이 끝 월(") +
               std::to_string(to) + text::cp949(")보다 뒤입니다.");
    return {};
}

DateRange dateRange(int year, int startMonth, int endMonth)
{
    int lastDay = 31;
    if (endMonth < 12) {
        // The day before the first of the next month; for month 0 that is 31 December, and the
        // end date below then fails as it should.
        text::EncodeDate(year, endMonth + 1, 1);
        lastDay = endMonth == 0 ? 31 : text::DaysInMonth(year, endMonth);
    }
    const text::Date from = text::EncodeDate(year, startMonth, 1);
    const text::Date to = text::EncodeDate(year, endMonth, lastDay);
    return {text::FormatDateTime("yyyy-mm-dd", from), text::FormatDateTime("yyyy-mm-dd", to)};
}

std::string makeKeyText()
{
    return fill(templateOf(Command::MakeKey), {});
}

std::string makeCustText(std::string_view code, std::string_view password)
{
    return fill(templateOf(Command::MakeCust), {code, password});
}

std::string makeDateText(const DateRange& range, std::string_view code, std::string_view password)
{
    return fill(templateOf(Command::MakeDate), {range.from, range.to, code, password});
}

std::string makeDataText(std::string_view date, int64_t seq)
{
    return fill(templateOf(Command::MakeData), {date, text::decimalText(seq)});
}

std::string_view requestFields(Command command)
{
    return templateOf(command).fields;
}

std::optional<Request> matchRequest(Command command, std::string_view text)
{
    const Template& t = templateOf(command);
    if (t.literals.empty())
        return std::nullopt;
    Request request;
    request.command = command;
    size_t pos = 0;
    for (size_t i = 0; i < t.literals.size(); ++i) {
        if (text.substr(pos, t.literals[i].size()) != t.literals[i])
            return std::nullopt;
        pos += t.literals[i].size();
        if (i == t.valueSlots.size())
            break;
        if (t.valueSlots[i] == Slot::Quoted) {
            auto value = readQuoted(text, pos);
            if (!value)
                return std::nullopt;
            request.values.push_back(std::move(*value));
        } else {
            auto value = readInteger(text, pos);
            if (!value)
                return std::nullopt;
            request.seq = *value;
        }
    }
    if (pos != text.size())
        return std::nullopt;
    return request;
}

} // namespace exchange
