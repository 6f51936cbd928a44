// Grids.h - grid controls: TCustomGrid, TDrawGrid and TStringGrid.
//
// A grid shows ColCount x RowCount cells.  The first FixedCols columns and
// FixedRows rows are fixed: they never scroll and are painted raised on
// FixedColor.  The other cells scroll (LeftCol and TopRow name the first
// scrollable column and row shown) and one of them is current (Col, Row).
// The selection is the rectangle between the anchor and the current cell.
//
// Geometry: column c is ColWidths(c) pixels wide and followed by a vertical
// grid line of GridLineWidth pixels (when a vertical line option is on);
// rows likewise.  CellRect gives a visible cell's rectangle without its
// lines, in client coordinates; the line right of and below a cell belongs
// to that cell for MouseCoord.
//
// Moves of the current cell ask the virtual SelectCell first; a refusal
// leaves the current cell where it is.  Moves the user makes (mouse,
// keyboard, Col/Row assignments) are followed by Click when the target cell
// was accepted; MoveColRow, a move made from code, never clicks.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Controls.h"

namespace vcl {

class TStrings;

// Misuse of a grid: indices out of range, fixed counts too big, negative
// sizes.
VCL_DECLARE_EXCEPTION(EInvalidGridOperation, Exception)

VCL_ENUM(TGridOption, goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
         goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor,
         goThumbTracking)
using TGridOptions = Set<TGridOption>;
VCL_ENUM(TGridDrawStateFlag, gdSelected, gdFocused, gdFixed)
using TGridDrawState = Set<TGridDrawStateFlag>;
VCL_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)

struct TGridCoord {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

// A block of cells, corners included (Left <= Right, Top <= Bottom).
struct TGridRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool Contains(int32_t ACol, int32_t ARow) const {
        return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom;
    }
    bool operator==(const TGridRect&) const = default;
};

using TDrawCellEvent =
    std::function<void(TObject* Sender, int32_t ACol, int32_t ARow, const TRect& Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int32_t ACol, int32_t ARow, bool& CanSelect)>;

class TCustomGrid : public TCustomControl {
    VCL_DECLARE_CLASS(TCustomGrid)
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // Counts.  A count below 1 becomes 1 (negative ones raise); lowering a
    // count to the fixed count or below lowers the fixed count to count - 1.
    // The fixed counts must stay below the counts (EInvalidGridOperation).
    int32_t ColCount() const { return FColCount; }
    void SetColCount(int32_t Value);
    int32_t RowCount() const { return FRowCount; }
    void SetRowCount(int32_t Value);
    int32_t FixedCols() const { return FFixedCols; }
    void SetFixedCols(int32_t Value);
    int32_t FixedRows() const { return FFixedRows; }
    void SetFixedRows(int32_t Value);

    // Sizes (pixels, >= 0; negative values raise).  Setting a default
    // size gives every column (row) that size.
    int32_t DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int32_t Value);
    int32_t DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int32_t Value);
    int32_t ColWidths(int32_t Index) const;
    void SetColWidths(int32_t Index, int32_t Value);
    int32_t RowHeights(int32_t Index) const;
    void SetRowHeights(int32_t Index, int32_t Value);
    int32_t GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int32_t Value);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);

    // The current cell.  Assigning moves it as the user would (SelectCell,
    // scrolling into view, Click) and collapses the selection onto it.
    int32_t Col() const { return FCurrent.X; }
    void SetCol(int32_t Value);
    int32_t Row() const { return FCurrent.Y; }
    void SetRow(int32_t Value);
    // The first scrollable column / row shown.
    int32_t LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int32_t Value);
    int32_t TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int32_t Value);
    // Scrollable columns / rows shown completely from LeftCol / TopRow.
    int32_t VisibleColCount() const;
    int32_t VisibleRowCount() const;
    TGridRect Selection() const;
    // Sets the anchor to the top-left and the current cell to the
    // bottom-right corner (no SelectCell); EInvalidGridOperation when the
    // rectangle leaves the scrollable cells.
    void SetSelection(const TGridRect& Value);

    // The rectangle of a visible cell (client coordinates, lines
    // excluded); an empty rectangle for a cell that is not shown.
    TRect CellRect(int32_t ACol, int32_t ARow) const;
    // The cell at a client point; -1 parts outside the cells.
    TGridCoord MouseCoord(int32_t X, int32_t Y) const;
    void MouseToCell(int32_t X, int32_t Y, int32_t& ACol, int32_t& ARow) const;

    // Moves the current cell from code: SelectCell decides; no Click.
    // MoveAnchor collapses the selection onto the new cell; Show scrolls
    // it into view.  Returns whether the cell moved (or was current
    // already and accepted).
    bool MoveColRow(int32_t ACol, int32_t ARow, bool MoveAnchor, bool Show);
    // Moves a column (row) with its size from FromIndex to ToIndex.
    void MoveColumn(int32_t FromIndex, int32_t ToIndex);
    void MoveRow(int32_t FromIndex, int32_t ToIndex);

    void WndProc(TMessage& Message) override;

protected:
    // Asked before the current cell moves; false refuses the cell.
    virtual bool SelectCell(int32_t ACol, int32_t ARow);
    // Paints one cell into ARect of Canvas().  With DefaultDrawing the
    // grid has filled the cell and set the font already.
    virtual void DrawCell(int32_t ACol, int32_t ARow, const TRect& ARect, TGridDrawState AState) = 0;
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void TopLeftChanged();
    // The counts changed (the old counts are passed).
    virtual void SizeChanged(int32_t OldColCount, int32_t OldRowCount);
    virtual void ColumnMoved(int32_t FromIndex, int32_t ToIndex);
    virtual void RowMoved(int32_t FromIndex, int32_t ToIndex);

    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowDone() override;
    void KeyDown(uint16_t& Key, TShiftState Shift) override;
    bool WantsKey(uint16_t Key, TShiftState Shift) const override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    // A user's move: MoveColRow with scrolling, then Click when accepted.
    void FocusCell(int32_t ACol, int32_t ARow, bool MoveAnchor);
    void InvalidateCell(int32_t ACol, int32_t ARow);
    void InvalidateGrid() { Invalidate(); }

private:
    enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

    int32_t VertLineWidth() const;  // width of the lines between columns
    int32_t HorzLineWidth() const;  // height of the lines between rows
    // Left edges of the visible columns (or top edges of the visible rows):
    // pairs of index and position, fixed ones first.
    std::vector<std::pair<int32_t, int32_t>> VisibleCols() const;
    std::vector<std::pair<int32_t, int32_t>> VisibleRows() const;
    int32_t ColPos(int32_t ACol) const;  // -1 when not shown
    int32_t RowPos(int32_t ARow) const;
    int32_t MaxLeftCol() const;
    int32_t MaxTopRow() const;
    void SetTopLeft(int32_t ALeft, int32_t ATop);
    void ScrollIntoView(int32_t ACol, int32_t ARow);
    void UpdateScrollBars();
    void CheckCoord(int32_t ACol, int32_t ARow) const;
    void ClampPositions();
    void ChangeSize(int32_t NewColCount, int32_t NewRowCount);
    void ResetCurrent();
    void ScrollMessage(int Bar, WORD Code);
    // The line being hovered for sizing: column (row) index or -1.
    int32_t SizingColAt(int32_t X, int32_t Y) const;
    int32_t SizingRowAt(int32_t X, int32_t Y) const;

    int32_t FColCount = 5;
    int32_t FRowCount = 5;
    int32_t FFixedCols = 1;
    int32_t FFixedRows = 1;
    int32_t FDefaultColWidth = 64;
    int32_t FDefaultRowHeight = 24;
    int32_t FGridLineWidth = 1;
    std::vector<int32_t> FColWidths;
    std::vector<int32_t> FRowHeights;
    TGridOptions FOptions;
    TScrollStyle FScrollBars = ssBoth;
    TBorderStyle FBorderStyle = bsSingle;
    TColor FFixedColor = clBtnFace;
    bool FDefaultDrawing = true;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    TGridState FGridState = gsNormal;
    int32_t FSizingIndex = -1;
    int32_t FSizingPos = 0;  // left (top) edge of the column (row) being sized
    int32_t FMoveFrom = -1;
    bool FUpdatingScrollBars = false;
    bool FClickPending = false;  // the press selected a cell: Click at release
};

// A grid whose cells the application paints (OnDrawCell).
class TDrawGrid : public TCustomGrid {
    VCL_DECLARE_CLASS(TDrawGrid)
public:
    explicit TDrawGrid(TComponent* AOwner);

    const TDrawCellEvent& OnDrawCell() const { return FOnDrawCell; }
    void SetOnDrawCell(TDrawCellEvent H) { FOnDrawCell = std::move(H); }
    const TSelectCellEvent& OnSelectCell() const { return FOnSelectCell; }
    void SetOnSelectCell(TSelectCellEvent H) { FOnSelectCell = std::move(H); }
    const TNotifyEvent& OnTopLeftChanged() const { return FOnTopLeftChanged; }
    void SetOnTopLeftChanged(TNotifyEvent H) { FOnTopLeftChanged = std::move(H); }

protected:
    bool SelectCell(int32_t ACol, int32_t ARow) override;
    void DrawCell(int32_t ACol, int32_t ARow, const TRect& ARect, TGridDrawState AState) override;
    void TopLeftChanged() override;

private:
    TDrawCellEvent FOnDrawCell;
    TSelectCellEvent FOnSelectCell;
    TNotifyEvent FOnTopLeftChanged;
};

// A grid of strings, each cell with an associated object.  Cells keep
// their contents while the counts shrink and show them again when they
// grow.  Cols(i) / Rows(i) are the cells of a column / row as a list owned
// by the grid; their strings cannot be inserted or deleted.
class TStringGrid : public TDrawGrid {
    VCL_DECLARE_CLASS(TStringGrid)
public:
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;

    // EInvalidGridOperation outside ColCount x RowCount.
    std::string Cells(int32_t ACol, int32_t ARow) const;
    void SetCells(int32_t ACol, int32_t ARow, const std::string& Value);
    TObject* Objects(int32_t ACol, int32_t ARow) const;
    void SetObjects(int32_t ACol, int32_t ARow, TObject* Value);
    TStrings* Cols(int32_t Index);
    void SetCols(int32_t Index, const TStrings* Value);
    TStrings* Rows(int32_t Index);
    void SetRows(int32_t Index, const TStrings* Value);

protected:
    void DrawCell(int32_t ACol, int32_t ARow, const TRect& ARect, TGridDrawState AState) override;
    void ColumnMoved(int32_t FromIndex, int32_t ToIndex) override;
    void RowMoved(int32_t FromIndex, int32_t ToIndex) override;

private:
    struct TCell {
        std::string Text;
        TObject* Object = nullptr;
    };
    using TKey = std::pair<int32_t, int32_t>;  // column, row
    void CheckCell(int32_t ACol, int32_t ARow) const;
    void Store(int32_t ACol, int32_t ARow, const std::string* Text, TObject* const* Object);
    void MoveLine(bool Column, int32_t FromIndex, int32_t ToIndex);

    std::map<TKey, TCell> FCells;
    std::map<int32_t, std::unique_ptr<TStrings>> FColLists, FRowLists;
};

}  // namespace vcl
