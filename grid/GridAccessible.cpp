#include "grid/GridAccessible.h"

#include "grid/TImCustomColumnGrid.h"
#include "text/Cp949.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <algorithm>
#include <map>
#include <tuple>

namespace grid {

namespace {

class GridTable;

// One cell: a body cell or a column header. Made on demand and owned by Qt's registry.
class GridCell : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    GridCell(TImCustomColumnGrid* grid, int col, int row) : m_grid(grid), m_col(col), m_row(row) {}

    bool isValid() const override
    {
        return m_grid && m_col < m_grid->ColCount() &&
               m_row < m_grid->HeaderCount() + m_grid->BodyCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_grid ? QAccessible::queryAccessibleInterface(m_grid) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return text::fromCp949(m_grid->ShownText(m_col, m_row));
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const gfx::Rect r = m_grid->CellRect(m_col, m_row);
        if (r.right <= r.left || r.bottom <= r.top)
            return {};
        const QPoint origin = m_grid->viewport()->mapToGlobal(QPoint(r.left, r.top));
        return {origin, QSize(r.right - r.left, r.bottom - r.top)};
    }

    QAccessible::Role role() const override
    {
        return header() ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.invisible = rect().isEmpty();
        if (header())
            return s;
        s.selectable = true;
        s.focusable = true;
        s.selected = isSelected();
        s.focused = m_grid->hasFocus() && m_grid->Col() == m_col && m_grid->Row() == m_row;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override
    {
        return isValid() && !header() && m_grid->Selection().contains(m_col, m_row);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        QList<QAccessibleInterface*> cells;
        if (!isValid() || header())
            return cells;
        for (int row = 0; row < m_grid->HeaderCount(); ++row)
            cells << cellInterface(m_grid, m_col, row);
        return cells;
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_col; }
    int rowIndex() const override { return header() ? m_row : m_row - m_grid->HeaderCount(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // The registered interface of a cell in grid coordinates, made once.
    static QAccessibleInterface* cellInterface(TImCustomColumnGrid* grid, int col, int row);

private:
    bool header() const { return m_row < m_grid->HeaderCount(); }

    QPointer<TImCustomColumnGrid> m_grid;
    int m_col;
    int m_row;
};

class GridTable : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit GridTable(TImCustomColumnGrid* grid)
        : QAccessibleWidget(grid, QAccessible::Table), m_gridObject(grid)
    {
    }
    ~GridTable() override { forgetCells(); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The body cells, row by row, are the children.
    int childCount() const override { return rowCount() * columnCount(); }
    QAccessibleInterface* child(int index) const override
    {
        const int cols = columnCount();
        if (index < 0 || cols == 0 || index >= childCount())
            return nullptr;
        return cellAt(index / cols, index % cols);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (!cell || cell->table() != this || child->role() != QAccessible::Cell)
            return -1;
        return cell->rowIndex() * columnCount() + cell->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint p = grid()->viewport()->mapFromGlobal(QPoint(x, y));
        const GridCoord c = grid()->MouseCoord(p.x(), p.y());
        if (c.col < 0 || c.row < 0 || c.col >= grid()->ColCount())
            return nullptr;
        return GridCell::cellInterface(grid(), c.col, c.row);
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!grid()->hasFocus())
            return nullptr;
        return cellAt(grid()->Row() - grid()->HeaderCount(), grid()->Col());
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return GridCell::cellInterface(grid(), column, row + grid()->HeaderCount());
    }
    int rowCount() const override { return grid()->BodyCount(); }
    int columnCount() const override { return grid()->ColCount(); }
    QString columnDescription(int column) const override
    {
        QStringList captions;
        for (int row = 0; row < grid()->HeaderCount(); ++row)
            captions << text::fromCp949(grid()->ShownText(column, row)).trimmed();
        return captions.join(u' ');
    }
    QString rowDescription(int) const override { return {}; }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        QList<QAccessibleInterface*> cells;
        const GridRange s = grid()->Selection();
        for (int row = std::max(s.top, grid()->HeaderCount()); row <= s.bottom; ++row)
            for (int col = std::max(s.left, 0); col <= s.right && col < columnCount(); ++col)
                if (row < grid()->HeaderCount() + rowCount())
                    cells << GridCell::cellInterface(grid(), col, row);
        return cells;
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        if (!(grid()->Options() & imRowSelect))
            return rows;
        const GridRange s = grid()->Selection();
        for (int row = std::max(s.top, grid()->HeaderCount()); row <= s.bottom; ++row)
            if (row < grid()->HeaderCount() + rowCount())
                rows << row - grid()->HeaderCount();
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    bool selectRow(int row) override
    {
        if (row < 0 || row >= rowCount())
            return false;
        // Chosen once the caller has its answer, as a click would choose it: what the grid's
        // click starts (an exchange, a message box) would otherwise keep it waiting.
        TImCustomColumnGrid* g = grid();
        QMetaObject::invokeMethod(
            g,
            [g, row] {
                if (row < g->BodyCount())
                    g->SetRow(row + g->HeaderCount());
            },
            Qt::QueuedConnection);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override { forgetCells(); }

private:
    TImCustomColumnGrid* grid() const { return static_cast<TImCustomColumnGrid*>(widget()); }

    // Cells made for rows that may be gone: each is made again when next asked for.
    void forgetCells() const;

    // The grid's address, which the cells are filed under, also once the grid is gone.
    const QObject* m_gridObject;
};

// Cells already registered, by grid and cell; an entry goes with its grid's table.
struct CellKey
{
    const QObject* grid;
    int col;
    int row;
    friend bool operator<(const CellKey& a, const CellKey& b)
    {
        return std::tie(a.grid, a.col, a.row) < std::tie(b.grid, b.col, b.row);
    }
};

std::map<CellKey, QAccessible::Id>& registeredCells()
{
    static std::map<CellKey, QAccessible::Id> cells;
    return cells;
}

QAccessibleInterface* GridCell::cellInterface(TImCustomColumnGrid* grid, int col, int row)
{
    auto& cells = registeredCells();
    const CellKey key{grid, col, row};
    if (const auto found = cells.find(key); found != cells.end())
        if (QAccessibleInterface* cell = QAccessible::accessibleInterface(found->second))
            return cell;
    auto* cell = new GridCell(grid, col, row);
    cells[key] = QAccessible::registerAccessibleInterface(cell);
    return cell;
}

void GridTable::forgetCells() const
{
    auto& cells = registeredCells();
    for (auto it = cells.begin(); it != cells.end();) {
        if (it->first.grid == m_gridObject) {
            QAccessible::deleteAccessibleInterface(it->second);
            it = cells.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

void notifyCurrentCell(TImCustomColumnGrid& grid)
{
    // Without a listener the interfaces are not worth making on every move of the cursor.
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    QAccessibleInterface* cell =
        table && table->tableInterface()
            ? table->tableInterface()->cellAt(grid.Row() - grid.HeaderCount(), grid.Col())
            : nullptr;
    if (!cell)
        return;
    const int index = table->indexOfChild(cell);
    if (grid.hasFocus()) {
        QAccessibleEvent focus(&grid, QAccessible::Focus);
        focus.setChild(index);
        QAccessible::updateAccessibility(&focus);
    }
    QAccessibleEvent selection(&grid, QAccessible::Selection);
    selection.setChild(index);
    QAccessible::updateAccessibility(&selection);
}

void notifyContentsChanged(TImCustomColumnGrid& grid)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTableModelChangeEvent reset(&grid, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
}

QAccessibleInterface* gridAccessibleFactory(const QString&, QObject* object)
{
    if (auto* grid = qobject_cast<TImCustomColumnGrid*>(object))
        return new GridTable(grid);
    return nullptr;
}

} // namespace grid
