#include "report/model/TRpUnitBase.h"

#include "report/model/LocaleDefaults.h"

namespace report {

TRpUnitBase::TRpUnitBase(std::vector<long double> initialNative)
    : m_values(std::move(initialNative)), m_units(defaultUnits()), m_savedUnits(m_units),
      m_resolution(gfx::ScreenDpi)
{
}

void TRpUnitBase::SetUnits(TRpUnit units)
{
    m_units = units;
}

void TRpUnitBase::setZoom(int zoom)
{
    if (zoom <= 0 || zoom == m_zoom)
        return;
    m_zoom = zoom;
    updateParent();
}

long double TRpUnitBase::LoadUnit(int index, long double native) const
{
    return nativeToUnit(native, m_units, isVertical(index), scale());
}

long double TRpUnitBase::SaveUnit(int index, long double value) const
{
    return unitToNative(value, m_units, isVertical(index), scale());
}

long double TRpUnitBase::value(int index) const
{
    return LoadUnit(index, nativeValue(index));
}

void TRpUnitBase::setValue(int index, long double value)
{
    setNativeValue(index, SaveUnit(index, value));
}

long double TRpUnitBase::nativeValue(int index) const
{
    if (index < 0 || index >= count())
        return 0;
    return m_values[size_t(index)];
}

void TRpUnitBase::setNativeValue(int index, long double native)
{
    if (index < 0 || index >= count() || !acceptsValue(index))
        return;
    m_values[size_t(index)] = native;
    updateParent();
}

void TRpUnitBase::ReadValues(const std::vector<long double>& values)
{
    for (size_t i = 0; i < values.size() && i < m_values.size(); ++i)
        m_values[i] = values[i];
    updateParent();
}

long double TRpUnitBase::pixels(int index) const
{
    return nativeToPixels(nativeValue(index), m_resolution, m_zoom);
}

long double TRpUnitBase::nativeOfPixels(int pixels) const
{
    return pixelsToNative(pixels, m_resolution, m_zoom);
}

void TRpUnitBase::updateParent()
{
    if (m_updatingParent)
        return;
    m_updatingParent = true;
    SetParentSizes();
    m_updatingParent = false;
}

} // namespace report
