#pragma once

#include "gfx/Canvas.h"
#include "gfx/Types.h"

#include <cstdint>
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
    explicit LineRaster(const std::vector<int>& pattern);

    // Only the pixels inside `bounds` reach the sink, each where the whole line puts it, so the
    // cost follows the pixels that can show, not the line's length.
    void line(Point from, Point to, const Rect& bounds,
              const std::function<void(const PixelRun&)>& sink);
    void resetPhase() { m_phase = 0; }

private:
    bool dashAt(int64_t position) const;

    const std::vector<int>& m_pattern;
    int64_t m_period = 0;
    int64_t m_phase = 0; // kept within one period
};

} // namespace gfx
