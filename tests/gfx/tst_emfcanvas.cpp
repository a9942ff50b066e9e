#include "gfx/EmfCanvas.h"
#include "gfx/EmfPlayer.h"
#include "gfx/EmfReader.h"
#include "gfx/MeasureCanvas.h"
#include "gfx/QtCanvas.h"
#include "gfx/RecordingCanvas.h"
#include "text/Cp949.h"

#include <QRegularExpression>
#include <emf2svg.h>
#include <functional>
#include <gtest/gtest.h>
#include <uemf.h>

using namespace gfx;
using namespace Qt::StringLiterals;

namespace {

// An A4 page at the screen resolution.
constexpr int pageWidth = 794;
constexpr int pageHeight = 1123;

Font gulimche(int size = 10)
{
    Font f;
    f.name = text::cp949("굴림체");
    f.size = size;
    f.color = clBlack;
    return f;
}

// The records of a finished picture; they point into `emf`, which must stay.
std::vector<EmfRecord> recordsOf(const std::string& emf)
{
    const EmfReader reader(emf);
    EXPECT_TRUE(reader.ok()) << reader.error();
    return reader.records();
}

int countOf(const std::vector<EmfRecord>& records, uint32_t type)
{
    return int(std::count_if(records.begin(), records.end(),
                             [&](const EmfRecord& r) { return r.type == type; }));
}

QString utf16At(const EmfRecord& r, uint64_t offset, uint64_t count)
{
    QString s;
    for (uint64_t i = 0; i < count; ++i)
        s.append(QChar(r.u16(offset + 2 * i)));
    return s;
}

std::string toSvg(const std::string& emf)
{
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.svgDelimiter = true;
    char* out = nullptr;
    size_t length = 0;
    std::string copy = emf;
    const int ok = emf2svg(copy.data(), copy.size(), &out, &length, &options);
    std::string svg = ok && out ? std::string(out, length) : std::string();
    free(out);
    return svg;
}

} // namespace

TEST(EmfCanvas, HeaderDescribesThePageAndTheRecords)
{
    EmfCanvas canvas(pageWidth, pageHeight);
    canvas.FillRect({10, 10, 20, 20});
    const std::string emf = canvas.finish();

    const EmfReader reader(emf);
    ASSERT_TRUE(reader.ok()) << reader.error();
    const EmfHeader& h = reader.header();
    EXPECT_EQ(h.device, (Size{pageWidth, pageHeight}));
    EXPECT_EQ(h.pixelSize(), (Size{pageWidth, pageHeight}));
    EXPECT_EQ(h.bounds, (Rect{0, 0, pageWidth - 1, pageHeight - 1}));
    EXPECT_EQ(h.frame, (Rect{0, 0, 21008, 29713})); // 0.01 mm at 96 pixels per inch
    EXPECT_EQ(h.bytes, emf.size());
    EXPECT_EQ(h.records, reader.records().size());
    EXPECT_EQ(reader.records().back().type, uint32_t(U_EMR_EOF));
    EXPECT_EQ(canvas.finish(), emf) << "finishing twice gives the same picture";
    canvas.FillRect({30, 30, 40, 40});
    EXPECT_EQ(canvas.finish(), emf) << "drawing after the end records nothing";
}

TEST(EmfCanvas, ObjectsAreCreatedOnceAndSelectedWhenTheyChange)
{
    EmfCanvas canvas(100, 100);
    canvas.pen = {clBlue, 2, PenStyle::Solid};
    canvas.brush = {clYellow, BrushStyle::Solid};
    canvas.Rectangle({0, 0, 10, 10});
    canvas.Rectangle({20, 0, 30, 10});
    canvas.pen.color = clRed;
    canvas.Ellipse({0, 20, 10, 30});
    canvas.pen.color = clBlue;
    canvas.MoveTo(0, 50);
    canvas.LineTo(50, 50);
    canvas.LineTo(50, 90);
    const std::string emf = canvas.finish();
    const auto records = recordsOf(emf);

    EXPECT_EQ(countOf(records, U_EMR_CREATEPEN), 2) << "blue and red";
    EXPECT_EQ(countOf(records, U_EMR_CREATEBRUSHINDIRECT), 1);
    EXPECT_EQ(countOf(records, U_EMR_SELECTOBJECT), 4) << "blue, yellow, red, blue again";
    EXPECT_EQ(countOf(records, U_EMR_MOVETOEX), 1)
        << "the second line goes on from the pen position";
    EXPECT_EQ(countOf(records, U_EMR_LINETO), 2);
    for (const EmfRecord& r : records) {
        if (r.type == U_EMR_CREATEPEN && r.u32(24) == RGB(0, 0, 0xFF)) {
            EXPECT_EQ(r.u32(12), uint32_t(U_PS_SOLID));
            EXPECT_EQ(r.i32(16), 2) << "pen width";
        }
        if (r.type == U_EMR_CREATEBRUSHINDIRECT) {
            EXPECT_EQ(r.u32(12), uint32_t(U_BS_SOLID));
            EXPECT_EQ(r.u32(16), RGB(0xFF, 0xFF, 0));
        }
    }
}

TEST(EmfCanvas, ManyDistinctPensReuseTheirHandlesButNotWhileAStateIsSaved)
{
    constexpr int colours = 150;
    auto drawLines = [](Canvas& c) {
        for (int i = 0; i < colours; ++i) {
            c.pen = {RGB(i, 255 - i, 7), 1, PenStyle::Solid};
            c.MoveTo(0, i);
            c.LineTo(10, i);
        }
    };
    EmfCanvas free(20, colours);
    drawLines(free);
    const std::string freeEmf = free.finish();
    const auto freeRecords = recordsOf(freeEmf);
    EXPECT_EQ(countOf(freeRecords, U_EMR_CREATEPEN), colours);
    EXPECT_GT(countOf(freeRecords, U_EMR_DELETEOBJECT), 0);
    EXPECT_LT(EmfReader(freeEmf).header().handles, colours) << "deleted handles are used again";

    EmfCanvas saved(20, colours);
    saved.SaveDC();
    drawLines(saved);
    saved.RestoreDC();
    const std::string savedEmf = saved.finish();
    EXPECT_EQ(countOf(recordsOf(savedEmf), U_EMR_DELETEOBJECT), 0)
        << "a saved state may still hold them";

    for (const std::string* emf : {&freeEmf, &savedEmf}) {
        RecordingCanvas target;
        EmfPlayer player(target);
        ASSERT_TRUE(player.play(*emf, {0, 0, 20, colours}));
        const auto lines = target.callsOf(DrawCall::Kind::Line);
        ASSERT_EQ(lines.size(), size_t(colours));
        for (int i = 0; i < colours; ++i)
            EXPECT_EQ(lines[size_t(i)].pen.color, RGB(i, 255 - i, 7)) << "line " << i;
    }
}

TEST(EmfCanvas, TextIsRecordedAsUtf16WithTheFontsFace)
{
    EmfCanvas canvas(pageWidth, pageHeight);
    canvas.font = gulimche(10);
    canvas.font.bold = true;
    canvas.font.color = clNavy;
    canvas.bkMode = BkMode::Transparent;
    canvas.textAlign = TA_RIGHT | TA_BOTTOM;
    const std::string words = text::cp949("거래명세서 No.1");
    const int width = canvas.TextWidth(words);
    canvas.TextOut(300, 200, words);
    const std::string emf = canvas.finish();
    const auto records = recordsOf(emf);

    const EmfRecord* font = nullptr;
    const EmfRecord* textOut = nullptr;
    for (const EmfRecord& r : records) {
        if (r.type == U_EMR_EXTCREATEFONTINDIRECTW)
            font = &r;
        if (r.type == U_EMR_EXTTEXTOUTW)
            textOut = &r;
        if (r.type == U_EMR_SETTEXTCOLOR) {
            EXPECT_EQ(r.u32(8), clNavy);
        }
        if (r.type == U_EMR_SETBKMODE) {
            EXPECT_EQ(r.u32(8), uint32_t(U_TRANSPARENT));
        }
        if (r.type == U_EMR_SETTEXTALIGN) {
            EXPECT_EQ(r.u32(8), unsigned(TA_RIGHT | TA_BOTTOM));
        }
    }
    ASSERT_TRUE(font && textOut);
    EXPECT_EQ(font->i32(12), -13) << "10 points at 96 dpi: a character height of 13 pixels";
    EXPECT_EQ(font->i32(28), 700) << "bold";
    EXPECT_EQ(utf16At(*font, 40, 3), u"굴림체"_s);
    EXPECT_EQ(font->u16(46), 0) << "the face name ends";

    EXPECT_EQ(textOut->i32(36), 300);
    EXPECT_EQ(textOut->i32(40), 200);
    const uint32_t chars = textOut->u32(44);
    EXPECT_EQ(utf16At(*textOut, textOut->u32(48), chars), u"거래명세서 No.1"_s);
    uint32_t advance = 0;
    for (uint32_t i = 0; i < chars; ++i)
        advance += textOut->u32(textOut->u32(72) + 4 * i);
    EXPECT_EQ(int(advance), width) << "the character advances add up to the measured width";
}

TEST(EmfCanvas, AnIndependentReaderFindsTheTextsAtTheirPlaces)
{
    struct Placed
    {
        int x;
        int y;
        const char* utf8;
    };
    const Placed texts[] = {
        {40, 30, "거래명세서"}, {500, 30, "공급받는자 보관용"}, {60, 700, "합계 1,234,500"}};
    EmfCanvas canvas(pageWidth, pageHeight);
    canvas.font = gulimche(12);
    canvas.bkMode = BkMode::Transparent;
    for (const Placed& t : texts)
        canvas.TextOut(t.x, t.y, text::cp949(t.utf8));
    canvas.brush = {clRed, BrushStyle::Solid};
    canvas.FillRect({100, 100, 200, 150});
    const int textHeight = canvas.TextHeight("W");
    const std::string svg = toSvg(canvas.finish());
    ASSERT_FALSE(svg.empty()) << "emf2svg rejected the picture";

    const QString doc = QString::fromUtf8(svg);
    const QRegularExpression textElement(
        u"<text [^>]*x=\"([0-9.]+)\" y=\"([0-9.]+)\"[^>]*><!\\[CDATA\\[(.*?)\\]\\]>"_s);
    std::vector<std::tuple<double, double, QString>> found;
    for (auto it = textElement.globalMatch(doc); it.hasNext();) {
        const auto m = it.next();
        found.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3));
    }
    ASSERT_EQ(found.size(), std::size(texts));
    for (size_t i = 0; i < found.size(); ++i) {
        const auto& [x, y, s] = found[i];
        EXPECT_EQ(s, QString::fromUtf8(texts[i].utf8));
        EXPECT_DOUBLE_EQ(x, texts[i].x);
        // The reader places the baseline; it lies inside the text's cell.
        EXPECT_GT(y, texts[i].y);
        EXPECT_LE(y, texts[i].y + textHeight);
    }
    EXPECT_TRUE(doc.contains(u"M 100.0000,100.0000 L 200.0000,100.0000 L 200.0000,150.0000"_s))
        << svg;
    EXPECT_TRUE(doc.contains(u"#ff0000"_s, Qt::CaseInsensitive));
}

// Drawing through a metafile and playing it back gives the pixels of drawing straight.
TEST(EmfCanvas, PlayedBackOntoAQtCanvasItHasThePixelsOfDrawingStraight)
{
    Bitmap checker(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            checker.setPixel(x, y, (x + y) % 2 ? clRed : RGB(0, 0x80, 0xFF));

    struct Script
    {
        const char* name;
        std::function<void(Canvas&)> draw;
    };
    const Script scripts[] = {
        {"fills and outlines",
         [](Canvas& c) {
             c.brush = {clYellow, BrushStyle::Solid};
             c.FillRect({5, 5, 60, 30});
             c.pen = {clBlack, 1, PenStyle::Solid};
             c.Rectangle({70, 5, 120, 40});
             c.pen = {clBlue, 3, PenStyle::Solid};
             c.brush = {clWhite, BrushStyle::Clear};
             c.Rectangle({130, 5, 190, 45});
             c.brush = {clLime, BrushStyle::Solid};
             c.Ellipse({5, 50, 80, 100});
             c.brush = {clBtnFace, BrushStyle::Solid};
             c.FillRect({100, 60, 150, 90});
         }},
        {"lines with every pen style",
         [](Canvas& c) {
             const PenStyle styles[] = {PenStyle::Solid,      PenStyle::Dash,
                                        PenStyle::Dot,        PenStyle::DashDot,
                                        PenStyle::DashDotDot, PenStyle::InsideFrame};
             int y = 5;
             for (PenStyle s : styles) {
                 c.pen = {clBlack, 1, s};
                 c.MoveTo(5, y);
                 c.LineTo(180, y + 7);
                 y += 12;
             }
             c.pen = {clRed, 2, PenStyle::Solid};
             c.Polyline({{10, 90}, {60, 80}, {90, 110}});
             c.brush = {clAqua, BrushStyle::Solid};
             c.pen = {clNavy, 1, PenStyle::Solid};
             c.Polygon({{120, 80}, {190, 90}, {150, 115}});
         }},
        {"texts by alignment and background",
         [](Canvas& c) {
             c.font = gulimche(9);
             c.bkMode = BkMode::Transparent;
             c.TextOut(5, 5, text::cp949("왼쪽 위"));
             c.textAlign = TA_CENTER | TA_BASELINE;
             c.TextOut(100, 40, text::cp949("가운데"));
             c.textAlign = TA_RIGHT | TA_BOTTOM;
             c.font.color = clMaroon;
             c.TextOut(195, 60, "Right 123");
             c.textAlign = TA_LEFT | TA_TOP;
             c.bkMode = BkMode::Opaque;
             c.bkColor = clSilver;
             c.TextOut(5, 65, text::cp949("배경 있음"));
             c.brush = {clYellow, BrushStyle::Solid};
             c.TextRect({100, 70, 150, 82}, 95, 70, text::cp949("잘리는 글자입니다"));
             c.bkMode = BkMode::Transparent;
             Rect box{10, 85, 120, 118};
             c.DrawText(text::cp949("줄을 바꾸어 가운데에 놓는 긴 글"), box,
                        DT_WORDBREAK | DT_CENTER);
         }},
        {"clipping saved and restored",
         [](Canvas& c) {
             c.brush = {clRed, BrushStyle::Solid};
             c.SaveDC();
             c.IntersectClipRect({20, 20, 80, 60});
             c.FillRect({0, 0, 200, 120});
             c.RestoreDC();
             c.brush = {clBlue, BrushStyle::Solid};
             c.IntersectClipRect({100, 10, 150, 50});
             c.FillRect({90, 0, 200, 120});
             c.SelectClipRgn(nullptr);
             c.brush = {clGreen, BrushStyle::Solid};
             c.FillRect({90, 80, 200, 120});
         }},
        {"a bitmap stretched",
         [&](Canvas& c) {
             c.StretchDraw({10, 10, 50, 50}, checker);
             c.StretchDraw({60, 10, 68, 90}, checker);
         }},
    };
    for (const Script& s : scripts) {
        QImage straight = makeImage(200, 120);
        {
            QtCanvas canvas(&straight);
            s.draw(canvas);
        }
        EmfCanvas recorder(200, 120);
        s.draw(recorder);
        const std::string emf = recorder.finish();
        QImage played = makeImage(200, 120);
        {
            QtCanvas canvas(&played);
            EmfPlayer player(canvas);
            ASSERT_TRUE(player.play(emf, {0, 0, 200, 120})) << s.name << ": " << player.error();
        }
        int differing = 0;
        for (int y = 0; y < straight.height(); ++y)
            for (int x = 0; x < straight.width(); ++x)
                differing += straight.pixel(x, y) != played.pixel(x, y);
        EXPECT_EQ(differing, 0) << s.name;
    }
}

namespace {

// Keeps the advances a player hands over with each text.
class AdvanceCanvas : public RecordingCanvas
{
public:
    void ExtTextOutDx(int x, int y, unsigned options, const Rect* r, std::string_view text,
                      const std::vector<int>& dx) override
    {
        advances.push_back(dx);
        RecordingCanvas::ExtTextOutDx(x, y, options, r, text, dx);
    }
    std::vector<std::vector<int>> advances;
};

} // namespace

// A text keeps the character places it was laid out with when its picture is played larger:
// the digits of a row stay over the boxes drawn for them at any resolution.
TEST(EmfCanvas, PlayedLargerATextKeepsItsCharacterPlaces)
{
    EmfCanvas emf(400, 100);
    emf.font.name = text::cp949("굴림체");
    emf.font.size = 22;
    emf.TextOut(10, 10, "1234567890");
    const std::string picture = emf.finish();

    for (const double scale : {1.0, 3.125, 6.25}) {
        SCOPED_TRACE(scale);
        AdvanceCanvas target;
        EmfPlayer player(target);
        ASSERT_TRUE(player.play(picture, {0, 0, int(400 * scale), int(100 * scale)}));
        ASSERT_EQ(target.advances.size(), 1u);
        const std::vector<int>& dx = target.advances[0];
        ASSERT_EQ(dx.size(), 10u);
        int x = 0;
        for (size_t i = 0; i < dx.size(); ++i) {
            x += dx[i];
            // 15 pixels a digit where it was drawn.
            EXPECT_NEAR(x, 15 * (int(i) + 1) * scale, 1.0) << i;
        }
    }
}
