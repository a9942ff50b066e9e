#pragma once

#include "printing/SupplierParticulars.h"
#include "report/model/TRpReport.h"

#include <string>
#include <string_view>

namespace report {
class TRpBand;
class TRpCustomLabel;
class TRpExpr;
class TRpImage;
} // namespace report

namespace printing {

// The statement page: a report form that is never shown. It holds no data of its own; the
// filling writes the viewer's statement into its named printables before each generation.
class TFmirolareport
{
public:
    // What the page is generated for. A page for the printer takes the paper and settings of
    // the platform's printer; a page written to a file has no printer to follow and asks about
    // none (which spares loading the print system at all): it is the layout's A4 page.
    enum class Target { Printer, File };

    explicit TFmirolareport(const SupplierParticulars& supplier, Target target = Target::Printer);
    ~TFmirolareport();
    TFmirolareport(const TFmirolareport&) = delete;
    TFmirolareport& operator=(const TFmirolareport&) = delete;

    static constexpr const char* objectName = "Fmirolareport";
    // cp949.
    static std::string caption();

    report::TRpReport Report1;
    report::TRpBand* DetailBand1 = nullptr;

    // A printable of the layout by name; nullptr for a name the layout does not have.
    report::TRpComponent* FindComponent(std::string_view name) const;
    report::TRpCustomLabel* label(std::string_view name) const;
    report::TRpExpr* expr(std::string_view name) const;
    report::TRpImage* image(std::string_view name) const;
};

} // namespace printing
