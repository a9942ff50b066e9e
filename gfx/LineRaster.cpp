#include "gfx/LineRaster.h"

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

bool LineRaster::dashAt(int position) const
{
    if (m_pattern.empty())
        return true;
    const int period = std::accumulate(m_pattern.begin(), m_pattern.end(), 0);
    int p = position % period;
    for (size_t i = 0; i < m_pattern.size(); ++i) {
        if (p < m_pattern[i])
            return i % 2 == 0;
        p -= m_pattern[i];
    }
    return true;
}

void LineRaster::line(Point from, Point to, const std::function<void(const PixelRun&)>& sink)
{
    const int dx = std::abs(to.x - from.x);
    const int dy = std::abs(to.y - from.y);
    const int sx = to.x >= from.x ? 1 : -1;
    const int sy = to.y >= from.y ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int steps = xMajor ? dx : dy;
    const int minor = xMajor ? dy : dx;

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
    for (int i = 0; i < steps; ++i) {
        // The minor coordinate nearest to the true line; a tie goes toward the start point.
        const int offset = int((2LL * i * minor + steps - 1) / (2LL * steps));
        const int x = from.x + sx * (xMajor ? i : offset);
        const int y = from.y + sy * (xMajor ? offset : i);
        const bool dash = dashAt(m_phase++);
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
