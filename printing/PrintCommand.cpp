#include "printing/PrintCommand.h"

#include "gfx/EmfPlayer.h"
#include "printing/TFmirolareport.h"
#include "printing/TfrmPreview.h"
#include "report/print/PlatformPrinter.h"
#include "report/print/WritePdf.h"
#include "report/store/TRpPageList.h"
#include "report/store/WholeFile.h"
#include "text/Cp949.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <cmath>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace printing {

namespace {

bool endsWith(const std::string& path, const QString& suffix)
{
    return QString::fromStdString(path).endsWith(suffix, Qt::CaseInsensitive);
}

std::runtime_error unknownFormat(const std::string& path)
{
    return std::runtime_error("cannot tell the format of " + path + ": write .rpf, .pdf or .png");
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
    // Coded in memory and written by us: the image library reports its own write errors on
    // stderr, before the one line that is ours.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("cannot code the page as PNG");
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::WriteOnly) ||
        !report::WholeFile::writeAll(file, png.constData(), png.size()) || !file.flush())
        throw std::runtime_error(
            text::toCp949(u"cannot write "_s + file.fileName() + u": "_s + file.errorString()));
}

} // namespace

ExportFormat exportFormatOf(const std::string& path)
{
    if (endsWith(path, u".rpf"_s))
        return ExportFormat::ReportFile;
    if (endsWith(path, u".pdf"_s))
        return ExportFormat::Pdf;
    if (endsWith(path, u".png"_s))
        return ExportFormat::Png;
    return ExportFormat::None;
}

// Marks the command running for one printing and frees its forms when the printing ends.
class PrintCommand::Running
{
public:
    explicit Running(PrintCommand& command) : m_command(command)
    {
        if (m_command.m_running)
            throw std::runtime_error(text::cp949("인쇄가 이미 진행 중입니다."));
        m_command.m_running = true;
    }
    ~Running()
    {
        m_command.m_preview.reset();
        m_command.m_report.reset();
        m_command.m_running = false;
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    PrintCommand& m_command;
};

PrintCommand::PrintCommand() = default;

PrintCommand::~PrintCommand()
{
    m_preview.reset();
    m_report.reset();
}

void PrintCommand::run(const SupplierParticulars& supplier, QWidget* owner,
                       const StatementFiller& fill)
{
    const Running running(*this);
    m_report = std::make_unique<TFmirolareport>(supplier);
    fill(*m_report);
    m_preview = std::make_unique<TfrmPreview>(owner);
    report::TRpReport& report = m_report->Report1;
    m_preview->Report = &report;
    report.printerSettings.deviceIndex = report::PlatformPrinter::instance().printerIndex();
    m_cutTexts.clear();
    report.GeneratePages();
    m_cutTexts = report.cutTexts();
    m_preview->attachReportPrinter();
    m_preview->showCutTexts(m_cutTexts);
    m_preview->ShowModal();
}

report::TRpPrinter& PrintCommand::generate(const SupplierParticulars& supplier,
                                           const StatementFiller& fill, bool compress)
{
    m_report = std::make_unique<TFmirolareport>(supplier, TFmirolareport::Target::File);
    fill(*m_report);
    report::TRpReport& report = m_report->Report1;
    report.options.compression = compress;
    m_cutTexts.clear();
    report.GeneratePages();
    m_cutTexts = report.cutTexts();
    return *report.RpPrinter();
}

void PrintCommand::exportTo(const SupplierParticulars& supplier, const StatementFiller& fill,
                            const std::string& path, const ExportOptions& options)
{
    exportToEach(supplier, fill, {path}, options);
}

void PrintCommand::exportToEach(const SupplierParticulars& supplier, const StatementFiller& fill,
                                const std::vector<std::string>& paths, const ExportOptions& options)
{
    if (options.dpi < ExportOptions::minDpi || options.dpi > ExportOptions::maxDpi)
        throw std::runtime_error("--dpi wants " + std::to_string(ExportOptions::minDpi) + " to " +
                                 std::to_string(ExportOptions::maxDpi));
    const Running running(*this);
    for (const std::string& path : paths) {
        if (exportFormatOf(path) == ExportFormat::None)
            throw unknownFormat(path);
    }
    report::TRpPrinter& printer = generate(supplier, fill, options.compress);
    for (const std::string& path : paths) {
        const ExportFormat format = exportFormatOf(path);
        if (format == ExportFormat::Png)
            writePicture(m_report->Report1, path, options.dpi);
        else if (format == ExportFormat::Pdf)
            report::WritePdf(printer, path);
        else
            printer.SaveReportFile(QString::fromStdString(path));
    }
}

void PrintCommand::appendTo(const SupplierParticulars& supplier, const StatementFiller& fill,
                            StatementDocument& document)
{
    const Running running(*this);
    document.append(generate(supplier, fill, false));
}

StatementDocument::StatementDocument(bool compress)
    : m_pages(std::make_unique<report::TRpPageList>())
{
    // Its stream moves to a temporary file past the threshold, as a report printer's does.
    m_pages->SetCompressed(compress);
}

StatementDocument::~StatementDocument() = default;

int StatementDocument::pageCount() const
{
    return m_pages->StoredPages();
}

void StatementDocument::append(const report::TRpPrinter& printer)
{
    if (m_title.empty())
        m_title = printer.jobTitle;
    for (int n = 1; n <= printer.PageTotal(); ++n) {
        const std::optional<std::string> page = printer.PageImage(n);
        if (!page)
            throw std::runtime_error("the statement's page " + std::to_string(n) +
                                     " could not be read back");
        m_pages->AppendPage(*page);
    }
}

void StatementDocument::writeTo(const std::string& path)
{
    const ExportFormat format = exportFormatOf(path);
    if (format == ExportFormat::Png)
        throw std::runtime_error("a picture holds one page only: write .pdf or .rpf");
    if (format == ExportFormat::None)
        throw unknownFormat(path);
    if (pageCount() == 0)
        throw std::runtime_error("no statement to write");
    m_pages->WriteHeader();
    const QString fileName = QFile::decodeName(QByteArray::fromStdString(path));
    if (format == ExportFormat::Pdf)
        report::WritePdf(*m_pages, fileName, m_title);
    else
        m_pages->WriteToFile(fileName);
}

} // namespace printing
