#include "app/ReportTools.h"

#include "gfx/EmfPlayer.h"
#include "gfx/QtCanvas.h"
#include "report/store/ReportFileHeader.h"
#include "report/store/TRpPageList.h"
#include "report/store/WholeFile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgGenerator>
#include <cstring>
#include <stdexcept>

namespace app {

namespace {

std::unique_ptr<report::TRpPageList> open(const std::string& path)
{
    return report::TRpPageList::OpenReportFile(QFile::decodeName(path.c_str()));
}

bool endsWith(const std::string& s, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return s.size() >= n && QString::fromStdString(s.substr(s.size() - n))
                                    .compare(QString::fromLatin1(suffix), Qt::CaseInsensitive) == 0;
}

// The page's paper at the screen's resolution; a picture claiming a larger one is refused
// rather than given the memory and time it asks for.
gfx::Size pageSize(const std::string& emf, int page)
{
    gfx::EmfHeader header;
    std::string error;
    if (!gfx::EmfReader::readHeader(emf, header, &error))
        throw std::runtime_error("page " + std::to_string(page) + ": " + error);
    const std::optional<gfx::Size> size = gfx::paperPixels(header, gfx::ScreenDpi);
    if (!size) {
        const QSizeF claimed = gfx::claimedPaperPixels(header, gfx::ScreenDpi);
        throw std::runtime_error(
            "page " + std::to_string(page) + "'s picture claims a paper of " +
            QString::asprintf("%.0f x %.0f", claimed.width(), claimed.height()).toStdString() +
            " pixels; a page is drawn at 1 to " +
            std::to_string(gfx::maxPaperPixels(gfx::ScreenDpi)) + " pixels a side");
    }
    return *size;
}

// The output is made in memory, then written under a temporary name and renamed over
// `outPath` once every byte is there, so a failed render leaves no file, nor a cut one; a
// failure names `outPath` and the system's reason.
void writeOutput(const std::string& outPath, const QByteArray& bytes)
{
    report::WholeFile file(QFile::decodeName(outPath.c_str()));
    if (!file.open() || !file.write(bytes.constData(), bytes.size()) || !file.commit())
        throw std::runtime_error("cannot write " + outPath + ": " +
                                 file.errorString().toStdString());
}

QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw std::runtime_error("the page cannot be coded as PNG: " +
                                 writer.errorString().toStdString());
    return bytes;
}

QByteArray svgOf(const std::string& emf, const gfx::Size& size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(size.cx, size.cy));
    svg.setViewBox(QRect(0, 0, size.cx, size.cy));
    svg.setResolution(gfx::ScreenDpi);
    QPainter painter;
    if (!painter.begin(&svg))
        throw std::runtime_error("the page cannot be drawn as SVG");
    {
        gfx::QtCanvas canvas(&painter, gfx::ScreenDpi);
        gfx::EmfPlayer(canvas).play(emf, {0, 0, size.cx, size.cy});
    }
    if (!painter.end())
        throw std::runtime_error("the page cannot be drawn as SVG");
    return bytes;
}

} // namespace

void reportInfo(const std::string& path, std::ostream& out)
{
    auto store = open(path);
    const std::vector<report::TRpPageList::PageRecord> records = store->Records();
    // Every page is decoded and its picture checked, so a damaged one is told before any line.
    for (const auto& r : records)
        store->LoadPage(r.page);
    const report::ReportFileHeader h = store->Header();
    out << "layout version\t" << h.LayoutVersion << '\n'
        << "engine version\t" << h.EngineVersion << '\n'
        << "header bytes\t" << h.size << '\n'
        << "paper code\t" << int(h.PaperCode) << '\n'
        << "orientation\t" << int(h.Orientation) << '\n'
        << "compressed\t" << int(h.Compressed) << '\n'
        << "created\t" << report::fromReportDate(h.Created).toString(Qt::ISODate).toStdString()
        << '\n'
        << "pages\t" << h.PageCount << '\n';
    for (const auto& r : records)
        out << "page " << r.page << "\toffset " << r.offset << "\tpicture bytes " << r.metafileBytes
            << '\n';
}

void reportRender(const std::string& path, int page, const std::string& outPath)
{
    const bool emfOut = endsWith(outPath, ".emf"), pngOut = endsWith(outPath, ".png"),
               svgOut = endsWith(outPath, ".svg");
    if (!emfOut && !pngOut && !svgOut)
        throw std::runtime_error("--out wants a .png, .svg or .emf file, not " + outPath);
    auto store = open(path);
    const std::optional<std::string> emf = store->LoadPage(page);
    if (!emf)
        throw std::runtime_error("the file has no page " + std::to_string(page));
    if (emfOut) {
        writeOutput(outPath, QByteArray(emf->data(), qsizetype(emf->size())));
        return;
    }
    const gfx::Size size = pageSize(*emf, page);
    if (pngOut) {
        const QImage image = gfx::playToImage(*emf, size.cx, size.cy);
        if (image.isNull())
            throw std::runtime_error("page " + std::to_string(page) + " cannot be drawn");
        writeOutput(outPath, pngOf(image));
        return;
    }
    writeOutput(outPath, svgOf(*emf, size));
}

} // namespace app
