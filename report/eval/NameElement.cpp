#include "report/eval/NameElement.h"

#include "report/eval/ReportValues.h"
#include "report/eval/TRpEvEnvironment.h"

namespace report::eval {

TRpEvResult NameElement::compute(EvalState& state)
{
    return m_environment->evaluate(m_name, state);
}

TRpEvResult ReportValueElement::compute(EvalState&)
{
    switch (m_which) {
    case Which::PageNumber:
        return TRpEvResult::integer(m_report->pageNumber());
    case Which::ColumnNumber:
        return TRpEvResult::integer(m_report->columnNumber());
    case Which::ReportTitle:
        return TRpEvResult::string(m_report->reportTitle());
    }
    return TRpEvResult::error();
}

} // namespace report::eval
