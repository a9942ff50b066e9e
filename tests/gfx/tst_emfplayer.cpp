#include "gfx/EmfCanvas.h"
#include "gfx/EmfPlayer.h"
#include "gfx/RecordingCanvas.h"
#include "text/Cp949.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <uemf.h>

using namespace gfx;
using Kind = DrawCall::Kind;

namespace {

// Builds a metafile record by record with libUEMF, as another program would write one.
class MetafileBuilder
{
public:
    // A reference device of `pixels` square at 100 pixels per 25.4 mm; the frame covers it
    // unless `framed` is false.
    explicit MetafileBuilder(int pixels = 1000, bool framed = true)
    {
        const int mm = int(pixels * 25.4 / 100);
        const U_RECTL frame = framed ? U_RECTL{0, 0, mm * 100, mm * 100} : U_RECTL{0, 0, 0, 0};
        add(U_EMRHEADER_set({0, 0, pixels - 1, pixels - 1}, frame, nullptr, 0, nullptr,
                            sizel_set(pixels, pixels), sizel_set(mm, mm), 0));
    }
    void add(char* record)
    {
        ASSERT_NE(record, nullptr);
        m_bytes.append(record, reinterpret_cast<const U_EMR*>(record)->nSize);
        ++m_records;
        std::free(record);
    }
    void addRaw(std::string record)
    {
        m_bytes += record;
        ++m_records;
    }
    std::string finish()
    {
        EMFTRACK track{};
        add(U_EMREOF_set(0, nullptr, &track));
        const auto bytes = uint32_t(m_bytes.size());
        std::memcpy(m_bytes.data() + 48, &bytes, 4);
        std::memcpy(m_bytes.data() + 52, &m_records, 4);
        const uint16_t handles = 8;
        std::memcpy(m_bytes.data() + 56, &handles, 2);
        return m_bytes;
    }

private:
    std::string m_bytes;
    uint32_t m_records = 0;
};

std::string u32s(std::initializer_list<uint32_t> values)
{
    std::string out;
    for (uint32_t v : values)
        out.append(reinterpret_cast<const char*>(&v), 4);
    return out;
}

void put32(std::string& s, size_t at, uint32_t v)
{
    std::memcpy(s.data() + at, &v, 4);
}

// A page with one of each kind of drawing, for damaging.
std::string samplePage()
{
    Bitmap b(3, 2);
    b.setPixel(0, 0, clRed);
    EmfCanvas c(120, 90);
    c.font.name = text::cp949("굴림");
    c.font.color = clBlack;
    c.brush = {clYellow, BrushStyle::Solid};
    c.FillRect({1, 1, 30, 20});
    c.pen = {clBlue, 2, PenStyle::Dash};
    c.Rectangle({5, 5, 50, 40});
    c.Ellipse({10, 10, 60, 50});
    c.Polygon({{1, 1}, {20, 5}, {10, 30}});
    c.Polyline({{1, 60}, {40000, 60}});
    c.MoveTo(0, 0);
    c.LineTo(100, 80);
    c.SaveDC();
    c.IntersectClipRect({0, 0, 60, 60});
    c.TextOut(3, 70, text::cp949("가나다 abc"));
    c.RestoreDC();
    c.SelectClipRgn(nullptr);
    c.StretchDraw({70, 10, 100, 30}, b);
    return c.finish();
}

} // namespace

TEST(EmfPlayer, StretchesThePictureIntoTheDestination)
{
    EmfCanvas c(800, 1000);
    c.brush = {clRed, BrushStyle::Solid};
    c.FillRect({100, 100, 200, 300});
    c.pen = {clBlack, 4, PenStyle::Solid};
    c.MoveTo(0, 500);
    c.LineTo(800, 500);
    const std::string emf = c.finish();

    struct Case
    {
        const char* name;
        Rect dest;
        Rect fill;
        Point lineFrom;
        int penWidth;
    };
    const Case cases[] = {
        {"same size", {0, 0, 800, 1000}, {100, 100, 200, 300}, {0, 500}, 4},
        {"half size", {0, 0, 400, 500}, {50, 50, 100, 150}, {0, 250}, 2},
        {"moved and doubled", {10, 20, 1610, 2020}, {210, 220, 410, 620}, {10, 1020}, 8},
    };
    for (const Case& k : cases) {
        RecordingCanvas target;
        EmfPlayer player(target);
        ASSERT_TRUE(player.play(emf, k.dest)) << k.name << ": " << player.error();
        const auto fills = target.callsOf(Kind::FillRect);
        ASSERT_EQ(fills.size(), 1u) << k.name;
        EXPECT_EQ(fills[0].rect, k.fill) << k.name;
        EXPECT_EQ(fills[0].brush.color, clRed) << k.name;
        const auto lines = target.callsOf(Kind::Line);
        ASSERT_EQ(lines.size(), 1u) << k.name;
        EXPECT_EQ(lines[0].from, k.lineFrom) << k.name;
        EXPECT_EQ(lines[0].pen.width, k.penWidth) << k.name;
    }
}

TEST(EmfPlayer, PlaysTheRecordsOfPicturesFromElsewhere)
{
    MetafileBuilder m(1000);
    // Logical units of 0.5 pixel: a 2000-unit window on a 1000-pixel viewport.
    m.add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    m.add(U_EMRSETWINDOWEXTEX_set(sizel_set(2000, 2000)));
    m.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(1000, 1000)));
    m.add(U_EMRSELECTOBJECT_set(U_NULL_PEN));
    m.add(U_EMRSELECTOBJECT_set(U_BLACK_BRUSH));
    m.add(U_EMRRECTANGLE_set({200, 200, 400, 600}));
    m.add(U_EMRCOMMENT_set(8, "comments"));
    m.addRaw(u32s({200, 12, 0})); // a record type nobody knows
    m.add(U_EMRCREATEPEN_set(1, logpen_set(U_PS_DOT, point_set(6, 0), colorref3_set(0, 0x80, 0))));
    m.add(U_EMRSELECTOBJECT_set(1));
    m.add(U_EMRMOVETOEX_set(point32_set(0, 100)));
    m.add(U_EMRLINETO_set(point32_set(1000, 100)));
    // 8-bit text in the font's code page, with a font of 40 logical units (20 pixels).
    uint16_t face[U_LF_FACESIZE] = {u'A', u'r', u'i', u'a', u'l'};
    const U_LOGFONT lf = logfont_set(-40, 0, 0, 0, U_FW_BOLD, 0, 0, 0, 129, 0, 0, 0, 0, face);
    m.add(U_EMREXTCREATEFONTINDIRECTW_set(2, reinterpret_cast<const char*>(&lf), nullptr));
    m.add(U_EMRSELECTOBJECT_set(2));
    m.add(U_EMRSETTEXTCOLOR_set(colorref3_set(0xFF, 0, 0)));
    m.add(U_EMRSETTEXTALIGN_set(U_TA_CENTER | U_TA_BASELINE));
    std::string ansi = text::cp949("합계");
    std::vector<uint32_t> dx(ansi.size(), 20);
    char* emrtext = emrtext_set(point32_set(1000, 1000), uint32_t(ansi.size()), 1, ansi.data(), 0,
                                {0, 0, -1, -1}, dx.data());
    m.add(U_EMREXTTEXTOUTA_set({0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1,
                               reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    // Glyph indexes of a font we do not have: left out.
    uint16_t glyphs[2] = {36, 37};
    emrtext =
        emrtext_set(point32_set(0, 0), 2, 2, glyphs, U_ETO_GLYPH_INDEX, {0, 0, -1, -1}, dx.data());
    m.add(U_EMREXTTEXTOUTW_set({0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1,
                               reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    // A saved state with a clip, restored by a relative level.
    m.add(U_EMRSAVEDC_set());
    m.add(U_EMRINTERSECTCLIPRECT_set({0, 0, 100, 100}));
    m.add(U_EMRSELECTOBJECT_set(U_WHITE_BRUSH));
    m.add(U_EMRBITBLT_set({0, 0, 0, 0}, point32_set(0, 0), point32_set(50, 50), point32_set(0, 0),
                          xform_set(1, 0, 0, 1, 0, 0), colorref3_set(0, 0, 0), U_DIB_RGB_COLORS,
                          U_PATCOPY, nullptr, 0, nullptr));
    m.add(U_EMRRESTOREDC_set(-1));
    m.add(U_EMRBITBLT_set({0, 0, 0, 0}, point32_set(0, 0), point32_set(50, 50), point32_set(0, 0),
                          xform_set(1, 0, 0, 1, 0, 0), colorref3_set(0, 0, 0), U_DIB_RGB_COLORS,
                          U_PATCOPY, nullptr, 0, nullptr));
    // A clip region in device pixels, and a translation in the world transform.
    std::string region = u32s({U_EMR_EXTSELECTCLIPRGN, 16 + 48, 48, U_RGN_COPY, 32, 1, 1, 16, 10,
                               20, 110, 220, 10, 20, 110, 220});
    m.addRaw(region);
    m.add(U_EMRMODIFYWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 100, 0), U_MWT_LEFTMULTIPLY));
    // A 2 × 2 bottom-up bitmap of 24 bits: bottom row blue, top row green.
    U_BITMAPINFOHEADER bih = bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0);
    std::string pixels = std::string("\xFF\x00\x00\xFF\x00\x00\x00\x00", 8) +
                         std::string("\x00\xFF\x00\x00\xFF\x00\x00\x00", 8);
    PU_BITMAPINFO bmi = bitmapinfo_set(bih, nullptr);
    m.add(U_EMRSTRETCHDIBITS_set({0, 0, 0, 0}, point32_set(0, 1000), point32_set(200, 200),
                                 point32_set(0, 0), point32_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY,
                                 bmi, uint32_t(pixels.size()), pixels.data()));
    std::free(bmi);
    m.addRaw(u32s({U_EMR_EXTSELECTCLIPRGN, 16, 0, U_RGN_COPY}));
    const std::string emf = m.finish();

    RecordingCanvas target;
    EmfPlayer player(target);
    ASSERT_TRUE(player.play(emf, {0, 0, 1000, 1000})) << player.error();

    const auto rects = target.callsOf(Kind::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].rect, (Rect{100, 100, 200, 300}));
    EXPECT_EQ(rects[0].pen.style, PenStyle::Clear);
    EXPECT_EQ(rects[0].brush.color, clBlack);

    const auto lines = target.callsOf(Kind::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].from, (Point{0, 50}));
    EXPECT_EQ(lines[0].to, (Point{500, 50}));
    EXPECT_EQ(lines[0].pen.style, PenStyle::Dot);
    EXPECT_EQ(lines[0].pen.width, 3);
    EXPECT_EQ(lines[0].pen.color, RGB(0, 0x80, 0));

    const auto texts = target.callsOf(Kind::ExtTextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, text::cp949("합계"));
    EXPECT_EQ(texts[0].x, 500);
    EXPECT_EQ(texts[0].y, 500);
    EXPECT_EQ(texts[0].font.name, "Arial");
    EXPECT_EQ(texts[0].font.height, -20);
    EXPECT_TRUE(texts[0].font.bold);
    EXPECT_EQ(texts[0].font.charset, 129);
    EXPECT_EQ(texts[0].font.color, clRed);
    EXPECT_EQ(texts[0].textAlign, unsigned(TA_CENTER | TA_BASELINE));

    const auto fills = target.callsOf(Kind::FillRect);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].rect, (Rect{0, 0, 25, 25}));
    EXPECT_EQ(fills[0].brush.color, clWhite);
    EXPECT_EQ(fills[0].clip, (Rect{0, 0, 50, 50}));
    EXPECT_EQ(fills[1].brush.color, clBlack) << "the saved brush is back";
    EXPECT_EQ(fills[1].clip, std::nullopt) << "the saved clip is back";

    const auto images = target.callsOf(Kind::StretchDraw);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].rect, (Rect{50, 500, 150, 600})) << "moved 100 logical units right";
    EXPECT_EQ(images[0].bitmapSize, (Size{2, 2}));
    EXPECT_EQ(images[0].clip, (Rect{10, 20, 110, 220}));
    EXPECT_FALSE(target.clip()) << "the clip region is removed at the end";
}

TEST(EmfPlayer, WithoutAFrameThePictureIsItsBounds)
{
    MetafileBuilder m(200, false);
    m.add(U_EMRRECTANGLE_set({50, 50, 100, 150}));
    const std::string emf = m.finish();
    RecordingCanvas target;
    EmfPlayer player(target);
    ASSERT_TRUE(player.play(emf, {0, 0, 400, 400})) << player.error();
    const auto rects = target.callsOf(Kind::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].rect, (Rect{100, 100, 200, 300}));
}

TEST(EmfPlayer, ADamagedMetafileIsRefusedWithAClearErrorAndDrawsNothing)
{
    const std::string good = samplePage();
    const EmfReader reader(good);
    ASSERT_TRUE(reader.ok()) << reader.error();
    auto offsetOf = [&](uint32_t type) {
        for (const EmfRecord& r : reader.records())
            if (r.type == type)
                return size_t(r.data - good.data());
        ADD_FAILURE() << "no record " << type;
        return size_t(0);
    };
    struct Case
    {
        const char* name;
        std::function<std::string()> damage;
        const char* message;
    };
    const Case cases[] = {
        {"too short for a header", [&] { return good.substr(0, 60); }, "too short"},
        {"no metafile signature",
         [&] {
             std::string s = good;
             s[41] = 'X';
             return s;
         },
         "signature"},
        {"truncated", [&] { return good.substr(0, good.size() - 20); }, "truncated"},
        {"a record reaching past the end",
         [&] {
             std::string s = good;
             put32(s, offsetOf(U_EMR_RECTANGLE) + 4, 0x7FFFFFF0);
             return s;
         },
         "impossible size"},
        {"a record of size zero",
         [&] {
             std::string s = good;
             put32(s, offsetOf(U_EMR_RECTANGLE) + 4, 0);
             return s;
         },
         "impossible size"},
        {"a record size that is not a multiple of four",
         [&] {
             std::string s = good;
             put32(s, offsetOf(U_EMR_RECTANGLE) + 4, 26);
             return s;
         },
         "impossible size"},
        {"no end-of-file record",
         [&] {
             std::string s = good;
             put32(s, offsetOf(U_EMR_EOF), U_EMR_COMMENT);
             return s;
         },
         "end-of-file"},
        {"a polygon counting more points than it holds",
         [&] {
             std::string s = good;
             put32(s, offsetOf(U_EMR_POLYGON16) + 24, 0x40000001);
             return s;
         },
         "record checks"},
        {"a text whose characters lie outside its record",
         [&] {
             std::string s = good;
             put32(s, offsetOf(U_EMR_EXTTEXTOUTW) + 48, 0xFFFFFFF0);
             return s;
         },
         "record checks"},
        {"a bitmap offset that wraps around",
         [&] {
             std::string s = good;
             put32(s, offsetOf(U_EMR_STRETCHDIBITS) + 48, 0xFFFFFFF8);
             return s;
         },
         "record checks"},
    };
    for (const Case& k : cases) {
        const std::string bad = k.damage();
        RecordingCanvas target;
        EmfPlayer player(target);
        EXPECT_FALSE(player.play(bad, {0, 0, 120, 90})) << k.name;
        EXPECT_NE(player.error().find(k.message), std::string::npos)
            << k.name << ": " << player.error();
        EXPECT_TRUE(target.calls().empty()) << k.name;
    }
}

TEST(EmfPlayer, CorruptingAnyByteNeverReadsOutsideThePicture)
{
    const std::string good = samplePage();
    const uint8_t values[] = {0x00, 0x7F, 0x80, 0xFF};
    int refused = 0, played = 0;
    for (size_t at = 0; at < good.size(); ++at) {
        for (uint8_t v : values) {
            std::string bad = good;
            bad[at] = char(v);
            RecordingCanvas target;
            EmfPlayer player(target);
            if (player.play(bad, {0, 0, 240, 180})) {
                ++played;
            } else {
                ++refused;
                EXPECT_FALSE(player.error().empty());
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(played, 0);
}
