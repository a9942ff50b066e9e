#pragma once

#include <functional>

class QObject;

namespace grid {

// Grid coordinates: every column and row counts, the header row included (row 0).
struct GridCoord
{
    int col = 0;
    int row = 0;
    friend bool operator==(const GridCoord&, const GridCoord&) = default;
};

// A normalised cell rectangle in grid coordinates, both corners included.
struct GridRange
{
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    bool contains(int col, int row) const
    {
        return col >= left && col <= right && row >= top && row <= bottom;
    }
    friend bool operator==(const GridRange&, const GridRange&) = default;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

enum TImShadowPos {
    imspNone,
    imspLeft,
    imspTop,
    imspRight,
    imspBottom,
    imspLeftTop,
    imspLeftBottom,
    imspRightBottom,
    imspRightTop
};

// Font styles, as a set.
enum TFontStyle : unsigned { fsBold = 1u, fsItalic = 2u, fsUnderline = 4u, fsStrikeOut = 8u };
using TFontStyles = unsigned;

enum TImBorderStyle { imbsNone, imbsBox, imbsRaised, imbsLowered, imbsBtnUp, imbsBtnDown };

// Sides of a cell frame, as a set.
enum TImFrameSide : unsigned { imfsLeft = 1u, imfsTop = 2u, imfsRight = 4u, imfsBottom = 8u };
using TImFrameSides = unsigned;
constexpr TImFrameSides imfsAll = imfsLeft | imfsTop | imfsRight | imfsBottom;

enum TImScrollBar { imsbNone, imsbNeeded, imsbAlways };
enum TImSelectionMode { imsmNone, imsmCell, imsmLine, imsmButton };

// Options of a grid, as a set.
enum TImGridOption : unsigned {
    imRangeSelect = 1u << 0,
    imDrawFocusSelected = 1u << 1,
    imHideSelection = 1u << 2,
    imEditing = 1u << 3,
    imAlwaysShowEditor = 1u << 4,
    imTabs = 1u << 5,
    imRowSelect = 1u << 6,
    imThumbTracking = 1u << 7,
    imHotTrack = 1u << 8,
    imMultiCell = 1u << 9,
    imMultiLine = 1u << 10,
    imCursorInView = 1u << 11,
};
using TImGridOptions = unsigned;

// The state a cell is drawn in, as a set.
enum TImCellDrawState : unsigned {
    imdsSelected = 1u << 0,
    imdsRowSelected = 1u << 1,
    imdsColSelected = 1u << 2,
    imdsFocused = 1u << 3,
    imdsHotTrack = 1u << 4,
    imdsDragging = 1u << 5,
    imdsFixed = 1u << 6,
    imdsEdge = 1u << 7,
    imdsIndicator = 1u << 8,
    imdsEmptyHorz = 1u << 9,
    imdsEmptyVert = 1u << 10,
    imdsFixedClick = 1u << 11,
    imdsLeft = 1u << 12,
    imdsTop = 1u << 13,
    imdsRight = 1u << 14,
    imdsBottom = 1u << 15,
    imdsPrint = 1u << 16,
};
using TImCellDrawStates = unsigned;

// Direction codes of the cursor steps.
enum class StepDirection { None = 0, Left = 1, Right = 2, Up = 3, Down = 4 };

// Which part of the column model a grid row belongs to.
enum class CellPart { Header, Body, Footer };

// The painted region a cell is drawn in; decides header or footer before the row does.
enum class GridRegion { Scrolled, FixedLeft, FixedTop, FixedRight, FixedBottom };

using TNotifyEvent = std::function<void(QObject* sender)>;
using TSelectCellEvent = std::function<void(QObject* sender, int col, int row, bool& canSelect)>;

} // namespace grid
