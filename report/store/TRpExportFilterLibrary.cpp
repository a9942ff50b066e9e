#include "report/store/TRpExportFilterLibrary.h"

#include <QByteArray>
#include <algorithm>
#include <deque>

namespace report {

namespace {

const char* const reportFileText = "Report file";
const char* const reportFileExtension = "RPF";

// A deque, so that a filter handed out by FindFilter stays where it is while others are added.
std::deque<TRpExportFilterLibrary::Filter>& registered()
{
    static std::deque<TRpExportFilterLibrary::Filter> filters;
    return filters;
}

bool sameExtension(const std::string& a, const std::string& b)
{
    return QByteArray::fromStdString(a).compare(QByteArray::fromStdString(b),
                                                Qt::CaseInsensitive) == 0;
}

std::deque<TRpExportFilterLibrary::Filter>::iterator find(const std::string& extension)
{
    auto& filters = registered();
    return std::find_if(filters.begin(), filters.end(),
                        [&](const auto& f) { return sameExtension(f.extension, extension); });
}

} // namespace

std::string TRpExportFilterLibrary::DialogFilterText()
{
    const std::string ext = reportFileExtension;
    std::string text = std::string(reportFileText) + "(*." + ext + ")|*." + ext;
    for (const Filter& f : registered())
        text += "|" + f.description + " (*." + f.extension + ")|*." + f.extension;
    return text;
}

void TRpExportFilterLibrary::RegisterFilter(Filter filter)
{
    if (const auto at = find(filter.extension); at != registered().end())
        *at = std::move(filter);
    else
        registered().push_back(std::move(filter));
}

void TRpExportFilterLibrary::UnregisterFilter(const std::string& extension)
{
    if (const auto at = find(extension); at != registered().end())
        registered().erase(at);
}

std::vector<TRpExportFilterLibrary::Filter> TRpExportFilterLibrary::Filters()
{
    return {registered().begin(), registered().end()};
}

const TRpExportFilterLibrary::Filter*
TRpExportFilterLibrary::FindFilter(const std::string& extension)
{
    const auto at = find(extension);
    return at == registered().end() ? nullptr : &*at;
}

} // namespace report
