#include "report/store/TRpExportFilterLibrary.h"

namespace report {

namespace {

const char* const reportFileText = "Report file";
const char* const reportFileExtension = "RPF";

} // namespace

std::string TRpExportFilterLibrary::DialogFilterText()
{
    const std::string ext = reportFileExtension;
    return std::string(reportFileText) + "(*." + ext + ")|*." + ext;
}

} // namespace report
