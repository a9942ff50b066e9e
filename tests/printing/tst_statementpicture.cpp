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

std::string withoutWhitespace(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '\f')
            out += c;
    return out;
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

// Every figure prints whole inside its own cell, smaller where it must, never across a rule into
// its neighbour. Quantities of 9 digits (8 with a minus) and amounts of 17 always print; a figure
// too wide even at the smallest legible size fails the printing and names its field.
TEST(StatementPicture, FiguresPrintWholeInsideTheirOwnCells)
{
    const std::string digits = "1234567890123456789";
    for (size_t n = 6; n <= 19; ++n) {
        for (bool negative : {false, true}) {
            const std::string plain = (negative ? "-" : "") + digits.substr(0, n);
            SCOPED_TRACE(plain);
            const std::string positive = digits.substr(0, n);
            const std::string qty =
                (negative ? "-" : "") + digits.substr(0, std::min<size_t>(n, negative ? 8 : 9));
            StatementInputs in = workedExample();
            in.lines = {
                line("A", "a", qty.c_str(), "EA", plain.c_str(), plain.c_str(), plain.c_str())};
            in.totAmt = plain;
            in.totAmTax = plain;
            // Count and tax decide whether a half is filled: kept positive so both are.
            in.totCount = positive;
            in.totTax = positive;
            Printed p;
            try {
                p = print(in);
            } catch (const std::exception& e) {
                const QString message = text::fromCp949(e.what());
                EXPECT_GT(n, 17u) << message.toStdString();
                EXPECT_TRUE(message.contains(QString::fromUtf8(grouped(positive).c_str())) ||
                            message.contains(QString::fromUtf8(positive.c_str())))
                    << message.toStdString();
                continue;
            }
            const std::string total = "￦" + grouped(plain) + "원";
            const std::pair<const char*, std::string> expected[] = {
                {"SUB_QTY1", grouped(qty)},
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
                const gfx::Rect r = boundsOf(p.form->Report1, name);
                EXPECT_GE(texts[0].left, r.left);
                // The right edge rounds on its own; the rule beyond it lies a pixel further.
                EXPECT_LE(texts[0].right, r.right + 1);
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
    // With wide figures, for a person to look at the whole page.
    const std::string wide = "-12345678901234567";
    in.lines = {line("A", "a", "-12345678", "EA", wide.c_str(), wide.c_str(), wide.c_str()),
                line("B", "b", "123456789", "BOX", "123456789012", "1234567890123", "12345678901")};
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
        // A line ends without the space it broke at.
        EXPECT_EQ(withoutWhitespace(p.at(name)), withoutWhitespace(text));
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

namespace {

// Particulars as trading partners have them: names of 11 to 20 syllables without a space, two
// representatives, addresses of three lines' worth, quotes.
SupplierParticulars realSupplier()
{
    return {text::cp949("123-45-67890"),
            text::cp949("대한민국시도지사협의회"),
            text::cp949("남궁민수, 황보서연"),
            text::cp949("서울특별시 영등포구 국제금융로 10 서울국제금융센터 원아이에프씨 "
                        "22층 2201호 (여의도동)"),
            text::cp949("서비스업, 도매 및 소매업"),
            text::cp949("경영컨설팅, 산업용안전보호장구"),
            text::cp949("입금계좌 : 한국산업은행 012-3456789-01-234 예금주 "
                        "주식회사 대한민국시도지사협의회사무국")};
}

StatementInputs realStatement()
{
    StatementInputs in = workedExample();
    in.registration = "211-86-12345";
    in.custName = text::cp949("한국농수산식품유통공사서울지역본부");
    in.chief = text::cp949("황보서연, 남궁민수");
    in.address = text::cp949("경기도 성남시 분당구 판교역로 235 에이치스퀘어 엔동 7층 701호 "
                             "(삼평동, 한국판교테크노밸리)");
    in.jobKind = text::cp949("제조업, 도매 및 소매업, 정보통신업");
    in.jobItem = text::cp949("전자부품, 산업용안전보호장구, 소프트웨어");
    // Item names at and past their column's width, Korean and ASCII, quotes, every width of
    // figure a line carries: 14 lines, so the fourteenth goes to page 2.
    const char* const items[] = {"산업용안전보호장갑세트", "HEAVY-DUTY NITRILE GLOVES XL",
                                 "\"특가\" 안전화", "한국농수산식품유통공사전용상자", "방진마스크"};
    const char* const standards[] = {
        "KS M 6779 일반작업용 니트릴 코팅 장갑 (검정) 대형 포장단위 10켤레 묶음 상자",
        "EN 388:2016 4131X, 'CUT LEVEL B', BOX OF 120 PAIRS", "260mm", "1,200 x 1,000 x 150",
        "KF94"};
    const char* const quantities[] = {"123456789", "-12345678", "98765432", "1", "-7"};
    const char* const prices[] = {"99999999", "1250", "45000", "12345678901234", "800"};
    const char* const amounts[] = {"12345678901234567", "-15432097500", "4444444440000",
                                   "12345678901234", "-5600"};
    in.lines.clear();
    int64_t amount = 0, tax = 0;
    for (int i = 0; i < 14; ++i) {
        const int k = i % 5;
        const int64_t a = std::stoll(amounts[k]);
        in.lines.push_back(line(items[k], standards[k], quantities[k], i % 2 ? "켤레" : "BOX",
                                prices[k], amounts[k], std::to_string(a / 10).c_str()));
        amount += a;
        tax += a / 10;
    }
    in.totAmt = std::to_string(amount);
    in.totTax = std::to_string(tax);
    in.totAmTax = std::to_string(amount + tax);
    in.totCount = "14";
    return in;
}

} // namespace

// Every text of a statement of real-shaped particulars and lines is read back whole from the
// page pictures and from the PDF, once in its own cell, and lies inside that cell.
TEST(StatementPicture, RealParticularsAndLinesPrintWholeInsideTheirCells)
{
    const SupplierParticulars from = realSupplier();
    const StatementInputs in = realStatement();
    const Printed p = print(in, from, "real-particulars");
    ASSERT_EQ(p.pages.size(), 2u);
    EXPECT_TRUE(p.form->Report1.cutTexts().empty());

    struct Expected
    {
        std::string name;
        int page;
        std::string text; // cp949
    };
    std::vector<Expected> expected;
    const std::pair<const char*, std::string> perHalf[] = {
        {"CUSTNAME", in.custName}, {"CHIEF", in.chief},     {"ADDRESS", in.address},
        {"JOBKIND", in.jobKind},   {"JOBITEM", in.jobItem},
    };
    for (const char* half : {"SUB_", "TAX_"})
        for (const auto& [field, value] : perHalf)
            expected.push_back({half + std::string(field), 1, value});
    const std::pair<const char*, std::string> supplierFields[] = {
        {"RpExpr9", from.name},          {"RpExpr10", from.representative},
        {"RpExpr11", from.address},      {"RpExpr13", from.businessType},
        {"RpExpr14", from.businessItem}, {"RpExpr7", from.bankAccount},
        {"RpExpr39", from.name},         {"RpExpr40", from.representative},
        {"RpExpr41", from.address},      {"RpExpr42", from.businessType},
        {"RpExpr43", from.businessItem},
    };
    for (const auto& [name, value] : supplierFields)
        expected.push_back({name, 1, value});
    for (size_t i = 0; i < in.lines.size(); ++i) {
        const int page = int(i) / 13 + 1;
        const std::string slot = std::to_string(i % 13 + 1);
        const StatementLine& l = in.lines[i];
        expected.push_back({"SUB_ITEMNAME" + slot, page, l[0]});
        expected.push_back({"SUB_DESCRIPT" + slot, page, l[1]});
        expected.push_back({"SUB_QTY" + slot, page, grouped(l[2])});
        expected.push_back({"SUB_UNIT" + slot, page, l[3]});
        expected.push_back({"SUB_PRICE" + slot, page, grouped(l[4])});
        expected.push_back({"SUB_AMOUNT" + slot, page, grouped(l[5])});
        expected.push_back({"SUB_TAXAMT" + slot, page, grouped(l[6])});
    }
    expected.push_back({"TAX_DESCRIPT1", 1, in.lines[0][1] + text::cp949(" 외")});
    expected.push_back({"SUB_AMOUNT", 1, grouped(in.totAmt)});
    expected.push_back(
        {"TAX_TOTAL", 1, text::cp949("￦") + grouped(in.totAmTax) + text::cp949("원")});

    std::vector<std::pair<int, std::string>> printedRuns; // page, text
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name + " on page " + std::to_string(e.page) + ": " +
                     text::fromCp949(e.text).toStdString());
        const gfx::Rect r = boundsOf(p.form->Report1, e.name);
        std::string joined;
        int runs = 0;
        for (const PageText& t : p.pages.at(size_t(e.page - 1)).texts) {
            if (!(t.x >= r.left && t.x < r.right && t.y >= r.top - 1 && t.y < r.bottom))
                continue;
            ++runs;
            joined += t.text;
            printedRuns.emplace_back(e.page, t.text);
            EXPECT_GE(t.left, r.left) << t.text;
            // The right edge rounds on its own; the rule beyond it lies a pixel further.
            EXPECT_LE(t.right, r.right + 1) << t.text;
            EXPECT_LE(t.y + t.font.pixelHeight(96), r.bottom + 1) << t.text;
        }
        EXPECT_GE(runs, 1);
        EXPECT_EQ(withoutWhitespace(joined),
                  withoutWhitespace(text::fromCp949(e.text).toStdString()));
    }

    // Nothing anywhere is a replacement or a question mark the data did not have.
    for (const testsupport::PagePicture& page : p.pages)
        for (const PageText& t : page.texts) {
            EXPECT_EQ(t.text.find("\xEF\xBF\xBD"), std::string::npos) << t.text;
            EXPECT_EQ(t.text.find('?'), std::string::npos) << t.text;
        }
    // The PDF, read by an independent reader, carries every printed line of the data.
    testsupport::TempDir dir;
    const std::string pdf = dir.file("real.pdf");
    report::WritePdf(*p.form->Report1.RpPrinter(), pdf);
    std::vector<std::string> pdfPages;
    for (int page = 1; page <= int(p.pages.size()); ++page)
        pdfPages.push_back(
            withoutWhitespace(::pdfText(QString::fromStdString(pdf), page).toStdString()));
    for (const auto& [page, run] : printedRuns)
        EXPECT_NE(pdfPages[size_t(page - 1)].find(withoutWhitespace(run)), std::string::npos)
            << "page " << page << ": " << run;
}

// A figure too wide for its cell even at the smallest legible size is not printed shortened,
// shifted or over its neighbour: the printing fails and names it.
TEST(StatementPicture, AFigureThatCannotFitFailsThePrintingNamingIt)
{
    StatementInputs in = workedExample();
    in.lines = {line("A", "a", "123456789012", "EA", "1500", "15000", "1500")};
    try {
        print(in);
        FAIL() << "printed";
    } catch (const std::exception& e) {
        const QString message = text::fromCp949(e.what());
        EXPECT_TRUE(message.contains(QString::fromUtf8("거래명세서 1행 수량")))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("123,456,789,012"))) << message.toStdString();
    }
}
