// Renders a test report through the page store and a QtCanvas into a picture, checks pixels
// where each printable must have drawn, and with MIROLA_RENDER_DIR set saves the picture as
// report-page.png there for a person to look at.
#include "gfx/EmfPlayer.h"
#include "gfx/MeasureCanvas.h"
#include "gfx/QtCanvas.h"
#include "report/model/TRpExpr.h"
#include "report/model/TRpImage.h"
#include "report/model/TRpLabel.h"
#include "report/model/TRpReport.h"
#include "report/model/TRpShape.h"
#include "text/Cp949.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

using namespace report;

namespace {

constexpr long double px(long double n)
{
    return n * 254 / 96;
}

gfx::Font font(const char* face, int points, gfx::Color color = gfx::clBlack, bool bold = false)
{
    gfx::Font f;
    f.name = text::cp949(face);
    f.size = points;
    f.color = color;
    f.bold = bold;
    return f;
}

template <class T> T& place(TRpReport& report, const std::string& name)
{
    T& printable = report.add<T>(name);
    printable.size().SetUnits(TRpUnit::Native);
    return printable;
}

// Positions are given once the properties that measure are set, as a stored layout has them.
void setPixelRect(TRpPrintable& printable, int left, int top, int width, int height)
{
    printable.size().setRect(px(left), px(top), px(width), px(height));
}

// A seal-like picture: a red ring on white, 60 × 60 pixels.
gfx::Bitmap seal()
{
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            const int d2 = (x - 30) * (x - 30) + (y - 30) * (y - 30);
            if (d2 <= 28 * 28 && d2 >= 22 * 22)
                image.setPixel(x, y, qRgb(220, 0, 0));
        }
    return gfx::Bitmap::fromImage(image);
}

struct TestReport
{
    TRpReport report;
    TRpLabel* centred = nullptr;

    TestReport()
    {
        TRpBand& detail = report.addBand(rbDetail, "DetailBand1");
        detail.size().SetUnits(TRpUnit::MM);
        detail.size().setWidth(189.97L);
        detail.size().setHeight(2.91L);
        report.frame.drawTop = report.frame.drawBottom = true;
        report.frame.drawLeft = report.frame.drawRight = true;

        centred = &place<TRpLabel>(report, "title");
        centred->setFont(font("굴림체", 26, gfx::clBlue, true));
        centred->setAlignment(taCenter);
        centred->setAlignToBand(true);
        setPixelRect(*centred, 250, 60, 300, 40);
        centred->setCaption(text::cp949("거 래 명 세 서"));

        auto& wrapped = place<TRpLabel>(report, "wrapped");
        wrapped.setFont(font("굴림", 10));
        wrapped.setAutoSize(false);
        setPixelRect(wrapped, 70, 140, 220, 90);
        wrapped.frame.drawTop = wrapped.frame.drawBottom = true;
        wrapped.frame.drawLeft = wrapped.frame.drawRight = true;
        wrapped.setCaption(text::cp949(
            "이 텍스트는 여러 줄로 나뉘어야 합니다. Word wrapping breaks this long text into "
            "lines by bytes."));

        auto& stacked = place<TRpLabel>(report, "stacked");
        stacked.setFont(font("굴림체", 10));
        stacked.setAutoSize(false);
        stacked.setAlignment(taCenter);
        setPixelRect(stacked, 46, 140, 17, 87);
        stacked.setCaption(text::cp949("공  급  자"));

        auto& autoSized = place<TRpLabel>(report, "autosized");
        autoSized.setFont(font("Arial", 12));
        autoSized.color = gfx::clYellow;
        setPixelRect(autoSized, 300, 140, 10, 10);
        autoSized.setCaption("auto-sized label on yellow");

        auto& right = place<TRpExpr>(report, "amount");
        right.setFont(font("굴림체", 10));
        right.setAutoSize(false);
        right.setAlignment(taRightJustify);
        right.frame.drawBottom = true;
        setPixelRect(right, 300, 180, 200, 20);
        right.setMask("#,##0");
        right.setExpression("1234*1000+567");

        auto& literal = place<TRpExpr>(report, "literal");
        literal.setFont(font("굴림체", 10));
        literal.setAutoSize(false);
        setPixelRect(literal, 300, 205, 200, 20);
        literal.setExpression(text::cp949("'(공급받는자보관용) '+PAGENUMBER"));

        const struct
        {
            TRpShapeType type;
            int left;
        } shapes[] = {{rpsRectangle, 60}, {rpsCircle, 180},       {rpsVertLine, 300},
                      {rpsHorLine, 420},  {rpsTopAndBottom, 540}, {rpsRightAndLeft, 660}};
        for (const auto& s : shapes) {
            auto& shape = place<TRpShape>(report, "shape");
            setPixelRect(shape, s.left, 260, 80, 60);
            shape.shape = s.type;
            shape.brush = {gfx::clSilver, gfx::BrushStyle::Solid};
            shape.pen = {gfx::clNavy, 1, gfx::PenStyle::Solid};
        }
        auto& cut = place<TRpShape>(report, "cut");
        setPixelRect(cut, 0, 561, 794, 2);
        cut.shape = rpsHorLine;
        cut.pen = {gfx::clBlack, 1, gfx::PenStyle::DashDotDot};

        auto& stretched = place<TRpImage>(report, "stretched");
        setPixelRect(stretched, 60, 360, 120, 60);
        stretched.setPicture(seal());
        stretched.stretch = true;
        auto& centredImage = place<TRpImage>(report, "centredImage");
        setPixelRect(centredImage, 200, 360, 120, 100);
        centredImage.setPicture(seal());
        centredImage.center = true;
        centredImage.frame.drawTop = centredImage.frame.drawBottom = true;
        centredImage.frame.drawLeft = centredImage.frame.drawRight = true;
    }
};

QImage renderPage(const TRpReport& report, int n)
{
    const auto emf = report.RpPrinter()->PageImage(n);
    return emf ? gfx::playToImage(*emf, 794, 1123) : QImage();
}

bool isDark(QRgb c)
{
    return qGray(c) < 100;
}

int darkPixelsIn(const QImage& image, const QRect& r)
{
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            dark += isDark(image.pixel(x, y)) ? 1 : 0;
    return dark;
}

} // namespace

TEST(Render, TestReportDrawsEveryPrintableInPlace)
{
    TestReport t;
    t.report.GeneratePages();
    const QImage page = renderPage(t.report, 1);
    ASSERT_FALSE(page.isNull());
    if (const QByteArray dir = qgetenv("MIROLA_RENDER_DIR"); !dir.isEmpty())
        page.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("report-page.png")));

    // The report's frame around the 10 mm margins (38 pixels).
    EXPECT_TRUE(isDark(page.pixel(38, 500)));
    EXPECT_TRUE(isDark(page.pixel(400, 38)));
    EXPECT_FALSE(isDark(page.pixel(37, 500)));
    // The centred title is blue and keeps its centre.
    const int titleCentre = t.centred->left() + t.centred->width() / 2;
    EXPECT_NEAR(titleCentre, 400, 1);
    int blue = 0;
    for (int x = t.centred->left(); x < t.centred->left() + t.centred->width(); ++x)
        for (int y = 60; y < 100; ++y)
            blue += qBlue(page.pixel(x, y)) > 150 && qRed(page.pixel(x, y)) < 100 ? 1 : 0;
    EXPECT_GT(blue, 100);
    // Wrapped text stays inside its framed rectangle, on more than one line.
    EXPECT_GT(darkPixelsIn(page, QRect(72, 142, 216, 14)), 20);
    EXPECT_GT(darkPixelsIn(page, QRect(72, 160, 216, 14)), 20);
    // The rectangle's outline and fill, and the circle's fill at its centre.
    EXPECT_EQ(page.pixel(60, 290), qRgb(0, 0, 0x80));
    EXPECT_EQ(page.pixel(100, 290), qRgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(page.pixel(220, 290), qRgb(0xC0, 0xC0, 0xC0));
    // The vertical line through the middle of its rectangle, the end point left out.
    EXPECT_EQ(page.pixel(340, 261), qRgb(0, 0, 0x80));
    EXPECT_NE(page.pixel(340, 320), qRgb(0, 0, 0x80));
    // The stretched seal fills its rectangle: its ring touches the edges.
    EXPECT_EQ(qRed(page.pixel(120, 362)), 220);
    // The centred seal at natural size: its ring's top at 360 + (100 - 60) / 2 + 2.
    EXPECT_EQ(qRed(page.pixel(260, 382)), 220);
    EXPECT_EQ(page.pixel(260, 378), qRgb(255, 255, 255));
}
