#pragma once

#include "printing/SupplierParticulars.h"

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace printing {

class TFmirolareport;
class TfrmPreview;

// Writes a statement into a freshly made page (reset, then fill).
using StatementFiller = std::function<void(TFmirolareport&)>;

// How exportTo writes: a report file (.rpf, or any other extension), a PDF (.pdf) or a picture
// of page 1 (.png, at `dpi` pixels per inch).
struct ExportOptions
{
    bool compress = false;
    int dpi = 96;
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
    // The same page without a window, written to `path`. Throws std::runtime_error with a
    // one-line message when the file cannot be written.
    void exportTo(const SupplierParticulars& supplier, const StatementFiller& fill,
                  const std::string& path, const ExportOptions& options = {});

    bool running() const { return m_running; }
    // The page and the window of the printing in progress; none between printings.
    TFmirolareport* reportForm() const { return m_report.get(); }
    TfrmPreview* preview() const { return m_preview.get(); }

private:
    class Running;

    bool m_running = false;
    std::unique_ptr<TFmirolareport> m_report;
    std::unique_ptr<TfrmPreview> m_preview;
};

} // namespace printing
