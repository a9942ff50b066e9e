#include "viewer/StatementInputs.h"

namespace viewer {

printing::StatementInputs statementInputs(const exchange::Statement& statement, int selected)
{
    printing::StatementInputs in;
    const std::vector<exchange::TradingDate>& dates = statement.dates();
    if (selected >= 1 && selected <= int(dates.size())) {
        in.date = dates[size_t(selected - 1)].date;
        in.sequence = dates[size_t(selected - 1)].seq;
    }
    const exchange::CustParticulars& p = statement.particulars();
    in.registration = p.registration;
    in.custName = p.custName;
    in.chief = p.chief;
    in.address = p.address;
    in.jobKind = p.jobKind;
    in.jobItem = p.jobItem;
    in.lines = statement.lines();
    const exchange::Totals totals = statement.totals();
    in.totAmt = totals.amount;
    in.totTax = totals.tax;
    in.totAmTax = totals.amountWithTax;
    in.totCount = totals.count;
    in.totalsOverflow = totals.overflow;
    return in;
}

} // namespace viewer
