#pragma once

#include "grid/TImColumns.h"

namespace grid {

// The grid's `ColumnInfo`: the column collection, with its defaults and counts forwarded.
class TImColColumnInfo
{
public:
    explicit TImColColumnInfo(TImColumnsOwner& owner) : m_columns(owner) {}

    TImColumns& Columns() { return m_columns; }
    const TImColumns& Columns() const { return m_columns; }

    TImCellInfo& DefaultHeader() { return m_columns.DefaultHeader(); }
    TImCellInfo& DefaultBody() { return m_columns.DefaultBody(); }
    TImCellInfo& DefaultFooter() { return m_columns.DefaultFooter(); }
    bool RotateAxis() const { return m_columns.RotateAxis(); }
    void setRotateAxis(bool v) { m_columns.setRotateAxis(v); }
    int HeaderCount() const { return m_columns.HeaderCount(); }
    void setHeaderCount(int v) { m_columns.setHeaderCount(v); }
    int BodyCount() const { return m_columns.BodyCount(); }
    void setBodyCount(int v) { m_columns.setBodyCount(v); }
    int FooterCount() const { return m_columns.FooterCount(); }
    void setFooterCount(int v) { m_columns.setFooterCount(v); }

private:
    TImColumns m_columns;
};

} // namespace grid
