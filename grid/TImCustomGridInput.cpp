// The grid's handling of the pointer, the keyboard, the wheel and focus.
#include "grid/TImCustomGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

namespace grid {

namespace {

// One notch of a wheel.
constexpr int wheelDeltaPerNotch = 120;
constexpr int wheelRowsPerNotch = 3;

} // namespace

// --- mouse ------------------------------------------------------------------------------

void TImCustomGrid::mousePressEvent(QMouseEvent* event)
{
    if (focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    if (window()->focusWidget() != this)
        return;
    const QPoint pos = event->position().toPoint();
    const GridCoord cell = MouseCoord(pos.x(), pos.y());
    m_pressedCell = cell;
    // A press outside the body (the header row, or any press without body rows) only focuses.
    if (!inSelectableRange(cell.col, cell.row))
        return;
    m_mouseState = MouseState::Selecting;
    m_lastMousePos = pos;
    if (event->modifiers() & Qt::ShiftModifier)
        ExtendSelection(cell.col, cell.row);
    else
        FocusCell(cell.col, cell.row, StepDirection::None, true, true);
}

void TImCustomGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    // The second press of a double click selects nothing and so fires no click on release.
    if (const TNotifyEvent handler = OnDblClick)
        handler(this);
}

GridCoord TImCustomGrid::dragCell(QPoint pos) const
{
    GridCoord c = MouseCoord(pos.x(), pos.y());
    const AxisLayout& hl = horz().layout();
    const AxisLayout& vl = vert().layout();
    // Outside the scrolled cells the pointer asks for the next cell in that direction.
    if (pos.y() < vl.fixedBoundary)
        c.row = TopRow() - 1;
    else if (pos.y() >= vl.extent)
        c.row = vl.lastFullVisible + 1;
    if (pos.x() < hl.fixedBoundary)
        c.col = LeftCol() - 1;
    else if (pos.x() >= hl.extent)
        c.col = hl.lastFullVisible + 1;
    c = selectable().clamp(c);
    if (m_options & imRowSelect)
        c.col = LastSelectableCol();
    return c;
}

void TImCustomGrid::dragTo(QPoint pos)
{
    if (m_mouseState != MouseState::Selecting)
        return;
    const GridCoord c = dragCell(pos);
    if (c != m_anchor)
        ExtendSelection(c.col, c.row);
}

void TImCustomGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (m_mouseState != MouseState::Selecting)
        return;
    m_lastMousePos = event->position().toPoint();
    if (!m_autoScroll.isActive())
        m_autoScroll.start();
    dragTo(m_lastMousePos);
}

void TImCustomGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasSelecting = m_mouseState == MouseState::Selecting;
    m_autoScroll.stop();
    // Idle before the handler runs: a nested event loop inside it must not see a selection
    // in progress.
    m_mouseState = MouseState::Idle;
    if (wasSelecting)
        fireClick();
}

void TImCustomGrid::cancelMouse()
{
    m_autoScroll.stop();
    m_mouseState = MouseState::Idle;
}

// --- keyboard, wheel, focus -------------------------------------------------------------

void TImCustomGrid::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_mouseState == MouseState::Idle) {
            event->ignore();
            return;
        }
        cancelMouse();
        break;
    case Qt::Key_Up:
        moveByKey(NavigationKey::Up, event->modifiers());
        break;
    case Qt::Key_Down:
        moveByKey(NavigationKey::Down, event->modifiers());
        break;
    case Qt::Key_Left:
        moveByKey(NavigationKey::Left, event->modifiers());
        break;
    case Qt::Key_Right:
        moveByKey(NavigationKey::Right, event->modifiers());
        break;
    case Qt::Key_PageUp:
        moveByKey(NavigationKey::PageUp, event->modifiers());
        break;
    case Qt::Key_PageDown:
        moveByKey(NavigationKey::PageDown, event->modifiers());
        break;
    case Qt::Key_Home:
        moveByKey(NavigationKey::Home, event->modifiers());
        break;
    case Qt::Key_End:
        moveByKey(NavigationKey::End, event->modifiers());
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void TImCustomGrid::moveByKey(NavigationKey key, Qt::KeyboardModifiers modifiers)
{
    const KeyMove move =
        keyMove(key, modifiers & Qt::ControlModifier, m_current, selectable(), horz(), vert());
    scrollTo(move.leftCol, move.topRow);
    const GridCoord c = selectable().clamp(move.cell);
    if (c == m_current)
        return;
    // Shift keeps the anchor, so the selection grows with the key.
    FocusCell(c.col, c.row, move.direction, true, !(modifiers & Qt::ShiftModifier));
    fireClick();
}

void TImCustomGrid::wheelEvent(QWheelEvent* event)
{
    event->accept();
    // Qt turns Alt with the wheel into a horizontal turn; it is still one notch.
    int delta = event->angleDelta().y();
    if (delta == 0)
        delta = event->angleDelta().x();
    int rows = wheelRowsPerNotch;
    if (event->modifiers() & Qt::AltModifier)
        rows = 1;
    else if (event->modifiers() & Qt::ControlModifier)
        rows = std::max(1, VisibleRowCount());
    // With more visible rows than a notch has units the divisor would be 0: then a notch
    // moves by the visible rows all the same.
    const int divisor = wheelDeltaPerNotch / rows;
    // Touchpads and fine-step wheels send parts of a notch: they add up until a step is whole,
    // and what is left over waits for the next event. A turn the other way starts afresh.
    if (delta == 0)
        return;
    if ((m_wheelRemainder < 0) != (delta < 0))
        m_wheelRemainder = 0;
    delta += m_wheelRemainder;
    const int steps = divisor > 0 ? delta / divisor : delta * rows / wheelDeltaPerNotch;
    m_wheelRemainder = divisor > 0 ? delta - steps * divisor : (steps == 0 ? delta : 0);
    if (steps == 0)
        return;
    // Forward (a positive delta) moves up; when every body row fits, the columns move.
    if (vert().maxFirstCell() <= vert().firstScrolled())
        scrollTo(LeftCol() - steps, TopRow());
    else
        scrollTo(LeftCol(), TopRow() - steps);
}

void TImCustomGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    invalidateFocus();
}

void TImCustomGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    invalidateFocus();
}

} // namespace grid
