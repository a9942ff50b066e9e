#include "printing/PrintCommand.h"

#include "gfx/EmfPlayer.h"
#include "printing/TFmirolareport.h"
#include "printing/TfrmPreview.h"
#include "report/print/WritePdf.h"
#include "report/print/PlatformPrinter.h"

#include <QImage>
#include <cmath>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

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

bool endsWith(const std::string& path, const QString& suffix)
{
    return QString::fromStdString(path).endsWith(suffix, Qt::CaseInsensitive);
}

// Page 1 as a picture of the report's paper at `dpi`.
void writePicture(const report::TRpReport& report, const std::string& path, int dpi)
{
    const std::optional<std::string> emf = report.RpPrinter()->PageImage(1);
    if (!emf)
        throw std::runtime_error("the statement has no page to draw");
    const auto pixels = [&](report::TRpPage::Index index) {
        return int(std::lround(report.page().nativeValue(index) / report::nativePerInch * dpi));
    };
    std::string error;
    const QImage image = gfx::playToImage(*emf, pixels(report::TRpPage::WidthIndex),
                                          pixels(report::TRpPage::LengthIndex), dpi, &error);
    if (image.isNull())
        throw std::runtime_error("the page picture is damaged: " + error);
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
    report::TRpPrinter& printer = *report.RpPrinter();
    if (endsWith(path, u".png"_s))
        writePicture(report, path, options.dpi);
    else if (endsWith(path, u".pdf"_s))
        report::WritePdf(printer, path);
    else
        printer.SaveReportFile(QString::fromStdString(path));
}

} // namespace printing
