#pragma once

#include "gfx/Canvas.h"
#include "gfx/EmfReader.h"

#include <QImage>
#include <QSizeF>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

// Plays an enhanced metafile onto any Canvas, its frame stretched into a destination
// rectangle. Every record is checked first (EmfReader); records the player does not know are
// skipped. It understands what EmfCanvas writes and the records a page picture from the
// platform commonly holds: mapping modes, window and viewport, world transforms, saved
// states, pens, brushes, fonts, stock objects, lines, shapes, polygons, texts (UTF-16 and
// 8-bit), clipping, pattern fills and device-independent bitmaps.
class EmfPlayer;

// Page pictures are drawn up to the largest paper the engine knows, the E sheet, whose long
// side is 44 inches; a picture claiming more is refused rather than given the memory it asks.
constexpr int maxPaperInches = 44;
constexpr int maxPaperPixels(int dpi)
{
    return maxPaperInches * dpi;
}
// The paper of a page picture in pixels at `dpi`, as its header claims it: the frame, or
// without one the bounds (edges included, taken at the screen's resolution); not rounded.
QSizeF claimedPaperPixels(const EmfHeader& header, int dpi);
// The same in whole pixels; none when a side is not positive or longer than maxPaperPixels.
std::optional<Size> paperPixels(const EmfHeader& header, int dpi);

// A metafile played over a white picture of width x height pixels at `dpi` (makeImage); a
// null image when it fails the checks, with the reason in `error` when given.
QImage playToImage(std::string_view emf, int width, int height, int dpi = ScreenDpi,
                   std::string* error = nullptr);

class EmfPlayer
{
public:
    explicit EmfPlayer(Canvas& target) : m_target(target) {}

    // Returns false, drawing nothing, when the metafile fails the checks; error() says why.
    bool play(std::string_view emf, const Rect& dest);
    const std::string& error() const { return m_error; }

private:
    struct PointD
    {
        double x = 0;
        double y = 0;
    };
    struct Xform
    {
        double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
        PointD apply(PointD p) const
        {
            return {m11 * p.x + m21 * p.y + dx, m12 * p.x + m22 * p.y + dy};
        }
        Xform then(const Xform& o) const; // this transform followed by `o`
    };
    struct LogPen
    {
        uint32_t style = 0; // PS_SOLID
        double width = 0;   // logical units; 0 draws one pixel
        uint32_t color = 0;
    };
    struct LogBrush
    {
        bool clear = false;
        uint32_t color = 0xFFFFFF;
    };
    struct LogFont
    {
        int height = -16; // logical units, the platform's convention
        int weight = 400;
        bool italic = false, underline = false, strikeOut = false;
        int charset = 1;
        int pitch = 0;
        std::string face = "System"; // cp949
    };
    struct Object
    {
        enum Kind { None, PenObject, BrushObject, FontObject } kind = None;
        LogPen pen;
        LogBrush brush;
        LogFont font;
    };
    struct State
    {
        LogPen pen;
        LogBrush brush;
        LogFont font;
        uint32_t textColor = 0;
        uint32_t bkColor = 0xFFFFFF;
        bool bkOpaque = true;
        uint32_t textAlign = 0;
        uint32_t mapMode = 1; // MM_TEXT
        PointD windowOrg, viewportOrg;
        PointD windowExt{1, 1}, viewportExt{1, 1};
        Xform world;
        std::optional<Rect> clip; // destination pixels
        PointD position;          // logical
        bool inPath = false;
    };

    void playRecord(const EmfRecord& r);
    // One family of records each; false for a record of another family.
    bool playStateRecord(const EmfRecord& r);
    bool playObjectRecord(const EmfRecord& r);
    bool playDrawingRecord(const EmfRecord& r);
    bool playLineRecord(const EmfRecord& r);
    bool playShapeRecord(const EmfRecord& r);
    bool playBitmapRecord(const EmfRecord& r);
    bool playRegionRecord(const EmfRecord& r);
    bool playTextRecord(const EmfRecord& r);
    // Logical point to destination pixels, and the scale of logical lengths there.
    PointD toDevice(PointD logical) const;
    // The advances of a text record's characters in destination pixels; none when the
    // record gives none.
    std::vector<int> textAdvances(const EmfRecord& r, uint64_t chars, Point at, bool pairs) const;
    Point toDest(PointD logical) const;
    Point deviceToDest(PointD device) const;
    Rect rectToDest(const Rect& logical) const;
    Rect rectToDest(double left, double top, double right, double bottom) const;
    double scaleX() const;
    double scaleY() const;
    void applyClip();
    void usePen();
    void useBrush(const LogBrush& b);
    void useFont();
    Object* objectAt(uint32_t handle);
    void selectObject(uint32_t handle);
    void createObject(uint32_t handle, const Object& o);
    std::vector<Point> points(const EmfRecord& r, uint64_t countAt, uint64_t pointsAt, bool small);
    void polyPoly(const EmfRecord& r, bool small, bool polygons);
    void text(const EmfRecord& r, bool wide);
    // Where a bitmap goes (logical units) and which part of it (bitmap pixels).
    struct Place
    {
        double left, top, right, bottom;
        int xSrc, ySrc, cxSrc, cySrc;
    };
    void bitmap(const EmfRecord& r, const Place& place, uint64_t offBmiAt, bool bottomUpOrigin);
    void clipRegion(const EmfRecord& r);

    Canvas& m_target;
    std::string m_error;
    EmfHeader m_header;
    Rect m_dest;
    double m_sourceLeft = 0, m_sourceTop = 0; // the picture's top-left, device pixels
    double m_destScaleX = 1, m_destScaleY = 1;
    State m_state;
    std::vector<State> m_saved;
    std::vector<Object> m_objects;
    std::optional<Rect> m_appliedClip;
};

} // namespace gfx
