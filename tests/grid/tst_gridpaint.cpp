// How the grid draws: the calls on a recording canvas for the parts of a cell, and the pixels
// of the viewer's two grids rendered on the offscreen platform.
#include "ViewerGrids.h"
#include "gfx/RecordingCanvas.h"
#include "grid/CellDrawing.h"
#include "grid/TImVarGrid.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QDir>
#include <QImage>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace grid;
using namespace viewergrids;
using gfx::DrawCall;

namespace {

const std::vector<std::vector<std::string>> dates = {
    {"2004-03-02", "1"}, {"2004-03-09", "2"}, {"2004-03-15", "1"}, {"2004-03-27", "3"}};

std::vector<std::string> line(int i)
{
    return {text::cp949("볼트 M8"),
            text::cp949("아연도금 50mm"),
            std::to_string(10 * i),
            "EA",
            "1,200",
            std::to_string(12000 * i),
            std::to_string(1200 * i)};
}

gfx::RecordingCanvas paintAll(TImVarGrid& grid)
{
    gfx::RecordingCanvas canvas;
    const gfx::Size size = grid.clientSize();
    grid.PaintTo(canvas, {0, 0, size.cx, size.cy});
    return canvas;
}

// The call that drew `text`, or null.
const DrawCall* textCall(const gfx::RecordingCanvas& canvas, const std::string& text)
{
    for (const DrawCall& c : canvas.calls())
        if (c.kind == DrawCall::Kind::DrawText && !(c.options & gfx::DT_CALCRECT) && c.text == text)
            return &c;
    return nullptr;
}

bool filled(const gfx::RecordingCanvas& canvas, const gfx::Rect& r, gfx::Color color)
{
    for (const DrawCall& c : canvas.callsOf(DrawCall::Kind::FillRect))
        if (c.rect == r && gfx::ColorToRGB(c.brush.color) == gfx::ColorToRGB(color))
            return true;
    return false;
}

int textHeight(const gfx::Font& font)
{
    gfx::RecordingCanvas probe;
    probe.font = font;
    gfx::Rect r{0, 0, 100, 100};
    return probe.DrawText("x", r, gfx::DT_CALCRECT);
}

QColor rgb(gfx::Color c)
{
    return gfx::toQColor(c);
}

// A form window holding a grid, shown and active on the offscreen platform.
struct Form
{
    explicit Form(void (*configure)(TImVarGrid&))
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        grid = new TImVarGrid(&window);
        configure(*grid);
        const QSize size = grid->size();
        layout->addWidget(grid);
        window.resize(size);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void focus(bool on)
    {
        if (on) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
            grid->setFocus();
            EXPECT_TRUE(testsupport::waitUntil([&] { return grid->hasFocus(); }));
        } else {
            grid->clearFocus();
        }
    }
    QImage client() const { return grid->viewport()->grab().toImage(); }

    QWidget window;
    TImVarGrid* grid = nullptr;
};

} // namespace

TEST(GridPaintCalls, HeaderCellOfTheDateGrid)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    const gfx::RecordingCanvas canvas = paintAll(grid);
    const DrawCall* caption = textCall(canvas, text::cp949("거래일자"));
    ASSERT_NE(caption, nullptr);
    // The 65 × 20 cell less the margin, moved down to centre the line vertically.
    EXPECT_EQ(caption->rect.left, 2);
    EXPECT_EQ(caption->rect.right, 63);
    EXPECT_EQ(caption->rect.bottom, 18);
    EXPECT_EQ(caption->rect.top, 2 + (16 - textHeight(caption->font)) / 2);
    EXPECT_EQ(caption->options & (gfx::DT_CENTER | gfx::DT_RIGHT), 0u); // left-aligned
    EXPECT_TRUE(caption->options & gfx::DT_NOPREFIX);
    EXPECT_EQ(caption->font.color, gfx::clYellow);
    EXPECT_EQ(caption->font.name, gfx::Font().name);
    EXPECT_EQ(caption->bkMode, gfx::BkMode::Transparent);

    EXPECT_TRUE(filled(canvas, {0, 0, 65, 20}, gfx::clTeal));
    EXPECT_TRUE(filled(canvas, {0, 0, 64, 1}, gfx::RGB(127, 191, 191))); // light top
    EXPECT_TRUE(filled(canvas, {0, 0, 1, 19}, gfx::RGB(127, 191, 191))); // light left
    EXPECT_TRUE(filled(canvas, {64, 0, 65, 20}, gfx::RGB(0, 64, 64)));   // dark right
    EXPECT_TRUE(filled(canvas, {0, 19, 65, 20}, gfx::RGB(0, 64, 64)));   // dark bottom
    EXPECT_TRUE(filled(canvas, {0, 20, 66, 21}, gfx::clBlack));          // line below
    EXPECT_TRUE(filled(canvas, {65, 0, 66, 20}, gfx::clBlack));          // line to the right
}

TEST(GridPaintCalls, BodyCellsAndTheCurrentRow)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    for (const auto& row : dates)
        appendRow(grid, row);
    const gfx::RecordingCanvas canvas = paintAll(grid);

    // The first body row is current before any click: the unfocused selection colours.
    const DrawCall* current = textCall(canvas, "2004-03-02");
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->font.color, gfx::clHighlightText);
    EXPECT_TRUE(filled(canvas, {0, 21, 65, 41}, gfx::RGB(160, 160, 192)));
    EXPECT_TRUE(filled(canvas, {66, 21, 101, 41}, gfx::RGB(160, 160, 192)));

    const DrawCall* other = textCall(canvas, "2004-03-09");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->font.color, gfx::clWindowText);
    EXPECT_TRUE(filled(canvas, {0, 42, 65, 62}, gfx::clWhite));
    EXPECT_TRUE(filled(canvas, {0, 62, 66, 63}, gfx::clBtnFace)); // grid line below

    // "NO" is right-aligned; the dates are left-aligned.
    const auto numbers = canvas.callsOf(DrawCall::Kind::DrawText);
    const auto right = std::count_if(numbers.begin(), numbers.end(), [](const DrawCall& c) {
        return !(c.options & gfx::DT_CALCRECT) && (c.options & gfx::DT_RIGHT);
    });
    EXPECT_EQ(right, 4);
    EXPECT_EQ(other->options & gfx::DT_RIGHT, 0u);
    // Vertically centred: measured first in the same rectangle with the same flags.
    const auto measures = std::count_if(numbers.begin(), numbers.end(), [](const DrawCall& c) {
        return (c.options & gfx::DT_CALCRECT) && c.text == "2004-03-09";
    });
    EXPECT_EQ(measures, 1);
}

TEST(GridPaintCalls, EmptyGridShowsTheHeaderAndTheEmptyArea)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    const gfx::Size client = grid.clientSize();
    const gfx::RecordingCanvas canvas = paintAll(grid);
    EXPECT_EQ(canvas.texts().size(), 2u);
    EXPECT_TRUE(filled(canvas, {102, 0, client.cx, 21}, gfx::clWindow)); // right of the header
    EXPECT_TRUE(filled(canvas, {0, 21, 102, client.cy}, gfx::clWindow)); // below it
}

TEST(GridPaintCalls, AmpersandIsShownAsItIs)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    grid.Columns().Items(0).setCaption("A&B");
    const gfx::RecordingCanvas canvas = paintAll(grid);
    const DrawCall* caption = textCall(canvas, "A&B");
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(caption->options & gfx::DT_NOPREFIX);
}

TEST(GridPaintCalls, DisabledGridDrawsAllTextGrey)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    appendRow(grid, dates[0]);
    appendRow(grid, dates[1]);
    grid.setEnabled(false);
    const gfx::RecordingCanvas canvas = paintAll(grid);
    for (const DrawCall& c : canvas.callsOf(DrawCall::Kind::DrawText))
        EXPECT_EQ(c.font.color, gfx::clGrayText) << c.text;
}

TEST(GridPaintCalls, OnlyTheVisibleRowsArePainted)
{
    TImVarGrid grid;
    configureLikeImVarGrid2(grid);
    for (int i = 0; i < 2000; ++i)
        appendRow(grid, line(i));
    grid.setTopRow(1500);
    const gfx::RecordingCanvas canvas = paintAll(grid);
    const int rows = grid.clientSize().cy / 21 + 1;
    EXPECT_LE(canvas.texts().size(), size_t(7 * (rows + 1)));
    // Grid row 1500 is data row 1499.
    EXPECT_NE(textCall(canvas, std::to_string(12000 * 1499)), nullptr);
    EXPECT_EQ(textCall(canvas, std::to_string(12000 * 1498)), nullptr);
}

TEST(GridPaintCalls, ClipLimitsTheCellsDrawn)
{
    TImVarGrid grid;
    configureLikeImVarGrid1(grid);
    for (const auto& row : dates)
        appendRow(grid, row);
    gfx::RecordingCanvas canvas;
    grid.PaintTo(canvas, {0, 63, 120, 83}); // body row 3 only, as a one-cell repaint asks
    EXPECT_EQ(canvas.texts(), (std::vector<std::string>{"2004-03-15", "1"}));
}

TEST(CellDrawing, Shades)
{
    EXPECT_EQ(lightShade(gfx::clTeal), gfx::RGB(127, 191, 191));
    EXPECT_EQ(darkShade(gfx::clTeal), gfx::RGB(0, 64, 64));
    EXPECT_EQ(lightShade(gfx::RGB(255, 0, 1)), gfx::RGB(255, 127, 128));
    EXPECT_EQ(darkShade(gfx::RGB(255, 0, 1)), gfx::RGB(128, 0, 1)); // 255 − 127, 1 − 0
}

TEST(CellDrawing, TextLayoutAndMargin)
{
    struct Row
    {
        const char* name;
        TTextLayout layout;
        int margin;
        int top; // of the rectangle the text is drawn in, for a 40-pixel cell at 0
    };
    gfx::RecordingCanvas probe;
    gfx::Rect measure{0, 0, 100, 100};
    const int height = probe.DrawText("x", measure, gfx::DT_CALCRECT);
    const std::vector<Row> rows = {
        {"top", tlTop, 2, 2},
        {"centre", tlCenter, 2, 2 + (36 - height) / 2},
        {"bottom", tlBottom, 2, 2 + 36 - height},
        {"wider margin", tlTop, 5, 5},
    };
    for (const Row& row : rows) {
        TImCellAttr attr;
        attr.setLayout(row.layout);
        attr.setMargin(row.margin);
        gfx::RecordingCanvas canvas;
        drawCellText(canvas, {0, 0, 100, 40}, "x", attr);
        const auto drawn = canvas.callsOf(DrawCall::Kind::DrawText);
        ASSERT_FALSE(drawn.empty()) << row.name;
        EXPECT_EQ(drawn.back().rect.top, row.top) << row.name;
        EXPECT_EQ(drawn.back().rect.left, row.margin) << row.name;
    }
}

TEST(GridPixels, DateGridFocusedWithRows)
{
    Form form(configureLikeImVarGrid1);
    for (const auto& row : dates)
        appendRow(*form.grid, row);
    form.focus(true);
    const QImage image = form.client();
    EXPECT_EQ(image.pixelColor(5, 0), QColor(127, 191, 191)); // raised frame, light
    EXPECT_EQ(image.pixelColor(64, 10), QColor(0, 64, 64));   // raised frame, dark
    EXPECT_EQ(image.pixelColor(62, 3), QColor(0, 128, 128));  // teal fill
    EXPECT_EQ(image.pixelColor(65, 10), QColor(0, 0, 0));     // line after the column
    EXPECT_EQ(image.pixelColor(30, 20), QColor(0, 0, 0));     // line below the header
    // The current row in the highlight, with the focus frame over the current cell.
    const QColor highlight = rgb(gfx::clHighlight);
    EXPECT_EQ(image.pixelColor(90, 24), highlight);
    EXPECT_EQ(image.pixelColor(1, 30), rgb(lightShade(gfx::clHighlight)));
    EXPECT_EQ(image.pixelColor(63, 30), rgb(darkShade(gfx::clHighlight)));
    EXPECT_EQ(image.pixelColor(30, 40), rgb(darkShade(gfx::clHighlight)));
    EXPECT_EQ(image.pixelColor(70, 30), highlight); // the other cell of the row: no frame
    // Other rows white with button-face lines; the empty area in the window colour.
    EXPECT_EQ(image.pixelColor(90, 45), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(90, 62), rgb(gfx::clBtnFace));
    EXPECT_EQ(image.pixelColor(101, 45), rgb(gfx::clBtnFace));
    EXPECT_EQ(image.pixelColor(60, 200), rgb(gfx::clWindow));
}

TEST(GridPixels, UnfocusedCurrentRowUsesTheBackColour)
{
    Form form(configureLikeImVarGrid2);
    for (int i = 1; i <= 3; ++i)
        appendRow(*form.grid, line(i));
    form.focus(false);
    const QImage image = form.client();
    EXPECT_EQ(image.pixelColor(92, 24), QColor(160, 160, 192));
    EXPECT_EQ(image.pixelColor(1, 30), QColor(160, 160, 192)); // no focus frame
    EXPECT_EQ(image.pixelColor(92, 45), QColor(255, 255, 255));
}

// With MIROLA_GRID_SHOTS set to a folder, the viewer's grids are saved there as pictures:
// empty and with rows, focused and not.
TEST(GridPixels, Screenshots)
{
    const QString folder = qEnvironmentVariable("MIROLA_GRID_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "MIROLA_GRID_SHOTS not set";
    QDir().mkpath(folder);
    for (int which = 1; which <= 2; ++which) {
        for (bool rows : {false, true}) {
            for (bool focused : {false, true}) {
                Form form(which == 1 ? configureLikeImVarGrid1 : configureLikeImVarGrid2);
                if (rows) {
                    for (int i = 1; i <= 30; ++i) {
                        if (which == 1)
                            appendRow(*form.grid, {"2004-03-" + std::to_string(10 + i % 20),
                                                   std::to_string(i)});
                        else
                            appendRow(*form.grid, line(i));
                    }
                    form.grid->SetRow(3);
                }
                form.focus(focused);
                const QString name =
                    QStringLiteral("%1/grid%2-%3-%4.png")
                        .arg(folder)
                        .arg(which)
                        .arg(rows ? QStringLiteral("rows") : QStringLiteral("empty"))
                        .arg(focused ? QStringLiteral("focused") : QStringLiteral("unfocused"));
                EXPECT_TRUE(form.grid->grab().save(name));
            }
        }
    }
}
