#pragma once

#include <algorithm>

namespace gfx {

struct Point
{
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size
{
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A GDI rectangle: right and bottom lie outside it.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Rect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect inflated(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    Rect intersected(const Rect& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Bounds(int left, int top, int width, int height)
{
    return {left, top, left + width, top + height};
}

} // namespace gfx
