#include "gfx/EmfPlayer.h"

#include "gfx/MeasureCanvas.h"
#include "gfx/QtCanvas.h"
#include "text/Cp949.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <uemf.h>
#include <utility>

namespace gfx {

namespace {

// Coordinates beyond this many pixels are clamped so that no conversion can overflow.
constexpr double maxCoordinate = 1 << 28;
// Object handles a metafile may use; the platform's own table is 16 bits wide.
constexpr uint32_t maxHandles = 65535;
// Saved states a metafile may stack up before further saves are ignored.
constexpr size_t maxSavedStates = 1024;
// Fonts and pens beyond these sizes (destination pixels) are drawn at them; a damaged size
// must not make the target lay out glyphs of a million pixels.
constexpr int maxFontPixels = 2000;
constexpr int maxPenPixels = 1000;
// Bitmaps larger than this are skipped rather than decoded.
constexpr int64_t maxBitmapPixels = 64LL * 1024 * 1024;
constexpr uint32_t stockObject = 0x80000000;
constexpr double mmPerInch = 25.4;
// ModifyWorldTransform's mode that replaces the transform (libUEMF names only the others).
constexpr uint32_t mwtSet = 4;

int clampToInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::floor(std::clamp(v, -maxCoordinate, maxCoordinate) + 0.5));
}

Color toColor(uint32_t colorref)
{
    return colorref & 0xFFFFFF;
}

Rect normalized(Rect r)
{
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    return r;
}

std::string faceName(const EmfRecord& r, uint64_t at)
{
    std::u16string name;
    for (uint64_t i = 0; i < U_LF_FACESIZE; ++i) {
        const uint16_t c = r.u16(at + 2 * i);
        if (c == 0)
            break;
        name.push_back(char16_t(c));
    }
    return text::toCp949(
        QString(reinterpret_cast<const QChar*>(name.data()), qsizetype(name.size())));
}

PenStyle penStyleOf(uint32_t style)
{
    switch (style & U_PS_STYLE_MASK) {
    case U_PS_DASH:
        return PenStyle::Dash;
    case U_PS_DOT:
        return PenStyle::Dot;
    case U_PS_DASHDOT:
        return PenStyle::DashDot;
    case U_PS_DASHDOTDOT:
        return PenStyle::DashDotDot;
    case U_PS_NULL:
        return PenStyle::Clear;
    case U_PS_INSIDEFRAME:
        return PenStyle::InsideFrame;
    default:
        return PenStyle::Solid;
    }
}

} // namespace

EmfPlayer::Xform EmfPlayer::Xform::then(const Xform& o) const
{
    return {m11 * o.m11 + m12 * o.m21,      m11 * o.m12 + m12 * o.m22,
            m21 * o.m11 + m22 * o.m21,      m21 * o.m12 + m22 * o.m22,
            dx * o.m11 + dy * o.m21 + o.dx, dx * o.m12 + dy * o.m22 + o.dy};
}

bool EmfPlayer::play(std::string_view emf, const Rect& dest)
{
    const EmfReader reader(emf);
    if (!reader.ok()) {
        m_error = reader.error();
        return false;
    }
    m_error.clear();
    m_header = reader.header();
    m_dest = dest;
    // The picture is its frame; without one, its bounds (device pixels, edges included).
    m_sourceLeft = m_header.frameLeftPixels();
    m_sourceTop = m_header.frameTopPixels();
    double w = m_header.widthPixels(), h = m_header.heightPixels();
    if (!(w > 0) || !(h > 0)) {
        const Rect& b = m_header.bounds;
        m_sourceLeft = b.left;
        m_sourceTop = b.top;
        w = double(b.right) - b.left + 1;
        h = double(b.bottom) - b.top + 1;
    }
    if (!(w > 0) || !(h > 0) || dest.isEmpty())
        return true; // an empty picture or destination draws nothing
    m_destScaleX = dest.width() / w;
    m_destScaleY = dest.height() / h;
    m_state = State{};
    m_saved.clear();
    m_objects.assign(std::min<uint32_t>(std::max<uint32_t>(m_header.handles, 1), maxHandles),
                     Object{});
    m_appliedClip.reset();

    m_target.SaveDC();
    for (const EmfRecord& r : reader.records())
        playRecord(r);
    m_target.RestoreDC();
    return true;
}

EmfPlayer::PointD EmfPlayer::toDevice(PointD logical) const
{
    const State& s = m_state;
    const PointD page = s.world.apply(logical);
    // Reference-device pixels per millimetre, for the metric mapping modes.
    const double perMmX = m_header.pixelsPerFrameUnitX() * 100,
                 perMmY = m_header.pixelsPerFrameUnitY() * 100;
    double sx = 1, sy = 1;
    switch (s.mapMode) {
    case U_MM_LOMETRIC:
        sx = perMmX * 0.1, sy = -perMmY * 0.1;
        break;
    case U_MM_HIMETRIC:
        sx = perMmX * 0.01, sy = -perMmY * 0.01;
        break;
    case U_MM_LOENGLISH:
        sx = perMmX * 0.254, sy = -perMmY * 0.254;
        break;
    case U_MM_HIENGLISH:
        sx = perMmX * 0.0254, sy = -perMmY * 0.0254;
        break;
    case U_MM_TWIPS:
        sx = perMmX * mmPerInch / 1440, sy = -perMmY * mmPerInch / 1440;
        break;
    case U_MM_ISOTROPIC:
    case U_MM_ANISOTROPIC:
        sx = s.windowExt.x != 0 ? s.viewportExt.x / s.windowExt.x : 1;
        sy = s.windowExt.y != 0 ? s.viewportExt.y / s.windowExt.y : 1;
        if (s.mapMode == U_MM_ISOTROPIC) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    default:
        break;
    }
    return {(page.x - s.windowOrg.x) * sx + s.viewportOrg.x,
            (page.y - s.windowOrg.y) * sy + s.viewportOrg.y};
}

Point EmfPlayer::deviceToDest(PointD device) const
{
    return {clampToInt(m_dest.left + (device.x - m_sourceLeft) * m_destScaleX),
            clampToInt(m_dest.top + (device.y - m_sourceTop) * m_destScaleY)};
}

Point EmfPlayer::toDest(PointD logical) const
{
    return deviceToDest(toDevice(logical));
}

Rect EmfPlayer::rectToDest(const Rect& logical) const
{
    return rectToDest(logical.left, logical.top, logical.right, logical.bottom);
}

Rect EmfPlayer::rectToDest(double left, double top, double right, double bottom) const
{
    const Point a = toDest({left, top});
    const Point b = toDest({right, bottom});
    return normalized({a.x, a.y, b.x, b.y});
}

double EmfPlayer::scaleX() const
{
    const PointD a = toDevice({0, 0}), b = toDevice({1, 0});
    return std::hypot(b.x - a.x, b.y - a.y) * m_destScaleX;
}

double EmfPlayer::scaleY() const
{
    const PointD a = toDevice({0, 0}), b = toDevice({0, 1});
    return std::hypot(b.x - a.x, b.y - a.y) * m_destScaleY;
}

void EmfPlayer::applyClip()
{
    if (m_appliedClip == m_state.clip)
        return;
    // The target's own clipping at the start of play is kept in its saved state.
    m_target.RestoreDC();
    m_target.SaveDC();
    if (m_state.clip)
        m_target.IntersectClipRect(*m_state.clip);
    m_appliedClip = m_state.clip;
}

void EmfPlayer::usePen()
{
    const LogPen& p = m_state.pen;
    m_target.pen.style = penStyleOf(p.style);
    m_target.pen.color = toColor(p.color);
    m_target.pen.width =
        p.width <= 0 ? 1 : std::clamp(clampToInt(p.width * scaleX()), 1, maxPenPixels);
}

void EmfPlayer::useBrush(const LogBrush& b)
{
    m_target.brush.style = b.clear ? BrushStyle::Clear : BrushStyle::Solid;
    m_target.brush.color = toColor(b.color);
}

void EmfPlayer::useFont()
{
    const LogFont& f = m_state.font;
    Font font;
    font.name = f.face;
    const int scaled = std::clamp(clampToInt(f.height * scaleY()), -maxFontPixels, maxFontPixels);
    font.height = f.height == 0 ? 0 : (scaled == 0 ? (f.height < 0 ? -1 : 1) : scaled);
    font.bold = f.weight >= 600;
    font.italic = f.italic;
    font.underline = f.underline;
    font.strikeOut = f.strikeOut;
    font.charset = f.charset;
    font.pitch = (f.pitch & 3) == U_FIXED_PITCH      ? Pitch::Fixed
                 : (f.pitch & 3) == U_VARIABLE_PITCH ? Pitch::Variable
                                                     : Pitch::Default;
    font.color = toColor(m_state.textColor);
    m_target.font = font;
    m_target.bkMode = m_state.bkOpaque ? BkMode::Opaque : BkMode::Transparent;
    m_target.bkColor = toColor(m_state.bkColor);
    m_target.textAlign = m_state.textAlign & (TA_CENTER | TA_BASELINE);
}

EmfPlayer::Object* EmfPlayer::objectAt(uint32_t handle)
{
    if (handle == 0 || handle >= maxHandles)
        return nullptr;
    if (handle >= m_objects.size())
        m_objects.resize(handle + 1);
    return &m_objects[handle];
}

void EmfPlayer::createObject(uint32_t handle, const Object& o)
{
    if (Object* slot = objectAt(handle))
        *slot = o;
}

void EmfPlayer::selectObject(uint32_t handle)
{
    State& s = m_state;
    if (handle & stockObject) {
        switch (handle) {
        case U_WHITE_BRUSH:
            s.brush = {false, 0xFFFFFF};
            break;
        case U_LTGRAY_BRUSH:
            s.brush = {false, 0xC0C0C0};
            break;
        case U_GRAY_BRUSH:
            s.brush = {false, 0x808080};
            break;
        case U_DKGRAY_BRUSH:
            s.brush = {false, 0x404040};
            break;
        case U_BLACK_BRUSH:
            s.brush = {false, 0};
            break;
        case U_NULL_BRUSH:
            s.brush = {true, 0};
            break;
        case U_WHITE_PEN:
            s.pen = {U_PS_SOLID, 0, 0xFFFFFF};
            break;
        case U_BLACK_PEN:
            s.pen = {U_PS_SOLID, 0, 0};
            break;
        case U_NULL_PEN:
            s.pen = {U_PS_NULL, 0, 0};
            break;
        case U_OEM_FIXED_FONT:
        case U_ANSI_FIXED_FONT:
        case U_SYSTEM_FIXED_FONT:
            s.font = LogFont{}, s.font.pitch = U_FIXED_PITCH;
            break;
        case U_ANSI_VAR_FONT:
        case U_SYSTEM_FONT:
        case U_DEVICE_DEFAULT_FONT:
        case U_DEFAULT_GUI_FONT:
            s.font = LogFont{};
            break;
        default:
            break;
        }
        return;
    }
    const Object* o = objectAt(handle);
    if (!o)
        return;
    switch (o->kind) {
    case Object::PenObject:
        s.pen = o->pen;
        break;
    case Object::BrushObject:
        s.brush = o->brush;
        break;
    case Object::FontObject:
        s.font = o->font;
        break;
    case Object::None:
        break;
    }
}

std::vector<Point> EmfPlayer::points(const EmfRecord& r, uint64_t countAt, uint64_t pointsAt,
                                     bool small)
{
    const uint64_t count = r.u32(countAt);
    const uint64_t each = small ? 4 : 8;
    std::vector<Point> out;
    if (!r.has(pointsAt, count * each))
        return out;
    out.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t at = pointsAt + i * each;
        const double x = small ? r.i16(at) : r.i32(at);
        const double y = small ? r.i16(at + 2) : r.i32(at + 4);
        out.push_back(toDest({x, y}));
    }
    return out;
}

void EmfPlayer::polyPoly(const EmfRecord& r, bool small, bool polygons)
{
    const uint64_t polys = r.u32(24), total = r.u32(28);
    const uint64_t each = small ? 4 : 8;
    const uint64_t pointsAt = 32 + polys * 4;
    if (!r.has(32, polys * 4) || !r.has(pointsAt, total * each))
        return;
    uint64_t next = 0;
    for (uint64_t p = 0; p < polys; ++p) {
        const uint64_t n = r.u32(32 + p * 4);
        if (n > total - next)
            return;
        std::vector<Point> pts;
        pts.reserve(size_t(n));
        for (uint64_t i = 0; i < n; ++i, ++next) {
            const uint64_t at = pointsAt + next * each;
            pts.push_back(toDest({double(small ? r.i16(at) : r.i32(at)),
                                  double(small ? r.i16(at + 2) : r.i32(at + 4))}));
        }
        if (polygons)
            m_target.Polygon(pts);
        else
            m_target.Polyline(pts);
    }
}

void EmfPlayer::text(const EmfRecord& r, bool wide)
{
    const uint64_t chars = r.u32(44), offString = r.u32(48);
    const uint32_t options = r.u32(52);
    // Glyph indexes of the writer's font say nothing without that font: such text is left out.
    if (options & U_ETO_GLYPH_INDEX)
        return;
    const std::string_view raw = r.bytes(offString, chars * (wide ? 2 : 1));
    if (raw.size() != chars * (wide ? 2 : 1))
        return;
    std::string bytes;
    if (wide) {
        QString s;
        s.reserve(qsizetype(chars));
        for (uint64_t i = 0; i < chars; ++i)
            s.append(QChar(r.u16(offString + 2 * i)));
        bytes = text::toCp949(s);
    } else {
        bytes.assign(raw);
    }
    const Point at = toDest({double(r.i32(36)), double(r.i32(40))});
    std::optional<Rect> box;
    if (!(options & U_ETO_NO_RECT)) {
        const Rect logical = r.rect(56);
        if (!logical.isEmpty())
            box = rectToDest(logical);
    }
    const unsigned opts = options & (ETO_OPAQUE | ETO_CLIPPED);
    useFont();
    const std::vector<int> dx = textAdvances(r, chars, at, (options & U_ETO_PDY) != 0);
    if (dx.empty())
        m_target.ExtTextOut(at.x, at.y, box ? opts : 0u, box ? &*box : nullptr, bytes);
    else
        m_target.ExtTextOutDx(at.x, at.y, box ? opts : 0u, box ? &*box : nullptr, bytes, dx);
}

std::vector<int> EmfPlayer::textAdvances(const EmfRecord& r, uint64_t chars, Point at,
                                         bool pairs) const
{
    // The writer's advances, scaled as the positions they add up to: a text keeps the
    // character places it was laid out with at every resolution (digits stay in their boxes).
    const uint64_t offDx = r.u32(72);
    const uint64_t each = pairs ? 8 : 4;
    if (offDx == 0 || chars == 0 || !r.has(offDx, chars * each))
        return {};
    const PointD ref{double(r.i32(36)), double(r.i32(40))};
    std::vector<int> dx(size_t(chars), 0);
    double sum = 0;
    int placed = at.x;
    for (uint64_t i = 0; i < chars; ++i) {
        sum += r.i32(offDx + i * each);
        const int x = toDest({ref.x + sum, ref.y}).x;
        dx[size_t(i)] = std::max(0, x - placed);
        placed = std::max(placed, x);
    }
    return dx;
}

void EmfPlayer::bitmap(const EmfRecord& r, const Place& place, uint64_t offBmiAt,
                       bool bottomUpOrigin)
{
    const uint64_t offBmi = r.u32(offBmiAt), cbBmi = r.u32(offBmiAt + 4);
    const uint64_t offBits = r.u32(offBmiAt + 8), cbBits = r.u32(offBmiAt + 12);
    if (cbBmi < 40 || !r.has(offBmi, cbBmi) || !r.has(offBits, cbBits))
        return;
    const int64_t width = r.i32(offBmi + 4), height = std::abs(int64_t(r.i32(offBmi + 8)));
    if (width <= 0 || height <= 0 || width * height > maxBitmapPixels)
        return;
    // A BMP file of the info and the bits, for the bitmap reader.
    std::string file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    const auto total = uint32_t(14 + cbBmi + cbBits), bitsAt = uint32_t(14 + cbBmi);
    std::memcpy(&file[2], &total, 4);
    std::memcpy(&file[10], &bitsAt, 4);
    file.append(r.bytes(offBmi, cbBmi));
    file.append(r.bytes(offBits, cbBits));
    const Bitmap picture = Bitmap::fromBmp(file);
    if (picture.isEmpty())
        return;
    QImage image = picture.image();
    // The source rectangle from the image's top-left corner (a bottom-up bitmap counts its
    // rows from the bottom), kept inside the image.
    int64_t x0 = place.xSrc, x1 = int64_t(place.xSrc) + place.cxSrc;
    int64_t y0 = place.ySrc, y1 = int64_t(place.ySrc) + place.cySrc;
    if (bottomUpOrigin && r.i32(offBmi + 8) > 0)
        std::tie(y0, y1) = std::pair(height - y1, height - y0);
    const bool flipX = (x1 < x0) != (place.right < place.left);
    const bool flipY = (y1 < y0) != (place.bottom < place.top);
    if (x1 < x0)
        std::swap(x0, x1);
    if (y1 < y0)
        std::swap(y0, y1);
    x0 = std::clamp<int64_t>(x0, 0, image.width());
    x1 = std::clamp<int64_t>(x1, 0, image.width());
    y0 = std::clamp<int64_t>(y0, 0, image.height());
    y1 = std::clamp<int64_t>(y1, 0, image.height());
    if (x1 <= x0 || y1 <= y0)
        return;
    const QRect source(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
    if (source != image.rect())
        image = image.copy(source);
    if (flipX || flipY)
        image = image.mirrored(flipX, flipY);
    const Rect target = rectToDest(place.left, place.top, place.right, place.bottom);
    if (target.isEmpty() || image.isNull())
        return;
    m_target.StretchDraw(target, Bitmap::fromImage(image, picture.bitsPerPixel() <= 8 ? 8 : 24));
}

void EmfPlayer::clipRegion(const EmfRecord& r)
{
    const uint64_t cbData = r.u32(8);
    const uint32_t mode = r.u32(12);
    if (mode == U_RGN_COPY && cbData == 0) {
        m_state.clip.reset();
        return;
    }
    // Region data: a 32-byte header (rectangle count at 8), then the rectangles, in device units.
    const uint64_t count = r.u32(16 + 8);
    if (cbData < 32 || !r.has(16, cbData) || count * 16 > cbData - 32 || count == 0)
        return;
    Rect box{r.i32(48), r.i32(52), r.i32(56), r.i32(60)};
    for (uint64_t i = 1; i < count; ++i) {
        const Rect o = r.rect(48 + i * 16);
        box = {std::min(box.left, o.left), std::min(box.top, o.top), std::max(box.right, o.right),
               std::max(box.bottom, o.bottom)};
    }
    const Point a = deviceToDest({double(box.left), double(box.top)});
    const Point b = deviceToDest({double(box.right), double(box.bottom)});
    const Rect dest = normalized({a.x, a.y, b.x, b.y});
    if (mode == U_RGN_COPY)
        m_state.clip = dest;
    else if (mode == U_RGN_AND)
        m_state.clip = m_state.clip ? m_state.clip->intersected(dest) : dest;
}

void EmfPlayer::playRecord(const EmfRecord& r)
{
    // Records without a drawing of their own here, or unknown, are skipped.
    if (!playStateRecord(r) && !playObjectRecord(r) && !playDrawingRecord(r))
        playTextRecord(r);
}

// Mapping, transforms, saved states, colours, alignment, position, clipping, paths.
bool EmfPlayer::playStateRecord(const EmfRecord& r)
{
    State& s = m_state;
    auto point = [&](uint64_t at) { return PointD{double(r.i32(at)), double(r.i32(at + 4))}; };
    switch (r.type) {
    case U_EMR_SETMAPMODE:
        s.mapMode = r.u32(8);
        break;
    case U_EMR_SETWINDOWEXTEX:
        s.windowExt = point(8);
        break;
    case U_EMR_SETWINDOWORGEX:
        s.windowOrg = point(8);
        break;
    case U_EMR_SETVIEWPORTEXTEX:
        s.viewportExt = point(8);
        break;
    case U_EMR_SETVIEWPORTORGEX:
        s.viewportOrg = point(8);
        break;
    case U_EMR_SETWORLDTRANSFORM:
        s.world = {r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)};
        break;
    case U_EMR_MODIFYWORLDTRANSFORM: {
        const Xform x{r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)};
        switch (r.u32(32)) {
        case U_MWT_IDENTITY:
            s.world = Xform{};
            break;
        case U_MWT_LEFTMULTIPLY:
            s.world = x.then(s.world);
            break;
        case U_MWT_RIGHTMULTIPLY:
            s.world = s.world.then(x);
            break;
        case mwtSet:
            s.world = x;
            break;
        default:
            break;
        }
        break;
    }
    case U_EMR_SAVEDC:
        if (m_saved.size() < maxSavedStates)
            m_saved.push_back(s);
        break;
    case U_EMR_RESTOREDC: {
        const int32_t relative = r.i32(8);
        // Negative: that many levels back; positive: back to that absolute level.
        const int64_t keep =
            relative < 0 ? int64_t(m_saved.size()) + relative : int64_t(relative) - 1;
        if (keep >= 0 && keep < int64_t(m_saved.size())) {
            s = m_saved[size_t(keep)];
            m_saved.resize(size_t(keep));
        }
        break;
    }
    case U_EMR_SETTEXTCOLOR:
        s.textColor = r.u32(8);
        break;
    case U_EMR_SETBKCOLOR:
        s.bkColor = r.u32(8);
        break;
    case U_EMR_SETBKMODE:
        s.bkOpaque = r.u32(8) == U_OPAQUE;
        break;
    case U_EMR_SETTEXTALIGN:
        s.textAlign = r.u32(8);
        break;
    case U_EMR_MOVETOEX:
        s.position = point(8);
        break;
    case U_EMR_INTERSECTCLIPRECT: {
        const Rect clip = rectToDest(r.rect(8));
        s.clip = s.clip ? s.clip->intersected(clip) : clip;
        break;
    }
    case U_EMR_EXTSELECTCLIPRGN:
        clipRegion(r);
        break;
    case U_EMR_BEGINPATH:
        s.inPath = true;
        break;
    case U_EMR_ENDPATH:
    case U_EMR_ABORTPATH:
        s.inPath = false;
        break;
    default:
        return false;
    }
    return true;
}

// Pens, brushes and fonts: created, selected, deleted.
bool EmfPlayer::playObjectRecord(const EmfRecord& r)
{
    switch (r.type) {
    case U_EMR_CREATEPEN: {
        Object o;
        o.kind = Object::PenObject;
        o.pen = {r.u32(12), double(r.i32(16)), r.u32(24)};
        createObject(r.u32(8), o);
        break;
    }
    case U_EMR_EXTCREATEPEN: {
        Object o;
        o.kind = Object::PenObject;
        const uint32_t style = r.u32(28);
        const bool geometric = (style & U_PS_TYPE_MASK) == U_PS_GEOMETRIC;
        o.pen = {r.u32(36) == U_BS_NULL ? uint32_t(U_PS_NULL) : style & U_PS_STYLE_MASK,
                 geometric ? double(r.u32(32)) : 0.0, r.u32(40)};
        createObject(r.u32(8), o);
        break;
    }
    case U_EMR_CREATEBRUSHINDIRECT: {
        Object o;
        o.kind = Object::BrushObject;
        o.brush = {r.u32(12) == U_BS_NULL, r.u32(16)};
        createObject(r.u32(8), o);
        break;
    }
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT: {
        // Pattern brushes are not drawn; an invisible brush keeps the rest of the page right.
        Object o;
        o.kind = Object::BrushObject;
        o.brush = {true, 0};
        createObject(r.u32(8), o);
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: {
        Object o;
        o.kind = Object::FontObject;
        o.font.height = r.i32(12);
        o.font.weight = r.i32(28);
        o.font.italic = r.u8(32) != 0;
        o.font.underline = r.u8(33) != 0;
        o.font.strikeOut = r.u8(34) != 0;
        o.font.charset = r.u8(35);
        o.font.pitch = r.u8(39);
        o.font.face = faceName(r, 40);
        createObject(r.u32(8), o);
        break;
    }
    case U_EMR_SELECTOBJECT:
        selectObject(r.u32(8));
        break;
    case U_EMR_DELETEOBJECT:
        if (Object* o = objectAt(r.u32(8)))
            *o = Object{};
        break;
    default:
        return false;
    }
    return true;
}

// Lines, shapes, polygons, bitmaps and region fills.
bool EmfPlayer::playDrawingRecord(const EmfRecord& r)
{
    return playLineRecord(r) || playShapeRecord(r) || playBitmapRecord(r) || playRegionRecord(r);
}

// Lines from the current position, which they move.
bool EmfPlayer::playLineRecord(const EmfRecord& r)
{
    State& s = m_state;
    const bool drawing = !s.inPath;
    auto point = [&](uint64_t at) { return PointD{double(r.i32(at)), double(r.i32(at + 4))}; };
    switch (r.type) {
    case U_EMR_LINETO: {
        const PointD to = point(8);
        if (drawing) {
            applyClip();
            usePen();
            const Point a = toDest(s.position), b = toDest(to);
            m_target.MoveTo(a.x, a.y);
            m_target.LineTo(b.x, b.y);
        }
        s.position = to;
        break;
    }
    case U_EMR_POLYLINETO:
    case U_EMR_POLYLINETO16: {
        const bool small = r.type == U_EMR_POLYLINETO16;
        const uint64_t count = r.u32(24), each = small ? 4 : 8;
        if (count == 0 || !r.has(28, count * each))
            break;
        std::vector<Point> pts{toDest(s.position)};
        const std::vector<Point> rest = points(r, 24, 28, small);
        pts.insert(pts.end(), rest.begin(), rest.end());
        const uint64_t last = 28 + (count - 1) * each;
        s.position = small ? PointD{double(r.i16(last)), double(r.i16(last + 2))} : point(last);
        if (drawing) {
            applyClip();
            usePen();
            m_target.Polyline(pts);
        }
        break;
    }
    default:
        return false;
    }
    return true;
}

// Closed shapes and polylines, drawn with the pen and filled with the brush.
bool EmfPlayer::playShapeRecord(const EmfRecord& r)
{
    State& s = m_state;
    const bool drawing = !s.inPath;
    switch (r.type) {
    case U_EMR_RECTANGLE:
    case U_EMR_ROUNDRECT:
    case U_EMR_ELLIPSE:
        if (drawing) {
            applyClip();
            usePen();
            useBrush(s.brush);
            const Rect box = rectToDest(r.rect(8));
            if (r.type == U_EMR_ELLIPSE)
                m_target.Ellipse(box);
            else
                m_target.Rectangle(box);
        }
        break;
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINE16:
        if (drawing) {
            applyClip();
            usePen();
            useBrush(s.brush);
            const bool small = r.type == U_EMR_POLYGON16 || r.type == U_EMR_POLYLINE16;
            const std::vector<Point> pts = points(r, 24, 28, small);
            if (pts.empty())
                break;
            if (r.type == U_EMR_POLYGON || r.type == U_EMR_POLYGON16)
                m_target.Polygon(pts);
            else
                m_target.Polyline(pts);
        }
        break;
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYGON16:
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYLINE16:
        if (drawing) {
            applyClip();
            usePen();
            useBrush(s.brush);
            polyPoly(r, r.type == U_EMR_POLYPOLYGON16 || r.type == U_EMR_POLYPOLYLINE16,
                     r.type == U_EMR_POLYPOLYGON || r.type == U_EMR_POLYPOLYGON16);
        }
        break;
    default:
        return false;
    }
    return true;
}

// Bitmaps, and the fills that a raster operation without a source makes.
bool EmfPlayer::playBitmapRecord(const EmfRecord& r)
{
    State& s = m_state;
    const bool drawing = !s.inPath;
    switch (r.type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT: {
        if (!drawing)
            break;
        const double x = r.i32(24), y = r.i32(28), cx = r.i32(32), cy = r.i32(36);
        const uint32_t rop = r.u32(40);
        applyClip();
        if (r.u32(88) == 0) { // no source bitmap: a fill by the raster operation
            if (rop == U_PATCOPY)
                useBrush(s.brush);
            else if (rop == U_BLACKNESS)
                useBrush({false, 0});
            else if (rop == U_WHITENESS)
                useBrush({false, 0xFFFFFF});
            else
                break;
            m_target.FillRect(rectToDest(x, y, x + cx, y + cy));
            break;
        }
        const bool stretch = r.type == U_EMR_STRETCHBLT;
        bitmap(r,
               {x, y, x + cx, y + cy, r.i32(44), r.i32(48), stretch ? r.i32(100) : int(cx),
                stretch ? r.i32(104) : int(cy)},
               84, false);
        break;
    }
    case U_EMR_STRETCHDIBITS:
        if (drawing) {
            applyClip();
            const double x = r.i32(24), y = r.i32(28);
            bitmap(r,
                   {x, y, x + r.i32(72), y + r.i32(76), r.i32(32), r.i32(36), r.i32(40), r.i32(44)},
                   48, true);
        }
        break;
    case U_EMR_SETDIBITSTODEVICE:
        if (drawing) {
            applyClip();
            const double x = r.i32(24), y = r.i32(28);
            const int cx = r.i32(40), cy = r.i32(44);
            bitmap(r, {x, y, x + cx, y + cy, r.i32(32), r.i32(36), cx, cy}, 48, true);
        }
        break;
    default:
        return false;
    }
    return true;
}

// A region filled with a brush of its own.
bool EmfPlayer::playRegionRecord(const EmfRecord& r)
{
    State& s = m_state;
    const bool drawing = !s.inPath;
    switch (r.type) {
    case U_EMR_FILLRGN: {
        // Region data at 32 (rectangles in logical units), filled with the given brush.
        const uint64_t cbData = r.u32(24), count = r.u32(32 + 8);
        const Object* o = objectAt(r.u32(28));
        if (!drawing || cbData < 32 || !r.has(32, cbData) || count * 16 > cbData - 32)
            break;
        LogBrush b = s.brush;
        if (r.u32(28) & stockObject) {
            const LogBrush saved = s.brush;
            selectObject(r.u32(28));
            b = s.brush;
            s.brush = saved;
        } else if (o && o->kind == Object::BrushObject) {
            b = o->brush;
        }
        applyClip();
        useBrush(b);
        for (uint64_t i = 0; i < count; ++i)
            m_target.FillRect(rectToDest(r.rect(64 + i * 16)));
        break;
    }
    default:
        return false;
    }
    return true;
}

// Text output.
bool EmfPlayer::playTextRecord(const EmfRecord& r)
{
    State& s = m_state;
    const bool drawing = !s.inPath;
    switch (r.type) {
    case U_EMR_EXTTEXTOUTW:
    case U_EMR_EXTTEXTOUTA:
        if (drawing) {
            applyClip();
            text(r, r.type == U_EMR_EXTTEXTOUTW);
        }
        break;
    default:
        return false;
    }
    return true;
}

QSizeF claimedPaperPixels(const EmfHeader& header, int dpi)
{
    const Rect& f = header.frame;
    if (f.right > f.left && f.bottom > f.top)
        return {(double(f.right) - f.left) / (mmPerInch * 100) * dpi,
                (double(f.bottom) - f.top) / (mmPerInch * 100) * dpi};
    const Rect& b = header.bounds;
    const double perPixel = double(dpi) / ScreenDpi;
    return {(double(b.right) - b.left + 1) * perPixel, (double(b.bottom) - b.top + 1) * perPixel};
}

std::optional<Size> paperPixels(const EmfHeader& header, int dpi)
{
    const QSizeF claimed = claimedPaperPixels(header, dpi);
    const double width = std::round(claimed.width()), height = std::round(claimed.height());
    const double most = maxPaperPixels(dpi);
    if (!(width >= 1 && height >= 1 && width <= most && height <= most))
        return std::nullopt;
    return Size{int(width), int(height)};
}

QImage playToImage(std::string_view emf, int width, int height, int dpi, std::string* error)
{
    QImage image = makeImage(width, height, dpi);
    bool played = false;
    {
        QtCanvas canvas(&image);
        EmfPlayer player(canvas);
        played = player.play(emf, {0, 0, width, height});
        if (!played && error)
            *error = player.error();
    }
    return played ? image : QImage();
}

} // namespace gfx
