#include "report/model/TRpBand.h"

#include "report/model/Rounding.h"
#include "report/model/TRpPrintable.h"
#include "report/model/TRpReport.h"

namespace report {

TRpBand::TRpBand(TRpBandType type) : m_type(type), m_size(this) {}

TRpBand::~TRpBand() = default;

TRpBand& TRpBand::addChildBand(std::string name)
{
    m_child = std::make_unique<TRpBand>(rbChild);
    m_child->setName(std::move(name));
    m_child->setParentReport(m_report);
    return *m_child;
}

void TRpBand::setParentReport(TRpReport* report)
{
    m_report = report;
    if (report) {
        m_size.SetUnits(report->units());
        m_size.setZoom(report->zoom());
    }
    for (auto& printable : m_printables)
        printable->setParentBand(this);
    if (m_child)
        m_child->setParentReport(report);
}

void TRpBand::adopt(std::unique_ptr<TRpPrintable> printable, std::string name)
{
    printable->setName(std::move(name));
    printable->setParentBand(this);
    m_printables.push_back(std::move(printable));
}

void TRpBand::boundsFromSize()
{
    m_pixelWidth = Round(m_size.pixels(TRpBandSize::WidthIndex));
    m_pixelHeight = Round(m_size.pixels(TRpBandSize::HeightIndex));
}

} // namespace report
