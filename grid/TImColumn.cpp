#include "grid/TImColumn.h"

#include "grid/TImColumns.h"

#include <algorithm>

namespace grid {

TImColumn::TImColumn(TImColumns& collection, int index) : m_collection(collection), m_index(index)
{
    m_header.setCanSelect(false);
    m_header.setCanEdit(false);
    m_footer.setCanSelect(false);
    m_footer.setCanEdit(false);
    m_header.setParent(&collection.DefaultHeader());
    m_body.setParent(&collection.DefaultBody());
    m_footer.setParent(&collection.DefaultFooter());
    const auto repaint = [this] { m_collection.owner().InvalidateGrid(); };
    m_header.setOnChanged(repaint);
    m_body.setOnChanged(repaint);
    m_footer.setOnChanged(repaint);
}

const std::vector<std::string>& TImColumn::Captions() const
{
    const size_t headerCount = size_t(std::max(0, m_collection.HeaderCount()));
    if (m_captions.size() < headerCount)
        m_captions.resize(headerCount);
    return m_captions;
}

void TImColumn::setCaptions(std::vector<std::string> lines)
{
    if (lines == m_captions)
        return;
    m_captions = std::move(lines);
    m_collection.owner().InvalidateGrid();
}

void TImColumn::setCaptionIndex(int index)
{
    m_captionIndex = std::clamp(index, 0, std::max(0, m_collection.HeaderCount() - 1));
}

std::string TImColumn::Caption() const
{
    const auto& lines = Captions();
    return size_t(m_captionIndex) < lines.size() ? lines[size_t(m_captionIndex)] : std::string();
}

void TImColumn::setCaption(const std::string& caption)
{
    std::vector<std::string> lines = Captions();
    if (size_t(m_captionIndex) >= lines.size())
        lines.resize(size_t(m_captionIndex) + 1);
    lines[size_t(m_captionIndex)] = caption;
    setCaptions(std::move(lines));
}

std::string TImColumn::DisplayName() const
{
    std::string name;
    for (const std::string& line : Captions())
        name += line + " | ";
    return name;
}

int TImColumn::CellSize() const
{
    const TImColumnsOwner& owner = m_collection.owner();
    return m_index < owner.ColCount() ? owner.columnWidth(m_index) : 0;
}

void TImColumn::setCellSize(int size)
{
    m_collection.owner().setColumnWidth(m_index, size);
}

} // namespace grid
