#include "report/model/TRpPrintable.h"

#include "report/model/Rounding.h"
#include "report/model/TRpBand.h"
#include "report/model/TRpPrinter.h"
#include "report/model/TRpReport.h"

namespace report {

TRpPrintable::TRpPrintable() : m_size(this) {}

TRpPrintable::TRpPrintable(int initialWidth, int initialHeight)
    : m_size(this), m_width(initialWidth), m_height(initialHeight)
{
}

TRpPrintable::~TRpPrintable() = default;

void TRpPrintable::setAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    ApplyBandAlignment();
}

void TRpPrintable::setAlignToBand(bool alignToBand)
{
    m_alignToBand = alignToBand;
    ApplyBandAlignment();
}

void TRpPrintable::setParentReport(TRpReport* report)
{
    const gfx::Rect kept = bounds();
    m_band = nullptr;
    m_report = report;
    if (!report)
        return;
    m_size.SetUnits(report->units());
    m_size.setZoom(report->zoom());
    if (bounds() != kept)
        setBounds(kept.left, kept.top, kept.width(), kept.height());
}

void TRpPrintable::setParentBand(TRpBand* band)
{
    m_band = band;
    m_report = band ? band->report() : nullptr;
    if (!band)
        return;
    m_size.SetUnits(band->size().units());
    m_size.setZoom(band->size().zoom());
}

void TRpPrintable::setBounds(int left, int top, int width, int height)
{
    if (m_loading) {
        m_loadedLeft = left;
        m_loadedTop = top;
        m_loadedWidth = width;
        m_loadedHeight = height;
        return;
    }
    changeBounds(left, top, width, height);
}

void TRpPrintable::changeBounds(int left, int top, int width, int height)
{
    const bool changed = left != m_left || top != m_top || width != m_width || height != m_height;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (!changed)
        return;
    sizeFromBounds();
    ApplyBandAlignment();
    boundsChanged();
}

void TRpPrintable::sizeFromBounds()
{
    // Only the values whose pixels changed are rewritten, so the others keep their exact
    // native value.
    m_writingSize = true;
    const int pixels[] = {m_height, m_left, m_top, m_width}; // in the size's streamed order
    for (int i = 0; i < m_size.count(); ++i)
        if (Round(m_size.pixels(i)) != pixels[i])
            m_size.setNativeValue(i, m_size.nativeOfPixels(pixels[i]));
    m_writingSize = false;
}

void TRpPrintable::boundsFromSize()
{
    if (m_writingSize)
        return;
    m_left = Round(m_size.pixels(TRpPrintableSize::LeftIndex));
    m_top = Round(m_size.pixels(TRpPrintableSize::TopIndex));
    m_width = Round(m_size.pixels(TRpPrintableSize::WidthIndex));
    m_height = Round(m_size.pixels(TRpPrintableSize::HeightIndex));
    ApplyBandAlignment();
    boundsChanged();
}

void TRpPrintable::Loaded()
{
    m_loading = false;
    m_writingSize = false;
    boundsFromSize();
    const int left = m_left == 0 && m_loadedLeft != 0 ? m_loadedLeft : m_left;
    const int top = m_top == 0 && m_loadedTop != 0 ? m_loadedTop : m_top;
    const int width = m_width == 0 && m_loadedWidth != 0 ? m_loadedWidth : m_width;
    const int height = m_height == 0 && m_loadedHeight != 0 ? m_loadedHeight : m_height;
    changeBounds(left, top, width, height);
}

int TRpPrintable::parentPixelWidth() const
{
    if (m_band)
        return m_band->pixelWidth();
    if (m_report)
        return m_report->pixelWidth();
    return 0;
}

void TRpPrintable::ApplyBandAlignment()
{
    if (!m_alignToBand || m_aligning || m_loading)
        return;
    m_aligning = true;
    int left = m_left;
    if (m_alignment == taLeftJustify)
        left = 0;
    else if (m_band && m_alignment == taRightJustify)
        left = parentPixelWidth() - m_width;
    else if (m_band && m_alignment == taCenter)
        left = (parentPixelWidth() - m_width) / 2;
    if (left != m_left)
        changeBounds(left, m_top, m_width, m_height);
    m_aligning = false;
}

bool TRpPrintable::IsPrintEnabled() const
{
    return enabled || !visible;
}

void TRpPrintable::PrepareForRun()
{
    m_printer = m_report ? m_report->RpPrinter() : nullptr;
}

void TRpPrintable::EndRun()
{
    m_printer = nullptr;
}

void TRpPrintable::PrintAt(long double, long double) {}

void TRpPrintable::NotifyPrintable(TRpNotifyOperation) {}

bool TRpPrintable::paintPass() const
{
    return m_report ? m_report->paintPass() : true;
}

TRpPrintable::NativeRect TRpPrintable::placedAt(long double offsetX, long double offsetY) const
{
    return {offsetX + m_size.nativeValue(TRpPrintableSize::LeftIndex),
            offsetY + m_size.nativeValue(TRpPrintableSize::TopIndex),
            m_size.nativeValue(TRpPrintableSize::WidthIndex),
            m_size.nativeValue(TRpPrintableSize::HeightIndex)};
}

gfx::Rect TRpPrintable::deviceRect(long double left, long double top, long double width,
                                   long double height) const
{
    return {m_printer->DeviceX(left), m_printer->DeviceY(top), m_printer->DeviceX(left + width),
            m_printer->DeviceY(top + height)};
}

} // namespace report
