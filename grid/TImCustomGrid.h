#pragma once

#include "gfx/Canvas.h"
#include "grid/CellStore.h"
#include "grid/GridNavigation.h"
#include "grid/GridTypes.h"
#include "grid/TImGridAxisInfo.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>
#include <QTimer>

namespace grid {

class GridPainter;

// The base grid control: axes, cell store, current cell and anchor, options, colours,
// painting through gfx::Canvas, and the mouse, keyboard, wheel and scroll bar handling.
//
// Client coordinates are the viewport's. Scroll bars use the fixed 0 … 65535 range of the
// axes and are laid out by the grid itself (shown or hidden as the axes decide), so the
// client size is known at once and not after Qt's queued relayout.
//
// Left out, as the grids of this control never use them: in-place editing (Enter, F2 and
// typing change nothing), pick lists, merged cells, fixed cells acting as buttons, hot
// tracking, moving and sizing cells by mouse, Tab as a cursor key (imTabs: Tab always moves
// the focus on), the draw events that replace a part's drawing, and indicator painting
// (indicator cells that are given a size show the grid colour). The standard key, mouse and
// focus events are Qt's own: a form that wants them filters the grid's events.
class TImCustomGrid : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TImCustomGrid(QWidget* parent = nullptr);
    ~TImCustomGrid() override;

    TImGridAxisInfo& AxisInfo() { return m_axes; }
    const TImGridAxisInfo& AxisInfo() const { return m_axes; }
    TImHorzItem& horz() { return m_axes.Horizontal(); }
    TImVertItem& vert() { return m_axes.Vertical(); }
    const TImHorzItem& horz() const { return m_axes.Horizontal(); }
    const TImVertItem& vert() const { return m_axes.Vertical(); }

    // Counts; a change repaints the whole grid once and recomputes the scroll bars before the
    // geometry is next read or painted, and moves neither the current cell, nor the anchor,
    // nor the first visible cell (unless it must be clamped).
    int ColCount() const { return horz().CellCount(); }
    void setColCount(int count) { horz().setCellCount(count); }
    int RowCount() const { return vert().CellCount(); }
    void setRowCount(int count) { vert().setCellCount(count); }
    int GridColCount() const { return horz().GridCellCount(); }
    void setGridColCount(int count) { horz().setGridCellCount(count); }
    int GridRowCount() const { return vert().GridCellCount(); }
    void setGridRowCount(int count) { vert().setGridCellCount(count); }

    // The first visible scrolled column and row; setting them scrolls, clamped to their range.
    int LeftCol() const { return horz().FirstCell(); }
    void setLeftCol(int col) { scrollTo(col, TopRow()); }
    int TopRow() const { return vert().FirstCell(); }
    void setTopRow(int row) { scrollTo(LeftCol(), row); }
    int VisibleColCount() const { return horz().VisibleCount(); }
    int VisibleRowCount() const { return vert().VisibleCount(); }

    // The current cell in grid coordinates.
    int Col() const { return m_current.col; }
    int Row() const { return m_current.row; }
    // Makes `row` current (anchor following, made visible) and fires OnClick, also when the
    // row could not be selected; nothing at all when it is already the current row.
    void SetRow(int row);
    GridCoord Anchor() const { return m_anchor; }
    // The cells between the current cell and the anchor; with imRowSelect whole rows.
    GridRange Selection() const;

    TImGridOptions Options() const { return m_options; }
    void setOptions(TImGridOptions options);

    // Fill of the empty area and of cells without a description.
    gfx::Color Color() const { return m_color; }
    void setColor(gfx::Color c) { setLook(m_color, c); }
    gfx::Color SelectedColor() const { return m_selectedColor; }
    void setSelectedColor(gfx::Color c);
    gfx::Color SelectedBackColor() const { return m_selectedBackColor; }
    void setSelectedBackColor(gfx::Color c) { setLook(m_selectedBackColor, c); }
    gfx::Color SelectedFontColor() const { return m_selectedFontColor; }
    void setSelectedFontColor(gfx::Color c) { setLook(m_selectedFontColor, c); }
    bool DefaultDrawing() const { return m_defaultDrawing; }
    // Whether a selection drag outside the cells is scrolling the grid one cell a tick.
    bool isAutoScrolling() const { return m_autoScroll.isActive(); }
    void setDefaultDrawing(bool v) { setLook(m_defaultDrawing, v); }
    // The control font: only for cells without a description.
    const gfx::Font& Font() const { return m_font; }
    void setFont(const gfx::Font& f) { setLook(m_font, f); }

    // The client rectangle of a cell, without its grid lines; empty when it is not visible.
    gfx::Rect CellRect(int col, int row) const;
    // The cell under a client point.
    GridCoord MouseCoord(int x, int y) const;
    // The client area the axes lay out: the viewport.
    gfx::Size clientSize();

    // Repaint requests: marked now, painted in the next paint pass.
    void InvalidateCell(int col, int row);
    void InvalidateRow(int row);
    void InvalidateCol(int col);
    void InvalidateGrid();

    // Paints the part `clip` of the client area, as the paint event does.
    void PaintTo(gfx::Canvas& canvas, const gfx::Rect& clip);

    // The selectable range: body rows and the scrolled columns.
    virtual int FirstSelectableCol() const;
    virtual int FirstSelectableRow() const;
    virtual int LastSelectableCol() const;
    virtual int LastSelectableRow() const;
    // In the selectable range, shown, allowed by its description and not vetoed.
    virtual bool CanSelectCell(int col, int row);

    // Events. They are copied before they are called, so a handler may detach itself.
    TNotifyEvent OnClick; // a press on a selectable cell was released, or a move by key or SetRow
    TNotifyEvent OnDblClick;       // the second press of a double click
    TSelectCellEvent OnSelectCell; // a cell is about to become current; may veto

protected:
    friend class GridPainter;

    // One cell as the paint pass hands it out.
    struct CellPaint
    {
        int col = 0;
        int row = 0;
        gfx::Rect rect;
        TImCellDrawStates state = 0;
        GridRegion region = GridRegion::Scrolled;
    };

    CellStore& store() { return m_store; }
    const CellStore& store() const { return m_store; }

    // The description a cell is drawn with, or null for none.
    virtual TImCellInfo* CellDescription(int col, int row, GridRegion region);
    virtual void DrawCell(gfx::Canvas& canvas, const CellPaint& cell);
    virtual void DrawCellGridLines(gfx::Canvas& canvas, const CellPaint& cell,
                                   const TImCellInfo* info);
    // Font, brush and pen for a cell in state `state`.
    virtual void PrepareCanvas(gfx::Canvas& canvas, const TImCellInfo* info,
                               TImCellDrawStates state);
    // Fill, the value holder's text and the frames.
    void DefaultDrawCell(gfx::Canvas& canvas, const gfx::Rect& r, const TImCellInfo* info,
                         TImCellDrawStates state);

    // Focuses a cell (the cursor step of `direction` past cells that cannot be selected),
    // optionally making it visible and moving the anchor with it.
    void FocusCell(int col, int row, StepDirection direction, bool show, bool moveAnchor);
    // Moves the anchor to the cell (with imRangeSelect; else focuses it).
    void ExtendSelection(int col, int row);
    void MakeVisible(int col, int row);
    // Scrolls to a first visible cell on each axis, clamped; shifts the painted part.
    void scrollTo(int leftCol, int topRow);
    void UpdateScrollBars();
    void fireClick();
    // For assistive technology: the current cell moved; rows came or went (once a turn).
    virtual void currentCellChanged() {}
    virtual void contentsChanged() {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class MouseState { Idle, Selecting };

    template <class T> void setLook(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        InvalidateGrid();
    }
    void axisChanged(TImAxisItem& axis, TImAxisItem::Change change);
    void ensureLaidOut();
    // A count change is not laid out yet (see axisChanged).
    bool layoutPending() const { return horz().isStale() || vert().isStale(); }
    SelectableRange selectable() const;
    bool inSelectableRange(int col, int row) const;
    void setAnchor(GridCoord c);
    void invalidateSelectionChange(const GridRange& before, const GridRange& after);
    void invalidateRange(const GridRange& range);
    void invalidateFocus();
    GridCoord dragCell(QPoint pos) const;
    void dragTo(QPoint pos);
    void cancelMouse();
    void moveByKey(NavigationKey key, Qt::KeyboardModifiers modifiers);
    void scrollBarAction(Qt::Orientation orientation, int action);
    void scrollBarReleased(Qt::Orientation orientation);
    void applyScrollBar(QScrollBar* bar, const TImAxisItem::ScrollBarInfo& info);
    void flushScrollBars();

    TImGridAxisInfo m_axes;
    CellStore m_store;
    GridCoord m_current;
    GridCoord m_anchor;
    TImGridOptions m_options = imRangeSelect;
    gfx::Color m_color = gfx::clWindow;
    gfx::Color m_selectedColor = gfx::clHighlight;
    gfx::Color m_selectedLight = 0;
    gfx::Color m_selectedDark = 0;
    gfx::Color m_selectedBackColor = gfx::RGB(160, 160, 192);
    gfx::Color m_selectedFontColor = gfx::clHighlightText;
    bool m_defaultDrawing = true;
    gfx::Font m_font;

    MouseState m_mouseState = MouseState::Idle;
    GridCoord m_pressedCell;
    QPoint m_lastMousePos;
    QTimer m_autoScroll; // while selecting: one more cell every tick the pointer stays outside
    bool m_hBarShown = false;
    bool m_vBarShown = false;
    TImAxisItem::ScrollBarInfo m_hBar; // computed; applied to the bars by flushScrollBars
    TImAxisItem::ScrollBarInfo m_vBar;
    bool m_barsPending = false;
    int m_barExtent = 0; // the style's scroll bar thickness
    bool m_updatingBars = false;
    int m_wheelRemainder = 0; // wheel delta short of a whole step, kept for the next event
    QSize m_laidOutFor;       // the contents size the axes were last laid out for
};

} // namespace grid
