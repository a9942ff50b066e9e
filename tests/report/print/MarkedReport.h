#pragma once

#include "report/model/TRpReport.h"

#include <QImage>
#include <QRect>

// A report whose every page is told apart by one black box: the box of page n lies
// (n − 1) × markStep below that of page 1, so a printed or previewed page shows its number by
// where its box is.
class MarkedReport
{
public:
    // Native units.
    static constexpr long double markLeft = 300;
    static constexpr long double markWidth = 600;
    static constexpr long double markHeight = 150;
    static constexpr long double firstMarkTop = 300;
    static constexpr long double markStep = 400;

    explicit MarkedReport(int pages, report::TRpReport::DeviceFactory devices = {});

    report::TRpReport report;

    // The page whose box starts `topMM` millimetres below the top of the paper; 0 when none does.
    static int pageOfMarkTop(double topMM);

private:
    int m_pages;
    int m_record = 0;
};

// The smallest rectangle holding every dark pixel of `image`; empty when there is none.
QRect inkBounds(const QImage& image);
