#pragma once

#include "report/model/Paper.h"
#include "report/model/TRpUnitBase.h"

namespace report {

class TRpReport;

// The report's page: paper, orientation, margins and columns.
class TRpPage : public TRpUnitBase
{
public:
    // The streamed order of the values.
    enum Index {
        BottomMarginIndex,
        LengthIndex,
        TopMarginIndex,
        WidthIndex,
        LeftMarginIndex,
        RightMarginIndex,
        ColumnSpaceIndex,
    };

    explicit TRpPage(TRpReport* report = nullptr);

    long double bottomMargin() const { return value(BottomMarginIndex); }
    void setBottomMargin(long double v) { setValue(BottomMarginIndex, v); }
    long double length() const { return value(LengthIndex); }
    void setLength(long double v) { setValue(LengthIndex, v); }
    long double topMargin() const { return value(TopMarginIndex); }
    void setTopMargin(long double v) { setValue(TopMarginIndex, v); }
    long double width() const { return value(WidthIndex); }
    void setWidth(long double v) { setValue(WidthIndex, v); }
    long double leftMargin() const { return value(LeftMarginIndex); }
    void setLeftMargin(long double v) { setValue(LeftMarginIndex, v); }
    long double rightMargin() const { return value(RightMarginIndex); }
    void setRightMargin(long double v) { setValue(RightMarginIndex, v); }
    long double columnSpace() const { return value(ColumnSpaceIndex); }
    void setColumnSpace(long double v) { setValue(ColumnSpaceIndex, v); }

    TRpPaperSize paperSize() const { return m_paperSize; }
    // Any paper but Default and Custom writes the paper table's dimensions into Width and
    // Length, exchanged in landscape.
    void setPaperSize(TRpPaperSize paper);
    TPrinterOrientation orientation() const { return m_orientation; }
    void setOrientation(TPrinterOrientation orientation);
    int columns() const { return m_columns; }
    void setColumns(int columns);

    bool ruler = true;

    TRpReport* report() const { return m_report; }

protected:
    bool isVertical(int index) const override;
    bool acceptsValue(int index) const override;
    void SetParentSizes() override;
    long double fontPoints() const override;

private:
    TRpReport* m_report;
    TRpPaperSize m_paperSize;
    TPrinterOrientation m_orientation = poPortrait;
    int m_columns = 1;
};

} // namespace report
