#pragma once

#include "gfx/Color.h"
#include "grid/GridTypes.h"

#include <optional>
#include <string>
#include <vector>

namespace grid {

class TImVarGrid;

// The stored configuration of a TImVarGrid as a form description holds it. The placement on
// the form (Align, TabOrder) is the form's business and not part of it.
struct TImVarGridFormData
{
    struct Column
    {
        std::vector<std::string> captions; // cp949, one line per header row
        std::optional<TAlignment> bodyAlignment;
    };

    int headerCount = 1;
    int bodyCount = 0;
    int footerCount = 0;
    std::vector<Column> columns;
    std::optional<gfx::Color> headerFontColor;
    std::optional<bool> headerParentFont;
    std::optional<gfx::Color> headerBorderColor; // the fill of the header cells
    bool rotateAxis = false;
    int dataColCount = 5;
    int dataRowCount = 0;
    int horizontalCellCount = 5;
    int fixedLeftCount = 0;
    std::string horizontalCellSizes; // "(index, size, …)"
    int verticalCellCount = 5;
    TImGridOptions options = imRangeSelect;
};

// Applies the properties in the order a form description is read, so that each one finds the
// state the one before it left. It does not move the current cell (with HeaderCount 1).
void applyFormData(TImVarGrid& grid, const TImVarGridFormData& data);

} // namespace grid
