#pragma once

#include <QString>
#include <string>

namespace report {

class TRpPageList;
class TRpPrinter;

// Description and extension of the PDF export filter.
extern const char* const pdfFilterDescription;
extern const char* const pdfFilterExtension;

// Writes every page of a page store to a PDF file, one PDF page per stored page at that page's
// paper size (a standard paper when the picture's size is one), drawn as vectors and text. A
// page whose picture cannot be read stays blank. An existing file is replaced only once the
// new one is complete. Throws EStreamError when the file cannot be written.
void WritePdf(TRpPageList& pages, const QString& fileName, const std::string& title = {});
// The pages of a report printer whose job has finished, titled with its job title; before the
// job has finished nothing is written (as with SaveReportFile).
void WritePdf(const TRpPrinter& printer, const QString& fileName);
// The same with a path as the file system names it (a command line argument).
void WritePdf(const TRpPrinter& printer, const std::string& path);

// Registers the PDF export filter with the export filter library; registering again changes
// nothing.
void RegisterPdfExportFilter();

} // namespace report
