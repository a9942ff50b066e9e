#pragma once

#include "gfx/Canvas.h"
#include "gfx/Types.h"

#include <functional>
#include <vector>

namespace gfx {

// A run of pixels of one line, all of them dash or all of them gap.
struct PixelRun
{
    int x = 0;
    int y = 0;
    int length = 0;
    bool horizontal = true; // along x, else along y
    bool dash = true;       // pen colour; a gap shows the background when it is opaque
};

// The on/off lengths in pixels of a cosmetic (one-pixel) pen; empty for a solid pen.
const std::vector<int>& cosmeticPattern(PenStyle style);

// Rasterises the line from `from` to `to` as a cosmetic pen does: `to` itself is left out.
// `phase` is the position in `pattern` and carries over to the next segment of a figure.
class LineRaster
{
public:
    explicit LineRaster(const std::vector<int>& pattern) : m_pattern(pattern) {}

    void line(Point from, Point to, const std::function<void(const PixelRun&)>& sink);
    void resetPhase() { m_phase = 0; }

private:
    bool dashAt(int position) const;

    const std::vector<int>& m_pattern;
    int m_phase = 0;
};

} // namespace gfx
