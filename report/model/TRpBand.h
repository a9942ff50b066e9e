#pragma once

#include "gfx/Color.h"
#include "report/model/TRpBandSize.h"
#include "report/model/TRpComponent.h"
#include "report/model/TRpFrame.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace report {

class TRpPrintable;
class TRpReport;

enum TRpBandType {
    rbTitle,
    rbPageHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbColumnHeader,
    rbOverlay,
    rbChild,
};

// A horizontal strip of the page that report generation prints as a whole, with printables
// positioned from its top-left corner.
class TRpBand : public TRpComponent
{
public:
    explicit TRpBand(TRpBandType type = rbDetail);
    ~TRpBand() override;

    TRpBandType bandType() const { return m_type; }
    void setBandType(TRpBandType type) { m_type = type; }

    TRpBandSize& size() { return m_size; }
    const TRpBandSize& size() const { return m_size; }

    gfx::Color color = gfx::clWhite;
    bool enabled = true;
    TRpFrame frame;
    bool alignToBottom = false;
    bool forceNewPage = false;
    bool forceNewColumn = false;

    // The band printed right after this one, owned by this band.
    TRpBand* childBand() const { return m_child.get(); }
    TRpBand& addChildBand(std::string name);

    // Fired around each printing; BeforePrint may clear `enabled` for this printing.
    std::function<void(TRpBand&, bool& enabled)> BeforePrint;
    std::function<void(TRpBand&)> AfterPrint;

    // Printables on the band, owned by it, in child order.
    template <class T> T& add(std::string_view name)
    {
        auto printable = std::make_unique<T>();
        T& added = *printable;
        adopt(std::move(printable), std::string(name));
        return added;
    }
    const std::vector<std::unique_ptr<TRpPrintable>>& printables() const { return m_printables; }

    TRpReport* report() const { return m_report; }
    void setParentReport(TRpReport* report);

    int pixelWidth() const { return m_pixelWidth; }
    int pixelHeight() const { return m_pixelHeight; }
    void boundsFromSize();

private:
    void adopt(std::unique_ptr<TRpPrintable> printable, std::string name);

    TRpBandType m_type;
    TRpBandSize m_size;
    TRpReport* m_report = nullptr;
    std::unique_ptr<TRpBand> m_child;
    std::vector<std::unique_ptr<TRpPrintable>> m_printables;
    int m_pixelWidth = 0;
    int m_pixelHeight = 0;
};

} // namespace report
