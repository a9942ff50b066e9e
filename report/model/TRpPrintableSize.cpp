#include "report/model/TRpPrintableSize.h"

#include "report/model/TRpPrintable.h"
#include "report/model/TRpReport.h"

namespace report {

TRpPrintableSize::TRpPrintableSize(TRpPrintable* owner)
    : TRpUnitBase({initialNative, initialNative, initialNative, initialNative}), m_owner(owner)
{
}

void TRpPrintableSize::setRect(long double left, long double top, long double width,
                               long double height)
{
    setLeft(left);
    setTop(top);
    setWidth(width);
    setHeight(height);
}

bool TRpPrintableSize::isVertical(int index) const
{
    return index == HeightIndex || index == TopIndex;
}

void TRpPrintableSize::SetParentSizes()
{
    if (m_owner)
        m_owner->boundsFromSize();
}

long double TRpPrintableSize::fontPoints() const
{
    if (m_owner && m_owner->report())
        return m_owner->report()->font().size;
    return TRpUnitBase::fontPoints();
}

} // namespace report
