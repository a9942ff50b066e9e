// Any answer row yields its items and grid cells without a crash, the columns taken are the
// row's own bytes between bars, and the totals stay plain decimals whatever the cells hold, or,
// once a figure leaves 64 bits, are no figures at all.
#include "exchange/ResponseRows.h"
#include "text/Integers.h"

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
    const exchange::CustParticulars c = exchange::custParticulars(row);
    exchange::tradingDate(row);
    const exchange::StatementLine line = exchange::statementLine(row);
    if (c.registration.size() + c.custName.size() + c.chief.size() + c.address.size() +
            c.jobKind.size() + c.jobItem.size() >
        row.size())
        __builtin_trap();

    // Totals built from the row's own cells, so that big and odd figures meet.
    exchange::Totals current{line[0], line[1], line[2], line[3]};
    const auto readable = [](const exchange::Totals& t) {
        if (!plainDecimalText(t.count))
            return false;
        if (t.overflow)
            return t.amount.empty() && t.tax.empty() && t.amountWithTax.empty();
        return plainDecimalText(t.amount) && plainDecimalText(t.tax) &&
               plainDecimalText(t.amountWithTax);
    };
    const exchange::Totals t = exchange::addToTotals(current, line, int(size));
    if (!readable(t))
        __builtin_trap();
    // Adding again to what came out keeps the figures readable, and an overflow stays one.
    const exchange::Totals u = exchange::addToTotals(t, line, int(size) + 1);
    if (!readable(u) || (t.overflow && !u.overflow))
        __builtin_trap();
    return 0;
}
