// The statement-lines grid under the viewer's load: appending rows the way the row handler
// does, beside a QTableView on a QStandardItemModel loading the same rows in the same run;
// painting the visible area with few and with many rows; memory per stored cell.
// Run on the offscreen platform: QT_QPA_PLATFORM=offscreen bench_grid
#include "ViewerGrids.h"
#include "gfx/Font.h"
#include "gfx/QtCanvas.h"
#include "grid/TImVarGrid.h"
#include "text/Cp949.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int columnCount = 7;

// A statement line as the server sends it: item, item details, quantity, unit, unit price,
// supply amount, tax.
std::vector<std::string> line(int i)
{
    return {text::cp949("볼트") + " M" + std::to_string(6 + i % 10),
            text::cp949("아연도금 ") + std::to_string(20 + i % 80) + "mm",
            std::to_string(1 + i % 500),
            "EA",
            std::to_string(100 + i % 9000),
            std::to_string(120000 + i),
            std::to_string(12000 + i)};
}

const std::vector<std::vector<std::string>>& lines(int count)
{
    static std::vector<std::vector<std::string>> cached;
    while (int(cached.size()) < count)
        cached.push_back(line(int(cached.size())));
    return cached;
}

// The same rows as the model holds them; built outside the timing, so the peer is not
// charged for the text conversion.
const std::vector<QStringList>& qtLines(int count)
{
    static std::vector<QStringList> cached;
    const auto& source = lines(count);
    while (int(cached.size()) < count) {
        QStringList row;
        for (const std::string& cell : source[cached.size()])
            row << text::fromCp949(cell);
        cached.push_back(row);
    }
    return cached;
}

void BM_AppendRows_TImVarGrid(benchmark::State& state)
{
    const int count = int(state.range(0));
    const auto& rows = lines(count);
    for (auto _ : state) {
        grid::TImVarGrid grid;
        viewergrids::configureLikeImVarGrid2(grid);
        grid.show();
        QApplication::processEvents();
        for (int r = 0; r < count; ++r) {
            grid.setDataRowCount(grid.DataRowCount() + 1);
            for (int c = 0; c < columnCount; ++c)
                grid.SetDataCell(c, r, rows[size_t(r)][size_t(c)]);
        }
        QApplication::processEvents(); // the deferred paint
        benchmark::DoNotOptimize(grid.DataRowCount());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_AppendRows_QStandardItemModel(benchmark::State& state)
{
    const int count = int(state.range(0));
    const auto& rows = qtLines(count);
    for (auto _ : state) {
        QStandardItemModel model(0, columnCount);
        QTableView view;
        view.setModel(&model);
        view.resize(607, 343);
        view.show();
        QApplication::processEvents();
        for (int r = 0; r < count; ++r) {
            QList<QStandardItem*> items;
            items.reserve(columnCount);
            for (const QString& cell : rows[size_t(r)])
                items << new QStandardItem(cell);
            model.appendRow(items);
        }
        QApplication::processEvents();
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// One full paint of the client area, the cost of every repaint and scroll step. The view is
// ten body rows high, so that ten rows and a hundred thousand fill it alike: the cost must not
// depend on the rows that are not shown.
void BM_PaintVisibleArea(benchmark::State& state)
{
    constexpr int visibleRows = 10;
    constexpr int rowPixels = 21;  // 20 and the grid line
    constexpr int framePixels = 4; // the sunken edge, two pixels on each side
    const int count = int(state.range(0));
    const auto& rows = lines(count);
    grid::TImVarGrid grid;
    viewergrids::configureLikeImVarGrid2(grid);
    grid.resize(grid.width(), (1 + visibleRows) * rowPixels + framePixels);
    for (int r = 0; r < count; ++r)
        viewergrids::appendRow(grid, rows[size_t(r)]);
    grid.show();
    QApplication::processEvents();
    grid.setTopRow(grid.RowCount() / 2); // the middle: the worst case for position look-ups
    const gfx::Size size = grid.clientSize();
    QImage image(size.cx, size.cy, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        gfx::QtCanvas canvas(&painter, gfx::ScreenDpi);
        grid.PaintTo(canvas, {0, 0, size.cx, size.cy});
    }
    state.counters["body_rows_shown"] = grid.VisibleRowCount();
}

// Heap bytes the stored cells of `count` rows take, per cell, counters only.
void BM_MemoryPerStoredCell(benchmark::State& state)
{
    const int count = int(state.range(0));
    const auto& rows = lines(count);
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        auto grid = std::make_unique<grid::TImVarGrid>();
        viewergrids::configureLikeImVarGrid2(*grid);
        const size_t empty = mallinfo2().uordblks;
        for (int r = 0; r < count; ++r)
            viewergrids::appendRow(*grid, rows[size_t(r)]);
        const size_t full = mallinfo2().uordblks;
        const double cells = double(grid->storedCellCount());
        state.counters["bytes_per_cell"] = double(full - empty) / cells;
        state.counters["grid_bytes"] = double(empty - before);
        // The text bytes themselves, for comparison: what the cells would cost as bare strings.
        size_t textBytes = 0;
        for (int r = 0; r < count; ++r)
            for (const std::string& s : rows[size_t(r)])
                textBytes += s.size();
        state.counters["text_bytes_per_cell"] = double(textBytes) / cells;
    }
}

// The same figure for the peer: heap bytes per cell of a QStandardItemModel with the rows.
void BM_MemoryPerStoredCell_QStandardItemModel(benchmark::State& state)
{
    const int count = int(state.range(0));
    const auto& rows = qtLines(count);
    for (auto _ : state) {
        auto model = std::make_unique<QStandardItemModel>(0, columnCount);
        const size_t empty = mallinfo2().uordblks;
        for (int r = 0; r < count; ++r) {
            QList<QStandardItem*> items;
            for (const QString& cell : rows[size_t(r)])
                items << new QStandardItem(cell);
            model->appendRow(items);
        }
        const size_t full = mallinfo2().uordblks;
        state.counters["bytes_per_cell"] = double(full - empty) / (double(count) * columnCount);
    }
}

} // namespace

BENCHMARK(BM_AppendRows_TImVarGrid)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendRows_QStandardItemModel)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintVisibleArea)->Arg(10)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemoryPerStoredCell)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerStoredCell_QStandardItemModel)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
