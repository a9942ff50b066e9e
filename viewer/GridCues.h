#pragma once

#include <QObject>

class QWidget;

namespace grid {
class TImVarGrid;
}

namespace viewer {

// What the grid itself does not show: a focus cue while it has the focus and no body rows, and
// the whole text of a cell that is too narrow for it as the cell's tooltip.
class GridCues : public QObject
{
    Q_OBJECT

public:
    explicit GridCues(grid::TImVarGrid& grid);

    // The text a tooltip over the client point shows: the cell's whole text when the cell cuts
    // it, else empty.
    QString clippedText(const QPoint& clientPos) const;
    // Whether the cue of an empty focused grid is on show.
    bool cueShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();

    grid::TImVarGrid& m_grid;
    QWidget* m_cue;
};

} // namespace viewer
