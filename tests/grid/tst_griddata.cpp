// The data side of the grid: the sparse cell store, the value holder, inheriting attributes
// and the column model.
#include "grid/CellStore.h"
#include "grid/TImBorderAttr.h"
#include "grid/TImCellAttr.h"
#include "grid/TImCellData.h"
#include "grid/TImColumns.h"
#include "grid/TVarItem.h"
#include "text/Cp949.h"

#include <gtest/gtest.h>

using namespace grid;

namespace {

text::Variant valueAt(const CellStore& store, int col, int row)
{
    auto* item = static_cast<TVarItem*>(store.item(col, row));
    return item ? item->value : text::Variant();
}

void put(CellStore& store, int col, int row, text::Variant v)
{
    store.slot(col, row).item = std::make_unique<TVarItem>(std::move(v));
}

} // namespace

TEST(CellStore, KeepsOnlyWrittenCells)
{
    CellStore store;
    put(store, 3, 100000, "far");
    put(store, 0, 1, "a");
    put(store, 6, 1, "g");
    put(store, 2, 1, "c"); // written out of column order
    EXPECT_EQ(valueAt(store, 3, 100000), text::Variant("far"));
    EXPECT_EQ(valueAt(store, 2, 1), text::Variant("c"));
    EXPECT_EQ(valueAt(store, 6, 1), text::Variant("g"));
    EXPECT_TRUE(valueAt(store, 1, 1).isEmpty());
    EXPECT_TRUE(valueAt(store, 3, 99999).isEmpty());
    EXPECT_EQ(store.rowRecordCount(), 2u);
    EXPECT_EQ(store.slotCount(), 4u);
}

TEST(CellStore, IndicatorIndexesAreValidAndLowerOnesHoldNothing)
{
    CellStore store;
    put(store, -1, -1, "corner");
    EXPECT_EQ(valueAt(store, -1, -1), text::Variant("corner"));
    EXPECT_EQ(store.item(-2, -1), nullptr);
    EXPECT_EQ(store.item(-1, -2), nullptr);
    EXPECT_EQ(store.item(-5, 7), nullptr);
}

TEST(CellStore, SlotOfAWrittenCellIsReused)
{
    CellStore store;
    put(store, 1, 1, "old");
    CellStore::Slot& slot = store.slot(1, 1);
    static_cast<TVarItem*>(slot.item.get())->value = "new";
    EXPECT_EQ(valueAt(store, 1, 1), text::Variant("new"));
    EXPECT_EQ(store.slotCount(), 1u);
}

TEST(TImCellData, DisplayTexts)
{
    struct Row
    {
        const char* name;
        text::Variant value;
        std::string format;
        std::string nullAs;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"empty shows the null text", text::Variant(), "", "-", "-"},
        {"null shows the null text", text::Variant::null(), "", "(none)", "(none)"},
        {"empty without a null text is blank", text::Variant(), "", "", ""},
        {"string as it is", text::Variant(text::cp949("거래일자")), "0,.", "",
         text::cp949("거래일자")},
        {"integer without a format", text::Variant(1234567), "", "", "1234567"},
        {"integer grouped", text::Variant(1234567), "0,.", "", "1,234,567"},
        {"double as currency keeps four decimals", text::Variant(2.500049), "", "", "2.5"},
        {"double rounded by an integer mask", text::Variant(2.5), "000", "", "003"},
        {"boolean", text::Variant(true), "", "", "True"},
        {"date as its text", text::Variant(text::EncodeDate(2004, 3, 9)), "", "", "2004-03-09"},
    };
    for (const Row& row : rows) {
        TImCellData field;
        field.setValue(row.value);
        field.setDisplayFormat(row.format);
        field.setDisplayNullAs(row.nullAs);
        EXPECT_EQ(field.DisplayText(), row.expected) << row.name;
        EXPECT_EQ(field.kind(), row.value.kind()) << row.name;
    }
}

TEST(TImCellData, ClearMakesItNullAgain)
{
    TImCellData field;
    field.setString("x");
    EXPECT_FALSE(field.IsNull());
    field.Clear();
    EXPECT_TRUE(field.IsNull());
    EXPECT_EQ(field.kind(), TImCellData::Kind::Empty);
}

TEST(TImCellAttr, UnassignedValuesComeFromTheParent)
{
    TImCellAttr parent;
    TImCellAttr child;
    child.setAlignment(taCenter);
    child.clearAssigned(); // an own value that was not assigned
    child.setParent(&parent);
    EXPECT_EQ(child.Alignment(), taLeftJustify); // the parent's hides the own one
    parent.setAlignment(taRightJustify);
    EXPECT_EQ(child.Alignment(), taRightJustify);
    child.setAlignment(taCenter);
    EXPECT_EQ(child.Alignment(), taCenter);
    EXPECT_TRUE(child.isAssigned(TImCellAttr::mkAlignment));
}

TEST(TImCellAttr, AssigningTheCurrentValueChangesNothing)
{
    TImCellAttr parent;
    TImCellAttr child;
    child.setParent(&parent);
    int changes = 0;
    child.setOnChanged([&] { ++changes; });
    child.setMargin(2);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(child.isAssigned(TImCellAttr::mkMargin));
    child.setMargin(4);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(child.Margin(), 4);
}

TEST(TImCellAttr, FontPropertiesInheritOneByOne)
{
    TImCellAttr parent;
    parent.setFontName("Arial");
    parent.setFontSize(12);
    TImCellAttr child;
    child.setParent(&parent);
    EXPECT_TRUE(child.ParentFont());
    child.setFontColor(gfx::clYellow);
    EXPECT_FALSE(child.ParentFont());
    const gfx::Font f = child.Font();
    EXPECT_EQ(f.color, gfx::clYellow);
    EXPECT_EQ(f.name, "Arial");
    EXPECT_EQ(f.size, 12);
    parent.setFontStyle(fsBold);
    EXPECT_EQ(child.FontStyle(), TFontStyles(fsBold));

    child.setParentFont(true); // everything from the parent again
    EXPECT_EQ(child.FontColor(), gfx::clWindowText);
    EXPECT_FALSE(child.isAssigned(TImCellAttr::mkFontColor));
}

TEST(TImCellAttr, WithoutParentTheOwnFontIsANewPlatformFont)
{
    TImCellAttr attr;
    EXPECT_EQ(attr.Font(), gfx::Font());
    EXPECT_EQ(attr.FontColor(), gfx::clWindowText);
}

TEST(TImBorderAttr, NoneColourShowsTheParentsAgain)
{
    TImBorderAttr parent;
    parent.setColor(gfx::clBtnFace);
    TImBorderAttr child;
    child.setParent(&parent);
    child.setColor(gfx::clTeal);
    EXPECT_EQ(child.Color(), gfx::clTeal);
    child.setColor(gfx::clNone);
    EXPECT_EQ(child.Color(), gfx::clBtnFace);
    EXPECT_FALSE(child.isAssigned(TImBorderAttr::mkColor));
}

namespace {

// The counts and widths a grid would give the column model.
class Owner : public TImColumnsOwner
{
public:
    int HeaderCount() const override { return header; }
    void setHeaderCount(int n) override { header = n; }
    int BodyCount() const override { return body; }
    void setBodyCount(int n) override { body = n; }
    int FooterCount() const override { return 0; }
    void setFooterCount(int) override {}
    int ColCount() const override { return int(widths.size()); }
    int columnWidth(int col) const override { return widths.at(size_t(col)); }
    void setColumnWidth(int col, int size) override { widths.at(size_t(col)) = size; }
    void InvalidateGrid() override { ++repaints; }

    int header = 1;
    int body = 0;
    std::vector<int> widths = {60, 60};
    int repaints = 0;
};

} // namespace

TEST(TImColumns, CaptionListGrowsToTheHeaderRowsAndNeverShrinks)
{
    Owner owner;
    TImColumns columns(owner);
    TImColumn& column = columns.Add();
    EXPECT_EQ(column.Captions(), std::vector<std::string>{""}); // no line: one empty line
    owner.header = 3;
    EXPECT_EQ(column.Captions().size(), 3u);
    owner.header = 1;
    EXPECT_EQ(column.Captions().size(), 3u);
    column.setCaptions({"a", "b"});
    EXPECT_EQ(column.DisplayName(), "a | b | ");
}

TEST(TImColumns, CaptionIndexIsClampedToTheHeaderRows)
{
    Owner owner;
    owner.header = 2;
    TImColumns columns(owner);
    TImColumn& column = columns.Add();
    column.setCaptions({"top", "bottom"});
    column.setCaptionIndex(5);
    EXPECT_EQ(column.CaptionIndex(), 1);
    EXPECT_EQ(column.Caption(), "bottom");
    const int before = owner.repaints;
    column.setCaption("lower");
    EXPECT_EQ(column.Captions()[1], "lower");
    EXPECT_GT(owner.repaints, before);
    column.setCaptionIndex(-3);
    EXPECT_EQ(column.Caption(), "top");
}

TEST(TImColumns, CellSizeIsTheWidthOfTheGridColumn)
{
    Owner owner;
    TImColumns columns(owner);
    columns.Add();
    columns.Add();
    TImColumn& third = columns.Add();
    columns.Items(1).setCellSize(35);
    EXPECT_EQ(owner.widths[1], 35);
    EXPECT_EQ(columns.Items(1).CellSize(), 35);
    EXPECT_EQ(third.CellSize(), 0); // beyond the grid's columns
}

TEST(TImColumns, DescriptionsInheritFromTheDefaults)
{
    Owner owner;
    TImColumns columns(owner);
    TImColumn& column = columns.Add();
    EXPECT_FALSE(column.Header().CanSelect());
    EXPECT_TRUE(column.Body().CanSelect());
    EXPECT_FALSE(column.Footer().CanSelect());
    EXPECT_EQ(column.Body().BorderAttr().Color(), gfx::clWhite);
    EXPECT_EQ(column.Body().BorderAttr().LineColor(), gfx::clBtnFace);
    EXPECT_EQ(column.Header().BorderAttr().StyleOuter(), imbsRaised);
    column.Body().CellAttr().setAlignment(taRightJustify);
    EXPECT_EQ(column.Body().CellAttr().Alignment(), taRightJustify);
    EXPECT_EQ(columns.DefaultBody().CellAttr().Alignment(), taLeftJustify);

    const int before = owner.repaints;
    columns.DefaultHeader().BorderAttr().setColor(gfx::clTeal);
    EXPECT_EQ(column.Header().BorderAttr().Color(), gfx::clTeal);
    EXPECT_EQ(owner.repaints, before + 1);
}

TEST(TImColumns, ItemsBeyondTheCollectionAreNone)
{
    Owner owner;
    TImColumns columns(owner);
    columns.Add();
    EXPECT_NE(columns.item(0), nullptr);
    EXPECT_EQ(columns.item(1), nullptr);
    EXPECT_EQ(columns.item(-1), nullptr);
    columns.Add();
    columns.Delete(0);
    EXPECT_EQ(columns.Items(0).Index(), 0);
}
