#include "tests/report/print/MarkedReport.h"

#include "report/model/TRpShape.h"

#include <cmath>

using namespace report;

namespace {

// How far a printed box may lie from where the page put it, in millimetres: a few pixels of
// the coarse renderings the tests read back.
constexpr double markToleranceMM = 2;
// Pixels darker than this are ink.
constexpr int inkGray = 128;

} // namespace

MarkedReport::MarkedReport(int pages, TRpReport::DeviceFactory devices)
    : report(std::move(devices)), m_pages(pages)
{
    report.page().setPaperSize(TRpPaperSize::A4);
    TRpBand& detail = report.addBand(rbDetail, "DetailBand1");
    detail.size().SetUnits(TRpUnit::Native);
    detail.size().setWidth(1900);
    detail.size().setHeight(10);
    detail.forceNewPage = true;

    auto& mark = report.add<TRpShape>("mark");
    mark.shape = rpsRectangle;
    mark.pen = {gfx::clBlack, 1, gfx::PenStyle::Solid};
    mark.brush = {gfx::clBlack, gfx::BrushStyle::Solid};
    mark.size().SetUnits(TRpUnit::Native);
    mark.size().setRect(markLeft, firstMarkTop, markWidth, markHeight);

    report.OnNeedData = [this](TRpReport&) { return m_record++ < m_pages; };
    report.OnStartPage = [&mark](TRpReport& r) {
        mark.size().SetUnits(TRpUnit::Native);
        mark.size().setTop(firstMarkTop + (r.currentPage() - 1) * markStep);
    };
    report.BeforePrint = [this](TRpReport&, bool&) { m_record = 0; };
}

int MarkedReport::pageOfMarkTop(double topMM)
{
    const double steps = (topMM * 10 - double(firstMarkTop)) / double(markStep);
    const double page = std::round(steps) + 1;
    if (std::abs(steps + 1 - page) * double(markStep) / 10 > markToleranceMM)
        return 0;
    return int(page);
}

QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < inkGray)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}
