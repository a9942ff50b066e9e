#pragma once

#include "gfx/RecordingCanvas.h"

#include <string>

namespace report {

// Interim: the picture of one page until the metafile canvas is in the build.
class PagePicture
{
public:
    PagePicture(int width, int height) : m_width(width), m_height(height) {}
    gfx::Canvas& canvas() { return m_canvas; }
    const gfx::RecordingCanvas& recording() const { return m_canvas; }
    std::string finish() { return {}; }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    int m_width;
    int m_height;
    gfx::RecordingCanvas m_canvas;
};

} // namespace report
