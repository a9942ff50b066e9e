#pragma once

#include <string>

namespace report {

// The export file types the save dialog offers. None are registered in this system, so only
// the report file itself is offered.
class TRpExportFilterLibrary
{
public:
    // "Report file(*.RPF)|*.RPF", then "|<description> (*.<ext>)|*.<ext>" for every registered
    // export filter.
    static std::string DialogFilterText();
};

} // namespace report
