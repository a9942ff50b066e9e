#include "printing/StatementLayout.h"

#include "report/eval/QuotedLiteral.h"
#include "report/model/TRpExpr.h"
#include "report/model/TRpImage.h"
#include "report/model/TRpLabel.h"
#include "report/model/TRpReport.h"
#include "report/model/TRpShape.h"
#include "text/Cp949.h"

#include <string>
#include <vector>

// The page as data: each table below reads like the printed form's drawing, one row per
// printable or per run of printables that share all but one coordinate. Positions are
// millimetres from the paper's top-left corner.

namespace printing {

using namespace report;

namespace {

enum class Kind { Label, Expr };

enum class Face {
    Report, // the report's own font
    GulimChe10,
    GulimChe10Blue,
    GulimChe14,
    GulimChe14Blue,
    GulimChe22,
    GulimChe26BoldBlue,
    GulimChe72Bold,
    Gulim8,
    Gulim9,
    Gulim10,
    Gulim12,
    Arial10,
};

enum Flag : unsigned {
    Transparent = 0,
    Opaque = 1,
    AutoSize = 2,
    AlignToBand = 4,
    ResetAfterPrint = 8,
    Figure = 16, // an amount or a count: printed whole
    Whole = 32,  // a particular or an item's text: printed whole, smaller where it must
};

constexpr TAlignment L = taLeftJustify;
constexpr TAlignment C = taCenter;
constexpr TAlignment R = taRightJustify;

struct TextRow
{
    const char* name;
    Kind kind;
    double left, top, width, height;
    Face face;
    TAlignment align;
    unsigned flags;
    const char* caption; // UTF-8; an expression field starts with the empty literal instead
};

const char* const remark = "이 면 지 활 용";

// Printed first: the remarks lie under the tables' lines.
const TextRow remarks[] = {
    {"SUB_REMARK", Kind::Label, 14.82, 80.96, 180.45, 25.66, Face::GulimChe72Bold, C,
     Opaque | AutoSize | AlignToBand, remark},
    {"TAX_REMARK", Kind::Label, 14.82, 229.13, 180.45, 25.66, Face::GulimChe72Bold, C,
     Opaque | AutoSize | AlignToBand, remark},
};

struct ImageRow
{
    const char* name;
    double left, top, width, height;
};

// Printed second: the seals lie under the particulars printed over them.
const ImageRow seals[] = {
    {"RpImage1", 91.02, 35.19, 17.99, 17.99},
    {"RpImage2", 93.13, 174.89, 17.99, 17.99},
};

const TextRow upperFields[] = {
    {"SUB_DATANO", Kind::Expr, 32.28, 26.99, 47.89, 3.70, Face::GulimChe10, L, Opaque, ""},
    {"SUB_REGISTRATION", Kind::Expr, 124.88, 33.34, 74.35, 5.29, Face::GulimChe14, C,
     Opaque | Whole, ""},
    {"SUB_CUSTNAME", Kind::Expr, 124.88, 42.07, 35.19, 3.70, Face::GulimChe10, L, Opaque | Whole,
     ""},
    {"SUB_CHIEF", Kind::Expr, 171.45, 42.07, 27.52, 3.70, Face::GulimChe10, L, Opaque | Whole, ""},
    {"SUB_ADDRESS", Kind::Expr, 124.88, 48.15, 74.35, 7.14, Face::GulimChe10, C, Opaque | Whole,
     ""},
    {"SUB_JOBKIND", Kind::Expr, 124.88, 56.09, 31.22, 7.14, Face::GulimChe10, L, Opaque | Whole,
     ""},
    {"SUB_JOBITEM", Kind::Expr, 167.75, 56.09, 31.22, 7.14, Face::GulimChe10, L, Opaque | Whole,
     ""},
    {"SUB_TOTAL", Kind::Expr, 44.98, 128.32, 52.92, 4.50, Face::Report, R,
     Opaque | ResetAfterPrint | Figure, ""},
    {"SUB_COUNT", Kind::Expr, 105.04, 128.32, 34.13, 4.50, Face::Report, R,
     Opaque | ResetAfterPrint | Figure, ""},
    {"SUB_AMOUNT", Kind::Expr, 145.52, 128.32, 29.90, 4.50, Face::Report, R,
     Opaque | ResetAfterPrint | Figure, ""},
    {"SUB_TAXAMT", Kind::Expr, 176.21, 128.32, 22.49, 4.50, Face::Report, R,
     Opaque | ResetAfterPrint | Figure, ""},
    {"GABUL", Kind::Label, 80.96, 22.23, 47.89, 5.29, Face::GulimChe14Blue, C,
     Opaque | AutoSize | AlignToBand, "(공급받는자보관용)"},
    {"TOTTITLE", Kind::Label, 10.85, 128.59, 28.84, 3.70, Face::GulimChe10, C, Transparent,
     "합          계"},
};

const TextRow upperTexts[] = {
    {"RpLabel1", Kind::Label, 70.38, 11.11, 69.32, 9.53, Face::GulimChe26BoldBlue, C,
     Opaque | AutoSize | AlignToBand, "거 래 명 세 서"},
    {"RpLabel2", Kind::Label, 11.91, 26.99, 18.79, 3.70, Face::GulimChe10, L, AutoSize,
     "거래번호 :"},
    {"RpLabel4", Kind::Label, 19.58, 32.28, 7.94, 7.14, Face::GulimChe10, C, 0, "등록 번호"},
    {"RpLabel9", Kind::Label, 114.83, 32.28, 7.94, 7.14, Face::GulimChe10, C, 0, "등록 번호"},
    // Narrow and tall: word wrap stacks the text vertically.
    {"RpLabel3", Kind::Label, 12.17, 36.51, 4.50, 23.02, Face::GulimChe10, C, 0, "공  급  자"},
    {"RpLabel8", Kind::Label, 107.42, 38.89, 4.50, 22.75, Face::GulimChe10, C, 0, "공 급 받 는 자"},
    {"RpLabel5", Kind::Label, 19.58, 42.07, 7.94, 3.70, Face::GulimChe10, C, 0, "상호"},
    {"RpLabel13", Kind::Label, 66.67, 42.07, 7.94, 4.50, Face::GulimChe10, C, 0, "성명"},
    {"RpLabel10", Kind::Label, 114.83, 42.07, 7.94, 3.70, Face::GulimChe10, C, 0, "상호"},
    {"RpLabel14", Kind::Label, 162.19, 42.07, 7.94, 3.70, Face::GulimChe10, C, 0, "성명"},
    {"RpLabel6", Kind::Label, 19.58, 49.74, 7.94, 3.70, Face::GulimChe10, C, 0, "주소"},
    {"RpLabel11", Kind::Label, 114.83, 49.74, 7.94, 3.70, Face::GulimChe10, C, 0, "주소"},
    {"RpLabel7", Kind::Label, 19.58, 57.94, 7.94, 3.70, Face::GulimChe10, C, 0, "업태"},
    {"RpLabel16", Kind::Label, 62.71, 57.94, 7.94, 3.70, Face::GulimChe10, C, 0, "업종"},
    {"RpLabel12", Kind::Label, 114.83, 57.94, 7.94, 3.70, Face::GulimChe10, C, 0, "업태"},
    {"RpLabel15", Kind::Label, 157.96, 57.94, 7.94, 3.70, Face::GulimChe10, C, 0, "업종"},
    {"RpLabel17", Kind::Label, 11.11, 66.15, 27.25, 3.70, Face::GulimChe10, C, 0, "품          명"},
    {"RpLabel18", Kind::Label, 39.69, 66.15, 48.42, 3.70, Face::GulimChe10, C, 0, "규      격"},
    {"RpLabel63", Kind::Label, 88.90, 66.15, 18.79, 3.70, Face::GulimChe10, C, 0, "색    상"},
    {"RpLabel19", Kind::Label, 108.48, 66.15, 9.79, 3.70, Face::GulimChe10, C, 0, "수량"},
    {"RpLabel20", Kind::Label, 119.06, 66.15, 9.79, 3.70, Face::GulimChe10, C, 0, "단위"},
    {"RpLabel21", Kind::Label, 129.65, 66.15, 22.49, 3.70, Face::GulimChe10, C, 0, "단    가"},
    {"RpLabel22", Kind::Label, 152.93, 66.15, 22.49, 3.70, Face::GulimChe10, C, 0, "공 급 가"},
    {"RpLabel23", Kind::Label, 176.21, 66.15, 22.49, 3.70, Face::GulimChe10, C, 0, "부 가 세"},
};

const TextRow lowerFields[] = {
    {"TAX_DATANO", Kind::Expr, 144.46, 166.69, 47.89, 4.50, Face::GulimChe10, L, Opaque, ""},
    {"TAX_REGISTRATION", Kind::Expr, 124.88, 173.04, 74.35, 5.29, Face::GulimChe14, C,
     Opaque | Whole, ""},
    {"TAX_CUSTNAME", Kind::Expr, 124.88, 181.77, 35.19, 3.70, Face::GulimChe10, L, Opaque | Whole,
     ""},
    {"TAX_CHIEF", Kind::Expr, 171.45, 181.77, 27.52, 3.70, Face::GulimChe10, L, Opaque | Whole, ""},
    {"TAX_ADDRESS", Kind::Expr, 124.88, 187.85, 74.35, 7.14, Face::GulimChe10, C, Opaque | Whole,
     ""},
    {"TAX_JOBKIND", Kind::Expr, 124.88, 195.79, 31.22, 7.14, Face::GulimChe10, L, Opaque | Whole,
     ""},
    {"TAX_JOBITEM", Kind::Expr, 167.75, 195.79, 31.22, 7.14, Face::GulimChe10, L, Opaque | Whole,
     ""},
    {"TAX_YEAR", Kind::Expr, 10.85, 212.72, 5.29, 4.50, Face::Arial10, C, Opaque, ""},
    {"TAX_MONTH", Kind::Expr, 17.46, 212.72, 5.29, 4.50, Face::Arial10, C, Opaque, ""},
    {"TAX_DAY", Kind::Expr, 24.08, 212.72, 5.29, 4.50, Face::Arial10, C, Opaque, ""},
    {"AMT_SPACE", Kind::Expr, 31.22, 212.72, 5.29, 4.50, Face::Arial10, C, Opaque | Figure, ""},
    {"TAX_AMOUNT", Kind::Expr, 37.31, 211.14, 40.22, 7.94, Face::GulimChe22, R,
     Transparent | Figure, ""},
    {"TAX_TAXAMT", Kind::Expr, 77.26, 211.14, 35.98, 7.94, Face::GulimChe22, R,
     Transparent | Figure, ""},
    {"TAX_TOTAL", Kind::Expr, 11.11, 272.26, 46.30, 4.50, Face::Gulim12, R, Opaque | Figure, ""},
};

const TextRow lowerTexts[] = {
    {"RpLabel107", Kind::Label, 10.58, 153.72, 189.71, 4.50, Face::GulimChe10Blue, L, 0,
     "(별지 제 11호 서식)"},
    {"RpLabel24", Kind::Label, 28.57, 159.81, 69.32, 11.11, Face::GulimChe26BoldBlue, L,
     Opaque | AutoSize, "세 금 계 산 서"},
    {"RpLabel106", Kind::Label, 104.51, 160.60, 47.89, 6.09, Face::GulimChe14Blue, L,
     Opaque | AutoSize, "(공급받는자보관용)"},
    {"RpLabel64", Kind::Label, 124.09, 166.69, 18.79, 4.50, Face::GulimChe10, L, AutoSize,
     "일련번호 :"},
    {"RpLabel93", Kind::Label, 19.58, 171.98, 7.94, 7.14, Face::GulimChe10, C, 0, "등록 번호"},
    {"RpLabel100", Kind::Label, 114.83, 171.98, 7.94, 7.14, Face::GulimChe10, C, 0, "등록 번호"},
    {"RpLabel92", Kind::Label, 12.17, 178.33, 4.50, 23.02, Face::GulimChe10, C, 0, "공  급  자"},
    {"RpLabel99", Kind::Label, 107.42, 178.59, 4.50, 22.75, Face::GulimChe10, C, 0,
     "공 급 받 는 자"},
    {"RpLabel94", Kind::Label, 19.58, 181.77, 7.94, 4.50, Face::GulimChe10, C, 0, "상호"},
    {"RpLabel101", Kind::Label, 114.83, 181.77, 7.94, 4.50, Face::GulimChe10, C, 0, "상호"},
    {"RpLabel95", Kind::Label, 66.67, 181.77, 7.94, 4.50, Face::GulimChe10, C, 0, "성명"},
    {"RpLabel104", Kind::Label, 162.19, 181.77, 7.94, 4.50, Face::GulimChe10, C, 0, "성명"},
    {"RpLabel96", Kind::Label, 19.58, 189.44, 7.94, 4.50, Face::GulimChe10, C, 0, "주소"},
    {"RpLabel102", Kind::Label, 114.83, 189.44, 7.94, 4.50, Face::GulimChe10, C, 0, "주소"},
    {"RpLabel97", Kind::Label, 19.58, 197.64, 7.94, 4.50, Face::GulimChe10, C, 0, "업태"},
    {"RpLabel103", Kind::Label, 114.83, 197.64, 7.94, 4.50, Face::GulimChe10, C, 0, "업태"},
    {"RpLabel98", Kind::Label, 62.71, 197.64, 7.94, 4.50, Face::GulimChe10, C, 0, "업종"},
    {"RpLabel105", Kind::Label, 157.96, 197.64, 7.94, 4.50, Face::GulimChe10, C, 0, "업종"},
    {"RpLabel65", Kind::Label, 14.82, 203.73, 10.85, 3.44, Face::Gulim9, C, AutoSize, "작    성"},
    {"RpLabel66", Kind::Label, 44.19, 203.73, 19.31, 3.44, Face::Gulim9, C, AutoSize,
     "공  급  가  액"},
    {"RpLabel67", Kind::Label, 89.96, 203.73, 10.85, 3.44, Face::Gulim9, C, AutoSize, "세    액"},
    {"RpLabel91", Kind::Label, 133.88, 203.73, 46.83, 3.44, Face::Gulim9, C, AutoSize,
     "비                                      고"},
    {"RpLabel68", Kind::Label, 11.91, 207.70, 3.44, 3.44, Face::Gulim9, C, AutoSize, "년"},
    {"RpLabel69", Kind::Label, 18.52, 207.70, 3.44, 3.44, Face::Gulim9, C, AutoSize, "월"},
    {"RpLabel70", Kind::Label, 25.14, 207.70, 3.44, 3.44, Face::Gulim9, C, AutoSize, "일"},
    {"RpLabel71", Kind::Label, 30.96, 207.70, 6.09, 3.44, Face::Gulim8, C, AutoSize, "공란"},
    {"RpLabel26", Kind::Label, 11.91, 221.19, 3.70, 4.50, Face::Gulim10, C, AutoSize, "월"},
    {"RpLabel27", Kind::Label, 18.26, 221.19, 3.70, 4.50, Face::Gulim10, C, AutoSize, "일"},
    {"RpLabel59", Kind::Label, 26.46, 221.19, 60.59, 4.50, Face::Gulim10, C, 0,
     "품                                   목"},
    {"RpLabel61", Kind::Label, 90.75, 221.19, 9.79, 4.50, Face::Gulim10, C, 0, "규 격"},
    {"RpLabel28", Kind::Label, 102.39, 221.19, 15.35, 4.50, Face::Gulim10, C, 0, "수    량"},
    {"RpLabel29", Kind::Label, 119.06, 221.19, 22.49, 4.50, Face::Gulim10, C, 0, "단    가"},
    {"RpLabel31", Kind::Label, 142.35, 221.19, 22.49, 4.50, Face::Gulim10, C, 0, "공 급 가"},
    {"RpLabel58", Kind::Label, 165.63, 221.19, 22.49, 4.50, Face::Gulim10, C, 0, "부 가 세"},
    {"RpLabel62", Kind::Label, 189.97, 221.19, 8.20, 4.50, Face::Gulim10, C, AutoSize, "비 고"},
    {"RpLabel108", Kind::Label, 10.85, 263.52, 46.83, 3.44, Face::Gulim9, C, 0, "합 계 금 액"},
    {"RpLabel109", Kind::Label, 68.79, 263.52, 10.85, 3.44, Face::Gulim9, C, AutoSize, "현    금"},
    {"RpLabel110", Kind::Label, 98.42, 263.52, 10.85, 3.44, Face::Gulim9, C, AutoSize, "수    표"},
    {"RpLabel111", Kind::Label, 125.15, 263.52, 10.85, 3.44, Face::Gulim9, C, AutoSize, "어    음"},
    {"RpLabel112", Kind::Label, 145.52, 263.52, 16.14, 3.44, Face::Gulim9, C, AutoSize,
     "외상미수금"},
    {"RpLabel113", Kind::Label, 167.48, 268.55, 15.08, 3.44, Face::Gulim9, C, AutoSize,
     "이 금액을 "},
    {"RpLabel115", Kind::Label, 184.94, 268.55, 6.61, 3.44, Face::Gulim9, C, AutoSize, "청구"},
    {"RpLabel114", Kind::Label, 193.41, 268.55, 4.50, 3.44, Face::Gulim9, C, AutoSize, "함."},
};

// The digit-place headings over the amount boxes: one label per place, same row.
struct PlaceRun
{
    int firstNumber; // RpLabel<n>, numbered on from here
    std::vector<double> lefts;
    std::vector<const char*> captions;
};

const PlaceRun supplyPlaces = {
    72,
    {38.36, 42.33, 46.30, 50.27, 54.24, 58.21, 62.18, 66.15, 70.11, 74.08},
    {"십", "억", "천", "백", "십", "만", "천", "백", "십", "일"}};
const PlaceRun taxPlaces = {82,
                            {78.05, 82.02, 85.99, 89.96, 93.93, 97.90, 101.86, 105.83, 109.80},
                            {"억", "천", "백", "십", "만", "천", "백", "십", "일"}};
constexpr double placeTop = 207.70, placeWidth = 3.17, placeHeight = 3.44;

// Item lines: each base name is a column, repeated on every line top.
struct LineColumn
{
    const char* base;
    double left, width;
    TAlignment align;
    bool figure;
    const char* heading; // what a message calls the column
};

const double statementLineTops[statementLineSlots] = {72.50,  76.73,  80.96,  85.20,  89.43,
                                                      93.66,  97.90,  102.13, 106.36, 110.60,
                                                      114.83, 119.06, 123.30};
constexpr double statementLineHeight = 3.70;
const LineColumn statementColumns[] = {
    {"SUB_ITEMNAME", 11.11, 27.25, L, false, "품명"},
    {"SUB_DESCRIPT", 39.69, 66.15, L, false, "규격"},
    {"SUB_COLORNAME", 88.90, 18.79, L, false, "색상"},
    {"SUB_QTY", 108.48, 9.79, R, true, "수량"},
    {"SUB_UNIT", 119.06, 9.79, C, false, "단위"},
    {"SUB_PRICE", 129.65, 22.49, R, true, "단가"},
    {"SUB_AMOUNT", 152.93, 22.49, R, true, "공급가"},
    {"SUB_TAXAMT", 176.21, 22.49, R, true, "부가세"},
};
// The first description runs a little wider than the others.
constexpr double firstDescriptionWidth = 66.41;

const double invoiceLineTops[invoiceLineSlots] = {229.92, 238.39, 246.86, 255.32};
constexpr double invoiceLineHeight = 4.50;
const LineColumn invoiceColumns[] = {
    {"TAX_MONTH", 10.85, 5.29, C, false, "월"},
    {"TAX_DAY", 17.20, 5.29, C, false, "일"},
    {"TAX_DESCRIPT", 24.34, 115.62, L, false, "품목"},
    {"TAX_AMOUNT", 142.35, 22.49, R, true, "공급가"},
    {"TAX_TAXAMT", 165.63, 22.49, R, true, "부가세"},
};

// The supplier's particulars, the same on both halves (the lower 139.70 mm down).
enum class Particular {
    Registration,
    Name,
    Representative,
    Address,
    BusinessType,
    BusinessItem,
    BankAccount
};

struct SupplierRow
{
    const char* name;
    Particular particular;
    double left, top, width, height;
    Face face;
    TAlignment align;
    unsigned flags;
};

const SupplierRow supplierRows[] = {
    {"RpExpr8", Particular::Registration, 29.63, 33.34, 74.35, 5.29, Face::GulimChe14, C,
     Transparent | Whole},
    {"RpExpr9", Particular::Name, 29.63, 42.07, 35.19, 3.70, Face::GulimChe10, L, Opaque | Whole},
    {"RpExpr10", Particular::Representative, 76.20, 42.07, 27.52, 3.70, Face::GulimChe10, L,
     Transparent | Whole},
    {"RpExpr11", Particular::Address, 29.63, 48.15, 74.35, 7.14, Face::GulimChe10, C,
     Transparent | Whole},
    {"RpExpr13", Particular::BusinessType, 29.63, 56.09, 31.22, 7.14, Face::GulimChe10, L,
     Opaque | Whole},
    {"RpExpr14", Particular::BusinessItem, 72.50, 56.09, 31.22, 7.14, Face::GulimChe10, L,
     Opaque | Whole},
    {"RpExpr7", Particular::BankAccount, 10.58, 134.94, 188.65, 5.29, Face::GulimChe14, C,
     Opaque | Whole},
    {"RpExpr37", Particular::Registration, 29.63, 173.04, 74.35, 5.29, Face::GulimChe14, C,
     Transparent | Whole},
    {"RpExpr39", Particular::Name, 29.63, 181.77, 35.19, 3.70, Face::GulimChe10, L, Opaque | Whole},
    {"RpExpr40", Particular::Representative, 76.20, 181.77, 27.52, 3.70, Face::GulimChe10, L,
     Transparent | Whole},
    {"RpExpr41", Particular::Address, 29.63, 187.85, 74.35, 7.14, Face::GulimChe10, C,
     Transparent | Whole},
    {"RpExpr42", Particular::BusinessType, 29.63, 195.79, 31.22, 7.14, Face::GulimChe10, L,
     Opaque | Whole},
    {"RpExpr43", Particular::BusinessItem, 72.50, 195.79, 31.22, 7.14, Face::GulimChe10, L,
     Opaque | Whole},
};

// Lines. A horizontal line lies in a rectangle of the given left, top and width, a vertical
// one in a rectangle of the given left, top and height; the other side is the pen's reach.
enum class Stroke { Thin, Thick, ThinDotted, CutLine };

struct LineRun
{
    TRpShapeType kind; // rpsHorLine or rpsVertLine
    Stroke stroke;
    double fixedA, fixedB; // horizontal: left, width; vertical: top, height
    std::vector<const char*> names;
    std::vector<double> varying; // horizontal: tops; vertical: lefts
};

const LineRun lineRuns[] = {
    // Upper half.
    {rpsHorLine, Stroke::Thick, 10.05, 189.97, {"RpShape76", "RpShape38"}, {9.79, 133.35}},
    {rpsVertLine, Stroke::Thick, 10.05, 123.56, {"RpShape78", "RpShape79"}, {9.79, 199.76}},
    {rpsHorLine,
     Stroke::Thin,
     10.05,
     189.97,
     {"RpShape2", "RpShape35", "RpShape36", "RpShape37", "RpShape28", "RpShape29", "RpShape30",
      "RpShape31", "RpShape32", "RpShape33", "RpShape84", "RpShape85", "RpShape86", "RpShape87",
      "RpShape88", "RpShape82"},
     {31.75, 63.50, 71.97, 76.20, 80.43, 84.67, 88.90, 93.13, 97.37, 101.60, 105.83, 110.07, 114.30,
      118.53, 122.77, 127.00}},
    {rpsHorLine,
     Stroke::Thin,
     18.79,
     86.25,
     {"RpShape3", "RpShape5", "RpShape6"},
     {39.69, 47.62, 55.56}},
    {rpsHorLine,
     Stroke::Thin,
     113.51,
     86.25,
     {"RpShape10", "RpShape11", "RpShape12"},
     {39.69, 47.62, 55.56}},
    {rpsVertLine,
     Stroke::Thin,
     32.01,
     31.49,
     {"RpShape4", "RpShape7", "RpShape8", "RpShape9", "RpShape13"},
     {18.52, 28.31, 104.78, 113.24, 123.56}},
    {rpsVertLine,
     Stroke::Thin,
     39.95,
     7.67,
     {"RpShape14", "RpShape15", "RpShape16", "RpShape17"},
     {65.62, 75.41, 161.13, 170.92}},
    {rpsVertLine,
     Stroke::Thin,
     55.83,
     7.67,
     {"RpShape20", "RpShape21", "RpShape18", "RpShape19"},
     {61.65, 71.44, 156.90, 166.69}},
    {rpsVertLine,
     Stroke::Thin,
     63.76,
     63.50,
     {"RpShape95", "RpShape22", "RpShape23", "RpShape24", "RpShape25", "RpShape26", "RpShape27"},
     {39.16, 88.37, 107.95, 118.53, 129.12, 152.40, 175.68}},
    // The cut line runs across the whole paper, beyond both margins.
    {rpsHorLine, Stroke::CutLine, 0.00, 210.08, {"RpShape34"}, {148.17}},
    // Lower half.
    {rpsHorLine, Stroke::Thick, 10.05, 189.97, {"RpShape116", "RpShape123"}, {157.96, 279.66}},
    {rpsVertLine, Stroke::Thick, 158.49, 121.18, {"RpShape137", "RpShape138"}, {9.79, 199.76}},
    {rpsHorLine,
     Stroke::Thin,
     10.05,
     189.97,
     {"RpShape67", "RpShape48", "RpShape89", "RpShape39", "RpShape124", "RpShape125", "RpShape126",
      "RpShape127", "RpShape128"},
     {171.45, 203.20, 207.17, 219.07, 227.54, 236.01, 244.47, 252.94, 261.41}},
    {rpsHorLine,
     Stroke::Thin,
     18.79,
     86.25,
     {"RpShape68", "RpShape70", "RpShape71"},
     {179.39, 187.32, 195.26}},
    {rpsHorLine,
     Stroke::Thin,
     113.51,
     86.25,
     {"RpShape40", "RpShape77", "RpShape41"},
     {179.39, 187.32, 195.26}},
    {rpsHorLine, Stroke::Thin, 10.05, 103.19, {"RpShape90"}, {211.14}},
    {rpsHorLine, Stroke::Thin, 10.05, 155.05, {"RpShape117"}, {268.55}},
    {rpsVertLine,
     Stroke::Thin,
     171.71,
     31.49,
     {"RpShape69", "RpShape72", "RpShape74", "RpShape75", "RpShape42"},
     {18.52, 28.31, 104.78, 113.24, 123.56}},
    {rpsVertLine,
     Stroke::Thin,
     179.65,
     7.67,
     {"RpShape80", "RpShape81", "RpShape43", "RpShape83"},
     {65.62, 75.41, 161.13, 170.92}},
    {rpsVertLine,
     Stroke::Thin,
     195.53,
     7.67,
     {"RpShape46", "RpShape47", "RpShape44", "RpShape45"},
     {61.65, 71.44, 156.90, 166.69}},
    {rpsVertLine,
     Stroke::Thin,
     203.46,
     15.35,
     {"RpShape92", "RpShape93", "RpShape91"},
     {29.90, 77.52, 113.24}},
    {rpsVertLine,
     Stroke::Thin,
     207.43,
     11.38,
     {"RpShape94", "RpShape49", "RpShape115", "RpShape114", "RpShape107", "RpShape110", "RpShape98",
      "RpShape101"},
     {16.67, 23.28, 37.84, 41.80, 53.71, 65.62, 89.43, 101.34}},
    {rpsVertLine,
     Stroke::ThinDotted,
     207.43,
     11.38,
     {"RpShape105", "RpShape106", "RpShape108", "RpShape109", "RpShape113", "RpShape111",
      "RpShape112", "RpShape96", "RpShape97", "RpShape99", "RpShape100", "RpShape104", "RpShape102",
      "RpShape103"},
     {45.77, 49.74, 57.68, 61.65, 61.65, 69.59, 73.55, 81.49, 85.46, 93.40, 97.37, 97.37, 105.30,
      109.27}},
    {rpsVertLine,
     Stroke::Thin,
     219.34,
     42.07,
     {"RpShape129", "RpShape134", "RpShape135", "RpShape130", "RpShape131", "RpShape132",
      "RpShape133", "RpShape136"},
     {16.67, 23.28, 89.43, 101.34, 118.53, 141.82, 165.10, 188.38}},
    {rpsVertLine,
     Stroke::Thin,
     261.67,
     17.73,
     {"RpShape118", "RpShape119", "RpShape121", "RpShape122", "RpShape120"},
     {58.21, 89.43, 118.53, 141.82, 165.10}},
};

// The title's double underline.
constexpr double underlineLeft = 67.73, underlineTop = 20.64, underlineWidth = 74.35,
                 underlineHeight = 1.06;

// A thin pen reaches 0.26 mm across, a thick (width 2) one 0.53 mm.
constexpr double thinReach = 0.26, thickReach = 0.53;

gfx::Font fontOf(Face face)
{
    struct FaceFont
    {
        const char* name;
        int size;
        bool bold;
        gfx::Color color;
    };
    static const FaceFont fonts[] = {
        {"Arial", 10, false, gfx::clBlack},       // Report
        {"굴림체", 10, false, gfx::clWindowText}, // GulimChe10
        {"굴림체", 10, false, gfx::clBlue},       // GulimChe10Blue
        {"굴림체", 14, false, gfx::clWindowText}, // GulimChe14
        {"굴림체", 14, false, gfx::clBlue},       // GulimChe14Blue
        {"굴림체", 22, false, gfx::clWindowText}, // GulimChe22
        {"굴림체", 26, true, gfx::clBlue},        // GulimChe26BoldBlue
        {"굴림체", 72, true, gfx::clWindowText},  // GulimChe72Bold
        {"굴림", 8, false, gfx::clWindowText},    // Gulim8
        {"굴림", 9, false, gfx::clWindowText},    // Gulim9
        {"굴림", 10, false, gfx::clWindowText},   // Gulim10
        {"굴림", 12, false, gfx::clWindowText},   // Gulim12
        {"Arial", 10, false, gfx::clWindowText},  // Arial10
    };
    const FaceFont& s = fonts[static_cast<int>(face)];
    gfx::Font font;
    font.name = text::cp949(s.name);
    font.size = s.size;
    font.bold = s.bold;
    font.color = s.color;
    return font;
}

// The cut line: what lies below it belongs to the tax invoice.
constexpr double cutLineTop = 148.17;

// What a message about a field says: the half it is on, then the field.
std::string fieldName(double top, const std::string& field)
{
    return text::cp949(top < cutLineTop ? "거래명세서 " : "세금계산서 ") + field;
}

// The fields of the customer's particulars and the totals, by their names after the half's
// prefix.
std::string fieldWords(std::string_view name)
{
    static const std::pair<std::string_view, const char*> words[] = {
        {"DATANO", "번호"},
        {"REGISTRATION", "공급받는자 등록번호"},
        {"CUSTNAME", "공급받는자 상호"},
        {"CHIEF", "공급받는자 성명"},
        {"ADDRESS", "공급받는자 주소"},
        {"JOBKIND", "공급받는자 업태"},
        {"JOBITEM", "공급받는자 업종"},
        {"TOTAL", "합계 금액"},
        {"COUNT", "건수"},
        {"AMOUNT", "공급가 합계"},
        {"TAXAMT", "부가세 합계"},
        {"SPACE", "공란 수"},
    };
    const size_t prefix = name.find('_');
    const std::string_view key = prefix == std::string_view::npos ? name : name.substr(prefix + 1);
    for (const auto& [k, w] : words)
        if (k == key)
            return text::cp949(w);
    return std::string(name);
}

void place(TRpPrintable& printable, double left, double top, double width, double height)
{
    printable.size().SetUnits(TRpUnit::MM);
    printable.size().setRect(left, top, width, height);
}

TRpCustomLabel& addText(TRpReport& report, const std::string& name, Kind kind, double left,
                        double top, double width, double height, Face face, TAlignment align,
                        unsigned flags, const std::string& caption)
{
    TRpCustomLabel* text = nullptr;
    if (kind == Kind::Expr) {
        auto& expr = report.add<TRpExpr>(name);
        expr.setAutoSize(false);
        expr.resetAfterPrint = (flags & ResetAfterPrint) != 0;
        text = &expr;
    } else {
        text = &report.add<TRpLabel>(name);
        text->setAutoSize(false);
    }
    if (face == Face::Report) {
        text->setParentFont(true);
    } else {
        text->setParentFont(false);
        text->setFont(fontOf(face));
    }
    text->setTransparent((flags & Opaque) == 0);
    text->setAlignment(align);
    place(*text, left, top, width, height);
    if (kind == Kind::Expr)
        static_cast<TRpExpr*>(text)->setExpression(caption);
    else
        text->setCaption(caption);
    text->setAlignToBand((flags & AlignToBand) != 0);
    text->setFigure((flags & Figure) != 0);
    text->setShrinkToFit((flags & Whole) != 0);
    text->fieldName = fieldName(top, fieldWords(name));
    // Sizing follows the stored size once it is set, as a stored layout loads.
    if (flags & AutoSize)
        text->setAutoSize(true);
    return *text;
}

void addTextRow(TRpReport& report, const TextRow& row)
{
    const std::string initial =
        row.kind == Kind::Expr ? eval::quotedLiteral("") : text::cp949(row.caption);
    addText(report, row.name, row.kind, row.left, row.top, row.width, row.height, row.face,
            row.align, row.flags, initial);
}

void addLineColumns(TRpReport& report, const LineColumn* columns, size_t columnCount,
                    const double* tops, int lines, double height, Face face)
{
    for (int n = 1; n <= lines; ++n) {
        for (size_t c = 0; c < columnCount; ++c) {
            const LineColumn& col = columns[c];
            double width = col.width;
            if (n == 1 && std::string_view(col.base) == "SUB_DESCRIPT")
                width = firstDescriptionWidth;
            auto& text = addText(report, col.base + std::to_string(n), Kind::Label, col.left,
                                 tops[n - 1], width, height, face, col.align,
                                 col.figure ? Transparent | Figure : Transparent | Whole, col.base);
            text.fieldName = fieldName(tops[n - 1], std::to_string(n) + text::cp949("행 ") +
                                                        text::cp949(col.heading));
        }
    }
}

void addPlaces(TRpReport& report, const PlaceRun& run)
{
    for (size_t i = 0; i < run.lefts.size(); ++i)
        addText(report, "RpLabel" + std::to_string(run.firstNumber + int(i)), Kind::Label,
                run.lefts[i], placeTop, placeWidth, placeHeight, Face::Gulim8, C, AutoSize,
                text::cp949(run.captions[i]));
}

const std::string& particularText(const SupplierParticulars& s, Particular p)
{
    switch (p) {
    case Particular::Registration:
        return s.registration;
    case Particular::Name:
        return s.name;
    case Particular::Representative:
        return s.representative;
    case Particular::Address:
        return s.address;
    case Particular::BusinessType:
        return s.businessType;
    case Particular::BusinessItem:
        return s.businessItem;
    case Particular::BankAccount:
        break;
    }
    return s.bankAccount;
}

const char* particularWords(Particular p)
{
    switch (p) {
    case Particular::Registration:
        return "공급자 등록번호";
    case Particular::Name:
        return "공급자 상호";
    case Particular::Representative:
        return "공급자 성명";
    case Particular::Address:
        return "공급자 주소";
    case Particular::BusinessType:
        return "공급자 업태";
    case Particular::BusinessItem:
        return "공급자 업종";
    case Particular::BankAccount:
        break;
    }
    return "입금 계좌";
}

TRpShape& addShape(TRpReport& report, const std::string& name, TRpShapeType kind, Stroke stroke,
                   double left, double top, double width, double height)
{
    auto& shape = report.add<TRpShape>(name);
    shape.shape = kind;
    switch (stroke) {
    case Stroke::Thin:
        shape.pen = {gfx::clBlue, 1, gfx::PenStyle::Solid};
        break;
    case Stroke::Thick:
        shape.pen = {gfx::clBlue, 2, gfx::PenStyle::Solid};
        break;
    case Stroke::ThinDotted:
        shape.pen = {gfx::clBlue, 1, gfx::PenStyle::Dot};
        break;
    case Stroke::CutLine:
        shape.pen = {gfx::clBlack, 2, gfx::PenStyle::DashDotDot};
        break;
    }
    place(shape, left, top, width, height);
    return shape;
}

void addLineRun(TRpReport& report, const LineRun& run)
{
    const double reach =
        run.stroke == Stroke::Thick || run.stroke == Stroke::CutLine ? thickReach : thinReach;
    for (size_t i = 0; i < run.names.size(); ++i) {
        if (run.kind == rpsHorLine)
            addShape(report, run.names[i], run.kind, run.stroke, run.fixedA, run.varying[i],
                     run.fixedB, reach);
        else
            addShape(report, run.names[i], run.kind, run.stroke, run.varying[i], run.fixedA, reach,
                     run.fixedB);
    }
}

void applyReportSettings(TRpReport& report)
{
    report.setUnits(TRpUnit::MM);
    TRpPage& page = report.page();
    page.setPaperSize(TRpPaperSize::A4);
    page.setOrientation(poPortrait);
    page.setTopMargin(10.0);
    page.setBottomMargin(10.0);
    page.setLeftMargin(10.0);
    page.setRightMargin(10.0);
    page.setColumns(1);
    page.setColumnSpace(0);
    report.setZoom(100);
    report.options.firstPageHeader = true;
    report.options.lastPageFooter = true;
    report.setPrintIfEmpty(true);
    report.printerSettings.copies = 1;
    report.printerSettings.duplex = false;
    report.printerSettings.firstPage = 0;
    report.printerSettings.lastPage = 0;
    gfx::Font font;
    font.name = "Arial";
    font.size = 10;
    font.color = gfx::clBlack;
    report.setFont(font);

    TRpBand& band = report.addBand(rbDetail, "DetailBand1");
    band.size().SetUnits(TRpUnit::MM);
    band.size().setValue(TRpBandSize::WidthIndex, 189.97);
    band.size().setValue(TRpBandSize::HeightIndex, 2.91);
    band.color = gfx::clWhite;
}

} // namespace

void buildStatementLayout(TRpReport& report, const SupplierParticulars& supplier)
{
    applyReportSettings(report);

    for (const TextRow& row : remarks)
        addTextRow(report, row);
    for (const ImageRow& row : seals) {
        auto& image = report.add<TRpImage>(row.name);
        image.stretch = true;
        place(image, row.left, row.top, row.width, row.height);
    }

    // The title goes before its underline, which touches the title's bottom edge.
    for (const TextRow& row : upperTexts)
        addTextRow(report, row);
    addShape(report, "RpShape1", rpsTopAndBottom, Stroke::Thin, underlineLeft, underlineTop,
             underlineWidth, underlineHeight);
    for (const TextRow& row : upperFields)
        addTextRow(report, row);
    addLineColumns(report, statementColumns, std::size(statementColumns), statementLineTops,
                   statementLineSlots, statementLineHeight, Face::GulimChe10);

    for (const TextRow& row : lowerFields)
        addTextRow(report, row);
    addLineColumns(report, invoiceColumns, std::size(invoiceColumns), invoiceLineTops,
                   invoiceLineSlots, invoiceLineHeight, Face::Arial10);
    for (const TextRow& row : lowerTexts)
        addTextRow(report, row);
    addPlaces(report, supplyPlaces);
    addPlaces(report, taxPlaces);

    for (const SupplierRow& row : supplierRows) {
        auto& text = addText(report, row.name, Kind::Expr, row.left, row.top, row.width, row.height,
                             row.face, row.align, row.flags,
                             eval::exactStringExpression(particularText(supplier, row.particular)));
        text.fieldName = fieldName(row.top, text::cp949(particularWords(row.particular)));
    }

    for (const LineRun& run : lineRuns)
        addLineRun(report, run);
}

} // namespace printing
