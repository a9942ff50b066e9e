#include "viewer/GridCues.h"

#include "gfx/Font.h"
#include "grid/TImVarGrid.h"
#include "text/Cp949.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <QWidget>

namespace viewer {

namespace {

// The grid draws a cell's text this far inside each side of it.
constexpr int textMarginPixels = 2;

// Drawn over the body area of an empty grid: the grid paints no focused cell when it has none.
class EmptyGridCue : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(1, 1, -1, -1);
        // Styles draw the cue only for a focus that the keyboard moved.
        option.state |= QStyle::State_KeyboardFocusChange;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
};

} // namespace

GridCues::GridCues(grid::TImVarGrid& grid)
    : QObject(&grid), m_grid(grid), m_cue(new EmptyGridCue(grid.viewport()))
{
    m_cue->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_cue->hide();
    grid.installEventFilter(this);
    grid.viewport()->installEventFilter(this);
}

bool GridCues::cueShown() const
{
    return m_cue->isVisible();
}

QString GridCues::clippedText(const QPoint& clientPos) const
{
    const grid::GridCoord cell = m_grid.MouseCoord(clientPos.x(), clientPos.y());
    const int dataRow = cell.row - 1; // below the header row
    if (cell.col < 0 || cell.col >= m_grid.DataColCount() || dataRow < 0 ||
        dataRow >= m_grid.DataRowCount())
        return {};
    QString whole = text::fromCp949(m_grid.GetDataCell(cell.col, dataRow).toString());
    const gfx::Rect r = m_grid.CellRect(cell.col, cell.row);
    const QFontMetrics metrics(gfx::toQFont(m_grid.Font(), gfx::ScreenDpi));
    if (whole.isEmpty() || metrics.horizontalAdvance(whole) <= r.width() - 2 * textMarginPixels)
        return {};
    return whole;
}

bool GridCues::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        if (watched == m_grid.viewport()) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QString whole = clippedText(help->pos());
            if (whole.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), whole, m_grid.viewport());
            return true;
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::Resize:
    case QEvent::Paint:
        update();
        break;
    default:
        break;
    }
    return false;
}

void GridCues::update()
{
    const bool show = m_grid.hasFocus() && m_grid.DataRowCount() == 0;
    if (show) {
        // Below the header row, over what would be the body.
        const gfx::Rect header = m_grid.CellRect(0, 0);
        const QRect body(0, header.bottom, m_grid.viewport()->width(),
                         m_grid.viewport()->height() - header.bottom);
        if (m_cue->geometry() != body)
            m_cue->setGeometry(body);
    }
    if (m_cue->isVisible() != show)
        m_cue->setVisible(show);
}

} // namespace viewer
