#pragma once

#include "report/model/TRpUnitBase.h"

namespace report {

class TRpBand;

// Height and width of a band.
class TRpBandSize : public TRpUnitBase
{
public:
    // The streamed order of the values.
    enum Index { HeightIndex, WidthIndex };

    explicit TRpBandSize(TRpBand* owner);

    long double height() const { return value(HeightIndex); }
    void setHeight(long double v) { setValue(HeightIndex, v); }
    long double width() const { return value(WidthIndex); }
    void setWidth(long double v) { setValue(WidthIndex, v); }

protected:
    bool isVertical(int index) const override { return index == HeightIndex; }
    void SetParentSizes() override;
    long double fontPoints() const override;

private:
    TRpBand* m_owner;
};

} // namespace report
