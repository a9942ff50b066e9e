#include "gfx/MeasureCanvas.h"
#include "gfx/RecordingCanvas.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

using namespace gfx;
using Kind = DrawCall::Kind;

TEST(RecordingCanvas, RecordsCallsWithTheirArgumentsAndTheStateOfTheMoment)
{
    RecordingCanvas c;
    c.pen = {clRed, 2, PenStyle::Dash};
    c.brush = {clBtnFace, BrushStyle::Solid};
    c.FillRect({1, 2, 3, 4});
    c.brush.style = BrushStyle::Clear;
    c.Rectangle({0, 0, 10, 10});
    c.MoveTo(5, 6);
    c.LineTo(7, 8);
    c.Polyline({{0, 0}, {1, 1}});
    c.font.name = "Arial";
    c.font.color = clYellow;
    c.textAlign = TA_RIGHT | TA_TOP;
    c.bkMode = BkMode::Transparent;
    const Rect clipRect{0, 0, 50, 20};
    c.ExtTextOut(40, 3, ETO_CLIPPED, &clipRect, "total");

    const auto& calls = c.calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].kind, Kind::FillRect);
    EXPECT_EQ(calls[0].rect, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(calls[0].brush.style, BrushStyle::Solid);
    EXPECT_EQ(calls[0].brush.color, clBtnFace);
    EXPECT_EQ(calls[1].kind, Kind::Rectangle);
    EXPECT_EQ(calls[1].brush.style, BrushStyle::Clear);
    EXPECT_EQ(calls[1].pen, (Pen{clRed, 2, PenStyle::Dash}));
    EXPECT_EQ(calls[2].kind, Kind::Line);
    EXPECT_EQ(calls[2].from, (Point{5, 6}));
    EXPECT_EQ(calls[2].to, (Point{7, 8}));
    EXPECT_EQ(calls[3].points.size(), 2u);
    const DrawCall& text = calls[4];
    EXPECT_EQ(text.kind, Kind::ExtTextOut);
    EXPECT_EQ(text.x, 40);
    EXPECT_EQ(text.y, 3);
    EXPECT_EQ(text.options, unsigned(ETO_CLIPPED));
    EXPECT_TRUE(text.hasRect);
    EXPECT_EQ(text.rect, clipRect);
    EXPECT_EQ(text.text, "total");
    EXPECT_EQ(text.font.color, clYellow);
    EXPECT_EQ(text.textAlign, unsigned(TA_RIGHT));
    EXPECT_EQ(text.bkMode, BkMode::Transparent);
    EXPECT_EQ(c.callsOf(Kind::Line).size(), 1u);
}

TEST(RecordingCanvas, TracksTheClipAndRestoresItWithTheState)
{
    RecordingCanvas c;
    EXPECT_FALSE(c.clip());
    c.IntersectClipRect({0, 0, 100, 50});
    c.SaveDC();
    c.IntersectClipRect({20, 10, 200, 200});
    c.bkColor = clRed;
    c.FillRect({0, 0, 1, 1});
    EXPECT_EQ(c.calls().back().clip, (Rect{20, 10, 100, 50}));
    c.RestoreDC();
    EXPECT_EQ(c.clip(), (Rect{0, 0, 100, 50}));
    EXPECT_EQ(c.bkColor, clWhite);
    c.SelectClipRgn(nullptr);
    c.FillRect({0, 0, 1, 1});
    EXPECT_FALSE(c.calls().back().clip);
    EXPECT_EQ(c.callsOf(Kind::SaveDC).size(), 1u);
    EXPECT_EQ(c.callsOf(Kind::RestoreDC).size(), 1u);
}

TEST(RecordingCanvas, MeasuresAndLaysOutTextAsTheDrawingCanvasDoes)
{
    RecordingCanvas recording;
    MeasureCanvas measure;
    Font f;
    f.name = text::cp949("굴림체");
    f.size = 9;
    recording.font = f;
    measure.font = f;
    const std::string korean = text::cp949("공급받는자 보관용 거래명세서");
    EXPECT_EQ(recording.TextExtent(korean), measure.TextExtent(korean));
    EXPECT_EQ(recording.dpi(), measure.dpi());

    Rect a{0, 0, 60, 0};
    Rect b = a;
    const unsigned flags = DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX;
    EXPECT_EQ(recording.DrawText(korean, a, flags), measure.DrawText(korean, b, flags));
    EXPECT_EQ(a, b);
    EXPECT_GT(a.bottom, recording.TextHeight(korean)) << "the text takes more than one line";

    Rect box{0, 0, 100, 20};
    recording.DrawText("shown", box, DT_CENTER | DT_SINGLELINE);
    recording.TextOut(0, 0, "also shown");
    EXPECT_EQ(recording.texts(), (std::vector<std::string>{"shown", "also shown"}))
        << "measuring with DT_CALCRECT puts no text on the surface";
    const DrawCall drawn = recording.callsOf(Kind::DrawText).back();
    EXPECT_EQ(drawn.rect, (Rect{0, 0, 100, 20}));
    EXPECT_EQ(drawn.options, unsigned(DT_CENTER | DT_SINGLELINE));
}

TEST(RecordingCanvas, RecordsBitmapsByTheirSize)
{
    RecordingCanvas c;
    c.Draw(3, 4, Bitmap(32, 16));
    c.clear();
    c.StretchDraw({0, 0, 64, 64}, Bitmap(32, 32));
    ASSERT_EQ(c.calls().size(), 1u);
    EXPECT_EQ(c.calls()[0].bitmapSize, (Size{32, 32}));
    EXPECT_EQ(c.calls()[0].rect, (Rect{0, 0, 64, 64}));
}
