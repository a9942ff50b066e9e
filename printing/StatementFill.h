#pragma once

#include "gfx/Bitmap.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace printing {

class TFmirolareport;

// One statement line as the line grid holds it: item name, standard (규격), quantity, unit, unit
// price, supply amount, tax (cp949 texts as received).
using StatementLine = std::array<std::string, 7>;

// A statement's lines where their owner keeps them. The fill reads one page's lines at each page
// start while the report generates, so a long statement is not copied for printing; a source
// must give the same lines for as long as the report form filled from it lives.
class StatementLines
{
public:
    virtual ~StatementLines() = default;
    virtual size_t count() const = 0;
    virtual StatementLine at(size_t k) const = 0;
};

// What the viewer shows of the focused statement, read when printing starts.
struct StatementInputs
{
    std::string date;     // trading date, "yyyy-mm-dd"
    std::string sequence; // sequence number of that date
    std::string registration, custName, chief, address, jobKind, jobItem;
    // The lines: from `lineSource` when there is one, else copied from `lines`.
    std::vector<StatementLine> lines;
    std::shared_ptr<const StatementLines> lineSource;
    std::string totAmt, totTax, totAmTax, totCount;
    // A figure or a total left 64 bits: no right total can be printed.
    bool totalsOverflow = false;
    gfx::Bitmap seal;
};

// Fixed phrases of the page (cp949).
std::string remarkText();
std::string endOfLinesMarker();

// Statement pages for a number of lines: further pages carry 13 lines each.
int statementPageCount(int lines);

// Clears every data-bearing printable of the page.
void ResetStatement(TFmirolareport& form);
// Writes the statement into the page. Amounts are read 64 bits wide; values print exactly,
// quotes included. Lines beyond the thirteenth continue on further pages, each repeating the
// statement half; the tax invoice is printed on the first page only. A statement whose totals
// left 64 bits is refused (std::runtime_error with the user's message).
void FillStatement(TFmirolareport& form, const StatementInputs& in);

} // namespace printing
