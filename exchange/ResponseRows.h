#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace exchange {

// Taking a column: the text before the first "|" of what is left of the row; everything up to
// and including that "|" is then removed. Without a "|" the column is empty and nothing is
// removed, so every later column reads as empty too.
std::string_view takeColumn(std::string_view& rest);

// What each answer row yields. Columns are taken as they stand.

// MAKEKEY: code, one space, name.
std::string companyItem(std::string_view row);

// MAKECUST: the six particulars, the address being postal area and street joined directly.
struct CustParticulars
{
    std::string registration;
    std::string custName;
    std::string chief;
    std::string address;
    std::string jobKind;
    std::string jobItem;
};
CustParticulars custParticulars(std::string_view row);

// MAKEDATE: data columns 0 and 1 of a new row of the trading-date grid.
struct TradingDate
{
    std::string date;
    std::string seq;
};
TradingDate tradingDate(std::string_view row);

// MAKEDATA: data columns 0 to 6 of a new row of the statement-line grid (item, item details,
// quantity, unit, unit price, supply amount, tax amount).
inline constexpr int amountCell = 5;
inline constexpr int taxCell = 6;
using StatementLine = std::array<std::string, 7>;
StatementLine statementLine(std::string_view row);

// The texts of TOTAMT, TOTTAX, TOTAMTAX and TOTCOUNT.
struct Totals
{
    std::string amount;
    std::string tax;
    std::string amountWithTax;
    std::string count;
    // A sum, or a figure of a line, left 64 bits: no total is right, and none is printed.
    bool overflow = false;
};

// The sums behind the totals, kept as numbers: a figure of a line that is not a plain decimal
// counts as 0.
struct TotalSums
{
    int64_t amount = 0;
    int64_t tax = 0;
    int count = 0;
    bool overflow = false; // as Totals::overflow; the sums stop where it happened
};
TotalSums addLine(const TotalSums& sums, const StatementLine& line);
Totals totalsText(const TotalSums& sums);

} // namespace exchange
