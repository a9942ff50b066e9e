#pragma once

class QAccessibleInterface;
class QObject;
class QString;

namespace grid {

// What assistive technology sees of a column grid: a table of its body rows, with the header
// rows' captions as column headers and each cell's text as the grid shows it.
QAccessibleInterface* gridAccessibleFactory(const QString& className, QObject* object);

class TImCustomColumnGrid;
// Tells assistive technology that the current cell moved, so it reads the new cell.
void notifyCurrentCell(TImCustomColumnGrid& grid);
// Tells it that rows came or went.
void notifyContentsChanged(TImCustomColumnGrid& grid);

} // namespace grid
