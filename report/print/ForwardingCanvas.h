#pragma once

#include "gfx/Canvas.h"

namespace report {

// A canvas that draws on another one, which can be exchanged between drawings: a caller keeps
// one canvas for a whole document while each page draws into a surface of its own. The
// state (objects, modes, pen position) belongs to this canvas and goes with every call;
// clipping and saved states of the target go with the target.
class ForwardingCanvas : public gfx::Canvas
{
public:
    explicit ForwardingCanvas(int dpi) : m_dpi(dpi) {}

    // None draws nothing and measures nothing.
    void setTarget(gfx::Canvas* target) { m_target = target; }
    gfx::Canvas* target() const { return m_target; }

    int dpi() const override { return m_dpi; }
    void FillRect(const gfx::Rect& r) override;
    void Rectangle(const gfx::Rect& r) override;
    void Ellipse(const gfx::Rect& r) override;
    void Polygon(const std::vector<gfx::Point>& points) override;
    void Polyline(const std::vector<gfx::Point>& points) override;
    void ExtTextOut(int x, int y, unsigned options, const gfx::Rect* r,
                    std::string_view text) override;
    void ExtTextOutDx(int x, int y, unsigned options, const gfx::Rect* r, std::string_view text,
                      const std::vector<int>& dx) override;
    int DrawText(std::string_view text, gfx::Rect& r, unsigned flags) override;
    gfx::Size TextExtent(std::string_view text) override;
    void StretchDraw(const gfx::Rect& r, const gfx::Bitmap& bitmap) override;
    void IntersectClipRect(const gfx::Rect& r) override;
    void SelectClipRgn(std::nullptr_t) override;
    void SaveDC() override;
    void RestoreDC() override;

protected:
    void DrawLine(gfx::Point from, gfx::Point to) override;

private:
    // The target with this canvas's state; none without a target.
    gfx::Canvas* synced();

    int m_dpi;
    gfx::Canvas* m_target = nullptr;
};

} // namespace report
