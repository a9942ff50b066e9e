#include "printing/TFmirolareport.h"

#include "printing/StatementLayout.h"
#include "report/model/TRpExpr.h"
#include "report/model/TRpImage.h"
#include "report/print/QtPrinterDevice.h"
#include "text/Cp949.h"

namespace printing {

TFmirolareport::TFmirolareport(const SupplierParticulars& supplier, Target target)
    : Report1(target == Target::Printer
                  ? report::TRpReport::DeviceFactory(&report::newPrinterDevice)
                  : report::TRpReport::DeviceFactory())
{
    buildStatementLayout(Report1, supplier);
    DetailBand1 = Report1.findBand(report::rbDetail);
}

TFmirolareport::~TFmirolareport() = default;

std::string TFmirolareport::caption()
{
    return text::cp949("거래명세표 & 세금계산서");
}

report::TRpComponent* TFmirolareport::FindComponent(std::string_view name) const
{
    return Report1.findComponent(name);
}

report::TRpCustomLabel* TFmirolareport::label(std::string_view name) const
{
    return Report1.find<report::TRpCustomLabel>(name);
}

report::TRpExpr* TFmirolareport::expr(std::string_view name) const
{
    return Report1.find<report::TRpExpr>(name);
}

report::TRpImage* TFmirolareport::image(std::string_view name) const
{
    return Report1.find<report::TRpImage>(name);
}

} // namespace printing
