// Any answer row yields its items and grid cells without a crash, the columns taken are the
// row's own bytes between bars, and the totals stay plain decimals whatever the cells hold, or,
// once a figure leaves 64 bits, are no figures at all.
#include "exchange/ResponseRows.h"
#include "exchange/Statement.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool plainDecimalText(const std::string& s)
{
    size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
    if (i == s.size())
        return false;
    for (; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view row(reinterpret_cast<const char*>(data), size);

    // Taking every column walks the row bar by bar: each column and its bar are the next bytes.
    std::string_view rest = row;
    size_t consumed = 0;
    for (;;) {
        const size_t before = rest.size();
        const std::string_view column = exchange::takeColumn(rest);
        if (rest.size() == before) {
            if (!column.empty() || rest.find('|') != std::string_view::npos)
                __builtin_trap();
            break;
        }
        if (row.substr(consumed, column.size()) != column || row[consumed + column.size()] != '|')
            __builtin_trap();
        consumed += column.size() + 1;
    }

    exchange::companyItem(row);
    exchange::Statement statement;
    const exchange::CustParticulars& c = statement.takeParticulars(row);
    statement.addDate(row);
    if (c.registration.size() + c.custName.size() + c.chief.size() + c.address.size() +
            c.jobKind.size() + c.jobItem.size() >
        row.size())
        __builtin_trap();

    const auto readable = [](const exchange::Totals& t, int count) {
        if (t.count != std::to_string(count))
            return false;
        if (t.overflow)
            return t.amount.empty() && t.tax.empty() && t.amountWithTax.empty();
        return plainDecimalText(t.amount) && plainDecimalText(t.tax) &&
               plainDecimalText(t.amountWithTax);
    };
    if (statement.addLine(row) != exchange::statementLine(row))
        __builtin_trap();
    const exchange::Totals t = statement.totals();
    if (!readable(t, 1))
        __builtin_trap();
    // The same figures once more, so that big ones meet: the sums stay readable, and an
    // overflow stays one.
    statement.addLine(row);
    const exchange::Totals u = statement.totals();
    if (!readable(u, 2) || (t.overflow && !u.overflow))
        __builtin_trap();
    return 0;
}
