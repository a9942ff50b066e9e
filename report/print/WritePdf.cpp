#include "report/print/WritePdf.h"

#include "gfx/EmfPlayer.h"
#include "gfx/EmfReader.h"
#include "gfx/QtCanvas.h"
#include "report/model/TRpPrinter.h"
#include "report/print/PrintStoredPages.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpExportFilterLibrary.h"
#include "report/store/TRpPageList.h"
#include "report/store/WholeFile.h"
#include "text/Cp949.h"

#include <QFile>
#include <QHashFunctions>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace report {

const char* const pdfFilterDescription = "PDF file";
const char* const pdfFilterExtension = "pdf";

namespace {

// Places text and lines to a fiftieth of a millimetre; the page pictures' own pixels are
// 96 to the inch, so nothing drawn is coarsened.
constexpr int pdfDpi = 1200;
// A metafile frame counts hundredths of a millimetre.
constexpr double frameUnitsPerMM = 100;

std::string fileMessage(const char* what, const QString& fileName, const QString& reason)
{
    return std::string(what) + " \"" + text::toCp949(fileName) + "\": " + text::toCp949(reason);
}

QPageLayout layoutOf(double widthMM, double lengthMM)
{
    // A picture a hair off a standard paper (its frame is whole screen pixels) is that paper.
    const QPageSize size(QSizeF(std::min(widthMM, lengthMM), std::max(widthMM, lengthMM)),
                         QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, widthMM > lengthMM ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF());
}

// The paper of a page picture, from its frame; none when the picture cannot be read.
std::optional<QPageLayout> pictureLayout(const std::string& picture)
{
    gfx::EmfHeader header;
    if (!gfx::EmfReader::readHeader(picture, header))
        return std::nullopt;
    const gfx::Rect& frame = header.frame;
    const double width = (double(frame.right) - frame.left) / frameUnitsPerMM;
    const double length = (double(frame.bottom) - frame.top) / frameUnitsPerMM;
    if (width <= 0 || length <= 0)
        return std::nullopt;
    return layoutOf(width, length);
}

// Qt's PDF writer lays out its font objects in the order of hash tables it makes while writing;
// with the process's random hash seed the same statement made twice gives two different files.
// Archives compare them, so the writing runs on the fixed seed.
class FixedHashSeed
{
public:
    FixedHashSeed() { QHashSeed::setDeterministicGlobalSeed(); }
    ~FixedHashSeed() { QHashSeed::resetRandomGlobalSeed(); }
    FixedHashSeed(const FixedHashSeed&) = delete;
    FixedHashSeed& operator=(const FixedHashSeed&) = delete;
};

void writePages(int pageTotal, const StoredPage& pageImage, const QString& fileName,
                const std::string& title)
{
    const FixedHashSeed seed;
    WholeFile file(fileName);
    if (!file.open())
        throw EStreamError(fileMessage("Cannot create file", fileName, file.errorString()));
    {
        QPdfWriter pdf(&file.device());
        pdf.setResolution(pdfDpi);
        pdf.setCreator(u"mirola"_s);
        pdf.setTitle(text::fromCp949(title));
        // A report without pages still makes a readable document: one blank sheet.
        QPageLayout layout = layoutOf(210, 297);
        QPainter painter;
        for (int n = 1; n <= std::max(pageTotal, 1); ++n) {
            const std::optional<std::string> picture = pageImage(n);
            if (picture) {
                if (const std::optional<QPageLayout> own = pictureLayout(*picture))
                    layout = *own;
            }
            pdf.setPageLayout(layout);
            if (n == 1) {
                if (!painter.begin(&pdf))
                    throw EStreamError(
                        fileMessage("Cannot write file", fileName, file.errorString()));
            } else {
                pdf.newPage();
            }
            if (picture) {
                const QRect sheet = layout.fullRectPixels(pdfDpi);
                gfx::QtCanvas canvas(&painter, pdfDpi);
                gfx::EmfPlayer(canvas).play(*picture, {0, 0, sheet.width(), sheet.height()});
            }
        }
        painter.end();
    }
    if (!file.commit())
        throw EStreamError(fileMessage("Cannot write file", fileName, file.errorString()));
}

} // namespace

void WritePdf(TRpPageList& pages, const QString& fileName, const std::string& title)
{
    writePages(
        pages.StoredPages(), [&pages](int n) { return pages.LoadPage(n); }, fileName, title);
}

void WritePdf(const TRpPrinter& printer, const QString& fileName)
{
    if (printer.jobState() != jsFinished)
        return;
    writePages(
        printer.PageTotal(), [&printer](int n) { return printer.PageImage(n); }, fileName,
        printer.jobTitle);
}

void WritePdf(const TRpPrinter& printer, const std::string& path)
{
    WritePdf(printer, QFile::decodeName(QByteArray::fromStdString(path)));
}

void RegisterPdfExportFilter()
{
    TRpExportFilterLibrary::RegisterFilter(
        {pdfFilterDescription, pdfFilterExtension,
         [](TRpPageList& pages, const QString& fileName) { WritePdf(pages, fileName); }});
}

} // namespace report
