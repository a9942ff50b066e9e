#include "printing/StatementFill.h"

#include "printing/StatementLayout.h"
#include "printing/TFmirolareport.h"
#include "report/eval/QuotedLiteral.h"
#include "report/model/TRpExpr.h"
#include "report/model/TRpImage.h"
#include "report/model/TRpLabel.h"
#include "text/Cp949.h"
#include "text/Integers.h"
#include "text/NumberFormat.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

namespace printing {

using report::TRpPrintable;
using report::TRpReport;

namespace {

const char* const statementFields[] = {"SUB_DATANO", "SUB_REGISTRATION", "SUB_CUSTNAME",
                                       "SUB_CHIEF",  "SUB_ADDRESS",      "SUB_JOBKIND",
                                       "SUB_JOBITEM"};
const char* const statementTotals[] = {"SUB_TOTAL", "SUB_COUNT", "SUB_AMOUNT", "SUB_TAXAMT"};
const char* const invoiceFields[] = {
    "TAX_DATANO",  "TAX_REGISTRATION", "TAX_CUSTNAME", "TAX_CHIEF", "TAX_ADDRESS",
    "TAX_JOBKIND", "TAX_JOBITEM",      "TAX_YEAR",     "TAX_MONTH", "TAX_DAY",
    "AMT_SPACE",   "TAX_AMOUNT",       "TAX_TAXAMT"};

// A number as the page reads it: 0 when the text does not convert. Amounts are 64 bits wide.
int64_t amountOf(const std::string& s)
{
    return text::StrToInt64Def(s, 0);
}

// Date parts and sequence numbers keep to 32 bits.
int32_t integerOf(std::string_view s)
{
    const int64_t v = text::StrToInt64Def(s, 0);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return 0;
    return int32_t(v);
}

std::string grouped(int64_t v)
{
    return text::FormatFloat("0,.", v);
}

// Bytes `from`..`from + count - 1` (1-based) of a text, as far as it has them.
std::string_view bytes(const std::string& s, size_t from, size_t count)
{
    if (s.size() < from)
        return {};
    return std::string_view(s).substr(from - 1, count);
}

report::TRpExpr& exprOf(const TFmirolareport& form, std::string_view name)
{
    report::TRpExpr* e = form.expr(name);
    if (!e)
        throw std::logic_error("statement page lacks " + std::string(name));
    return *e;
}

void setLiteral(const TFmirolareport& form, std::string_view name, std::string_view value)
{
    exprOf(form, name).setExpression(report::eval::exactStringExpression(value));
}

void setCaption(const TFmirolareport& form, std::string_view name, std::string caption)
{
    report::TRpCustomLabel* l = form.label(name);
    if (!l)
        throw std::logic_error("statement page lacks " + std::string(name));
    l->setCaption(std::move(caption));
}

std::string numbered(std::string_view base, int n)
{
    return std::string(base) + std::to_string(n);
}

void clearStatementLines(const TFmirolareport& form)
{
    for (int i = 1; i <= statementLineSlots; ++i)
        for (std::string_view base : statementLineBases)
            setCaption(form, numbered(base, i), {});
}

class LineVector final : public StatementLines
{
public:
    explicit LineVector(std::vector<StatementLine> lines) : m_lines(std::move(lines)) {}
    size_t count() const override { return m_lines.size(); }
    StatementLine at(size_t k) const override { return m_lines[k]; }

private:
    std::vector<StatementLine> m_lines;
};

// The page starts run after the fill has returned, so the lines must outlive the inputs.
std::shared_ptr<const StatementLines> linesOf(const StatementInputs& in)
{
    if (in.lineSource)
        return in.lineSource;
    return std::make_shared<LineVector>(in.lines);
}

// Lines of one statement page: slot i shows line 13 * (page - 1) + i; the marker follows the
// statement's last line when a slot is left for it.
void fillStatementPage(const TFmirolareport& form, const StatementLines& lines, int page)
{
    clearStatementLines(form);
    const size_t total = lines.count();
    const size_t first = size_t(page - 1) * statementLineSlots;
    const size_t onPage = first < total ? std::min<size_t>(statementLineSlots, total - first) : 0;
    for (size_t k = 0; k < onPage; ++k) {
        const StatementLine line = lines.at(first + k);
        const int i = int(k) + 1;
        setCaption(form, numbered("SUB_ITEMNAME", i), line[0]);
        setCaption(form, numbered("SUB_DESCRIPT", i), line[1]);
        setCaption(form, numbered("SUB_QTY", i), grouped(amountOf(line[2])));
        setCaption(form, numbered("SUB_UNIT", i), line[3]);
        setCaption(form, numbered("SUB_PRICE", i), grouped(amountOf(line[4])));
        setCaption(form, numbered("SUB_AMOUNT", i), grouped(amountOf(line[5])));
        setCaption(form, numbered("SUB_TAXAMT", i), grouped(amountOf(line[6])));
    }
    const bool lastPage = first + onPage >= total;
    if (lastPage && onPage < size_t(statementLineSlots))
        setCaption(form, numbered("SUB_DESCRIPT", int(onPage) + 1), endOfLinesMarker());
}

// Everything from the cut line down: the tax invoice half.
std::vector<TRpPrintable*> invoiceHalf(const TFmirolareport& form)
{
    const TRpPrintable* cut = form.Report1.find<TRpPrintable>("RpShape34");
    const long double cutTop = cut->size().nativeValue(report::TRpPrintableSize::TopIndex);
    std::vector<TRpPrintable*> half;
    for (const auto& child : form.Report1.children())
        if (auto* p = dynamic_cast<TRpPrintable*>(child.get()))
            if (p->size().nativeValue(report::TRpPrintableSize::TopIndex) >= cutTop)
                half.push_back(p);
    return half;
}

void showInvoiceHalf(const TFmirolareport& form, bool show, const gfx::Bitmap& seal)
{
    for (TRpPrintable* p : invoiceHalf(form)) {
        p->enabled = show;
        // Images print whether enabled or not: an empty picture hides the seal.
        if (auto* image = dynamic_cast<report::TRpImage*>(p))
            image->setPicture(show ? seal : gfx::Bitmap());
    }
}

} // namespace

std::string remarkText()
{
    return text::cp949("이 면 지 활 용");
}

std::string endOfLinesMarker()
{
    return text::cp949("          이  하  여  백");
}

int statementPageCount(int lines)
{
    return std::max(1, (lines + statementLineSlots - 1) / statementLineSlots);
}

void ResetStatement(TFmirolareport& form)
{
    TRpReport& report = form.Report1;
    // A form reset for another statement prints one page again.
    report.OnNeedData = {};
    report.OnStartPage = {};
    if (form.DetailBand1)
        form.DetailBand1->forceNewPage = false;
    for (TRpPrintable* p : invoiceHalf(form))
        p->enabled = true;

    const std::string empty = report::eval::quotedLiteral("");
    for (const char* name : statementFields)
        exprOf(form, name).setExpression(empty);
    clearStatementLines(form);
    for (const char* name : statementTotals)
        exprOf(form, name).setExpression(empty);
    setCaption(form, "SUB_REMARK", {});
    for (const char* name : invoiceFields)
        exprOf(form, name).setExpression(empty);
    for (int i = 1; i <= invoiceLineSlots; ++i)
        for (std::string_view base : invoiceLineBases)
            setCaption(form, numbered(base, i), {});
    exprOf(form, "TAX_TOTAL").setExpression(empty);
    setCaption(form, "TAX_REMARK", {});
}

void FillStatement(TFmirolareport& form, const StatementInputs& in)
{
    if (in.totalsOverflow)
        throw std::runtime_error(text::cp949("금액이 19자리를 넘어 합계를 바르게 낼 수 없으므로 "
                                             "이 거래명세서는 인쇄할 수 없습니다."));
    const int32_t year = integerOf(bytes(in.date, 1, 4));
    const int32_t month = integerOf(bytes(in.date, 6, 2));
    const int32_t day = integerOf(bytes(in.date, 9, 2));
    const std::string number = in.date + "-" + text::FormatFloat("000", integerOf(in.sequence));

    const int64_t totAmt = amountOf(in.totAmt);
    const int64_t totTax = amountOf(in.totTax);
    const int64_t totAmTax = amountOf(in.totAmTax);
    const int64_t totCount = amountOf(in.totCount);
    const std::string grandTotal = text::cp949("￦") + grouped(totAmTax) + text::cp949("원");
    const std::string particulars[] = {in.registration, in.custName, in.chief,
                                       in.address,      in.jobKind,  in.jobItem};
    const std::shared_ptr<const StatementLines> lines = linesOf(in);

    setLiteral(form, "SUB_DATANO", number);
    // The print job, the PDF and the preview's page description carry the statement's number.
    form.Report1.setReportTitle(text::cp949("거래명세서 ") + number);
    for (int i = 0; i < 6; ++i)
        setLiteral(form, statementFields[i + 1], particulars[i]);

    const bool statementFilled = totCount > 0;
    if (!statementFilled) {
        setCaption(form, "SUB_REMARK", remarkText());
    } else {
        form.image("RpImage1")->setPicture(in.seal);
        fillStatementPage(form, *lines, 1);
        setLiteral(form, "SUB_TOTAL", grandTotal);
        setLiteral(form, "SUB_COUNT",
                   text::cp949("건수 : ") + grouped(totCount) + text::cp949("건"));
        setLiteral(form, "SUB_AMOUNT", grouped(totAmt));
        setLiteral(form, "SUB_TAXAMT", grouped(totTax));
    }

    setLiteral(form, "TAX_DATANO", number);
    for (int i = 0; i < 6; ++i)
        setLiteral(form, invoiceFields[i + 1], particulars[i]);

    const bool invoiceFilled = totTax > 0;
    if (!invoiceFilled) {
        setCaption(form, "TAX_REMARK", remarkText());
    } else {
        form.image("RpImage2")->setPicture(in.seal);
        setLiteral(form, "TAX_YEAR", bytes(text::FormatFloat("0000", year), 3, 2));
        setLiteral(form, "TAX_MONTH", text::FormatFloat("00", month));
        setLiteral(form, "TAX_DAY", text::FormatFloat("00", day));
        // Ten boxes; an amount of more digits leaves none blank.
        const int64_t blanks =
            std::max<int64_t>(0, 10 - int64_t(text::FormatFloat("#", totAmt).size()));
        setLiteral(form, "AMT_SPACE", text::FormatFloat("0", blanks));
        setLiteral(form, "TAX_AMOUNT", text::FormatFloat("0", totAmt));
        setLiteral(form, "TAX_TAXAMT", text::FormatFloat("0", totTax));
        setCaption(form, "TAX_MONTH1", text::FormatFloat("00", month));
        setCaption(form, "TAX_DAY1", text::FormatFloat("00", day));
        const std::string firstStandard = lines->count() == 0 ? std::string() : lines->at(0)[1];
        setCaption(form, "TAX_DESCRIPT1", firstStandard + text::cp949(" 외"));
        setCaption(form, "TAX_AMOUNT1", grouped(totAmt));
        setCaption(form, "TAX_TAXAMT1", grouped(totTax));
        setCaption(form, "TAX_DESCRIPT2", endOfLinesMarker());
        setLiteral(form, "TAX_TOTAL", grandTotal);
    }

    const int pages = statementFilled ? statementPageCount(int(lines->count())) : 1;
    if (pages == 1)
        return;
    // Further pages: one detail printing per page, each forced onto a page of its own; every
    // page start refills the statement's lines and keeps the tax invoice to page 1.
    const gfx::Bitmap invoiceSeal = invoiceFilled ? in.seal : gfx::Bitmap();
    form.DetailBand1->forceNewPage = true;
    form.Report1.OnNeedData = [pages](TRpReport& report) { return report.currentPage() < pages; };
    form.Report1.OnStartPage = [&form, lines, invoiceSeal, number, pages](TRpReport& report) {
        const int page = report.currentPage();
        // Every sheet of a longer statement says which one it is, beside the number.
        setLiteral(form, "SUB_DATANO",
                   number + "  " + std::to_string(page) + "/" + std::to_string(pages));
        fillStatementPage(form, *lines, page);
        showInvoiceHalf(form, page == 1, invoiceSeal);
    };
}

} // namespace printing
