#pragma once

#include "gfx/Bitmap.h"

#include <QIcon>

namespace printing {

// The pictures of the preview window's tool buttons, drawn here: 16 × 16 pixels in the 16
// standard colours, each with its transparent colour in the bottom-left pixel.
struct PreviewButtonPictures
{
    static constexpr int size = 16;

    // A floppy disk: the save button.
    static gfx::Bitmap floppyDisk();
    // A magnifying glass with a red plus: zoom in.
    static gfx::Bitmap zoomIn();
    // A magnifying glass with a red minus: zoom out.
    static gfx::Bitmap zoomOut();
    // A red door in its frame: close.
    static gfx::Bitmap door();

    // The picture of a disabled button: the same shape in greys, transparent where the picture is.
    static gfx::Bitmap disabled(const gfx::Bitmap& picture);
    // An icon showing `picture`, and its grey picture when the button is disabled, with the
    // transparent colour left out.
    static QIcon icon(const gfx::Bitmap& picture);
};

} // namespace printing
