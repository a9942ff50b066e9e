#include "tests/report/preview/SamplePage.h"

#include "report/model/TRpLabel.h"
#include "report/model/TRpReport.h"
#include "report/model/TRpShape.h"
#include "text/Cp949.h"

#include <string>

using namespace report;

namespace {

// Native units.
constexpr long double tableLeft = 150;
constexpr long double tableTop = 1000;
constexpr long double tableWidth = 1800;
constexpr long double rowHeight = 70;
constexpr int rows = 13;

TRpLabel& label(TRpReport& report, const std::string& name, long double left, long double top,
                long double width, const char* utf8, int points, bool bold = false)
{
    auto& l = report.add<TRpLabel>(name);
    l.setAutoSize(false);
    l.setTransparent(true);
    gfx::Font font;
    font.name = text::cp949("굴림체");
    font.size = points;
    font.bold = bold;
    font.color = gfx::clBlack;
    l.setParentFont(false);
    l.setFont(font);
    l.size().SetUnits(TRpUnit::Native);
    l.size().setRect(left, top, width, points * 254 / 72.0L * 1.4L);
    l.setCaption(text::cp949(utf8));
    return l;
}

TRpShape& shape(TRpReport& report, const std::string& name, TRpShapeType type, long double left,
                long double top, long double width, long double height)
{
    auto& s = report.add<TRpShape>(name);
    s.shape = type;
    s.pen = {gfx::clBlack, 1, gfx::PenStyle::Solid};
    s.brush = {gfx::clWhite, gfx::BrushStyle::Clear};
    s.size().SetUnits(TRpUnit::Native);
    s.size().setRect(left, top, width, height);
    return s;
}

} // namespace

void addSamplePage(TRpReport& report)
{
    label(report, "TITLE", 700, 650, 700, "거 래 명 세 서", 20, true).setAlignment(taCenter);
    label(report, "CUSTNAME", tableLeft, 850, 900, "공급받는자: (주)미로라상사 귀하", 10);
    label(report, "SUBULDATE", 1300, 850, 650, "2024년 3월 15일", 10).setAlignment(taRightJustify);

    shape(report, "TABLE", rpsRectangle, tableLeft, tableTop, tableWidth, rowHeight * (rows + 1));
    const char* headers[] = {"품목", "규격", "수량", "단가", "공급가액"};
    const long double columns[] = {0, 600, 900, 1150, 1450};
    for (int c = 0; c < 5; ++c) {
        label(report, "HEAD" + std::to_string(c), tableLeft + columns[c] + 15, tableTop + 15, 300,
              headers[c], 9, true);
        if (c > 0)
            shape(report, "COL" + std::to_string(c), rpsVertLine, tableLeft + columns[c] - 10,
                  tableTop, 20, rowHeight * (rows + 1));
    }
    for (int r = 1; r <= rows; ++r) {
        const long double top = tableTop + r * rowHeight;
        shape(report, "ROW" + std::to_string(r), rpsHorLine, tableLeft, top - 10, tableWidth, 20);
        const std::string n = std::to_string(r);
        label(report, "SUB_ITEMNAME" + n, tableLeft + 15, top + 15, 560,
              r % 2 ? "A4 복사용지 80g (Double A)" : "볼펜 0.7mm 흑색 BP-7", 9);
        label(report, "SUB_UNIT" + n, tableLeft + 615, top + 15, 270, r % 2 ? "BOX" : "EA", 9);
        label(report, "SUB_QTY" + n, tableLeft + 915, top + 15, 220, r % 2 ? "12" : "250", 9)
            .setAlignment(taRightJustify);
        label(report, "SUB_PRICE" + n, tableLeft + 1165, top + 15, 270, r % 2 ? "23,500" : "450", 9)
            .setAlignment(taRightJustify);
        label(report, "SUB_AMOUNT" + n, tableLeft + 1465, top + 15, 320,
              r % 2 ? "282,000" : "112,500", 9)
            .setAlignment(taRightJustify);
    }
    label(report, "TOTAL", tableLeft, tableTop + (rows + 1) * rowHeight + 40, tableWidth,
          "합계금액: 일금 이백오십구만사천오백원정 (\\2,594,500)", 11, true);
    shape(report, "FOOTLINE", rpsHorLine, tableLeft, 2750, tableWidth, 20);
    label(report, "FOOT", tableLeft, 2790, tableWidth, "mirola statement viewer - test page", 8);
}
