#pragma once

#include "report/preview/PreviewPages.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace report {

class TRpPageList;

// The pages of a saved report file, opened read-only. The file keeps no paper size, so the
// pages take the size of the first page's picture; they are shown at the screen's resolution.
class ReportFilePages : public PreviewPages
{
public:
    // Opens the file, checks every page record and reads page 1; throws the store's errors
    // (EStreamError, EReportFileError) for a file that cannot be read or whose records or
    // first page are damaged.
    explicit ReportFilePages(const QString& fileName);
    ~ReportFilePages() override;

    // Reads every later page once, in a thread of its own, so that page 1 shows at once and a
    // damaged later page still refuses the file; `damaged` gets the first such page's error,
    // on that thread. Ends early when the pages go.
    void checkLaterPages(std::function<void(const std::string&)> damaged);
    // Stops the check and waits for its thread.
    void stopChecking();
    // Every later page has been read and found sound.
    bool laterPagesChecked() const { return m_laterPagesChecked; }

    int PageTotal() const override;
    std::optional<std::string> PageImage(int n) const override;
    int PaperWidthNative() const override { return m_paperWidth; }
    int PaperLengthNative() const override { return m_paperLength; }
    int DeviceWidth(long double w) const override;
    int DeviceHeight(long double h) const override;

private:
    std::unique_ptr<TRpPageList> m_pages;
    std::atomic<bool> m_stopChecking = false;
    std::atomic<bool> m_laterPagesChecked = false;
    std::thread m_checker;
    int m_paperWidth = 0;
    int m_paperLength = 0;
};

} // namespace report
