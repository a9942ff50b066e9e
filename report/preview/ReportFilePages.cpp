#include "report/preview/ReportFilePages.h"

#include "gfx/EmfPlayer.h"
#include "gfx/EmfReader.h"
#include "report/model/Paper.h"
#include "report/model/Rounding.h"
#include "report/model/Units.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpPageList.h"

namespace report {

namespace {

// The frame of a metafile header counts hundredths of a millimetre.
constexpr long double frameUnitsPerNative = 10;

// Screen pixels per native unit, as a page-store printer maps them.
constexpr long double screenScale = gfx::ScreenDpi / nativePerInch;

} // namespace

ReportFilePages::ReportFilePages(const QString& fileName)
    : m_pages(TRpPageList::OpenReportFile(fileName))
{
    // A file without pages shows nothing; its paper is the one pages are usually drawn on.
    const PaperDimensions a4 = paperDimensions(TRpPaperSize::A4);
    m_paperWidth = Round(a4.widthMM * nativePerMM);
    m_paperLength = Round(a4.lengthMM * nativePerMM);
    if (m_pages->StoredPages() == 0)
        return;
    const std::optional<std::string> first = m_pages->LoadPage(1);
    const gfx::EmfReader reader(first ? std::string_view(*first) : std::string_view());
    if (!reader.ok())
        throw EReportFileError("page 1 holds no readable picture: " + reader.error());
    // The paper is the picture's, within the largest the engine knows.
    const std::optional<gfx::Size> paper = gfx::paperPixels(reader.header(), int(nativePerInch));
    if (!paper) {
        const QSizeF claimed = gfx::claimedPaperPixels(reader.header(), int(nativePerInch));
        throw EReportFileError("page 1's picture claims a paper of " +
                               QString::asprintf("%.0f x %.0f mm",
                                                 double(claimed.width() / nativePerMM),
                                                 double(claimed.height() / nativePerMM))
                                   .toStdString() +
                               ", larger than the largest paper (" +
                               std::to_string(gfx::maxPaperInches) + " inches a side)");
    }
    const gfx::Rect& frame = reader.header().frame;
    const bool framed = frame.right > frame.left && frame.bottom > frame.top;
    m_paperWidth =
        framed ? Round((static_cast<long double>(frame.right) - frame.left) / frameUnitsPerNative)
               : paper->cx;
    m_paperLength =
        framed ? Round((static_cast<long double>(frame.bottom) - frame.top) / frameUnitsPerNative)
               : paper->cy;
}

ReportFilePages::~ReportFilePages()
{
    stopChecking();
}

void ReportFilePages::checkLaterPages(std::function<void(const std::string&)> damaged)
{
    if (m_checker.joinable())
        return;
    m_checker = std::thread([this, damaged = std::move(damaged)] {
        // The store takes its lock for each page, so a page shown meanwhile waits at most
        // for one.
        for (int n = 2; n <= m_pages->StoredPages() && !m_stopChecking; ++n) {
            try {
                m_pages->LoadPage(n);
            } catch (const std::exception& e) {
                damaged(e.what());
                return;
            }
        }
        m_laterPagesChecked = !m_stopChecking;
    });
}

void ReportFilePages::stopChecking()
{
    m_stopChecking = true;
    if (m_checker.joinable())
        m_checker.join();
}

int ReportFilePages::PageTotal() const
{
    return m_pages->StoredPages();
}

std::optional<std::string> ReportFilePages::PageImage(int n) const
{
    if (n < 1 || n > m_pages->StoredPages())
        return std::nullopt;
    return m_pages->LoadPage(n);
}

int ReportFilePages::DeviceWidth(long double w) const
{
    return Round(w * screenScale);
}

int ReportFilePages::DeviceHeight(long double h) const
{
    return Round(h * screenScale);
}

} // namespace report
