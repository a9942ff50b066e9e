#pragma once

#include <functional>
#include <optional>
#include <string>

class QPrinter;

namespace report {

// Page n's picture (an enhanced metafile), or none.
using StoredPage = std::function<std::optional<std::string>(int n)>;

// Prints stored page pictures as one job on `printer`, each stretched over the whole sheet so
// that everything lands where the page was drawn: pages `first` to `last` (0: unbounded) of
// 1..pageTotal, read one at a time. Pages without a picture print blank. Returns false when
// the printer cannot start the job. A page that cannot be read raises its error; the range is
// read through once before the job begins, so that such a page sends nothing to the printer.
bool PrintStoredPages(QPrinter& printer, const std::string& title, int pageTotal, int first,
                      int last, const StoredPage& pageImage);

} // namespace report
