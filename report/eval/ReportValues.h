#pragma once

#include <cstdint>
#include <string>

namespace report {

// What a report supplies to its expressions while it runs: the values of the named constants
// PAGENUMBER (its current page), COLUMNNUMBER (its current column) and REPORTTITLE (its title).
// The report implements this and hands it to its `Functions` environment
// (TRpEvEnvironment::addReportConstants); the values are read each time an expression asks.
class ReportValues
{
public:
    virtual ~ReportValues() = default;
    virtual int32_t pageNumber() const = 0;
    virtual int32_t columnNumber() const = 0;
    virtual std::string reportTitle() const = 0;
};

} // namespace report
