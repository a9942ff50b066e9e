#include "exchange/ResponseRows.h"

#include "text/Integers.h"
#include "text/NumberFormat.h"

namespace exchange {

namespace {

// A sum that would leave 64 bits keeps the total as it was: the addend cannot be shown anyway.
int64_t added(int64_t total, int64_t addend)
{
    int64_t sum;
    return __builtin_add_overflow(total, addend, &sum) ? total : sum;
}

} // namespace

std::string_view takeColumn(std::string_view& rest)
{
    const size_t bar = rest.find('|');
    if (bar == std::string_view::npos)
        return {};
    const std::string_view column = rest.substr(0, bar);
    rest.remove_prefix(bar + 1);
    return column;
}

std::string companyItem(std::string_view row)
{
    std::string item(takeColumn(row));
    item += ' ';
    item += takeColumn(row);
    return item;
}

CustParticulars custParticulars(std::string_view row)
{
    CustParticulars c;
    c.registration = takeColumn(row);
    c.custName = takeColumn(row);
    c.chief = takeColumn(row);
    c.address = takeColumn(row);
    c.address += takeColumn(row);
    c.jobKind = takeColumn(row);
    c.jobItem = takeColumn(row);
    return c;
}

TradingDate tradingDate(std::string_view row)
{
    TradingDate d;
    d.date = takeColumn(row);
    d.seq = takeColumn(row);
    return d;
}

StatementLine statementLine(std::string_view row)
{
    // Date, sequence and serial number of the line are not shown.
    for (int skipped = 0; skipped < 3; ++skipped)
        takeColumn(row);
    StatementLine line;
    for (std::string& cell : line)
        cell = takeColumn(row);
    return line;
}

TotalSums addLine(const TotalSums& sums, const StatementLine& line)
{
    return {added(sums.amount, text::plainDecimal(line[amountCell])),
            added(sums.tax, text::plainDecimal(line[taxCell])), sums.count + 1};
}

Totals totalsText(const TotalSums& sums)
{
    Totals t;
    t.amount = text::decimalText(sums.amount);
    t.tax = text::decimalText(sums.tax);
    t.amountWithTax = text::decimalText(added(sums.amount, sums.tax));
    t.count = text::decimalText(sums.count);
    return t;
}

Totals addToTotals(const Totals& current, const StatementLine& line, int lineCount)
{
    return totalsText(addLine(
        {text::plainDecimal(current.amount), text::plainDecimal(current.tax), lineCount - 1},
        line));
}

} // namespace exchange
