// The statement page: its layout, and what the filling prints on it, read back from the
// generated page pictures at the printables' places.
#include "printing/PrintCommand.h"
#include "printing/StatementFill.h"
#include "printing/StatementLayout.h"
#include "printing/TFmirolareport.h"
#include "report/model/TRpExpr.h"
#include "report/model/TRpImage.h"
#include "report/model/TRpLabel.h"
#include "report/model/TRpShape.h"
#include "tests/printing/PageTexts.h"
#include "tests/printing/StatementFixture.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>
#include <set>

using namespace printing;
using namespace report;
using testsupport::boundsOf;
using testsupport::PagePicture;
using testsupport::playPage;
using testsupport::textIn;
using namespace testsupport::statement;

namespace {

const std::string marker = "이  하  여  백";

} // namespace

TEST(StatementLayout, PlacesEveryPrintableOnceInPrintingOrder)
{
    TFmirolareport form(supplier());
    std::vector<std::string> names;
    for (const auto& child : form.Report1.children())
        if (dynamic_cast<TRpPrintable*>(child.get()))
            names.push_back(child->name());
    EXPECT_EQ(names.size(), 374u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    // Remarks first, then seals; the title before its underline.
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.begin() + 2),
              (std::set<std::string>{"SUB_REMARK", "TAX_REMARK"}));
    EXPECT_EQ(std::set<std::string>(names.begin() + 2, names.begin() + 4),
              (std::set<std::string>{"RpImage1", "RpImage2"}));
    auto index = [&](const std::string& n) { return std::find(names.begin(), names.end(), n); };
    EXPECT_LT(index("RpLabel1"), index("RpShape1"));
    // Every printable lies on the A4 paper.
    for (const auto& child : form.Report1.children())
        if (auto* p = dynamic_cast<TRpPrintable*>(child.get())) {
            p->size().SetUnits(TRpUnit::MM);
            EXPECT_GE(p->size().left(), 0) << p->name();
            EXPECT_LE(p->size().left() + p->size().width(), 210.1) << p->name();
            EXPECT_LE(p->size().top() + p->size().height(), 297) << p->name();
        }
    EXPECT_EQ(form.FindComponent("SUB_ITEMNAME14"), nullptr);
    EXPECT_EQ(form.DetailBand1, form.Report1.findBand(rbDetail));
}

TEST(StatementLayout, ReportSettings)
{
    TFmirolareport form(supplier());
    TRpPage& page = form.Report1.page();
    page.SetUnits(TRpUnit::MM);
    EXPECT_NEAR(page.width(), 210.0, 0.05);
    EXPECT_NEAR(page.length(), 297.0, 0.05);
    EXPECT_NEAR(page.leftMargin(), 10.0, 0.05);
    EXPECT_NEAR(page.topMargin(), 10.0, 0.05);
    EXPECT_EQ(page.orientation(), poPortrait);
    EXPECT_TRUE(form.Report1.printIfEmpty());
    EXPECT_EQ(form.Report1.font().name, "Arial");
    form.DetailBand1->size().SetUnits(TRpUnit::MM);
    EXPECT_NEAR(form.DetailBand1->size().width(), 189.97, 0.01);
    EXPECT_NEAR(form.DetailBand1->size().height(), 2.91, 0.01);
}

// Rows of the layout's tables, read back from the built report.
TEST(StatementLayout, PrintablesMatchTheirRows)
{
    struct Row
    {
        const char* name;
        double left, top, width, height;
        const char* face; // "" for the report's font or a shape
        int size;
        bool bold;
        gfx::Color color;
        TAlignment align;
        bool transparent;
    };
    const gfx::Color ink = gfx::clWindowText;
    const Row rows[] = {
        {"SUB_DATANO", 32.28, 26.99, 47.89, 3.70, "굴림체", 10, false, ink, taLeftJustify, false},
        {"SUB_ADDRESS", 124.88, 48.15, 74.35, 7.14, "굴림체", 10, false, ink, taCenter, false},
        {"SUB_TOTAL", 44.98, 128.32, 52.92, 4.50, "", 10, false, gfx::clBlack, taRightJustify,
         false},
        {"RpLabel3", 12.17, 36.51, 4.50, 23.02, "굴림체", 10, false, ink, taCenter, true},
        {"SUB_DESCRIPT1", 39.69, 72.50, 66.41, 3.70, "굴림체", 10, false, ink, taLeftJustify, true},
        {"SUB_DESCRIPT2", 39.69, 76.73, 66.15, 3.70, "굴림체", 10, false, ink, taLeftJustify, true},
        {"SUB_TAXAMT13", 176.21, 123.30, 22.49, 3.70, "굴림체", 10, false, ink, taRightJustify,
         true},
        {"RpExpr8", 29.63, 33.34, 74.35, 5.29, "굴림체", 14, false, ink, taCenter, true},
        {"RpExpr7", 10.58, 134.94, 188.65, 5.29, "굴림체", 14, false, ink, taCenter, false},
        {"RpExpr43", 72.50, 195.79, 31.22, 7.14, "굴림체", 10, false, ink, taLeftJustify, false},
        {"TAX_AMOUNT", 37.31, 211.14, 40.22, 7.94, "굴림체", 22, false, ink, taRightJustify, true},
        {"TAX_DESCRIPT4", 24.34, 255.32, 115.62, 4.50, "Arial", 10, false, ink, taLeftJustify,
         true},
        {"TAX_TOTAL", 11.11, 272.26, 46.30, 4.50, "굴림", 12, false, ink, taRightJustify, false},
        {"RpLabel107", 10.58, 153.72, 189.71, 4.50, "굴림체", 10, false, gfx::clBlue, taLeftJustify,
         true},
    };
    TFmirolareport form(supplier());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto* label = form.label(r.name);
        ASSERT_NE(label, nullptr);
        label->size().SetUnits(TRpUnit::MM);
        EXPECT_NEAR(label->size().left(), r.left, 0.005);
        EXPECT_NEAR(label->size().top(), r.top, 0.005);
        EXPECT_NEAR(label->size().width(), r.width, 0.005);
        // The engine raises a text's height to one line of its font.
        EXPECT_GE(label->size().height(), r.height - 0.005);
        EXPECT_LE(label->size().height(), r.height + 1.0);
        if (*r.face) {
            EXPECT_FALSE(label->parentFont());
            EXPECT_EQ(label->font().name, text::cp949(r.face));
        } else {
            EXPECT_TRUE(label->parentFont());
        }
        EXPECT_EQ(label->font().size, r.size);
        EXPECT_EQ(label->font().bold, r.bold);
        EXPECT_EQ(label->font().color, r.color);
        EXPECT_EQ(label->alignment(), r.align);
        EXPECT_EQ(label->transparent(), r.transparent);
        EXPECT_TRUE(label->wordWrap());
        EXPECT_FALSE(label->autoStretch);
    }
    EXPECT_TRUE(form.expr("SUB_COUNT")->resetAfterPrint);
    EXPECT_TRUE(form.label("SUB_REMARK")->autoSize());
    EXPECT_TRUE(form.label("GABUL")->alignToBand());

    struct ShapeRow
    {
        const char* name;
        TRpShapeType kind;
        double left, top, width, height;
        gfx::Pen pen;
    };
    const ShapeRow shapes[] = {
        {"RpShape76",
         rpsHorLine,
         10.05,
         9.79,
         189.97,
         0.53,
         {gfx::clBlue, 2, gfx::PenStyle::Solid}},
        {"RpShape79",
         rpsVertLine,
         199.76,
         10.05,
         0.53,
         123.56,
         {gfx::clBlue, 2, gfx::PenStyle::Solid}},
        {"RpShape82",
         rpsHorLine,
         10.05,
         127.00,
         189.97,
         0.26,
         {gfx::clBlue, 1, gfx::PenStyle::Solid}},
        {"RpShape1",
         rpsTopAndBottom,
         67.73,
         20.64,
         74.35,
         1.06,
         {gfx::clBlue, 1, gfx::PenStyle::Solid}},
        {"RpShape34",
         rpsHorLine,
         0.00,
         148.17,
         210.08,
         0.53,
         {gfx::clBlack, 2, gfx::PenStyle::DashDotDot}},
        {"RpShape113",
         rpsVertLine,
         61.65,
         207.43,
         0.26,
         11.38,
         {gfx::clBlue, 1, gfx::PenStyle::Dot}},
        {"RpShape120",
         rpsVertLine,
         165.10,
         261.67,
         0.26,
         17.73,
         {gfx::clBlue, 1, gfx::PenStyle::Solid}},
    };
    for (const ShapeRow& r : shapes) {
        SCOPED_TRACE(r.name);
        auto* shape = form.Report1.find<TRpShape>(r.name);
        ASSERT_NE(shape, nullptr);
        shape->size().SetUnits(TRpUnit::MM);
        EXPECT_EQ(shape->shape, r.kind);
        EXPECT_NEAR(shape->size().left(), r.left, 0.005);
        EXPECT_NEAR(shape->size().top(), r.top, 0.005);
        EXPECT_NEAR(shape->size().width(), r.width, 0.005);
        EXPECT_NEAR(shape->size().height(), r.height, 0.005);
        EXPECT_EQ(shape->pen, r.pen);
    }
}

TEST(StatementFill, WorkedExamplePrintsItsTexts)
{
    const Printed p = print(workedExample(), "worked-example");
    ASSERT_EQ(p.pages.size(), 1u);
    ASSERT_TRUE(p.pages[0].valid);
    for (const auto& [name, printed] : workedExampleTexts)
        EXPECT_EQ(p.at(name), printed) << name;
    const std::pair<const char*, const char*> particulars[] = {
        {"SUB_REGISTRATION", "211-86-12345"},
        {"SUB_CUSTNAME", "(주)한빛유통"},
        {"TAX_CHIEF", "홍길동"},
        {"RpExpr9", "(주)미로라상사"},
        {"RpExpr39", "(주)미로라상사"},
        {"RpExpr7", "국민은행 123-456-789012"},
    };
    for (const auto& [name, printed] : particulars)
        EXPECT_EQ(p.at(name), printed) << name;
    // Nothing where the statement has no data: no remark, no third line, no colour.
    for (const char* empty : {"SUB_REMARK", "TAX_REMARK", "SUB_ITEMNAME3", "SUB_COLORNAME1",
                              "TAX_MONTH2", "TAX_DESCRIPT3"})
        EXPECT_EQ(p.at(empty), "") << empty;
    EXPECT_EQ(p.pages[0].pictures, 2); // both seals
}

TEST(StatementFill, LineCountsAndTheEndMarker)
{
    struct Case
    {
        const char* what;
        int lines;
        const char* markerSlot; // "" when no slot is left for it
    };
    const Case cases[] = {
        {"one line", 1, "SUB_DESCRIPT2"},
        {"twelve lines", 12, "SUB_DESCRIPT13"},
        {"thirteen lines", 13, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Printed p = print(withLines(c.lines));
        ASSERT_EQ(p.pages.size(), 1u);
        EXPECT_EQ(p.at("SUB_ITEMNAME" + std::to_string(c.lines)), "I" + std::to_string(c.lines));
        if (*c.markerSlot) {
            EXPECT_EQ(p.at(c.markerSlot), marker);
        }
        int markers = 0;
        for (const auto& t : p.pages[0].texts)
            markers += t.text.find(marker) != std::string::npos ? 1 : 0;
        EXPECT_EQ(markers, *c.markerSlot ? 2 : 1);
        EXPECT_EQ(p.at("TAX_DESCRIPT1"), "S1 외");
    }
}

TEST(StatementFill, LongStatementContinuesOnFurtherPages)
{
    StatementInputs in = withLines(30);
    in.totAmt = "46500";
    in.totTax = "300";
    in.totAmTax = "46800";
    const Printed p = print(in, "thirty-lines");
    ASSERT_EQ(p.pages.size(), 3u);
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        // Every page repeats the statement half with the totals of all lines, and says which
        // of the pages it is.
        EXPECT_EQ(p.at("SUB_DATANO", page), "2004-07-15-003  " + std::to_string(page) + "/3");
        EXPECT_EQ(p.at("SUB_CUSTNAME", page), "(주)한빛유통");
        EXPECT_EQ(p.at("SUB_COUNT", page), "건수 : 30건");
        EXPECT_EQ(p.at("SUB_AMOUNT", page), "46,500");
        const int first = 13 * (page - 1) + 1;
        EXPECT_EQ(p.at("SUB_ITEMNAME1", page), "I" + std::to_string(first));
        // The tax invoice on page 1 only.
        EXPECT_EQ(testsupport::pageShows(p.pages[page - 1], "세 금 계 산 서"), page == 1);
        EXPECT_EQ(p.at("TAX_DATANO", page), page == 1 ? "2004-07-15-003" : "");
        EXPECT_EQ(p.pages[page - 1].pictures, page == 1 ? 2 : 1);
    }
    EXPECT_EQ(p.at("SUB_ITEMNAME13", 2), "I26");
    EXPECT_EQ(p.at("SUB_DESCRIPT1", 2), "S14");
    EXPECT_EQ(p.at("SUB_ITEMNAME4", 3), "I30");
    EXPECT_EQ(p.at("SUB_DESCRIPT5", 3), marker);
    EXPECT_EQ(p.at("SUB_ITEMNAME5", 3), "");
    EXPECT_EQ(p.at("SUB_DESCRIPT13", 1), "S13"); // no marker before the last page
}

TEST(StatementFill, EmptyStatementShowsBothRemarks)
{
    StatementInputs in;
    const Printed p = print(in, "empty");
    ASSERT_EQ(p.pages.size(), 1u);
    EXPECT_EQ(p.at("SUB_DATANO"), "-000");
    EXPECT_EQ(p.at("TAX_DATANO"), "-000");
    EXPECT_EQ(p.at("SUB_REMARK"), "이 면 지 활 용");
    EXPECT_EQ(p.at("TAX_REMARK"), "이 면 지 활 용");
    EXPECT_EQ(p.pages[0].pictures, 0);
    EXPECT_FALSE(testsupport::pageShows(p.pages[0], marker));
}

TEST(StatementFill, AmountsAndTaxes)
{
    struct Case
    {
        const char* what;
        const char* totAmt;
        const char* totTax;
        const char* amtSpace; // "" when the invoice shows the remark
        const char* taxAmount;
        const char* statementAmount;
    };
    const Case cases[] = {
        {"tax 0 shows the invoice remark", "75000", "0", "", "", "75,000"},
        {"negative tax shows the invoice remark", "75000", "-10", "", "", "75,000"},
        {"supply 0 with tax", "0", "500", "10", "0", "0"},
        {"ten digits", "2147483647", "5", "0", "2147483647", "2,147,483,647"},
        {"beyond 32 bits", "9876543210", "5", "0", "9876543210", "9,876,543,210"},
        {"malformed total", "7,500", "5", "10", "0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StatementInputs in = workedExample();
        in.totAmt = c.totAmt;
        in.totTax = c.totTax;
        const Printed p = print(in);
        EXPECT_EQ(p.at("SUB_AMOUNT"), c.statementAmount);
        EXPECT_EQ(p.at("SUB_ITEMNAME1"), "A"); // the statement half is filled regardless
        if (*c.amtSpace) {
            EXPECT_EQ(p.at("AMT_SPACE"), c.amtSpace);
            EXPECT_EQ(p.at("TAX_AMOUNT"), c.taxAmount);
            EXPECT_EQ(p.at("TAX_REMARK"), "");
        } else {
            EXPECT_EQ(p.at("TAX_REMARK"), "이 면 지 활 용");
            EXPECT_EQ(p.at("AMT_SPACE"), "");
            EXPECT_EQ(p.at("TAX_DATANO"), "2004-07-15-003");
            EXPECT_EQ(p.pages[0].pictures, 1);
        }
    }
}

TEST(StatementFill, ValuesPrintAsTheyAre)
{
    StatementInputs in = workedExample();
    in.date = "2004-07-05";
    in.sequence = "1234";
    in.custName = "O'Neil & Sons";
    in.address = "'quoted'";
    in.lines[0][2] = "1.5";   // a decimal point reads as 0
    in.lines[0][4] = "1,500"; // so do separators
    in.lines[1][1] = text::cp949("규격 '특'");
    const Printed p = print(in);
    EXPECT_EQ(p.at("SUB_DATANO"), "2004-07-05-1234");
    EXPECT_EQ(p.at("TAX_YEAR"), "04");
    EXPECT_EQ(p.at("TAX_MONTH"), "07");
    EXPECT_EQ(p.at("TAX_DAY"), "05");
    EXPECT_EQ(p.at("TAX_DAY1"), "05");
    EXPECT_EQ(p.at("SUB_CUSTNAME"), "O'Neil & Sons");
    EXPECT_EQ(p.at("TAX_CUSTNAME"), "O'Neil & Sons");
    EXPECT_EQ(p.at("SUB_ADDRESS"), "'quoted'");
    EXPECT_EQ(p.at("SUB_QTY1"), "0");
    EXPECT_EQ(p.at("SUB_PRICE1"), "0");
    EXPECT_EQ(p.at("SUB_DESCRIPT2"), "규격 '특'");
}

TEST(StatementFill, ResetClearsAFilledPage)
{
    Printed p;
    FillStatement(*p.form, withLines(20));
    ResetStatement(*p.form);
    p.form->Report1.GeneratePages();
    EXPECT_EQ(p.form->Report1.RpPrinter()->PageTotal(), 1);
    const PagePicture page = playPage(p.form->Report1, 1);
    EXPECT_EQ(textIn(page, boundsOf(p.form->Report1, "SUB_ITEMNAME1")), "");
    EXPECT_EQ(textIn(page, boundsOf(p.form->Report1, "SUB_DATANO")), "");
    EXPECT_TRUE(testsupport::pageShows(page, "세 금 계 산 서"));
}

// A failing fill leaves no form behind and reaches the caller; no window was made for it.
TEST(PrintCommand, AFailingFillFreesTheReportFormAndPassesTheFailureOn)
{
    PrintCommand command;
    bool filled = false;
    EXPECT_THROW(command.run(supplier(), nullptr,
                             [&](TFmirolareport& page) {
                                 filled = command.reportForm() == &page;
                                 throw std::runtime_error("fill failed");
                             }),
                 std::runtime_error);
    EXPECT_TRUE(filled);
    EXPECT_FALSE(command.running());
    EXPECT_EQ(command.reportForm(), nullptr);
    EXPECT_EQ(command.preview(), nullptr);
}

// A command started while the same one runs is refused, in Korean, and leaves the first alone;
// another command object runs on its own page.
TEST(PrintCommand, ASecondCommandWhileOneRunsIsRefused)
{
    // A report file's name for the device that takes anything.
    testsupport::TempDir dir;
    const std::string sink = dir.file("sink.rpf");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), QString::fromStdString(sink)));
    PrintCommand command;
    std::string refusal;
    bool untouched = false;
    bool otherRan = false;
    EXPECT_THROW(command.run(supplier(), nullptr,
                             [&](TFmirolareport& page) {
                                 try {
                                     command.exportTo(
                                         supplier(), [](TFmirolareport&) {}, sink);
                                 } catch (const std::runtime_error& e) {
                                     refusal = e.what();
                                     untouched = command.reportForm() == &page;
                                 }
                                 PrintCommand other;
                                 other.exportTo(
                                     supplier(),
                                     [&](TFmirolareport& own) { otherRan = &own != &page; }, sink);
                                 throw std::runtime_error("stop here");
                             }),
                 std::runtime_error);
    EXPECT_EQ(refusal, text::cp949("인쇄가 이미 진행 중입니다."));
    EXPECT_TRUE(untouched);
    EXPECT_TRUE(otherRan);
    EXPECT_EQ(command.reportForm(), nullptr);
    // Written to as it is, not replaced by a file.
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/null")).isFile());
}

// A particular too long for its cell even at the smallest legible size prints what fits and is
// named, once for each half it is on; one that fits smaller is not.
TEST(PrintCommand, AParticularCutEvenAtTheSmallestSizeIsNamed)
{
    SupplierParticulars from = supplier();
    // Fifty-seven syllables in a cell of one line.
    from.name =
        text::cp949("대한민국시도지사협의회사무국경영지원본부재무회계팀전자세금계산서발행담당"
                    "한국농수산식품유통공사서울지역본부물류센터");
    from.representative = text::cp949("남궁민수, 황보서연");
    testsupport::TempDir dir;
    const std::string sink = dir.file("sink.rpf");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), QString::fromStdString(sink)));
    PrintCommand command;
    const auto fill = [](TFmirolareport& page) {
        ResetStatement(page);
        FillStatement(page, workedExample());
    };
    command.exportTo(from, fill, sink);
    const std::vector<std::string> named = {text::cp949("거래명세서 공급자 상호"),
                                            text::cp949("세금계산서 공급자 상호")};
    EXPECT_EQ(command.cutTexts(), named);
    command.exportTo(supplier(), fill, sink);
    EXPECT_TRUE(command.cutTexts().empty());
}
