#include "report/model/TRpPage.h"

#include "report/model/LocaleDefaults.h"
#include "report/model/TRpReport.h"

namespace report {

TRpPage::TRpPage(TRpReport* report)
    : TRpUnitBase({defaultMarginNative(), 0, defaultMarginNative(), 0, defaultMarginNative(),
                   defaultMarginNative(), 0}),
      m_report(report), m_paperSize(TRpPaperSize::Custom)
{
    setPaperSize(defaultPaperSize());
}

void TRpPage::setPaperSize(TRpPaperSize paper)
{
    const PaperDimensions dimensions = paperDimensions(paper);
    if (dimensions.known) {
        saveUnits();
        SetUnits(TRpUnit::MM);
        m_paperSize = TRpPaperSize::Custom; // so that Width and Length accept the table's values
        const bool landscape = m_orientation == poLandscape;
        setWidth(landscape ? dimensions.lengthMM : dimensions.widthMM);
        setLength(landscape ? dimensions.widthMM : dimensions.lengthMM);
        restoreUnits();
    }
    m_paperSize = paper;
}

void TRpPage::setOrientation(TPrinterOrientation orientation)
{
    m_orientation = orientation;
    setPaperSize(m_paperSize);
}

void TRpPage::setColumns(int columns)
{
    if (columns <= 0 || columns == m_columns)
        return;
    m_columns = columns;
}

bool TRpPage::isVertical(int index) const
{
    return index == BottomMarginIndex || index == LengthIndex || index == TopMarginIndex;
}

bool TRpPage::acceptsValue(int index) const
{
    if (index == WidthIndex || index == LengthIndex)
        return m_paperSize == TRpPaperSize::Custom;
    return true;
}

void TRpPage::SetParentSizes()
{
    if (m_report)
        m_report->pageSizeChanged();
}

long double TRpPage::fontPoints() const
{
    return m_report ? m_report->font().size : TRpUnitBase::fontPoints();
}

} // namespace report
