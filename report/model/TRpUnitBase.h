#pragma once

#include "report/model/Units.h"

#include <vector>

namespace report {

// A set of lengths kept in native units and read and written in the current unit kind. The
// streamed `Values` are always native, in the fixed order of the descendant.
class TRpUnitBase
{
public:
    explicit TRpUnitBase(std::vector<long double> initialNative);
    virtual ~TRpUnitBase() = default;
    TRpUnitBase(const TRpUnitBase&) = delete;
    TRpUnitBase& operator=(const TRpUnitBase&) = delete;

    TRpUnit units() const { return m_units; }
    virtual void SetUnits(TRpUnit units);
    // A temporary switch of the unit kind, undone by restoreUnits().
    void saveUnits() { m_savedUnits = m_units; }
    void restoreUnits() { SetUnits(m_savedUnits); }

    int resolution() const { return m_resolution; }
    int zoom() const { return m_zoom; }
    void setZoom(int zoom);

    // Native to the current unit kind and back, for the value at `index`.
    long double LoadUnit(int index, long double native) const;
    long double SaveUnit(int index, long double value) const;

    int count() const { return int(m_values.size()); }
    // In the current unit kind. Writing a value the descendant does not accept is ignored.
    long double value(int index) const;
    void setValue(int index, long double value);
    long double nativeValue(int index) const;
    void setNativeValue(int index, long double native);

    // The streamed form. Reading takes as many values as both sides have.
    const std::vector<long double>& Values() const { return m_values; }
    void ReadValues(const std::vector<long double>& values);

    // Pixels of the value at `index` at this set's resolution and zoom, before rounding.
    long double pixels(int index) const;
    // The native value of `pixels` at this set's resolution and zoom.
    long double nativeOfPixels(int pixels) const;

protected:
    virtual bool isVertical(int index) const = 0;
    virtual bool acceptsValue(int index) const { return true; }
    // Writes the owner's pixel bounds from the values.
    virtual void SetParentSizes() {}
    virtual long double fontPoints() const { return 10; }
    void updateParent();

    UnitScale scale() const { return {m_resolution, m_zoom, fontPoints()}; }

private:
    std::vector<long double> m_values;
    TRpUnit m_units;
    TRpUnit m_savedUnits;
    int m_resolution;
    int m_zoom = 100;
    bool m_updatingParent = false; // set while SetParentSizes runs, so it does not recurse
};

} // namespace report
