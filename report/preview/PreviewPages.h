#pragma once

#include <optional>
#include <string>

namespace report {

// The pages a preview shows and their size: a report printer's page store, or a saved report
// file opened on its own.
class PreviewPages
{
public:
    virtual ~PreviewPages() = default;

    virtual int PageTotal() const = 0;
    // A new copy of page n's picture (an enhanced metafile); none outside 1..PageTotal.
    virtual std::optional<std::string> PageImage(int n) const = 0;
    // The paper for the pages' orientation, native units.
    virtual int PaperWidthNative() const = 0;
    virtual int PaperLengthNative() const = 0;
    // Screen pixels of a native length.
    virtual int DeviceWidth(long double w) const = 0;
    virtual int DeviceHeight(long double h) const = 0;
};

} // namespace report
