#pragma once

#include "grid/TImCellInfo.h"

#include <string>
#include <vector>

namespace grid {

class TImColumns;

// One item of the column model; item i describes grid column i.
class TImColumn
{
public:
    TImColumn(TImColumns& collection, int index);
    TImColumn(const TImColumn&) = delete;
    TImColumn& operator=(const TImColumn&) = delete;

    int Index() const { return m_index; }

    // One caption line per header row, padded with empty lines up to the header count
    // whenever it is read; never shortened.
    const std::vector<std::string>& Captions() const;
    void setCaptions(std::vector<std::string> lines);
    // Which line Caption means, clamped to the header rows.
    int CaptionIndex() const { return m_captionIndex; }
    void setCaptionIndex(int index);
    std::string Caption() const;
    void setCaption(const std::string& caption);
    // The lines, each followed by " | ", as design tools name the column.
    std::string DisplayName() const;

    TImCellInfo& Header() { return m_header; }
    TImCellInfo& Body() { return m_body; }
    TImCellInfo& Footer() { return m_footer; }
    const TImCellInfo& Header() const { return m_header; }
    const TImCellInfo& Body() const { return m_body; }
    const TImCellInfo& Footer() const { return m_footer; }

    // The width of the grid column with this index (0 beyond the grid's columns).
    int CellSize() const;
    void setCellSize(int size);

    bool Visible() const { return m_visible; }
    void setVisible(bool v) { m_visible = v; }
    int Tag() const { return m_tag; }
    void setTag(int v) { m_tag = v; }

private:
    friend class TImColumns;

    TImColumns& m_collection;
    int m_index;
    mutable std::vector<std::string> m_captions;
    int m_captionIndex = 0;
    TImCellInfo m_header;
    TImCellInfo m_body;
    TImCellInfo m_footer;
    bool m_visible = true;
    int m_tag = 0;
};

} // namespace grid
