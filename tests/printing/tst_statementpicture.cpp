// The statement page as it reaches paper: figures whole, two-line cells with both lines, digits
// in their boxes and the same lines at 96, 300 and 600 pixels per inch and in the PDF.
#include "gfx/EmfPlayer.h"
#include "gfx/Font.h"
#include "printing/StatementFill.h"
#include "printing/TFmirolareport.h"
#include "report/model/TRpCustomLabel.h"
#include "report/model/TRpPrinter.h"
#include "report/print/PlatformPrinter.h"
#include "report/print/PrintReport.h"
#include "report/print/WritePdf.h"
#include "tests/printing/PageTexts.h"
#include "tests/printing/StatementFixture.h"
#include "tests/report/print/CupsQueue.h"
#include "tests/report/print/PdfTools.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace printing;
using namespace testsupport::statement;
using testsupport::boundsOf;
using testsupport::PageText;

namespace {

constexpr double mmPerInch = 25.4;

double toPixels(double mm, int dpi)
{
    return mm / mmPerInch * dpi;
}

// How black a pixel is: blue lines and the red seal count as no ink.
int ink(QRgb c)
{
    return 255 - std::max({qRed(c), qGreen(c), qBlue(c)});
}

bool isBlueLine(QRgb c)
{
    return qBlue(c) > 160 && qRed(c) < 140 && qGreen(c) < 140;
}

bool isBlackLine(QRgb c)
{
    return ink(c) > 160;
}

QImage render(const Printed& p, int dpi)
{
    const auto emf = p.form->Report1.RpPrinter()->PageImage(1);
    if (!emf)
        return {};
    return gfx::playToImage(*emf, int(std::lround(toPixels(210, dpi))),
                            int(std::lround(toPixels(297, dpi))), dpi);
}

// Page 1 of the PDF export, rasterised by poppler (an independent reader) at `dpi`.
QImage renderPdf(const Printed& p, const testsupport::TempDir& dir, int dpi)
{
    const std::string pdf = dir.file("page.pdf");
    report::WritePdf(*p.form->Report1.RpPrinter(), pdf);
    const QString prefix = QString::fromStdString(dir.file("pdfpage"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                    QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"),
                    QStringLiteral("-l"), QStringLiteral("1"), QString::fromStdString(pdf),
                    prefix});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}

// With MIROLA_RENDER_DIR set, keeps a picture for a person to look at.
void keep(const QImage& image, const std::string& name)
{
    const QByteArray dir = qgetenv("MIROLA_RENDER_DIR");
    if (!dir.isEmpty())
        image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromStdString(name)));
}

struct Rendered
{
    std::string what;
    QImage image;
    int dpi;
};

// The page at the three resolutions and through the PDF; with MIROLA_RENDER_DIR set, the
// pictures and the PDF are kept there as <lookName>-<96|300|600|pdf>.png and <lookName>.pdf.
std::vector<Rendered> renderings(const Printed& p, const testsupport::TempDir& dir,
                                 const std::string& lookName)
{
    std::vector<Rendered> out;
    for (int dpi : {96, 300, 600})
        out.push_back({std::to_string(dpi), render(p, dpi), dpi});
    out.push_back({"pdf", renderPdf(p, dir, 300), 300});
    // Close-ups (millimetres): the digit rows, the two-line cells, the line columns.
    struct Crop
    {
        const char* name;
        double left, top, width, height;
    };
    const Crop crops[] = {
        {"digits", 8, 202, 110, 20}, {"cells", 105, 30, 96, 35}, {"columns", 100, 64, 101, 80}};
    for (const Rendered& r : out) {
        keep(r.image, lookName + "-" + r.what + ".png");
        for (const Crop& c : crops)
            keep(r.image.copy(QRectF(toPixels(c.left, r.dpi), toPixels(c.top, r.dpi),
                                     toPixels(c.width, r.dpi), toPixels(c.height, r.dpi))
                                  .toRect()),
                 lookName + "-" + r.what + "-" + c.name + ".png");
    }
    if (const QByteArray look = qgetenv("MIROLA_RENDER_DIR"); !look.isEmpty())
        QFile::copy(
            QString::fromStdString(dir.file("page.pdf")),
            QDir(QString::fromLocal8Bit(look)).filePath(QString::fromStdString(lookName + ".pdf")));
    return out;
}

// Centroid of the ink in a rectangle of millimetres: x and y in millimetres, and its weight.
struct Centroid
{
    double x = 0, y = 0, weight = 0;
};

Centroid inkCentroid(const QImage& image, int dpi, double left, double top, double right,
                     double bottom)
{
    Centroid c;
    const int x0 = int(std::ceil(toPixels(left, dpi))), x1 = int(std::floor(toPixels(right, dpi)));
    const int y0 = int(std::ceil(toPixels(top, dpi))), y1 = int(std::floor(toPixels(bottom, dpi)));
    double sx = 0, sy = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const int w = ink(image.pixel(x, y));
            if (w < 40)
                continue;
            sx += w * (x + 0.5);
            sy += w * (y + 0.5);
            c.weight += w;
        }
    if (c.weight > 0) {
        c.x = sx / c.weight / dpi * mmPerInch;
        c.y = sy / c.weight / dpi * mmPerInch;
    }
    return c;
}

// The leftmost and rightmost ink of a rectangle of millimetres, in millimetres: the digit's
// own middle lies halfway, whatever the shape of its strokes.
std::pair<double, double> inkSpan(const QImage& image, int dpi, double left, double top,
                                  double right, double bottom)
{
    const int x0 = int(std::ceil(toPixels(left, dpi))), x1 = int(std::floor(toPixels(right, dpi)));
    const int y0 = int(std::ceil(toPixels(top, dpi))), y1 = int(std::floor(toPixels(bottom, dpi)));
    int first = x1, last = x0 - 1;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (ink(image.pixel(x, y)) >= 80) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first * mmPerInch / dpi, (last + 1) * mmPerInch / dpi};
}

// How far a digit's ink lies right of the middle of its own cell, in millimetres at the digit
// rows' 22 points (a "1" leans left, for instance): read from the face itself.
double glyphBias(char digit)
{
    gfx::Font f;
    f.name = text::cp949("굴림체");
    f.size = 22;
    constexpr int dpi = 600;
    QFont face = gfx::toQFont(f, dpi);
    if (digit == '0')
        face = gfx::plainZeroFont(face).value_or(face);
    const QFontMetricsF metrics(face);
    const QString s(QChar::fromLatin1(digit));
    const QRectF ink = metrics.boundingRect(s);
    const double biasPixels = ink.center().x() - metrics.horizontalAdvance(s) / 2;
    return biasPixels / dpi * mmPerInch;
}

// Separate runs of line pixels along a column (vertical line) or a row (horizontal line).
int runsAlong(const QImage& image, bool vertical, int fixed, int from, int to, bool (*isLine)(QRgb))
{
    int runs = 0;
    bool inRun = false;
    for (int v = from; v < to; ++v) {
        bool on = false;
        // The line may straddle two pixels at a fractional position: look one either side.
        for (int d = -1; d <= 1 && !on; ++d)
            on = isLine(vertical ? image.pixel(fixed + d, v) : image.pixel(v, fixed + d));
        if (on && !inRun)
            ++runs;
        inRun = on;
    }
    return runs;
}

std::string grouped(const std::string& plain)
{
    const bool negative = !plain.empty() && plain[0] == '-';
    const std::string digits = negative ? plain.substr(1) : plain;
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return (negative ? "-" : "") + out;
}

// The texts printed in a printable's rectangle.
std::vector<PageText> textsIn(const Printed& p, const std::string& name)
{
    const gfx::Rect r = boundsOf(p.form->Report1, name);
    std::vector<PageText> out;
    // By its middle, or by its right edge at the printable's for a figure that spills out to
    // the left.
    for (const PageText& t : p.pages.at(0).texts)
        if (t.y >= r.top - 1 && t.y < r.bottom &&
            ((t.x >= r.left && t.x < r.right) ||
             (t.right >= r.right - 2 && t.right <= r.right + 1)))
            out.push_back(t);
    return out;
}

// The digit boxes of the supply amount (ten) and of the tax (nine), by their dividers.
const double supplyDividers[] = {37.84, 41.80, 45.77, 49.74, 53.71, 57.68,
                                 61.65, 65.62, 69.59, 73.55, 77.52};
const double taxDividers[] = {77.52, 81.49,  85.46,  89.43,  93.40,
                              97.37, 101.34, 105.30, 109.27, 113.24};
// The digit row between the lines under the place headings and over the item headings.
constexpr double digitRowTop = 211.6, digitRowBottom = 218.6;

} // namespace

TEST(StatementPicture, FiguresPrintWholeInEveryFigurePrintable)
{
    const std::string digits = "1234567890123456789";
    for (size_t n = 6; n <= 19; ++n) {
        for (bool negative : {false, true}) {
            const std::string plain = (negative ? "-" : "") + digits.substr(0, n);
            SCOPED_TRACE(plain);
            const std::string positive = digits.substr(0, n);
            StatementInputs in = workedExample();
            in.lines = {
                line("A", "a", plain.c_str(), "EA", plain.c_str(), plain.c_str(), plain.c_str())};
            in.totAmt = plain;
            in.totAmTax = plain;
            // Count and tax decide whether a half is filled: kept positive so both are.
            in.totCount = positive;
            in.totTax = positive;
            const Printed p = print(in);
            const std::string total = "￦" + grouped(plain) + "원";
            const std::pair<const char*, std::string> expected[] = {
                {"SUB_QTY1", grouped(plain)},
                {"SUB_PRICE1", grouped(plain)},
                {"SUB_AMOUNT1", grouped(plain)},
                {"SUB_TAXAMT1", grouped(plain)},
                {"SUB_TOTAL", total},
                {"SUB_COUNT", "건수 : " + grouped(positive) + "건"},
                {"SUB_AMOUNT", grouped(plain)},
                {"SUB_TAXAMT", grouped(positive)},
                {"TAX_AMOUNT", plain},
                {"TAX_TAXAMT", positive},
                {"TAX_AMOUNT1", grouped(plain)},
                {"TAX_TAXAMT1", grouped(positive)},
                {"TAX_TOTAL", total},
                {"AMT_SPACE", std::to_string(std::max(0, 10 - int(plain.size())))},
            };
            for (const auto& [name, text] : expected) {
                SCOPED_TRACE(name);
                const std::vector<PageText> texts = textsIn(p, name);
                ASSERT_EQ(texts.size(), 1u);
                EXPECT_EQ(texts[0].text, text);
                // Inside its printable, unless even the smallest size is too wide; then it
                // spills to the open side only.
                const gfx::Rect r = boundsOf(p.form->Report1, name);
                const auto* label = p.form->Report1.find<report::TRpCustomLabel>(name);
                ASSERT_NE(label, nullptr);
                const gfx::Font floor{.size = report::TRpCustomLabel::minFigurePoints};
                const bool atFloor = texts[0].font.pixelHeight(96) <= floor.pixelHeight(96) &&
                                     label->font().size > floor.size;
                if (label->alignment() == report::taRightJustify) {
                    EXPECT_LE(texts[0].right, r.right + 1); // the right edge rounds on its own
                }
                if (!atFloor) {
                    EXPECT_GE(texts[0].left, r.left - 1);
                    EXPECT_LE(texts[0].right, r.right + 1); // the right edge rounds on its own
                }
            }
        }
    }
}

TEST(StatementPicture, CellsSizedForTwoLinesShowBoth)
{
    StatementInputs in = workedExample();
    in.address = text::cp949("경기도 성남시 분당구 판교역로 235, 에이치스퀘어 엔동 7층");
    in.jobKind = text::cp949("제조업 도매 및 소매");
    in.jobItem = text::cp949("전자부품 사무용품 잡화");
    // With the widest figures, for a person to look at the whole page.
    const std::string widest = "-9223372036854775808";
    in.lines = {
        line("A", "a", widest.c_str(), "EA", widest.c_str(), widest.c_str(), widest.c_str()),
        line("B", "b", "12345678", "BOX", "123456789012", "1234567890123", "12345678901")};
    in.totAmt = "12350600000";
    in.totTax = "1235060000";
    in.totAmTax = "13585660000";
    const Printed p = print(in);
    if (!qEnvironmentVariableIsEmpty("MIROLA_RENDER_DIR")) {
        testsupport::TempDir dir;
        renderings(p, dir, "widest");
    }
    const std::pair<const char*, const char*> twoLines[] = {
        {"SUB_ADDRESS", "경기도 성남시 분당구 판교역로 235, 에이치스퀘어 엔동 7층"},
        {"TAX_ADDRESS", "경기도 성남시 분당구 판교역로 235, 에이치스퀘어 엔동 7층"},
        {"SUB_JOBKIND", "제조업 도매 및 소매"},
        {"TAX_JOBKIND", "제조업 도매 및 소매"},
        {"SUB_JOBITEM", "전자부품 사무용품 잡화"},
        {"TAX_JOBITEM", "전자부품 사무용품 잡화"},
        {"RpLabel4", "등록번호"},
        {"RpLabel9", "등록번호"},
        {"RpLabel93", "등록번호"},
        {"RpLabel100", "등록번호"},
    };
    for (const auto& [name, text] : twoLines) {
        SCOPED_TRACE(name);
        EXPECT_EQ(textsIn(p, name).size(), 2u);
        EXPECT_EQ(p.at(name), text);
    }
}

namespace {

// The statement whose digit rows fill every box.
StatementInputs fullDigitRows()
{
    StatementInputs in = workedExample();
    in.totAmt = "1234567890";
    in.totTax = "102030405";
    in.totAmTax = "1336598295";
    return in;
}

// Every digit of the rows of fullDigitRows() centred in its box, and its zeros plain.
void expectDigitsInTheirBoxes(const Rendered& r)
{
    SCOPED_TRACE(r.what);
    ASSERT_FALSE(r.image.isNull());
    auto check = [&](const double* dividers, const std::string& figure) {
        for (size_t box = 0; box < figure.size(); ++box) {
            SCOPED_TRACE("box " + std::to_string(box + 1) + " of " + figure);
            const double left = dividers[box], right = dividers[box + 1];
            const Centroid c =
                inkCentroid(r.image, r.dpi, left, digitRowTop, right, digitRowBottom);
            ASSERT_GT(c.weight, 0);
            const auto [inkLeft, inkRight] =
                inkSpan(r.image, r.dpi, left, digitRowTop, right, digitRowBottom);
            EXPECT_NEAR((inkLeft + inkRight) / 2 - glyphBias(figure[box]), (left + right) / 2,
                        0.25);
            if (figure[box] != '0' || r.dpi < 300)
                continue;
            // A plain zero: no ink in the middle of its ring.
            const Centroid middle =
                inkCentroid(r.image, r.dpi, c.x - 0.2, c.y - 0.3, c.x + 0.2, c.y + 0.3);
            EXPECT_LT(middle.weight, 0.02 * c.weight);
        }
    };
    check(supplyDividers, "1234567890");
    check(taxDividers, "102030405");
}

// A dotted divider of the digit boxes dotted, a solid one solid, the cut line dash-dot-dot.
void expectTheSameLines(const Rendered& r)
{
    SCOPED_TRACE(r.what);
    ASSERT_FALSE(r.image.isNull());
    const auto px = [&](double mm) { return int(std::lround(toPixels(mm, r.dpi))); };
    // The dividers' rectangles are 0.26 mm across.
    const int dotted = runsAlong(r.image, true, px(45.77 + 0.13), px(207.8), px(218.4), isBlueLine);
    EXPECT_GE(dotted, 5) << "dotted divider";
    EXPECT_EQ(runsAlong(r.image, true, px(41.80 + 0.13), px(207.8), px(218.4), isBlueLine), 1);
    const int cut = runsAlong(r.image, false, px(148.17 + 0.265), px(20), px(190), isBlackLine);
    EXPECT_GE(cut, 40) << "cut line";
}

} // namespace

TEST(StatementPicture, DigitsSitInTheirBoxesAtEveryResolution)
{
    testsupport::TempDir dir;
    const Printed p = print(fullDigitRows());
    for (const Rendered& r : renderings(p, dir, "digit-boxes"))
        expectDigitsInTheirBoxes(r);
}

TEST(StatementPicture, LinesAreTheSameAtEveryResolution)
{
    testsupport::TempDir dir;
    const Printed p = print(workedExample());
    std::vector<Rendered> all = renderings(p, dir, "lines");
    // The preview at 150 % plays the page at this scale.
    all.push_back({"144", render(p, 144), 144});
    for (const Rendered& r : all)
        expectTheSameLines(r);
}

// Printed straight to a printer (the private print server's PDF queue), the page has the same
// digits in their boxes and the same lines.
class StatementOnPaper : public PrintServerTest
{
};

TEST_F(StatementOnPaper, DigitsAndLinesAreTheSameOnPaper)
{
    if (!serverReady())
        return;
    Printed p = print(fullDigitRows());
    report::TRpReport& report = p.form->Report1;
    report.printerSettings.deviceIndex = report::PlatformPrinter::instance().printerIndex();
    const QString title = CupsQueue::uniqueTitle(QStringLiteral("statement"));
    report.setReportTitle(text::toCp949(title));
    report::PrintReport(report);
    const std::optional<CupsQueue::Job> job = queue.waitForJob(title);
    ASSERT_TRUE(job);
    const Rendered paper{"paper", CupsQueue::renderPage(job->pdf, 1, 300), 300};
    keep(paper.image, "paper-300.png");
    expectDigitsInTheirBoxes(paper);
    expectTheSameLines(paper);
}

TEST(StatementPicture, PdfTextKeepsItsSpaces)
{
    testsupport::TempDir dir;
    StatementInputs in = workedExample();
    in.address = text::cp949("서울특별시 중구 세종대로 110, 5층");
    const Printed p = print(in);
    const std::string pdf = dir.file("statement.pdf");
    report::WritePdf(*p.form->Report1.RpPrinter(), pdf);
    const QString text = pdfText(QString::fromStdString(pdf), 1);
    for (const char* printed : {"서울특별시 중구 세종대로 110, 5층", "서울 중구 세종대로 1",
                                "국민은행 123-456-789012", "거 래 명 세 서"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(printed))) << printed << "\n"
                                                               << text.toStdString();
}
