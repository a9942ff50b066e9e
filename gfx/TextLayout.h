#pragma once

#include "gfx/TextMetrics.h"
#include "gfx/Types.h"

#include <QString>
#include <string_view>
#include <vector>

namespace gfx {

// DrawText's layout of a text in a rectangle: lines, their positions and the measured rectangle.
struct TextLayout
{
    struct Piece
    {
        int x = 0; // left edge
        QString text;
    };
    struct Line
    {
        int y = 0; // top of the character cell
        int width = 0;
        std::vector<Piece> pieces; // split at tab stops when tabs are expanded
        int prefixFrom = -1;       // underlined character (x range) of a "&" prefix, or -1
        int prefixTo = -1;
    };

    std::vector<Line> lines;
    Rect bounds;    // what DT_CALCRECT reports
    int result = 0; // DrawText's return value

    static TextLayout make(std::string_view text, const Rect& r, unsigned flags,
                           const TextMetrics& metrics);
};

} // namespace gfx
