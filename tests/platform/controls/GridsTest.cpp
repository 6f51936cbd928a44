// Grids: counts and the fixed rules, sizes, geometry (CellRect,
// MouseToCell), the SelectCell veto, keyboard and mouse through the real
// input path, MoveColRow without Click, sizing and moving by dragging,
// string cells and their line lists, and the painted look.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "Forms.h"
#include "Gdi.h"
#include "Grids.h"
#include "Lists.h"
#include "WinBackend.h"
#include "Windows.h"

using namespace vcl;

namespace {

class GridFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(true);
        Form = new TForm(nullptr);
        Form->SetBounds(20, 20, 500, 400);
        Grid = new TStringGrid(Form);
        Grid->SetParent(Form);
        Grid->SetBounds(10, 10, 400, 300);
        Grid->SetOnClick([this](TObject*) { ++Clicks; });
        Form->Show();
        Pump();
        Grid->SetFocus();
        Pump();
    }
    void TearDown() override {
        delete Form;
        Pump();
        Clock::UseVirtualTime(false);
    }
    static void Pump() { Application()->ProcessMessages(); }
    // A press and release at a client point of the grid.
    void ClickAt(int32_t X, int32_t Y) {
        Clock::Advance(2000ull * 1000000);  // never a double click
        TPoint p = Grid->ClientToScreen(TPoint{X, Y});
        FeedMouseButton(mbLeftButton, true, p.X, p.Y);
        FeedMouseButton(mbLeftButton, false, p.X, p.Y);
        Pump();
    }
    void ClickCell(int32_t ACol, int32_t ARow) {
        TRect r = Grid->CellRect(ACol, ARow);
        ASSERT_FALSE(r.IsEmpty());
        ClickAt((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void Drag(TPoint From, TPoint To) {
        Clock::Advance(2000ull * 1000000);
        TPoint a = Grid->ClientToScreen(From), b = Grid->ClientToScreen(To);
        FeedMouseButton(mbLeftButton, true, a.X, a.Y);
        FeedMouseMove((a.X + b.X) / 2, (a.Y + b.Y) / 2);
        FeedMouseMove(b.X, b.Y);
        FeedMouseButton(mbLeftButton, false, b.X, b.Y);
        Pump();
    }
    void Key(int VirtKey, int Modifier = 0) {
        if (Modifier) FeedKey(Modifier, true);
        FeedKey(VirtKey, true);
        FeedKey(VirtKey, false);
        if (Modifier) FeedKey(Modifier, false);
        Pump();
    }
    COLORREF Pixel(int32_t X, int32_t Y) {
        Grid->Repaint();
        HDC dc = GetDC(Grid->Handle());
        COLORREF c = GetPixel(dc, X, Y);
        ReleaseDC(Grid->Handle(), dc);
        return c;
    }
    static COLORREF Rgb(TColor C) { return ColorToColorRef(C); }

    TForm* Form = nullptr;
    TStringGrid* Grid = nullptr;
    int Clicks = 0;
};

}  // namespace

// ----- counts and fixed rules

TEST(GridCounts, DefaultsAndFixedRules) {
    TStringGrid g(nullptr);
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.Col(), 1);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.DefaultColWidth(), 64);
    EXPECT_EQ(g.DefaultRowHeight(), 24);

    EXPECT_THROW(g.SetFixedRows(5), EInvalidGridOperation);
    EXPECT_THROW(g.SetFixedCols(5), EInvalidGridOperation);
    EXPECT_THROW(g.SetFixedRows(-1), EInvalidGridOperation);
    EXPECT_THROW(g.SetRowCount(-2), EInvalidGridOperation);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.RowCount(), 5);

    g.SetRowCount(1);  // the only row cannot stay fixed
    EXPECT_EQ(g.FixedRows(), 0);
    EXPECT_EQ(g.Row(), 0);
    g.SetColCount(0);  // at least one column
    EXPECT_EQ(g.ColCount(), 1);
    EXPECT_EQ(g.FixedCols(), 0);
    g.SetRowCount(4);
    g.SetFixedRows(3);
    EXPECT_EQ(g.Row(), 3);
    g.SetRowCount(3);
    EXPECT_EQ(g.FixedRows(), 2);
    EXPECT_EQ(g.Row(), 2);  // the current cell follows into range
}

TEST(GridCounts, SizesAndTheirErrors) {
    TStringGrid g(nullptr);
    g.SetColWidths(2, 100);
    g.SetRowHeights(3, 7);
    EXPECT_EQ(g.ColWidths(2), 100);
    EXPECT_EQ(g.ColWidths(1), 64);
    EXPECT_EQ(g.RowHeights(3), 7);
    g.SetColCount(8);
    EXPECT_EQ(g.ColWidths(7), 64);  // new columns take the default
    g.SetDefaultColWidth(30);       // resets every column
    EXPECT_EQ(g.ColWidths(2), 30);
    EXPECT_EQ(g.ColWidths(7), 30);
    EXPECT_THROW(g.SetColWidths(8, 10), EInvalidGridOperation);
    EXPECT_THROW(g.ColWidths(-1), EInvalidGridOperation);
    EXPECT_THROW(g.SetRowHeights(0, -1), EInvalidGridOperation);
    EXPECT_THROW(g.SetDefaultRowHeight(-5), EInvalidGridOperation);
    EXPECT_THROW(g.SetGridLineWidth(-1), EInvalidGridOperation);
    EXPECT_EQ(g.RowHeights(0), 24);
    EXPECT_EQ(g.GridLineWidth(), 1);
}

// ----- geometry

TEST_F(GridFixture, CellRectAndMouseToCellFollowWidthsAndLineWidth) {
    struct Case {
        int32_t Line;
        int32_t Col, Row;
        TRect Expected;
    };
    // Column widths 64 except column 1 (40); row heights 24 except row 2 (30).
    const Case cases[] = {
        {1, 0, 0, TRect{0, 0, 64, 24}},        {1, 1, 1, TRect{65, 25, 105, 49}},
        {1, 2, 2, TRect{106, 50, 170, 80}},    {3, 2, 2, TRect{110, 54, 174, 84}},
        {0, 3, 3, TRect{168, 78, 232, 102}},
    };
    Grid->SetColWidths(1, 40);
    Grid->SetRowHeights(2, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        Grid->SetGridLineWidth(c.Line);
        const TRect r = Grid->CellRect(c.Col, c.Row);
        EXPECT_EQ(r, c.Expected);
        int32_t col = -9, row = -9;
        Grid->MouseToCell(r.Left, r.Top, col, row);
        EXPECT_EQ(col, c.Col);
        EXPECT_EQ(row, c.Row);
        // The line right of and below a cell belongs to it.
        Grid->MouseToCell(r.Right + c.Line - 1, r.Bottom + c.Line - 1, col, row);
        EXPECT_EQ(col, c.Col);
        EXPECT_EQ(row, c.Row);
    }
    // Beyond the last column / row.
    Grid->SetGridLineWidth(1);
    const TGridCoord out = Grid->MouseCoord(390, 290);
    EXPECT_EQ(out.X, -1);
    EXPECT_EQ(out.Y, -1);
    EXPECT_TRUE(Grid->CellRect(7, 1).IsEmpty());
}

TEST_F(GridFixture, ScrolledCellsAreNotShownAndVisibleCountsCountWholeCells) {
    Grid->SetColCount(20);
    Grid->SetRowCount(40);
    const int32_t cw = Grid->ClientWidth(), ch = Grid->ClientHeight();
    EXPECT_EQ(Grid->VisibleColCount(), (cw - 65) / 65 + ((cw - 65) % 65 >= 64 ? 1 : 0));
    EXPECT_EQ(Grid->VisibleRowCount(), (ch - 25) / 25 + ((ch - 25) % 25 >= 24 ? 1 : 0));
    Grid->SetLeftCol(5);
    EXPECT_EQ(Grid->LeftCol(), 5);
    EXPECT_TRUE(Grid->CellRect(2, 1).IsEmpty());
    EXPECT_EQ(Grid->CellRect(5, 0).Left, 65);  // right after the fixed column
    EXPECT_EQ(Grid->CellRect(0, 0).Left, 0);   // fixed columns stay
    EXPECT_EQ(Grid->MouseCoord(70, 30).X, 5);
    Grid->SetLeftCol(19);  // no blank space after the last column
    EXPECT_LT(Grid->LeftCol(), 19);
    const TRect last = Grid->CellRect(19, 1);
    EXPECT_FALSE(last.IsEmpty());
    EXPECT_LE(last.Right, cw);
}

// ----- selection

TEST_F(GridFixture, SelectCellVetoKeepsTheCurrentCell) {
    std::vector<std::pair<int, int>> asked;
    Grid->SetOnSelectCell([&](TObject*, int32_t c, int32_t r, bool& can) {
        asked.emplace_back(c, r);
        can = c != 3;
    });
    EXPECT_FALSE(Grid->MoveColRow(3, 2, true, true));
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_TRUE(Grid->MoveColRow(2, 2, true, true));
    EXPECT_EQ(Grid->Col(), 2);
    EXPECT_EQ(Grid->Row(), 2);
    EXPECT_EQ(Clicks, 0);  // moves from code do not click
    ClickCell(3, 3);       // refused: no move, no click
    EXPECT_EQ(Grid->Col(), 2);
    EXPECT_EQ(Grid->Row(), 2);
    EXPECT_EQ(Clicks, 0);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), std::make_pair(3, 3));
    Key(VK_RIGHT);  // onto column 3: refused
    EXPECT_EQ(Grid->Col(), 2);
    EXPECT_THROW(Grid->MoveColRow(0, 1, true, true), EInvalidGridOperation);  // fixed cell
}

TEST_F(GridFixture, AssigningColAndRowClicksButMoveColRowDoesNot) {
    Grid->SetCol(3);
    EXPECT_EQ(Clicks, 1);
    Grid->SetRow(4);
    EXPECT_EQ(Clicks, 2);
    Grid->MoveColRow(2, 2, true, false);
    EXPECT_EQ(Clicks, 2);
    EXPECT_THROW(Grid->SetCol(9), EInvalidGridOperation);
}

TEST_F(GridFixture, MouseClickSelectsOnceAndDragExtendsTheRange) {
    ClickCell(3, 2);
    EXPECT_EQ(Grid->Col(), 3);
    EXPECT_EQ(Grid->Row(), 2);
    EXPECT_EQ(Clicks, 1);
    EXPECT_TRUE(Grid->Focused());
    ClickCell(0, 3);  // a fixed cell selects nothing
    EXPECT_EQ(Grid->Col(), 3);
    EXPECT_EQ(Clicks, 1);

    const TRect a = Grid->CellRect(1, 1), b = Grid->CellRect(3, 3);
    Drag(TPoint{a.Left + 5, a.Top + 5}, TPoint{b.Left + 5, b.Top + 5});
    EXPECT_EQ(Grid->Selection(), (TGridRect{1, 1, 3, 3}));
    EXPECT_EQ(Grid->Col(), 3);
    EXPECT_EQ(Clicks, 2);

    Grid->SetOptions(Grid->Options() - TGridOptions{goRangeSelect});
    Drag(TPoint{a.Left + 5, a.Top + 5}, TPoint{b.Left + 5, b.Top + 5});
    EXPECT_EQ(Grid->Selection(), (TGridRect{3, 3, 3, 3}));  // only the current cell
}

TEST_F(GridFixture, KeyboardNavigation) {
    Grid->SetColCount(10);
    Grid->SetRowCount(30);
    struct Step {
        int Key, Modifier;
        int32_t Col, Row;
    };
    const Step steps[] = {
        {VK_RIGHT, 0, 2, 1},         {VK_DOWN, 0, 2, 2},           {VK_LEFT, 0, 1, 2},
        {VK_LEFT, 0, 1, 2},          {VK_UP, 0, 1, 1},             {VK_UP, 0, 1, 1},
        {VK_END, 0, 9, 1},           {VK_HOME, 0, 1, 1},           {VK_END, VK_CONTROL, 9, 29},
        {VK_HOME, VK_CONTROL, 1, 1},
    };
    for (const Step& s : steps) {
        Key(s.Key, s.Modifier);
        EXPECT_EQ(Grid->Col(), s.Col) << s.Key;
        EXPECT_EQ(Grid->Row(), s.Row) << s.Key;
    }
    const int32_t page = Grid->VisibleRowCount();
    ASSERT_GT(page, 0);
    Key(VK_NEXT);
    EXPECT_EQ(Grid->Row(), 1 + page);
    Key(VK_PRIOR);
    EXPECT_EQ(Grid->Row(), 1);
    Key(VK_END, VK_CONTROL);
    EXPECT_GT(Grid->TopRow(), 1);  // scrolled the current cell into view
    EXPECT_FALSE(Grid->CellRect(9, 29).IsEmpty());
    EXPECT_LE(Grid->CellRect(9, 29).Bottom, Grid->ClientHeight());
    EXPECT_EQ(Clicks, 11);  // every real move clicked, the blocked ones did not

    // Shift extends the range.
    Key(VK_HOME, VK_CONTROL);
    Key(VK_RIGHT, VK_SHIFT);
    Key(VK_DOWN, VK_SHIFT);
    EXPECT_EQ(Grid->Selection(), (TGridRect{1, 1, 2, 2}));
}

TEST_F(GridFixture, TabMovesBetweenCellsOnlyWithGoTabs) {
    auto* other = new TStringGrid(Form);
    other->SetParent(Form);
    other->SetBounds(420, 10, 60, 60);
    Pump();
    Grid->SetFocus();
    Pump();
    Key(VK_TAB);
    EXPECT_TRUE(other->Focused());  // without goTabs the focus moves on

    Grid->SetOptions(Grid->Options() + TGridOptions{goTabs});
    Grid->SetFocus();
    Pump();
    Grid->MoveColRow(4, 1, true, true);
    Key(VK_TAB);  // wraps to the next row
    EXPECT_TRUE(Grid->Focused());
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 2);
    Key(VK_TAB, VK_SHIFT);
    EXPECT_EQ(Grid->Col(), 4);
    EXPECT_EQ(Grid->Row(), 1);
}

// ----- sizing and moving by dragging

TEST_F(GridFixture, ColumnAndRowSizingFollowTheOptions) {
    const TRect c1 = Grid->CellRect(1, 0);
    Drag(TPoint{c1.Right, 10}, TPoint{c1.Right + 30, 10});
    EXPECT_EQ(Grid->ColWidths(1), 64);  // not allowed
    Grid->SetOptions(Grid->Options() + TGridOptions{goColSizing, goRowSizing});
    Drag(TPoint{c1.Right, 10}, TPoint{c1.Right + 30, 10});
    EXPECT_EQ(Grid->ColWidths(1), 94);
    Drag(TPoint{c1.Left + 94, 10}, TPoint{c1.Left - 50, 10});  // never below 0
    EXPECT_EQ(Grid->ColWidths(1), 0);
    const TRect r2 = Grid->CellRect(0, 2);
    Drag(TPoint{20, r2.Bottom}, TPoint{20, r2.Bottom + 11});
    EXPECT_EQ(Grid->RowHeights(2), 35);
    // Sizing lines are only grabbed in the fixed area.
    const TRect c3 = Grid->CellRect(3, 2);
    Drag(TPoint{c3.Right, c3.Top + 5}, TPoint{c3.Right + 20, c3.Top + 5});
    EXPECT_EQ(Grid->ColWidths(3), 64);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(GridFixture, DraggingAFixedHeaderMovesTheColumnWithItsCells) {
    Grid->SetColWidths(1, 50);
    for (int c = 0; c < 5; ++c) Grid->SetCells(c, 1, "c" + std::to_string(c));
    Grid->SetOptions(Grid->Options() + TGridOptions{goColMoving});
    const TRect from = Grid->CellRect(1, 0), to = Grid->CellRect(3, 0);
    Drag(TPoint{from.Left + 10, 10}, TPoint{to.Left + 10, 10});
    EXPECT_EQ(Grid->Cells(1, 1), "c2");
    EXPECT_EQ(Grid->Cells(2, 1), "c3");
    EXPECT_EQ(Grid->Cells(3, 1), "c1");
    EXPECT_EQ(Grid->ColWidths(3), 50);
    EXPECT_EQ(Grid->ColWidths(1), 64);
}

// ----- string cells

TEST(StringGridCells, CellsObjectsAndLineLists) {
    TStringGrid g(nullptr);
    TStringList marker;
    g.SetCells(2, 3, "x");
    g.SetObjects(2, 3, &marker);
    EXPECT_EQ(g.Cells(2, 3), "x");
    EXPECT_EQ(g.Objects(2, 3), &marker);
    EXPECT_EQ(g.Cells(0, 0), "");
    EXPECT_THROW(g.Cells(5, 0), EInvalidGridOperation);
    EXPECT_THROW(g.SetCells(0, -1, "y"), EInvalidGridOperation);

    // Cells survive a shrink and show again after growing.
    g.SetRowCount(2);
    EXPECT_THROW(g.Cells(2, 3), EInvalidGridOperation);
    g.SetRowCount(5);
    EXPECT_EQ(g.Cells(2, 3), "x");

    TStrings* col = g.Cols(2);
    EXPECT_EQ(col->Count(), 5);
    EXPECT_EQ(col->Strings(3), "x");
    EXPECT_EQ(col->Objects(3), &marker);
    col->SetStrings(0, "head");
    EXPECT_EQ(g.Cells(2, 0), "head");
    TStrings* row = g.Rows(1);
    EXPECT_EQ(row->Count(), 5);
    EXPECT_EQ(row->Add("a"), 0);  // fills the first empty cell
    EXPECT_EQ(row->Add("b"), 1);
    EXPECT_EQ(g.Cells(1, 1), "b");
    EXPECT_THROW(row->Insert(0, "z"), EInvalidGridOperation);
    EXPECT_THROW(row->Delete(0), EInvalidGridOperation);

    TStringList src;
    src.SetCommaText("1,2,3");
    g.SetRows(4, &src);
    EXPECT_EQ(g.Cells(0, 4), "1");
    EXPECT_EQ(g.Cells(2, 4), "3");
    EXPECT_EQ(g.Cells(3, 4), "");
    src.SetCommaText("1,2,3,4,5,6");  // more than the row holds: nothing changes
    EXPECT_THROW(g.SetRows(4, &src), EInvalidGridOperation);
    EXPECT_EQ(g.Cells(0, 4), "1");
    EXPECT_EQ(g.Cells(4, 4), "");
    for (int c = 2; c < 5; ++c) g.SetCells(c, 1, "full");
    EXPECT_THROW(row->Add("c"), EInvalidGridOperation);
    EXPECT_THROW(g.Cols(5), EInvalidGridOperation);
}

// ----- painting

TEST_F(GridFixture, FixedCellsAreRaisedOnButtonFace) {
    const TRect f = Grid->CellRect(1, 0);
    EXPECT_EQ(Pixel(f.Left + 10, f.Top + 10), Rgb(clBtnFace));
    EXPECT_EQ(Pixel(f.Left + 10, f.Top), Rgb(clBtnHighlight));          // top edge
    EXPECT_EQ(Pixel(f.Left, f.Top + 10), Rgb(clBtnHighlight));          // left edge
    EXPECT_EQ(Pixel(f.Left + 10, f.Bottom - 1), Rgb(clBtnShadow));      // bottom edge
    EXPECT_EQ(Pixel(f.Right - 1, f.Top + 10), Rgb(clBtnShadow));        // right edge
    EXPECT_EQ(Pixel(f.Right, f.Top + 10), Rgb(clBlack));                // fixed grid line
    const TRect n = Grid->CellRect(2, 2);
    EXPECT_EQ(Pixel(n.Left + 10, n.Top + 10), Rgb(clWindow));
    EXPECT_EQ(Pixel(n.Right, n.Top + 10), Rgb(clSilver));               // normal grid line
    EXPECT_EQ(Pixel(n.Left + 10, n.Bottom), Rgb(clSilver));
    Grid->SetOptions(Grid->Options() - TGridOptions{goVertLine});
    EXPECT_EQ(Pixel(n.Right, n.Top + 10), Rgb(clWindow));
}

TEST_F(GridFixture, SelectionIsPaintedInHighlight) {
    Grid->SetSelection(TGridRect{1, 1, 2, 2});  // current cell (2, 2)
    const TRect other = Grid->CellRect(1, 1), current = Grid->CellRect(2, 2);
    EXPECT_EQ(Pixel(other.Left + 10, other.Top + 10), Rgb(clHighlight));
    // The focused current cell stays in the window colour...
    EXPECT_EQ(Pixel(current.Left + 10, current.Top + 10), Rgb(clWindow));
    // ...unless the focused cell is drawn as selected.
    Grid->SetOptions(Grid->Options() + TGridOptions{goDrawFocusSelected});
    EXPECT_EQ(Pixel(current.Left + 10, current.Top + 10), Rgb(clHighlight));
    EXPECT_EQ(Pixel(Grid->CellRect(3, 3).Left + 10, Grid->CellRect(3, 3).Top + 10), Rgb(clWindow));
}

TEST_F(GridFixture, DrawCellGetsStatesAndStringCellsShowText) {
    std::vector<std::tuple<int, int, TGridDrawState>> drawn;
    Grid->SetOnDrawCell([&](TObject*, int32_t c, int32_t r, const TRect&, TGridDrawState s) {
        drawn.emplace_back(c, r, s);
    });
    Grid->SetCells(2, 2, "WWWW");
    Grid->MoveColRow(3, 3, true, true);
    Grid->Repaint();
    auto stateOf = [&](int c, int r) {
        for (auto& [dc, dr, s] : drawn)
            if (dc == c && dr == r) return s;
        ADD_FAILURE() << "cell not drawn " << c << "," << r;
        return TGridDrawState{};
    };
    EXPECT_EQ(stateOf(0, 2), TGridDrawState{gdFixed});
    EXPECT_EQ(stateOf(3, 3), (TGridDrawState{gdSelected, gdFocused}));
    EXPECT_EQ(stateOf(2, 2), TGridDrawState{});
    // Text in the window text colour, left-top inset.
    const TRect r = Grid->CellRect(2, 2);
    int dark = 0;
    for (int y = r.Top + 2; y < r.Top + 16; ++y)
        for (int x = r.Left + 2; x < r.Left + 40; ++x)
            if (Pixel(x, y) == Rgb(clWindowText)) ++dark;
    EXPECT_GT(dark, 10);
}

TEST(GridPublished, PropertiesStreamInADependableOrder) {
    const TMetaClass& meta = TStringGrid::StaticClass();
    for (const char* name : {"ColCount", "RowCount", "FixedCols", "FixedRows", "DefaultColWidth",
                             "DefaultRowHeight", "GridLineWidth", "Options", "ScrollBars", "DefaultDrawing"})
        EXPECT_NE(meta.FindProperty(name), nullptr) << name;
    TStringGrid g(nullptr);
    const TPropInfo* opts = meta.FindProperty("Options");
    ASSERT_NE(opts, nullptr);
    EXPECT_TRUE(opts->IsDefaultValue(g));
}
