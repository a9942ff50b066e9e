#pragma once

#include "printing/SupplierParticulars.h"

#include <string_view>

namespace report {
class TRpReport;
}

namespace printing {

// Paper positions of the page, in millimetres from the paper's top-left corner.
inline constexpr double cutLineTopMm = 148.17;
// Item slots of each half.
inline constexpr int statementLineSlots = 13;
inline constexpr int invoiceLineSlots = 4;

// Item-line base names; a line's printable is the base name followed by its number.
inline constexpr std::string_view statementLineBases[] = {
    "SUB_ITEMNAME", "SUB_DESCRIPT", "SUB_COLORNAME", "SUB_QTY",
    "SUB_UNIT",     "SUB_PRICE",    "SUB_AMOUNT",    "SUB_TAXAMT"};
inline constexpr std::string_view invoiceLineBases[] = {"TAX_MONTH", "TAX_DAY", "TAX_DESCRIPT",
                                                        "TAX_AMOUNT", "TAX_TAXAMT"};

// Places the statement page on an empty report: the report's settings, its one detail band and
// every printable in printing order (remarks, then seals, then the rest). The supplier's
// particulars become exact literal expressions.
void buildStatementLayout(report::TRpReport& report, const SupplierParticulars& supplier);

} // namespace printing
