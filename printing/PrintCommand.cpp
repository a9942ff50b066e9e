#include "printing/PrintCommand.h"

#include "gfx/EmfPlayer.h"
#include "gfx/QtCanvas.h"
#include "printing/TFmirolareport.h"
#include "printing/TfrmPreview.h"
#include "report/print/WritePdf.h"
#include "report/print/PlatformPrinter.h"

#include <QImage>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace printing {

TfrmPreview* frmPreview = nullptr;

namespace {

// Frees the command's forms in the order the command owns them: the window first.
struct CommandForms
{
    CommandForms() = default;
    CommandForms(const CommandForms&) = delete;
    CommandForms& operator=(const CommandForms&) = delete;
    ~CommandForms()
    {
        delete frmPreview;
        frmPreview = nullptr;
        delete Fmirolareport;
        Fmirolareport = nullptr;
    }
};

// The forms are global, so a second command while one runs (a host calling it from inside the
// preview's loop) would free the first one's forms under it.
void refuseWhileRunning()
{
    if (Fmirolareport || frmPreview)
        throw std::runtime_error("a print command is already running");
}

void createReportForm(const SupplierParticulars& supplier, const std::function<void()>& fill)
{
    Fmirolareport = new TFmirolareport(supplier);
    fill();
}

bool endsWith(const std::string& s, const char* suffix)
{
    const QString tail = QString::fromStdString(s).right(int(std::strlen(suffix)));
    return tail.compare(QString::fromLatin1(suffix), Qt::CaseInsensitive) == 0;
}

void writePicture(const report::TRpPrinter& printer, const std::string& path, int dpi)
{
    const std::optional<std::string> emf = printer.PageImage(1);
    if (!emf)
        throw std::runtime_error("the statement has no page to draw");
    // A4 portrait at the resolution asked for.
    const int width = int(std::lround(210.0 / 25.4 * dpi));
    const int height = int(std::lround(297.0 / 25.4 * dpi));
    QImage image(width, height, QImage::Format_RGB32);
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        gfx::QtCanvas canvas(&image);
        gfx::EmfPlayer player(canvas);
        if (!player.play(*emf, {0, 0, width, height}))
            throw std::runtime_error("the page picture is damaged: " + player.error());
    }
    if (!image.save(QString::fromStdString(path), "PNG"))
        throw std::runtime_error("cannot write " + path);
}

} // namespace

void RunPrintCommand(const SupplierParticulars& supplier, QWidget* owner,
                     const std::function<void()>& fill)
{
    refuseWhileRunning();
    CommandForms forms;
    createReportForm(supplier, fill);
    frmPreview = new TfrmPreview(owner);
    report::TRpReport& report = Fmirolareport->Report1;
    frmPreview->Report = &report;
    report.printerSettings.deviceIndex = report::PlatformPrinter::instance().printerIndex();
    report.GeneratePages();
    frmPreview->attachReportPrinter();
    frmPreview->ShowModal();
}

void ExportStatement(const SupplierParticulars& supplier, const std::function<void()>& fill,
                     const std::string& path, const ExportOptions& options)
{
    if (options.dpi < 24 || options.dpi > 1200)
        throw std::runtime_error("--dpi wants 24 to 1200");
    refuseWhileRunning();
    CommandForms forms;
    createReportForm(supplier, fill);
    report::TRpReport& report = Fmirolareport->Report1;
    report.options.compression = options.compress;
    report.GeneratePages();
    const report::TRpPrinter& printer = *report.RpPrinter();
    if (endsWith(path, ".png"))
        writePicture(printer, path, options.dpi);
    else if (endsWith(path, ".pdf"))
        report::WritePdf(printer, path);
    else
        report.RpPrinter()->SaveReportFile(QString::fromStdString(path));
}

} // namespace printing
