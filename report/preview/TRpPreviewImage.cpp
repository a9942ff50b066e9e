#include "report/preview/TRpPreviewImage.h"

#include "gfx/EmfPlayer.h"
#include "gfx/QtCanvas.h"
#include "report/preview/PreviewPages.h"

#include <QPaintEvent>
#include <QPainter>

namespace report {

namespace {

// The border and the shadow take this many pixels at the right and bottom of the control.
constexpr int frameExtent = 3;
constexpr int shadowOffset = 2;

} // namespace

TRpPreviewImage::TRpPreviewImage(QWidget* parent) : QWidget(parent)
{
    resize(initialWidth, initialHeight);
}

TRpPreviewImage::~TRpPreviewImage() = default;

void TRpPreviewImage::LoadPage(int n)
{
    // Read before anything changes: a page that cannot be read leaves the one shown.
    std::optional<std::string> picture;
    if (m_pages)
        picture = m_pages->PageImage(n);
    m_picture = std::move(picture);
    m_shownPage = n;
    update();
}

void TRpPreviewImage::clearPicture()
{
    m_picture.reset();
    update();
}

void TRpPreviewImage::paintEvent(QPaintEvent* event)
{
    if (!m_picture)
        return;
    const int w = width();
    const int h = height();
    QPainter painter(this);
    // The canvas cuts what it draws to its clip: at a high zoom most of the page lies outside
    // the part that is shown.
    painter.setClipRegion(event->region());
    gfx::QtCanvas canvas(&painter, gfx::ScreenDpi);

    canvas.pen = {gfx::clWhite, 1, gfx::PenStyle::Solid};
    canvas.brush = {gfx::clWhite, gfx::BrushStyle::Solid};
    canvas.Rectangle({1, 1, w - frameExtent, h - frameExtent});
    gfx::EmfPlayer(canvas).play(*m_picture, {0, 0, w, h});

    canvas.pen = {gfx::clBlack, 1, gfx::PenStyle::Solid};
    canvas.brush = {gfx::clBlack, gfx::BrushStyle::Solid};
    canvas.Polyline({{0, 0},
                     {0, h - frameExtent},
                     {w - frameExtent, h - frameExtent},
                     {w - frameExtent, 0},
                     {0, 0}});
    canvas.FillRect({w - shadowOffset, shadowOffset, w, h});
    canvas.FillRect({shadowOffset, h - shadowOffset, w, h});
}

} // namespace report
