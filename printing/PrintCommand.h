#pragma once

#include "printing/SupplierParticulars.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace report {
class TRpPageList;
class TRpPrinter;
} // namespace report

namespace printing {

class TFmirolareport;
class TfrmPreview;

// Writes a statement into a freshly made page (reset, then fill).
using StatementFiller = std::function<void(TFmirolareport&)>;

// What an export writes, chosen by the extension of its file name in any case: a report file
// (.rpf), a PDF (.pdf) or a picture of page 1 (.png); None for any other name, which is refused
// rather than guessed, so that a mistyped name never replaces a file of another kind.
enum class ExportFormat { None, ReportFile, Pdf, Png };
ExportFormat exportFormatOf(const std::string& path);

struct ExportOptions
{
    // Pixels per inch of a picture: below 24 the page's text is unreadable, above 1200 the
    // A4 picture passes 140 million pixels.
    static constexpr int minDpi = 24;
    static constexpr int maxDpi = 1200;
    bool compress = false;
    int dpi = 96;
};

// Statements gathered into one document, each starting on a new page, in the order they were
// added (PrintCommand::appendTo), and written once all are in.
class StatementDocument
{
public:
    explicit StatementDocument(bool compress = false);
    ~StatementDocument();
    StatementDocument(const StatementDocument&) = delete;
    StatementDocument& operator=(const StatementDocument&) = delete;

    int pageCount() const;
    // Every page into `path`: a PDF (.pdf) or a report file (.rpf); a picture holds one page
    // only. Throws std::runtime_error with a one-line message when there
    // is no page or the file cannot be written.
    void writeTo(const std::string& path);

private:
    friend class PrintCommand;
    void append(const report::TRpPrinter& printer);

    std::unique_ptr<report::TRpPageList> m_pages;
    std::string m_title;
};

// The print command. While it runs it owns a new statement page, filled by the caller's filler,
// and (when previewing) the modal preview window that shows it; both are freed when it ends,
// the window first, also when a step fails, the failure then going on to the caller. A command
// started while the same command runs (a host calling it from inside the preview's loop) is
// refused with a message for the user, leaving the running one alone.
class PrintCommand
{
public:
    PrintCommand();
    ~PrintCommand();
    PrintCommand(const PrintCommand&) = delete;
    PrintCommand& operator=(const PrintCommand&) = delete;

    // Generates the page and shows it in a modal preview window owned by `owner`.
    void run(const SupplierParticulars& supplier, QWidget* owner, const StatementFiller& fill);
    // The same page without a window, written to `path`: the layout's A4 page, whatever
    // printer the machine has. Throws std::runtime_error with a one-line message when the file
    // cannot be written.
    void exportTo(const SupplierParticulars& supplier, const StatementFiller& fill,
                  const std::string& path, const ExportOptions& options = {});
    // One generation written to each of `paths`, each file as exportTo would write it alone: a
    // PDF and the report file of the same pages, say.
    void exportToEach(const SupplierParticulars& supplier, const StatementFiller& fill,
                      const std::vector<std::string>& paths, const ExportOptions& options = {});

    // The same pages without a window, added at the end of `document`.
    void appendTo(const SupplierParticulars& supplier, const StatementFiller& fill,
                  StatementDocument& document);

    bool running() const { return m_running; }
    // The texts of the last printing that were cut even at their smallest size (cp949, what a
    // message calls each field); the preview shows them, a headless command reports them.
    const std::vector<std::string>& cutTexts() const { return m_cutTexts; }
    // The page and the window of the printing in progress; none between printings.
    TFmirolareport* reportForm() const { return m_report.get(); }
    TfrmPreview* preview() const { return m_preview.get(); }

private:
    class Running;
    // A new page for a file filled by `fill`, generated into its report printer's page store.
    report::TRpPrinter& generate(const SupplierParticulars& supplier, const StatementFiller& fill,
                                 bool compress);

    bool m_running = false;
    std::vector<std::string> m_cutTexts;
    std::unique_ptr<TFmirolareport> m_report;
    std::unique_ptr<TfrmPreview> m_preview;
};

} // namespace printing
