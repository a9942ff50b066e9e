#include "tests/report/preview/PreviewProbe.h"

#include "report/preview/TRpPreviewImage.h"
#include "tests/report/print/MarkedReport.h"

namespace {

constexpr double mmPerInch = 25.4;
constexpr int screenDpi = 96;
// The pages MarkedReport tells apart in these tests.
constexpr int markedPages = 4;
// A box pixel is drawn black; anti-aliased edges are avoided by looking at the box's centre.
constexpr int darkGray = 64;

} // namespace

QImage paintedImage(report::TRpPreviewImage& image)
{
    QImage out(image.size(), QImage::Format_ARGB32);
    out.fill(Qt::red);
    image.render(&out, QPoint(), QRegion(), QWidget::RenderFlags());
    return out;
}

int shownMark(report::TRpPreviewImage& image)
{
    const QImage page = paintedImage(image);
    const double pixelsPerMM = screenDpi / mmPerInch * image.zoom() / 100;
    const double left = double(MarkedReport::markLeft + MarkedReport::markWidth / 2) / 10;
    for (int n = 1; n <= markedPages; ++n) {
        const double top = double(MarkedReport::firstMarkTop + (n - 1) * MarkedReport::markStep +
                                  MarkedReport::markHeight / 2) /
                           10;
        const QPoint at(int(left * pixelsPerMM), int(top * pixelsPerMM));
        if (page.rect().contains(at) && qGray(page.pixel(at)) < darkGray)
            return n;
    }
    return 0;
}
