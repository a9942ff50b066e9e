#pragma once

#include <QPageSize>
#include <QPrinter>

namespace report {

// The device-mode codes of the report printer's settings (paper numbers, paper sources,
// duplex and orientation values) against Qt's printing enums.

// The paper code of a page size: 256 for a size made from dimensions, 0 for a paper without
// a code.
int paperCodeOfPageSize(const QPageSize& size);
// The page size of a paper code, or an invalid one when Qt knows no such paper.
QPageSize pageSizeOfPaperCode(int code);

int sourceCodeOfPaperSource(QPrinter::PaperSource source);
QPrinter::PaperSource paperSourceOfSourceCode(int code);

constexpr int duplexHorizontal = 3;
constexpr int orientationPortrait = 1;
constexpr int orientationLandscape = 2;

} // namespace report
