#pragma once

#include <QImage>

namespace report {
class TRpPreviewImage;
}

// The page image as it paints itself, over a red background that shows what it leaves alone.
QImage paintedImage(report::TRpPreviewImage& image);
// Which page of a MarkedReport the image shows, by where its box is; 0 when no box is found.
int shownMark(report::TRpPreviewImage& image);
