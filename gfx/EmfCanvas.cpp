#include "gfx/EmfCanvas.h"

#include "gfx/TextLayout.h"
#include "text/Cp949.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <uemf.h>

namespace gfx {

namespace {

constexpr double mmPerInch = 25.4;
// The recorded device context keeps at most this many objects of one kind; beyond it the
// ones not in use are deleted.
constexpr size_t maxCachedObjects = 64;

U_POINTL pointl(int x, int y)
{
    return point32_set(x, y);
}
U_RECTL rectl(const Rect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}
// Bounds in metafile records include their right and bottom edge.
U_RECTL inclusiveRectl(const Rect& r)
{
    return {r.left, r.top, r.right - 1, r.bottom - 1};
}

U_COLORREF colorref(Color c)
{
    const Color rgb = ColorToRGB(c);
    return colorref3_set(uint8_t(GetRValue(rgb)), uint8_t(GetGValue(rgb)), uint8_t(GetBValue(rgb)));
}

uint32_t rgbOf(Color c)
{
    return ColorToRGB(c) & 0xFFFFFF;
}

uint32_t penStyle(PenStyle s)
{
    switch (s) {
    case PenStyle::Solid:
        return U_PS_SOLID;
    case PenStyle::Dash:
        return U_PS_DASH;
    case PenStyle::Dot:
        return U_PS_DOT;
    case PenStyle::DashDot:
        return U_PS_DASHDOT;
    case PenStyle::DashDotDot:
        return U_PS_DASHDOTDOT;
    case PenStyle::Clear:
        return U_PS_NULL;
    case PenStyle::InsideFrame:
        return U_PS_INSIDEFRAME;
    }
    return U_PS_SOLID;
}

uint8_t pitchAndFamily(Pitch p)
{
    switch (p) {
    case Pitch::Fixed:
        return U_FIXED_PITCH;
    case Pitch::Variable:
        return U_VARIABLE_PITCH;
    case Pitch::Default:
        break;
    }
    return U_DEFAULT_PITCH;
}

// The logical font height of the record: the font's own height, else minus the character
// height in pixels (GDI's convention for a point size).
int logicalHeight(const Font& f, int dpi)
{
    return f.height != 0 ? f.height : -f.pixelHeight(dpi);
}

std::u16string utf16(std::string_view cp949)
{
    const QString s = text::fromCp949(cp949);
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

} // namespace

EmfCanvas::EmfCanvas(int width, int height, int dpi)
    : m_width(std::max(width, 1)), m_height(std::max(height, 1)), m_dpi(std::max(dpi, 1))
{
    // The reference device is the page itself at `dpi`; the frame (0.01 mm) covers the page.
    const double mmWide = m_width * mmPerInch / m_dpi;
    const double mmHigh = m_height * mmPerInch / m_dpi;
    const U_RECTL frame = {0, 0, int32_t(std::lround(mmWide * 100)),
                           int32_t(std::lround(mmHigh * 100))};
    // The picture is the page: its bounds are the page's pixels, whatever is drawn on it.
    const U_RECTL bounds = {0, 0, m_width - 1, m_height - 1};
    const U_SIZEL device = sizel_set(m_width, m_height);
    const U_SIZEL millimeters =
        sizel_set(int32_t(std::lround(mmWide)), int32_t(std::lround(mmHigh)));
    char* header = U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, device, millimeters, 0);
    append(header);
    // Millimetres are too coarse to give the exact resolution; the micrometre size says it.
    if (m_size >= sizeof(U_EMRHEADER)) {
        const uint32_t micrometers[2] = {uint32_t(std::lround(mmWide * 1000)),
                                         uint32_t(std::lround(mmHigh * 1000))};
        patch(offsetof(U_EMRHEADER, szlMicrometers), micrometers, sizeof micrometers);
    }
}

void EmfCanvas::appendBytes(const char* data, size_t count)
{
    while (count > 0) {
        if (m_blocks.empty() || m_blocks.back().size() == blockBytes) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(blockBytes);
        }
        std::string& block = m_blocks.back();
        const size_t n = std::min(count, blockBytes - block.size());
        block.append(data, n);
        data += n;
        count -= n;
        m_size += n;
    }
}

void EmfCanvas::patch(size_t offset, const void* value, size_t count)
{
    if (m_blocks.empty() || offset + count > m_blocks.front().size())
        return; // no header record was made
    std::memcpy(m_blocks.front().data() + offset, value, count);
}

EmfCanvas::~EmfCanvas() = default;

void EmfCanvas::append(char* record)
{
    if (!record)
        return;
    const auto* emr = reinterpret_cast<const U_EMR*>(record);
    appendBytes(record, emr->nSize);
    ++m_records;
    std::free(record);
}

void EmfCanvas::appendRaw(const std::string& record)
{
    appendBytes(record.data(), record.size());
    ++m_records;
}

uint32_t EmfCanvas::newHandle()
{
    if (!m_freeHandles.empty()) {
        const uint32_t h = m_freeHandles.back();
        m_freeHandles.pop_back();
        return h;
    }
    const uint32_t h = m_nextHandle++;
    m_peakHandle = std::max(m_peakHandle, h);
    return h;
}

template <typename Key> void EmfCanvas::trimCache(ObjectCache<Key>& cache, uint32_t selected)
{
    // A saved context may still hold an object, so nothing is deleted while one is saved.
    if (cache.size() < maxCachedObjects || !m_dcStack.empty())
        return;
    for (auto it = cache.begin(); it != cache.end();) {
        if (it->second == selected) {
            ++it;
            continue;
        }
        append(U_EMRDELETEOBJECT_set(it->second));
        m_freeHandles.push_back(it->second);
        it = cache.erase(it);
    }
}

void EmfCanvas::selectObject(uint32_t handle)
{
    append(U_EMRSELECTOBJECT_set(handle));
}

template <typename Key, typename Create>
void EmfCanvas::useObject(ObjectCache<Key>& cache, const Key& key, uint32_t& selected,
                          Create create)
{
    auto it = cache.find(key);
    if (it == cache.end()) {
        trimCache(cache, selected);
        const uint32_t h = newHandle();
        append(create(h));
        it = cache.emplace(key, h).first;
    }
    if (selected != it->second) {
        selectObject(it->second);
        selected = it->second;
    }
}

void EmfCanvas::usePen()
{
    const PenKey key{penStyle(pen.style), std::max(pen.width, 0), rgbOf(pen.color)};
    useObject(m_pens, key, m_dc.pen, [&](uint32_t h) {
        return U_EMRCREATEPEN_set(
            h, logpen_set(std::get<0>(key), point_set(std::get<1>(key), 0), colorref(pen.color)));
    });
}

void EmfCanvas::useBrush()
{
    const uint32_t style = brush.style == BrushStyle::Clear ? U_BS_NULL : U_BS_SOLID;
    const BrushKey key{style, style == U_BS_NULL ? 0u : rgbOf(brush.color)};
    useObject(m_brushes, key, m_dc.brush, [&](uint32_t h) {
        return U_EMRCREATEBRUSHINDIRECT_set(h, logbrush_set(style, colorref(brush.color), 0));
    });
}

void EmfCanvas::useFont()
{
    const FontKey key{font.name,      logicalHeight(font, m_dpi),
                      font.bold,      font.italic,
                      font.underline, font.strikeOut,
                      font.charset,   int(font.pitch)};
    useObject(m_fonts, key, m_dc.font, [&](uint32_t h) {
        uint16_t face[U_LF_FACESIZE] = {};
        const std::u16string name = utf16(font.name);
        std::copy_n(name.begin(), std::min<size_t>(name.size(), U_LF_FACESIZE - 1), face);
        const U_LOGFONT lf =
            logfont_set(std::get<1>(key), 0, 0, 0, font.bold ? U_FW_BOLD : U_FW_NORMAL, font.italic,
                        font.underline, font.strikeOut, uint8_t(font.charset), U_OUT_DEFAULT_PRECIS,
                        U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, pitchAndFamily(font.pitch), face);
        return U_EMREXTCREATEFONTINDIRECTW_set(h, reinterpret_cast<const char*>(&lf), nullptr);
    });
}

void EmfCanvas::useTextState()
{
    useFont();
    if (m_dc.textColor != rgbOf(font.color)) {
        append(U_EMRSETTEXTCOLOR_set(colorref(font.color)));
        m_dc.textColor = rgbOf(font.color);
    }
    const uint32_t mode = bkMode == BkMode::Transparent ? U_TRANSPARENT : U_OPAQUE;
    if (m_dc.bkMode != mode) {
        append(U_EMRSETBKMODE_set(mode));
        m_dc.bkMode = mode;
    }
    if (m_dc.bkColor != rgbOf(bkColor)) {
        append(U_EMRSETBKCOLOR_set(colorref(bkColor)));
        m_dc.bkColor = rgbOf(bkColor);
    }
    if (m_dc.textAlign != textAlign) {
        append(U_EMRSETTEXTALIGN_set(textAlign));
        m_dc.textAlign = textAlign;
    }
}

void EmfCanvas::FillRect(const Rect& r)
{
    if (!recording() || r.isEmpty())
        return;
    useBrush();
    // A fill with the brush is recorded as a pattern copy, as the platform records FillRect.
    const U_XFORM identity = xform_set(1, 0, 0, 1, 0, 0);
    append(U_EMRBITBLT_set(inclusiveRectl(r), pointl(r.left, r.top), pointl(r.width(), r.height()),
                           pointl(0, 0), identity, colorref3_set(0, 0, 0), U_DIB_RGB_COLORS,
                           U_PATCOPY, nullptr, 0, nullptr));
}

void EmfCanvas::Rectangle(const Rect& r)
{
    if (!recording())
        return;
    usePen();
    useBrush();
    append(U_EMRRECTANGLE_set(rectl(r)));
}

void EmfCanvas::Ellipse(const Rect& r)
{
    if (!recording())
        return;
    usePen();
    useBrush();
    append(U_EMRELLIPSE_set(rectl(r)));
}

void EmfCanvas::recordPoly(uint32_t type16, uint32_t type32, const std::vector<Point>& points)
{
    const bool small = std::all_of(points.begin(), points.end(), [](const Point& p) {
        return p.x >= std::numeric_limits<int16_t>::min() &&
               p.x <= std::numeric_limits<int16_t>::max() &&
               p.y >= std::numeric_limits<int16_t>::min() &&
               p.y <= std::numeric_limits<int16_t>::max();
    });
    Rect box{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point& p : points)
        box = {std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x),
               std::max(box.bottom, p.y)};
    const auto count = uint32_t(points.size());
    if (small) {
        std::vector<U_POINT16> pts;
        pts.reserve(points.size());
        for (const Point& p : points)
            pts.push_back(point16_set(int16_t(p.x), int16_t(p.y)));
        append(type16 == U_EMR_POLYGON16 ? U_EMRPOLYGON16_set(rectl(box), count, pts.data())
                                         : U_EMRPOLYLINE16_set(rectl(box), count, pts.data()));
    } else {
        std::vector<U_POINTL> pts;
        pts.reserve(points.size());
        for (const Point& p : points)
            pts.push_back(pointl(p.x, p.y));
        append(type32 == U_EMR_POLYGON ? U_EMRPOLYGON_set(rectl(box), count, pts.data())
                                       : U_EMRPOLYLINE_set(rectl(box), count, pts.data()));
    }
}

void EmfCanvas::Polygon(const std::vector<Point>& points)
{
    if (!recording() || points.empty())
        return;
    usePen();
    useBrush();
    recordPoly(U_EMR_POLYGON16, U_EMR_POLYGON, points);
}

void EmfCanvas::Polyline(const std::vector<Point>& points)
{
    if (!recording() || points.empty())
        return;
    usePen();
    recordPoly(U_EMR_POLYLINE16, U_EMR_POLYLINE, points);
}

void EmfCanvas::DrawLine(Point from, Point to)
{
    if (!recording())
        return;
    usePen();
    if (m_dc.position != from)
        append(U_EMRMOVETOEX_set(pointl(from.x, from.y)));
    append(U_EMRLINETO_set(pointl(to.x, to.y)));
    m_dc.position = to;
}

Size EmfCanvas::TextExtent(std::string_view text)
{
    m_metrics.select(font, m_dpi);
    return m_metrics.extent(text);
}

void EmfCanvas::ExtTextOut(int x, int y, unsigned options, const Rect* r, std::string_view text)
{
    textOut(x, y, options, r, text::fromCp949(text));
}

void EmfCanvas::textOut(int x, int y, unsigned options, const Rect* r, const QString& s)
{
    if (!recording())
        return;
    const bool opaque = (options & ETO_OPAQUE) && r;
    if (s.isEmpty() && !opaque)
        return;
    useTextState();
    m_metrics.select(font, m_dpi);
    // The whole-pixel advance of every UTF-16 unit, the same the extents add up.
    const std::vector<int> advances = m_metrics.advances(s);
    std::vector<uint32_t> dx(advances.begin(), advances.end());
    const int w = m_metrics.width(s);
    const int h = m_metrics.height();
    int left = x;
    if ((textAlign & TA_CENTER) == TA_CENTER)
        left = x - w / 2;
    else if (textAlign & TA_RIGHT)
        left = x - w;
    int top = y;
    if ((textAlign & TA_BASELINE) == TA_BASELINE)
        top = y - m_metrics.ascent();
    else if (textAlign & TA_BOTTOM)
        top = y - h;
    Rect box = Bounds(left, top, w, h);
    if (r && (options & ETO_CLIPPED))
        box = box.intersected(*r);
    if (opaque)
        box = box.isEmpty() ? *r
                            : Rect{std::min(box.left, r->left), std::min(box.top, r->top),
                                   std::max(box.right, r->right), std::max(box.bottom, r->bottom)};

    std::vector<uint16_t> units(s.utf16(), s.utf16() + s.size());
    const U_RECTL clip = r ? rectl(*r) : U_RECTL{0, 0, -1, -1};
    char* emrtext = emrtext_set(pointl(x, y), uint32_t(units.size()), 2, units.data(),
                                options & (ETO_OPAQUE | ETO_CLIPPED), clip, dx.data());
    // Scales from page units to 0.01 mm, which readers use in the compatible graphics mode.
    const auto scale = U_FLOAT(mmPerInch * 100 / m_dpi);
    const U_RECTL bounds = box.isEmpty() ? U_RECTL{0, 0, -1, -1} : inclusiveRectl(box);
    append(U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, scale, scale,
                                reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
}

int EmfCanvas::DrawText(std::string_view text, Rect& r, unsigned flags)
{
    m_metrics.select(font, m_dpi);
    const TextLayout layout = TextLayout::make(text, r, flags, m_metrics);
    if (flags & DT_CALCRECT) {
        r = layout.bounds;
        return layout.result;
    }
    const unsigned savedAlign = textAlign;
    textAlign = TA_LEFT | TA_TOP;
    const bool clipped = !(flags & DT_NOCLIP);
    for (const TextLayout::Line& line : layout.lines) {
        for (const TextLayout::Piece& piece : line.pieces)
            textOut(piece.x, line.y, clipped ? unsigned(ETO_CLIPPED) : 0u, clipped ? &r : nullptr,
                    piece.text);
        if (line.prefixFrom >= 0) {
            // The prefix character's underline, a one-pixel bar in the text colour.
            const Brush savedBrush = brush;
            brush = {font.color, BrushStyle::Solid};
            Rect bar{line.prefixFrom, line.y + m_metrics.ascent() + 1, line.prefixTo,
                     line.y + m_metrics.ascent() + 2};
            if (clipped)
                bar = bar.intersected(r);
            FillRect(bar);
            brush = savedBrush;
        }
    }
    textAlign = savedAlign;
    return layout.result;
}

void EmfCanvas::StretchDraw(const Rect& r, const Bitmap& bitmap)
{
    if (!recording() || bitmap.isEmpty() || r.isEmpty())
        return;
    // The BMP file's bytes without their 14-byte file header are the bitmap info and bits.
    constexpr size_t fileHeaderBytes = 14;
    std::string bmp = bitmap.toBmp();
    if (bmp.size() < fileHeaderBytes + 40)
        return;
    uint32_t bitsOffset = 0;
    std::memcpy(&bitsOffset, bmp.data() + 10, 4);
    if (bitsOffset < fileHeaderBytes + 40 || bitsOffset > bmp.size())
        return;
    // The info is copied out to be aligned; the bits, the bulk of a page, are read in place,
    // and the BMP goes before the record joins the picture, so that no more than two copies
    // of a picture are held at once.
    std::string info = bmp.substr(fileHeaderBytes, bitsOffset - fileHeaderBytes);
    char* record = U_EMRSTRETCHDIBITS_set(
        inclusiveRectl(r), pointl(r.left, r.top), pointl(r.width(), r.height()), pointl(0, 0),
        pointl(bitmap.width(), bitmap.height()), U_DIB_RGB_COLORS, U_SRCCOPY,
        reinterpret_cast<PU_BITMAPINFO>(info.data()), uint32_t(bmp.size() - bitsOffset),
        bmp.data() + bitsOffset);
    std::string().swap(bmp);
    append(record);
}

void EmfCanvas::IntersectClipRect(const Rect& r)
{
    if (recording())
        append(U_EMRINTERSECTCLIPRECT_set(rectl(r)));
}

void EmfCanvas::SelectClipRgn(std::nullptr_t)
{
    if (!recording())
        return;
    // A copy of no region removes the clipping; libUEMF has no builder for the empty form.
    std::string record(16, '\0');
    const uint32_t fields[4] = {U_EMR_EXTSELECTCLIPRGN, 16, 0, U_RGN_COPY};
    std::memcpy(record.data(), fields, sizeof fields);
    appendRaw(record);
}

void EmfCanvas::SaveDC()
{
    Canvas::SaveDC();
    if (!recording())
        return;
    append(U_EMRSAVEDC_set());
    m_dcStack.push_back(m_dc);
}

void EmfCanvas::RestoreDC()
{
    Canvas::RestoreDC();
    if (!recording() || m_dcStack.empty())
        return;
    append(U_EMRRESTOREDC_set(-1));
    m_dc = m_dcStack.back();
    m_dcStack.pop_back();
}

void EmfCanvas::end()
{
    if (m_finished)
        return;
    while (!m_dcStack.empty())
        RestoreDC();
    EMFTRACK track{};
    append(U_EMREOF_set(0, nullptr, &track));
    const auto bytes = uint32_t(m_size);
    patch(offsetof(U_EMRHEADER, nBytes), &bytes, sizeof bytes);
    patch(offsetof(U_EMRHEADER, nRecords), &m_records, sizeof m_records);
    const auto handles = uint16_t(m_peakHandle + 1);
    patch(offsetof(U_EMRHEADER, nHandles), &handles, sizeof handles);
    m_finished = true;
}

const std::string& EmfCanvas::finish()
{
    end();
    if (m_joined.size() != m_size) {
        m_joined.reserve(m_size);
        for (const std::string& block : m_blocks)
            m_joined += block;
    }
    return m_joined;
}

std::vector<std::string_view> EmfCanvas::finishedBlocks()
{
    end();
    return {m_blocks.begin(), m_blocks.end()};
}

} // namespace gfx
