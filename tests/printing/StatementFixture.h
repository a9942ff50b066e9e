#pragma once

#include "printing/StatementFill.h"
#include "printing/SupplierParticulars.h"
#include "printing/TFmirolareport.h"
#include "tests/printing/PageTexts.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Statements to print in the tests of the statement page, and the pages they print.
namespace testsupport::statement {

printing::SupplierParticulars supplier();
gfx::Bitmap seal();
printing::StatementLine line(const char* item, const char* standard, const char* qty,
                             const char* unit, const char* price, const char* amount,
                             const char* tax);
// The worked example: 2004-07-15 number 3, two lines.
printing::StatementInputs workedExample();
// What the worked example's number, lines and totals print, field by field: the same whoever
// the customer is.
extern const std::vector<std::pair<const char*, const char*>> workedExampleTexts;
// The worked example with n lines I1 S1 1 EA 100 100·i 10, …
printing::StatementInputs withLines(int n);

struct Printed
{
    std::unique_ptr<printing::TFmirolareport> form =
        std::make_unique<printing::TFmirolareport>(supplier());
    std::vector<PagePicture> pages;

    // The texts printed in a printable's rectangle on a page.
    std::string at(const std::string& name, int page = 1) const
    {
        return textIn(pages.at(size_t(page - 1)), boundsOf(form->Report1, name));
    }
};

// Resets, fills and generates a page; with `lookName`, saves its pages for looking at.
Printed print(const printing::StatementInputs& in, const std::string& lookName = {});
// The same for another supplier.
Printed print(const printing::StatementInputs& in, const printing::SupplierParticulars& from,
              const std::string& lookName = {});

} // namespace testsupport::statement
