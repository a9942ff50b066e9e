#pragma once

#include <QWidget>
#include <optional>
#include <string>

namespace report {

class PreviewPages;

// The page of a preview: one stored page's picture, stretched over the control, on a white
// sheet with a black border and a shadow to the right and below. Without a picture it paints
// nothing at all.
class TRpPreviewImage : public QWidget
{
    Q_OBJECT

public:
    static constexpr int initialWidth = 100;
    static constexpr int initialHeight = 50;

    explicit TRpPreviewImage(QWidget* parent = nullptr);
    ~TRpPreviewImage() override;

    // The pages to load from; none leaves the picture as it is until the next load.
    void setPages(const PreviewPages* pages) { m_pages = pages; }
    // Replaces the picture with page n's (none when the pages have no such page) and repaints.
    // A page that cannot be read raises its error and leaves picture and page as they were.
    void LoadPage(int n);
    void clearPicture();

    int ShownPage() const { return m_shownPage; }
    bool HasImage() const { return m_picture.has_value(); }
    int zoom() const { return m_zoom; }
    void setZoom(int zoom) { m_zoom = zoom; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const PreviewPages* m_pages = nullptr;
    int m_shownPage = 1;
    int m_zoom = 100;
    std::optional<std::string> m_picture;
};

} // namespace report
