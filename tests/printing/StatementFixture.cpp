#include "tests/printing/StatementFixture.h"

#include "report/model/TRpPrinter.h"
#include "text/Cp949.h"

#include <QImage>

using namespace printing;

namespace testsupport::statement {

printing::SupplierParticulars supplier()
{
    return {text::cp949("123-45-67890"),
            text::cp949("(주)미로라상사"),
            text::cp949("김공급"),
            text::cp949("서울 중구 세종대로 1"),
            text::cp949("도소매"),
            text::cp949("사무용품"),
            text::cp949("국민은행 123-456-789012")};
}

gfx::Bitmap seal()
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    return gfx::Bitmap::fromImage(image);
}

printing::StatementLine line(const char* item, const char* standard, const char* qty,
                             const char* unit, const char* price, const char* amount,
                             const char* tax)
{
    return {text::cp949(item), text::cp949(standard), qty, text::cp949(unit), price, amount, tax};
}

printing::StatementInputs workedExample()
{
    StatementInputs in;
    in.date = "2004-07-15";
    in.sequence = "3";
    in.registration = "211-86-12345";
    in.custName = text::cp949("(주)한빛유통");
    in.chief = text::cp949("홍길동");
    in.address = text::cp949("서울 강남구 테헤란로 1");
    in.jobKind = text::cp949("도매");
    in.jobItem = text::cp949("잡화");
    in.lines = {line("A", "a", "10", "EA", "1500", "15000", "1500"),
                line("B", "b", "2", "BOX", "30000", "60000", "6000")};
    in.totAmt = "75000";
    in.totTax = "7500";
    in.totAmTax = "82500";
    in.totCount = "2";
    in.seal = seal();
    return in;
}

const std::vector<std::pair<const char*, const char*>> workedExampleTexts = {
    {"SUB_DATANO", "2004-07-15-003"},
    {"TAX_DATANO", "2004-07-15-003"},
    {"SUB_ITEMNAME1", "A"},
    {"SUB_DESCRIPT1", "a"},
    {"SUB_QTY1", "10"},
    {"SUB_UNIT1", "EA"},
    {"SUB_PRICE1", "1,500"},
    {"SUB_AMOUNT1", "15,000"},
    {"SUB_TAXAMT1", "1,500"},
    {"SUB_ITEMNAME2", "B"},
    {"SUB_DESCRIPT2", "b"},
    {"SUB_QTY2", "2"},
    {"SUB_UNIT2", "BOX"},
    {"SUB_PRICE2", "30,000"},
    {"SUB_AMOUNT2", "60,000"},
    {"SUB_TAXAMT2", "6,000"},
    {"SUB_DESCRIPT3", "이  하  여  백"},
    {"SUB_TOTAL", "￦82,500원"},
    {"SUB_COUNT", "건수 : 2건"},
    {"SUB_AMOUNT", "75,000"},
    {"SUB_TAXAMT", "7,500"},
    {"TAX_YEAR", "04"},
    {"TAX_MONTH", "07"},
    {"TAX_DAY", "15"},
    {"AMT_SPACE", "5"},
    {"TAX_AMOUNT", "75000"},
    {"TAX_TAXAMT", "7500"},
    {"TAX_MONTH1", "07"},
    {"TAX_DAY1", "15"},
    {"TAX_DESCRIPT1", "a 외"},
    {"TAX_AMOUNT1", "75,000"},
    {"TAX_TAXAMT1", "7,500"},
    {"TAX_DESCRIPT2", "이  하  여  백"},
    {"TAX_TOTAL", "￦82,500원"},
};

printing::StatementInputs withLines(int n)
{
    StatementInputs in = workedExample();
    in.lines.clear();
    for (int i = 1; i <= n; ++i) {
        const std::string k = std::to_string(i);
        in.lines.push_back({"I" + k, "S" + k, k, "EA", "100", std::to_string(100 * i), "10"});
    }
    in.totCount = std::to_string(n);
    return in;
}

Printed print(const StatementInputs& in, const std::string& lookName)
{
    return print(in, supplier(), lookName);
}

Printed print(const StatementInputs& in, const SupplierParticulars& from,
              const std::string& lookName)
{
    Printed p;
    p.form = std::make_unique<TFmirolareport>(from);
    ResetStatement(*p.form);
    FillStatement(*p.form, in);
    p.form->Report1.GeneratePages();
    for (int n = 1; n <= p.form->Report1.RpPrinter()->PageTotal(); ++n) {
        p.pages.push_back(playPage(p.form->Report1, n));
        if (!lookName.empty())
            for (int dpi : {96, 300})
                testsupport::saveForLooking(p.form->Report1, n,
                                            lookName + "-page" + std::to_string(n), dpi);
    }
    return p;
}

} // namespace testsupport::statement
