#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace report {

class TRpPageList;

// The file types a report's finished pages can be saved as besides the report file itself.
// The report file is always offered first; export filters are offered after it in the order
// they were registered.
class TRpExportFilterLibrary
{
public:
    // Writes the pages of a finished page store to `fileName` in the filter's format; throws
    // the store's errors (EStreamError) when the file cannot be written.
    using Writer = std::function<void(TRpPageList& pages, const QString& fileName)>;

    struct Filter
    {
        std::string description; // cp949
        std::string extension;   // without the dot, e.g. "pdf"
        Writer write;
    };

    // "Report file(*.RPF)|*.RPF", then "|<description> (*.<ext>)|*.<ext>" for every registered
    // export filter.
    static std::string DialogFilterText();

    // Adds a filter, or replaces the one registered with the same extension (letter case does
    // not matter) in its place.
    static void RegisterFilter(Filter filter);
    static void UnregisterFilter(const std::string& extension);
    // The registered filters, in the order of the dialog's filter text.
    static std::vector<Filter> Filters();
    // The filter of an extension (letter case does not matter); none when it is not registered.
    static const Filter* FindFilter(const std::string& extension);
};

} // namespace report
