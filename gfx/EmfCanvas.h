#pragma once

#include "gfx/Canvas.h"
#include "gfx/TextMetrics.h"

#include <QFontMetricsF>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace gfx {

// A Canvas that records everything drawn on it as an enhanced metafile (written with libUEMF):
// pens, brushes and fonts become metafile objects, texts become UTF-16 text-out records with
// the font's face name, bitmaps become device-independent bitmaps. Measuring uses the
// metafile's reference resolution, so a page measures the same as on the screen.
class EmfCanvas : public Canvas
{
public:
    // A picture of width × height pixels at `dpi` pixels per inch.
    EmfCanvas(int width, int height, int dpi = ScreenDpi);
    ~EmfCanvas() override;
    EmfCanvas(const EmfCanvas&) = delete;
    EmfCanvas& operator=(const EmfCanvas&) = delete;

    int dpi() const override { return m_dpi; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    void FillRect(const Rect& r) override;
    void Rectangle(const Rect& r) override;
    void Ellipse(const Rect& r) override;
    void Polygon(const std::vector<Point>& points) override;
    void Polyline(const std::vector<Point>& points) override;
    void ExtTextOut(int x, int y, unsigned options, const Rect* r, std::string_view text) override;
    int DrawText(std::string_view text, Rect& r, unsigned flags) override;
    Size TextExtent(std::string_view text) override;
    void StretchDraw(const Rect& r, const Bitmap& bitmap) override;
    void IntersectClipRect(const Rect& r) override;
    void SelectClipRgn(std::nullptr_t) override;
    void SaveDC() override;
    void RestoreDC() override;

    // Ends the picture (end-of-file record, final header) and returns its bytes. Drawing
    // afterwards is ignored; a second call returns the same bytes.
    const std::string& finish();
    // The same, as the blocks the picture was recorded in, in order, without joining them: a
    // page store takes a page from them as it is. They live as long as the canvas.
    std::vector<std::string_view> finishedBlocks();

protected:
    void DrawLine(Point from, Point to) override;

private:
    // What the recorded device context has selected, so that only changes are recorded.
    struct DcState
    {
        uint32_t pen = 0; // 0: nothing of ours selected yet
        uint32_t brush = 0;
        uint32_t font = 0;
        std::optional<uint32_t> textColor;
        std::optional<uint32_t> bkColor;
        std::optional<uint32_t> bkMode;
        std::optional<uint32_t> textAlign;
        std::optional<Point> position;
    };
    using PenKey = std::tuple<uint32_t, int, uint32_t>;
    using BrushKey = std::tuple<uint32_t, uint32_t>;
    using FontKey = std::tuple<std::string, int, bool, bool, bool, bool, int, int>;
    template <typename Key> using ObjectCache = std::map<Key, uint32_t>;

    void append(char* record); // takes a libUEMF record (malloc'd) and frees it
    void appendRaw(const std::string& record);
    bool recording() const { return !m_finished; }
    uint32_t newHandle();
    template <typename Key> void trimCache(ObjectCache<Key>& cache, uint32_t selected);
    void selectObject(uint32_t handle);
    // Selects the cached object for `key`, recording it with `create` (handle → record) first
    // when it is new.
    template <typename Key, typename Create>
    void useObject(ObjectCache<Key>& cache, const Key& key, uint32_t& selected, Create create);
    void usePen();
    void useBrush();
    void useFont();
    void useTextState();
    void appendBytes(const char* data, size_t count);
    // Overwrites bytes of the header record, which lies within the first block.
    void patch(size_t offset, const void* value, size_t count);
    void end();
    void textOut(int x, int y, unsigned options, const Rect* r, const QString& s);
    void recordPoly(uint32_t type16, uint32_t type32, const std::vector<Point>& points);

    int m_width;
    int m_height;
    int m_dpi;
    bool m_finished = false;
    // The picture in blocks of blockBytes: a growing page is never moved to a larger buffer,
    // which would hold the largest page twice at once. The header record fits the first.
    static constexpr size_t blockBytes = 64 * 1024;
    std::vector<std::string> m_blocks;
    size_t m_size = 0;
    std::string m_joined; // finish()'s bytes, made when first asked for
    uint32_t m_records = 0;
    uint32_t m_nextHandle = 1;
    uint32_t m_peakHandle = 0;
    std::vector<uint32_t> m_freeHandles;
    ObjectCache<PenKey> m_pens;
    ObjectCache<BrushKey> m_brushes;
    ObjectCache<FontKey> m_fonts;
    DcState m_dc;
    std::vector<DcState> m_dcStack;
    TextMetrics m_metrics;
};

} // namespace gfx
