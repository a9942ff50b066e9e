#pragma once

#include "exchange/ResponseRows.h"

#include <string_view>
#include <vector>

namespace exchange {

// A statement as the answers of a search make it: the customer's particulars (MAKECUST), the
// trading dates of the period (MAKEDATE), the lines of one of them (MAKEDATA) and their totals.
// The totals are kept as 64-bit sums and written as text only when asked for.
class Statement
{
public:
    // Where the lines stay: here, or with a caller that holds them itself (the form's line grid
    // does; a second copy of a 10,000-line statement would cost megabytes more).
    enum class Lines { Kept, Counted };
    explicit Statement(Lines lines = Lines::Kept) : m_keepLines(lines == Lines::Kept) {}

    // Each takes the body of one DATA frame and returns what it yielded.
    const CustParticulars& takeParticulars(std::string_view row);
    const TradingDate& addDate(std::string_view row);
    // The line, its figures added to the totals; the reference holds until the next line.
    const StatementLine& addLine(std::string_view row);

    // The lines of another date are to come: the lines and their totals go.
    void clearLines();
    // A new search: the particulars and the trading dates go.
    void clearSearch();

    const CustParticulars& particulars() const { return m_particulars; }
    bool hasParticulars() const;
    const std::vector<TradingDate>& dates() const { return m_dates; }
    // Empty when the lines are only counted.
    const std::vector<StatementLine>& lines() const { return m_lines; }
    int lineCount() const { return m_sums.count; }
    // The four totals as the form shows them: blank until a line has come.
    Totals totals() const;

private:
    bool m_keepLines;
    CustParticulars m_particulars;
    std::vector<TradingDate> m_dates;
    std::vector<StatementLine> m_lines;
    StatementLine m_counted; // the last line, when the lines are only counted
    TotalSums m_sums;
};

} // namespace exchange
