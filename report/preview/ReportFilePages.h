#pragma once

#include "report/preview/PreviewPages.h"

#include <QString>
#include <memory>

namespace report {

class TRpPageList;

// The pages of a saved report file, opened read-only. The file keeps no paper size, so the
// pages take the size of the first page's picture; they are shown at the screen's resolution.
class ReportFilePages : public PreviewPages
{
public:
    // Opens the file and reads every page once; throws the store's errors (EStreamError,
    // EReportFileError) for a file that cannot be read or holds a damaged page.
    explicit ReportFilePages(const QString& fileName);
    ~ReportFilePages() override;

    int PageTotal() const override;
    std::optional<std::string> PageImage(int n) const override;
    int PaperWidthNative() const override { return m_paperWidth; }
    int PaperLengthNative() const override { return m_paperLength; }
    int DeviceWidth(long double w) const override;
    int DeviceHeight(long double h) const override;

private:
    std::unique_ptr<TRpPageList> m_pages;
    int m_paperWidth = 0;
    int m_paperLength = 0;
};

} // namespace report
