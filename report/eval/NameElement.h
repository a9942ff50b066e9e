#pragma once

#include "report/eval/Element.h"

#include <string>

namespace report {
class ReportValues;
class TRpEvEnvironment;
} // namespace report

namespace report::eval {

// A named constant of an environment, looked up by name each time so that a name deleted
// after parsing reads as unknown instead of dangling.
class NameElement : public Element
{
public:
    NameElement(TRpEvEnvironment* environment, std::string upperName)
        : m_environment(environment), m_name(std::move(upperName))
    {
    }

protected:
    TRpEvResult compute(EvalState& state) override;

private:
    TRpEvEnvironment* m_environment;
    std::string m_name;
};

// One of the values a running report supplies.
class ReportValueElement : public Element
{
public:
    enum class Which { PageNumber, ColumnNumber, ReportTitle };
    ReportValueElement(const ReportValues* report, Which which) : m_report(report), m_which(which)
    {
    }

protected:
    TRpEvResult compute(EvalState& state) override;

private:
    const ReportValues* m_report;
    Which m_which;
};

} // namespace report::eval
