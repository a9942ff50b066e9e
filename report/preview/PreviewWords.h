#pragma once

#include <QString>

namespace report {

// What the preview windows show of the page and the zoom, and the words that tell the same to
// assistive technology.
// "Page : n/N".
QString pageIndicator(int page, int pages);
// Which page of how many, in words.
QString pageInWords(int page, int pages);
// The zoom in words, percent.
QString zoomInWords(int zoom);

} // namespace report
