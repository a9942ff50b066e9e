#include "exchange/Statement.h"

namespace exchange {

const CustParticulars& Statement::takeParticulars(std::string_view row)
{
    m_particulars = custParticulars(row);
    return m_particulars;
}

const TradingDate& Statement::addDate(std::string_view row)
{
    return m_dates.emplace_back(tradingDate(row));
}

const StatementLine& Statement::addLine(std::string_view row)
{
    StatementLine& line = m_keepLines ? m_lines.emplace_back() : m_counted;
    line = statementLine(row);
    m_sums = exchange::addLine(m_sums, line);
    return line;
}

void Statement::clearLines()
{
    m_lines.clear();
    m_sums = {};
}

void Statement::clearSearch()
{
    m_particulars = {};
    m_dates.clear();
}

bool Statement::hasParticulars() const
{
    const CustParticulars& p = m_particulars;
    return !(p.registration.empty() && p.custName.empty() && p.chief.empty() && p.address.empty() &&
             p.jobKind.empty() && p.jobItem.empty());
}

Totals Statement::totals() const
{
    return m_sums.count == 0 ? Totals{} : totalsText(m_sums);
}

} // namespace exchange
