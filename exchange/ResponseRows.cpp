#include "exchange/ResponseRows.h"

#include "text/Integers.h"
#include "text/NumberFormat.h"

namespace exchange {

namespace {

// A decimal that needs more than 64 bits: it would print as 0.
bool tooWide(std::string_view s)
{
    const std::string_view digits = !s.empty() && s[0] == '-' ? s.substr(1) : s;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    return text::plainDecimal(s) == 0 && digits.find_first_not_of('0') != std::string_view::npos;
}

// The figures of a line: quantity, unit price, supply amount, tax amount.
constexpr int figureCells[] = {2, 4, amountCell, taxCell};

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
    TotalSums next = sums;
    ++next.count;
    if (next.overflow)
        return next;
    for (int cell : figureCells)
        next.overflow = next.overflow || tooWide(line[size_t(cell)]);
    int64_t withTax;
    next.overflow =
        next.overflow ||
        __builtin_add_overflow(sums.amount, text::plainDecimal(line[amountCell]), &next.amount) ||
        __builtin_add_overflow(sums.tax, text::plainDecimal(line[taxCell]), &next.tax) ||
        __builtin_add_overflow(next.amount, next.tax, &withTax);
    if (next.overflow) {
        next.amount = sums.amount;
        next.tax = sums.tax;
    }
    return next;
}

Totals totalsText(const TotalSums& sums)
{
    Totals t;
    t.count = text::decimalText(sums.count);
    t.overflow = sums.overflow;
    // No figure at all rather than a wrong one.
    if (sums.overflow)
        return t;
    t.amount = text::decimalText(sums.amount);
    t.tax = text::decimalText(sums.tax);
    t.amountWithTax = text::decimalText(sums.amount + sums.tax);
    return t;
}

} // namespace exchange
