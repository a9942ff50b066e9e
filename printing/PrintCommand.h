#pragma once

#include "printing/SupplierParticulars.h"

#include <functional>
#include <string>

class QWidget;

namespace printing {

class TfrmPreview;

// The preview window of the print command in progress; none between commands.
extern TfrmPreview* frmPreview;

// The print command: a new statement page held in Fmirolareport, filled by `fill` (reset then
// fill, on the global form), generated and shown in a modal preview window owned by `owner`.
// Both are freed when the window closes, the window first, also when a step fails; the
// failure then goes on to the caller.
void RunPrintCommand(const SupplierParticulars& supplier, QWidget* owner,
                     const std::function<void()>& fill);

// The same page without a window, written to `path`: a report file (.rpf, or any other
// extension), a PDF (.pdf) or a picture of page 1 (.png, at `dpi` pixels per inch).
// Throws std::runtime_error with a one-line message when the file cannot be written.
struct ExportOptions
{
    bool compress = false;
    int dpi = 96;
};
void ExportStatement(const SupplierParticulars& supplier, const std::function<void()>& fill,
                     const std::string& path, const ExportOptions& options = {});

} // namespace printing
