#pragma once

#include "report/model/TRpUnitBase.h"

namespace report {

class TRpPrintable;

// Position and size of a printable, measured from its parent's top-left corner.
class TRpPrintableSize : public TRpUnitBase
{
public:
    // The streamed order of the values.
    enum Index { HeightIndex, LeftIndex, TopIndex, WidthIndex };

    // Each value starts at this many native units.
    static constexpr long double initialNative = 20;

    explicit TRpPrintableSize(TRpPrintable* owner);

    long double height() const { return value(HeightIndex); }
    void setHeight(long double v) { setValue(HeightIndex, v); }
    long double left() const { return value(LeftIndex); }
    void setLeft(long double v) { setValue(LeftIndex, v); }
    long double top() const { return value(TopIndex); }
    void setTop(long double v) { setValue(TopIndex, v); }
    long double width() const { return value(WidthIndex); }
    void setWidth(long double v) { setValue(WidthIndex, v); }

    // Sets all four in the current unit kind.
    void setRect(long double left, long double top, long double width, long double height);

protected:
    bool isVertical(int index) const override;
    void SetParentSizes() override;
    long double fontPoints() const override;

private:
    TRpPrintable* m_owner;
};

} // namespace report
