#include "report/model/TRpBandSize.h"

#include "report/model/TRpBand.h"
#include "report/model/TRpReport.h"

namespace report {

TRpBandSize::TRpBandSize(TRpBand* owner) : TRpUnitBase({0, 0}), m_owner(owner) {}

void TRpBandSize::SetParentSizes()
{
    if (m_owner)
        m_owner->boundsFromSize();
}

long double TRpBandSize::fontPoints() const
{
    if (m_owner && m_owner->report())
        return m_owner->report()->font().size;
    return TRpUnitBase::fontPoints();
}

} // namespace report
