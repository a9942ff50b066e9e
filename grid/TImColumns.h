#pragma once

#include "grid/TImCellInfo.h"
#include "grid/TImColumn.h"
#include "grid/TImColumnsOwner.h"

#include <memory>
#include <vector>

namespace grid {

// The column collection: its items, the three default cell descriptions and the counts of
// the row parts, which live on the grid's vertical axis. The collection's size and the
// grid's column count are independent: a column without an item draws with the defaults.
class TImColumns
{
public:
    explicit TImColumns(TImColumnsOwner& owner);
    TImColumns(const TImColumns&) = delete;
    TImColumns& operator=(const TImColumns&) = delete;

    TImColumnsOwner& owner() const { return m_owner; }

    TImColumn& Add();
    int Count() const { return int(m_items.size()); }
    TImColumn& Items(int index) { return *m_items.at(size_t(index)); }
    // The item for grid column `col`, or null when the collection has none.
    const TImColumn* item(int col) const;
    TImColumn* item(int col);
    void Delete(int index);
    void Clear();

    TImCellInfo& DefaultHeader() { return m_defaultHeader; }
    TImCellInfo& DefaultBody() { return m_defaultBody; }
    TImCellInfo& DefaultFooter() { return m_defaultFooter; }
    const TImCellInfo& DefaultHeader() const { return m_defaultHeader; }
    const TImCellInfo& DefaultBody() const { return m_defaultBody; }
    const TImCellInfo& DefaultFooter() const { return m_defaultFooter; }

    // Only the column layout exists: the rotated one (parts along the horizontal axis) is
    // left out, so the setting stays False.
    bool RotateAxis() const { return false; }
    void setRotateAxis(bool) {}

    int HeaderCount() const { return m_owner.HeaderCount(); }
    void setHeaderCount(int count) { m_owner.setHeaderCount(count); }
    int BodyCount() const { return m_owner.BodyCount(); }
    void setBodyCount(int count) { m_owner.setBodyCount(count); }
    int FooterCount() const { return m_owner.FooterCount(); }
    void setFooterCount(int count) { m_owner.setFooterCount(count); }

private:
    TImColumnsOwner& m_owner;
    TImCellInfo m_defaultHeader;
    TImCellInfo m_defaultBody;
    TImCellInfo m_defaultFooter;
    std::vector<std::unique_ptr<TImColumn>> m_items;
};

} // namespace grid
