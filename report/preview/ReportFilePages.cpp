#include "report/preview/ReportFilePages.h"

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
    // Every later page is read once now, record by record, so that a damaged one refuses the
    // file here rather than failing when it is paged to.
    for (int n = 2; n <= m_pages->StoredPages(); ++n)
        m_pages->LoadPage(n);
    const gfx::Rect& frame = reader.header().frame;
    m_paperWidth =
        Round((static_cast<long double>(frame.right) - frame.left) / frameUnitsPerNative);
    m_paperLength =
        Round((static_cast<long double>(frame.bottom) - frame.top) / frameUnitsPerNative);
}

ReportFilePages::~ReportFilePages() = default;

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
