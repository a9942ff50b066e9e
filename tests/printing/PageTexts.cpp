#include "tests/printing/PageTexts.h"

#include "gfx/EmfPlayer.h"
#include "gfx/RecordingCanvas.h"
#include "report/model/TRpPrintable.h"
#include "report/model/TRpReport.h"
#include "text/Cp949.h"

#include <QDir>
#include <QImage>
#include <cmath>

namespace testsupport {

namespace {

// A4 at 96 pixels per inch.
const gfx::Rect paper{0, 0, 794, 1123};

std::string trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

PagePicture playPage(const report::TRpReport& report, int page)
{
    const report::TRpPrinter* printer = report.RpPrinter();
    if (!printer)
        return {};
    const auto emf = printer->PageImage(page);
    return emf ? playPicture(*emf) : PagePicture();
}

PagePicture playPicture(const std::string& emf)
{
    PagePicture result;
    gfx::RecordingCanvas canvas;
    gfx::EmfPlayer player(canvas);
    if (!player.play(emf, paper))
        return result;
    for (const gfx::DrawCall& call : canvas.calls()) {
        if (call.kind == gfx::DrawCall::Kind::ExtTextOut && !call.text.empty()) {
            // The middle of the text, wherever its alignment puts the reference point.
            canvas.font = call.font;
            const int width = canvas.TextExtent(call.text).cx;
            int middle = call.x + width / 2;
            if ((call.textAlign & gfx::TA_CENTER) == gfx::TA_CENTER)
                middle = call.x;
            else if (call.textAlign & gfx::TA_RIGHT)
                middle = call.x - width / 2;
            const int left = middle - width / 2;
            result.texts.push_back({middle, call.y, text::fromCp949(call.text).toStdString(), left,
                                    left + width, call.font});
        }
        if (call.kind == gfx::DrawCall::Kind::StretchDraw)
            ++result.pictures;
    }
    result.valid = true;
    return result;
}

void saveForLooking(const report::TRpReport& report, int page, const std::string& name, int dpi)
{
    const QByteArray dir = qgetenv("MIROLA_RENDER_DIR");
    const report::TRpPrinter* printer = report.RpPrinter();
    if (dir.isEmpty() || !printer)
        return;
    const auto emf = printer->PageImage(page);
    if (!emf)
        return;
    const int w = int(std::lround(210 / 25.4 * dpi)), h = int(std::lround(297 / 25.4 * dpi));
    gfx::playToImage(*emf, w, h, dpi)
        .save(QDir(QString::fromLocal8Bit(dir))
                  .filePath(QString::fromStdString(name + "-" + std::to_string(dpi) + ".png")));
}

std::string textIn(const PagePicture& page, const gfx::Rect& r)
{
    std::string joined;
    for (const PageText& t : page.texts)
        if (t.x >= r.left && t.x < r.right && t.y >= r.top - 1 && t.y < r.bottom)
            joined += t.text;
    return trimmed(joined);
}

gfx::Rect boundsOf(const report::TRpReport& report, const std::string& name)
{
    const auto* p = report.find<report::TRpPrintable>(name);
    return p ? p->bounds() : gfx::Rect{};
}

bool pageShows(const PagePicture& page, const std::string& utf8)
{
    for (const PageText& t : page.texts)
        if (t.text.find(utf8) != std::string::npos)
            return true;
    return false;
}

} // namespace testsupport
