#include "app/ReportTools.h"

#include "gfx/EmfPlayer.h"
#include "gfx/QtCanvas.h"
#include "report/store/ReportFileHeader.h"
#include "report/store/TRpPageList.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstring>
#include <stdexcept>

namespace app {

namespace {

std::unique_ptr<report::TRpPageList> open(const std::string& path)
{
    return report::TRpPageList::OpenReportFile(QString::fromStdString(path));
}

// The picture's bounds from its EMF header (rclBounds), in pixels.
gfx::Rect pictureBounds(const std::string& emf)
{
    int32_t b[4] = {0, 0, 0, 0};
    if (emf.size() >= 24)
        std::memcpy(b, emf.data() + 8, sizeof b);
    if (b[2] <= b[0] || b[3] <= b[1])
        throw std::runtime_error("the page picture has no size");
    return {0, 0, b[2] - b[0] + 1, b[3] - b[1] + 1};
}

bool endsWith(const std::string& s, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return s.size() >= n && QString::fromStdString(s.substr(s.size() - n))
                                    .compare(QString::fromLatin1(suffix), Qt::CaseInsensitive) == 0;
}

} // namespace

void reportInfo(const std::string& path, std::ostream& out)
{
    auto store = open(path);
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
    for (const auto& r : store->Records())
        out << "page " << r.page << "\toffset " << r.offset << "\tpicture bytes " << r.metafileBytes
            << '\n';
}

void reportRender(const std::string& path, int page, const std::string& outPath)
{
    auto store = open(path);
    const std::optional<std::string> emf = store->LoadPage(page);
    if (!emf)
        throw std::runtime_error("the file has no page " + std::to_string(page));
    const QString out = QString::fromStdString(outPath);
    if (endsWith(outPath, ".emf")) {
        QFile f(out);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(emf->data(), qint64(emf->size())) != qint64(emf->size()))
            throw std::runtime_error("cannot write " + outPath);
        return;
    }
    const gfx::Rect bounds = pictureBounds(*emf);
    if (endsWith(outPath, ".png")) {
        const QImage image = gfx::playToImage(*emf, bounds.width(), bounds.height());
        if (!image.save(out, "PNG"))
            throw std::runtime_error("cannot write " + outPath);
        return;
    }
    if (endsWith(outPath, ".svg")) {
        QSvgGenerator svg;
        svg.setFileName(out);
        svg.setSize(QSize(bounds.width(), bounds.height()));
        svg.setViewBox(QRect(0, 0, bounds.width(), bounds.height()));
        svg.setResolution(96);
        QPainter painter;
        if (!painter.begin(&svg))
            throw std::runtime_error("cannot write " + outPath);
        {
            gfx::QtCanvas canvas(&painter, 96);
            gfx::EmfPlayer(canvas).play(*emf, bounds);
        }
        painter.end();
        return;
    }
    throw std::runtime_error("--out wants a .png, .svg or .emf file, not " + outPath);
}

} // namespace app
