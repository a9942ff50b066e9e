#include "gfx/LineRaster.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace gfx {

const std::vector<int>& cosmeticPattern(PenStyle style)
{
    static const std::vector<int> solid;
    static const std::vector<int> dash = {18, 6};
    static const std::vector<int> dot = {3, 3};
    static const std::vector<int> dashDot = {9, 6, 3, 6};
    static const std::vector<int> dashDotDot = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case PenStyle::Dash:
        return dash;
    case PenStyle::Dot:
        return dot;
    case PenStyle::DashDot:
        return dashDot;
    case PenStyle::DashDotDot:
        return dashDotDot;
    default:
        return solid;
    }
}

LineRaster::LineRaster(const std::vector<int>& pattern)
    : m_pattern(pattern), m_period(std::accumulate(pattern.begin(), pattern.end(), int64_t(0)))
{
}

bool LineRaster::dashAt(int64_t position) const
{
    if (m_period <= 0)
        return true;
    int64_t p = position % m_period;
    for (size_t i = 0; i < m_pattern.size(); ++i) {
        if (p < m_pattern[i])
            return i % 2 == 0;
        p -= m_pattern[i];
    }
    return true;
}

void LineRaster::line(Point from, Point to, const Rect& bounds,
                      const std::function<void(const PixelRun&)>& sink)
{
    // Differences of two ints need 33 bits, and the rounding below multiplies two of them.
    const int64_t dx = std::abs(int64_t(to.x) - from.x);
    const int64_t dy = std::abs(int64_t(to.y) - from.y);
    const int sx = to.x >= from.x ? 1 : -1;
    const int sy = to.y >= from.y ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int64_t steps = xMajor ? dx : dy;
    const int64_t minor = xMajor ? dy : dx;
    const int64_t start = m_phase;
    if (m_period > 0)
        m_phase = (m_phase + steps) % m_period;
    if (steps == 0 || bounds.isEmpty())
        return;

    // The minor coordinate nearest to the true line; a tie goes toward the start point.
    auto offsetAt = [&](int64_t i) {
        return int64_t((__int128(2) * i * minor + steps - 1) / (__int128(2) * steps));
    };
    // Steps [lo, hi) whose pixels fall inside the bounds along one axis: the major coordinate
    // moves by one a step, the minor one by offsetAt, which never decreases.
    auto along = [](int64_t origin, int sign, int low, int high) {
        return sign > 0 ? std::pair<int64_t, int64_t>(low - origin, high - origin)
                        : std::pair<int64_t, int64_t>(origin - high + 1, origin - low + 1);
    };
    auto firstReaching = [&](int64_t target) {
        int64_t lo = 0, hi = steps;
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (offsetAt(mid) >= target)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    const auto [majorLo, majorHi] = xMajor ? along(from.x, sx, bounds.left, bounds.right)
                                           : along(from.y, sy, bounds.top, bounds.bottom);
    const auto [minorLo, minorHi] = xMajor ? along(from.y, sy, bounds.top, bounds.bottom)
                                           : along(from.x, sx, bounds.left, bounds.right);
    const int64_t first = std::max({int64_t(0), majorLo, firstReaching(minorLo)});
    const int64_t last = std::min({steps, majorHi, firstReaching(minorHi)});

    PixelRun run;
    bool open = false;
    auto flush = [&] {
        if (!open)
            return;
        // Runs are emitted with their top-left pixel first.
        if (run.horizontal && sx < 0)
            run.x -= run.length - 1;
        if (!run.horizontal && sy < 0)
            run.y -= run.length - 1;
        sink(run);
        open = false;
    };
    for (int64_t i = first; i < last; ++i) {
        const int64_t offset = offsetAt(i);
        const int x = int(from.x + sx * (xMajor ? i : offset));
        const int y = int(from.y + sy * (xMajor ? offset : i));
        const bool dash = dashAt(start + i);
        const bool continues = open && run.dash == dash &&
                               (xMajor ? (y == run.y && x == run.x + sx * run.length)
                                       : (x == run.x && y == run.y + sy * run.length));
        if (continues) {
            ++run.length;
            continue;
        }
        flush();
        run = {x, y, 1, xMajor, dash};
        open = true;
    }
    flush();
}

} // namespace gfx
