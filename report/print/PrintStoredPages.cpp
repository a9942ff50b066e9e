#include "report/print/PrintStoredPages.h"

#include "gfx/EmfPlayer.h"
#include "gfx/QtCanvas.h"
#include "text/Cp949.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace report {

bool PrintStoredPages(QPrinter& printer, const std::string& title, int pageTotal, int first,
                      int last, const StoredPage& pageImage)
{
    const int from = std::max(first, 1);
    const int to = last > 0 ? std::min(last, pageTotal) : pageTotal;
    if (from > to)
        return true;
    // Every page of the range is read once before the job begins: a page that cannot be read
    // stops the print before anything reaches the printer.
    for (int n = from; n <= to; ++n)
        pageImage(n);
    const bool fullPage = printer.fullPage();
    // The pictures are whole sheets: the canvas starts at the sheet's corner.
    printer.setFullPage(true);
    printer.setDocName(text::fromCp949(title));
    QPainter painter;
    if (!painter.begin(&printer)) {
        printer.setFullPage(fullPage);
        return false;
    }
    const QRect sheet = printer.pageLayout().fullRectPixels(printer.resolution());
    const gfx::Rect dest{0, 0, sheet.width(), sheet.height()};
    try {
        for (int n = from; n <= to; ++n) {
            if (n > from)
                printer.newPage();
            if (const std::optional<std::string> picture = pageImage(n)) {
                gfx::QtCanvas canvas(&painter, printer.resolution());
                gfx::EmfPlayer(canvas).play(*picture, dest);
            }
        }
    } catch (...) {
        // A page that could be read before and cannot now (the file changed meanwhile) stops
        // the job, cancelled as far as the printer allows.
        printer.abort();
        painter.end();
        printer.setFullPage(fullPage);
        throw;
    }
    painter.end();
    printer.setFullPage(fullPage);
    return true;
}

} // namespace report
