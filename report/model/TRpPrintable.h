#pragma once

#include "gfx/Color.h"
#include "gfx/Types.h"
#include "report/model/TRpComponent.h"
#include "report/model/TRpFrame.h"
#include "report/model/TRpPrintableSize.h"

namespace report {

class TRpBand;
class TRpPrinter;
class TRpReport;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// What a printable is told by the report's controller.
enum class TRpNotifyOperation { DataAdvance };

// The base of everything a report prints. Its position lives in `size()` (native units) and is
// mirrored into pixel bounds at the screen resolution and the report's zoom.
class TRpPrintable : public TRpComponent
{
public:
    // Pixel size of a printable before it gets a size of its own.
    static constexpr int initialPixelSize = 10;

    TRpPrintable();
    ~TRpPrintable() override;
    TRpPrintable(const TRpPrintable&) = delete;
    TRpPrintable& operator=(const TRpPrintable&) = delete;

    TRpPrintableSize& size() { return m_size; }
    const TRpPrintableSize& size() const { return m_size; }

    TRpFrame frame;
    bool enabled = true;
    bool visible = true;
    gfx::Color color = gfx::clWhite;

    TAlignment alignment() const { return m_alignment; }
    virtual void setAlignment(TAlignment alignment);
    bool alignToBand() const { return m_alignToBand; }
    void setAlignToBand(bool alignToBand);
    bool transparent() const { return m_transparent; }
    void setTransparent(bool transparent) { m_transparent = transparent; }

    // The report this printable prints on (its parent's report when it sits on a band).
    TRpReport* report() const { return m_report; }
    TRpBand* band() const { return m_band; }
    bool hasParent() const { return m_report || m_band; }
    // Parenting, done by the report or the band that takes the printable.
    virtual void setParentReport(TRpReport* report);
    virtual void setParentBand(TRpBand* band);

    // Pixel bounds on the report's client area (or the band's).
    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    gfx::Rect bounds() const { return gfx::Bounds(m_left, m_top, m_width, m_height); }
    // A change of the pixel bounds from outside the size: the size follows.
    void setBounds(int left, int top, int width, int height);

    // Loading a stored layout: pixel bounds seen meanwhile are only remembered, and
    // Loaded() settles them against the size.
    void beginLoading() { m_loading = true; }
    bool loading() const { return m_loading; }
    virtual void Loaded();

    // Zoom of the report, applied to the size.
    void setZoom(int zoom) { m_size.setZoom(zoom); }

    virtual bool IsPrintEnabled() const;
    void ApplyBandAlignment();
    // Called around every run of the report.
    virtual void PrepareForRun();
    virtual void EndRun();
    // Draws on the report printer's page canvas at the size plus the offset (native units).
    virtual void PrintAt(long double offsetX, long double offsetY);
    virtual void NotifyPrintable(TRpNotifyOperation operation);

    TRpPrinter* printer() const { return m_printer; }

    // The size changed: recompute the pixel bounds from it.
    void boundsFromSize();

protected:
    // The size moved by an offset, native.
    struct NativeRect
    {
        long double left;
        long double top;
        long double width;
        long double height;
    };
    NativeRect placedAt(long double offsetX, long double offsetY) const;
    // The device rectangle of a native rectangle on the printer.
    gfx::Rect deviceRect(const NativeRect& r) const
    {
        return deviceRect(r.left, r.top, r.width, r.height);
    }

    // A printable whose pixel bounds start at another size than the base's.
    TRpPrintable(int initialWidth, int initialHeight);

    // A pixel change made by the printable itself (alignment, auto-size).
    void changeBounds(int left, int top, int width, int height);
    // Whether the run draws (a measuring pass draws nothing).
    bool paintPass() const;
    // The device rectangle of a native rectangle on the printer.
    gfx::Rect deviceRect(long double left, long double top, long double width,
                         long double height) const;
    virtual void boundsChanged() {}

    TRpPrinter* m_printer = nullptr;

private:
    int parentPixelWidth() const;
    void sizeFromBounds();

    TRpPrintableSize m_size;
    TRpReport* m_report = nullptr;
    TRpBand* m_band = nullptr;
    TAlignment m_alignment = taLeftJustify;
    bool m_alignToBand = false;
    bool m_transparent = true;
    int m_left = 0;
    int m_top = 0;
    int m_width = initialPixelSize;
    int m_height = initialPixelSize;
    int m_loadedLeft = 0;
    int m_loadedTop = 0;
    int m_loadedWidth = 0;
    int m_loadedHeight = 0;
    bool m_loading = false;
    bool m_aligning = false;
    bool m_writingSize = false;
};

} // namespace report
