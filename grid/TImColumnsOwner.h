#pragma once

namespace grid {

// What the column model needs from its grid: the counts of the row parts, the column widths
// of the horizontal axis and repainting.
class TImColumnsOwner
{
public:
    virtual int HeaderCount() const = 0;
    virtual void setHeaderCount(int count) = 0;
    virtual int BodyCount() const = 0;
    virtual void setBodyCount(int count) = 0;
    virtual int FooterCount() const = 0;
    virtual void setFooterCount(int count) = 0;
    virtual int ColCount() const = 0;
    virtual int columnWidth(int col) const = 0;
    virtual void setColumnWidth(int col, int size) = 0;
    virtual void InvalidateGrid() = 0;

protected:
    ~TImColumnsOwner() = default;
};

} // namespace grid
