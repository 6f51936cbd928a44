#include "Grids.h"

#include <algorithm>

#include "Forms.h"
#include "Gdi.h"
#include "Lists.h"

namespace vcl {

namespace {

const TGridOptions kDefaultGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};

[[noreturn]] void IndexError() { throw EInvalidGridOperation("Grid index out of range"); }

void CheckSize(int32_t Value) {
    if (Value < 0) throw EInvalidGridOperation("Grid sizes cannot be negative");
}

// The strings of one column or row of a string grid.
class TStringGridStrings : public TStrings {
public:
    TStringGridStrings(TStringGrid* Grid, bool Column, int32_t Index) : FGrid(Grid), FColumn(Column), FIndex(Index) {}

    Integer Add(const std::string& S) override { return AddObject(S, nullptr); }
    Integer AddObject(const std::string& S, TObject* AObject) override {
        // Fills the first empty cell: the line has a fixed length.
        for (Integer i = 0; i < GetCount(); ++i)
            if (Get(i).empty() && !GetObject(i)) {
                Put(i, S);
                PutObject(i, AObject);
                return i;
            }
        throw EInvalidGridOperation("Grid line is full: cannot add a string");
    }
    void Clear() override {
        for (Integer i = 0; i < GetCount(); ++i) {
            Put(i, "");
            PutObject(i, nullptr);
        }
    }
    void Delete(Integer) override { NoResize(); }
    void Insert(Integer, const std::string&) override { NoResize(); }
    void InsertObject(Integer, const std::string&, TObject*) override { NoResize(); }
    void Assign(const TStrings& Source) override {
        if (&Source == this) return;
        const Integer n = Source.Count();
        if (n > GetCount()) throw EInvalidGridOperation("Too many strings for the grid line");
        std::vector<std::pair<std::string, TObject*>> items;
        for (Integer i = 0; i < n; ++i) items.emplace_back(Source.Strings(i), Source.Objects(i));
        for (Integer i = 0; i < GetCount(); ++i) {
            Put(i, i < n ? items[i].first : std::string());
            PutObject(i, i < n ? items[i].second : nullptr);
        }
    }

protected:
    std::string Get(Integer Index) const override {
        return FColumn ? FGrid->Cells(FIndex, Index) : FGrid->Cells(Index, FIndex);
    }
    Integer GetCount() const override { return FColumn ? FGrid->RowCount() : FGrid->ColCount(); }
    TObject* GetObject(Integer Index) const override {
        return FColumn ? FGrid->Objects(FIndex, Index) : FGrid->Objects(Index, FIndex);
    }
    void Put(Integer Index, const std::string& S) override {
        if (FColumn)
            FGrid->SetCells(FIndex, Index, S);
        else
            FGrid->SetCells(Index, FIndex, S);
    }
    void PutObject(Integer Index, TObject* AObject) override {
        if (FColumn)
            FGrid->SetObjects(FIndex, Index, AObject);
        else
            FGrid->SetObjects(Index, FIndex, AObject);
    }

private:
    [[noreturn]] static void NoResize() { throw EInvalidGridOperation("Cannot insert or delete rows from grid"); }

    TStringGrid* FGrid;
    bool FColumn;
    int32_t FIndex;
};

}  // namespace

VCL_PUBLISHED(TCustomGrid, TCustomControl) {}

VCL_PUBLISHED(TDrawGrid, TCustomGrid) {
    B.Property("Align", &TDrawGrid::Align, &TDrawGrid::SetAlign).Default(alNone);
    B.Property("BorderStyle", &TDrawGrid::BorderStyle, &TDrawGrid::SetBorderStyle).Default(bsSingle);
    B.Property("Color", &TDrawGrid::Color, &TDrawGrid::SetColor).Default(clWindow).Idents(ColorIdents());
    B.Property("ColCount", &TDrawGrid::ColCount, &TDrawGrid::SetColCount).Default(5);
    B.Property("Ctl3D", &TDrawGrid::Ctl3D, &TDrawGrid::SetCtl3D);
    B.Property("DefaultColWidth", &TDrawGrid::DefaultColWidth, &TDrawGrid::SetDefaultColWidth).Default(64);
    B.Property("DefaultDrawing", &TDrawGrid::DefaultDrawing, &TDrawGrid::SetDefaultDrawing).Default(1);
    B.Property("DefaultRowHeight", &TDrawGrid::DefaultRowHeight, &TDrawGrid::SetDefaultRowHeight).Default(24);
    B.Property("Enabled", &TDrawGrid::Enabled, &TDrawGrid::SetEnabled).Default(1);
    B.Property("FixedColor", &TDrawGrid::FixedColor, &TDrawGrid::SetFixedColor)
        .Default(clBtnFace)
        .Idents(ColorIdents());
    B.Property("FixedCols", &TDrawGrid::FixedCols, &TDrawGrid::SetFixedCols).Default(1);
    B.Property("RowCount", &TDrawGrid::RowCount, &TDrawGrid::SetRowCount).Default(5);
    B.Property("FixedRows", &TDrawGrid::FixedRows, &TDrawGrid::SetFixedRows).Default(1);
    B.Property("Font", &TDrawGrid::Font, &TDrawGrid::SetFont);
    B.Property("GridLineWidth", &TDrawGrid::GridLineWidth, &TDrawGrid::SetGridLineWidth).Default(1);
    B.Property("Options", &TDrawGrid::Options, &TDrawGrid::SetOptions)
        .Default(static_cast<int64_t>(kDefaultGridOptions.Bits()));
    B.Property("ParentColor", &TDrawGrid::ParentColor, &TDrawGrid::SetParentColor).Default(0);
    B.Property("ParentFont", &TDrawGrid::ParentFont, &TDrawGrid::SetParentFont).Default(1);
    B.Property("ScrollBars", &TDrawGrid::ScrollBars, &TDrawGrid::SetScrollBars).Default(ssBoth);
    B.Property("ShowHint", &TDrawGrid::ShowHint, &TDrawGrid::SetShowHint);
    B.Property("TabOrder", &TDrawGrid::TabOrder, &TDrawGrid::SetTabOrder).Default(-1);
    B.Property("TabStop", &TDrawGrid::TabStop, &TDrawGrid::SetTabStop).Default(1);
    B.Property("Visible", &TDrawGrid::Visible, &TDrawGrid::SetVisible).Default(1);
}

VCL_PUBLISHED(TStringGrid, TDrawGrid) {}

// ---------------------------------------------------------------------------
// TCustomGrid

TCustomGrid::TCustomGrid(TComponent* AOwner)
    : TCustomControl(AOwner), FColWidths(5, 64), FRowHeights(5, 24), FOptions(kDefaultGridOptions) {
    SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

int32_t TCustomGrid::VertLineWidth() const {
    return (FOptions.Contains(goVertLine) || FOptions.Contains(goFixedVertLine)) ? FGridLineWidth : 0;
}

int32_t TCustomGrid::HorzLineWidth() const {
    return (FOptions.Contains(goHorzLine) || FOptions.Contains(goFixedHorzLine)) ? FGridLineWidth : 0;
}

std::vector<std::pair<int32_t, int32_t>> TCustomGrid::VisibleCols() const {
    std::vector<std::pair<int32_t, int32_t>> v;
    const int32_t limit = ClientWidth();
    const int32_t lw = VertLineWidth();
    int32_t x = 0;
    for (int32_t c = 0; c < FFixedCols && x < limit; ++c) {
        v.emplace_back(c, x);
        x += FColWidths[c] + lw;
    }
    for (int32_t c = FTopLeft.X; c < FColCount && x < limit; ++c) {
        v.emplace_back(c, x);
        x += FColWidths[c] + lw;
    }
    return v;
}

std::vector<std::pair<int32_t, int32_t>> TCustomGrid::VisibleRows() const {
    std::vector<std::pair<int32_t, int32_t>> v;
    const int32_t limit = ClientHeight();
    const int32_t lh = HorzLineWidth();
    int32_t y = 0;
    for (int32_t r = 0; r < FFixedRows && y < limit; ++r) {
        v.emplace_back(r, y);
        y += FRowHeights[r] + lh;
    }
    for (int32_t r = FTopLeft.Y; r < FRowCount && y < limit; ++r) {
        v.emplace_back(r, y);
        y += FRowHeights[r] + lh;
    }
    return v;
}

int32_t TCustomGrid::ColPos(int32_t ACol) const {
    for (const auto& [c, x] : VisibleCols())
        if (c == ACol) return x;
    return -1;
}

int32_t TCustomGrid::RowPos(int32_t ARow) const {
    for (const auto& [r, y] : VisibleRows())
        if (r == ARow) return y;
    return -1;
}

namespace {
// The first index from which Sizes[Index..] fit into Avail after the fixed
// part, each but the last followed by a line of Line pixels.
int32_t MaxFirst(const std::vector<int32_t>& Sizes, int32_t Fixed, int32_t Avail, int32_t Line) {
    int32_t fixedExtent = 0;
    for (int32_t i = 0; i < Fixed; ++i) fixedExtent += Sizes[i] + Line;
    const int32_t avail = Avail - fixedExtent;
    int32_t first = static_cast<int32_t>(Sizes.size()) - 1;
    if (first < Fixed) return Fixed;
    int32_t used = Sizes[first];
    while (first > Fixed && used + Line + Sizes[first - 1] <= avail) {
        used += Line + Sizes[first - 1];
        --first;
    }
    return first;
}
}  // namespace

int32_t TCustomGrid::MaxLeftCol() const { return MaxFirst(FColWidths, FFixedCols, ClientWidth(), VertLineWidth()); }

int32_t TCustomGrid::MaxTopRow() const { return MaxFirst(FRowHeights, FFixedRows, ClientHeight(), HorzLineWidth()); }

int32_t TCustomGrid::VisibleColCount() const {
    int32_t n = 0;
    const int32_t limit = ClientWidth();
    for (const auto& [c, x] : VisibleCols())
        if (c >= FFixedCols && x + FColWidths[c] <= limit) ++n;
    return n;
}

int32_t TCustomGrid::VisibleRowCount() const {
    int32_t n = 0;
    const int32_t limit = ClientHeight();
    for (const auto& [r, y] : VisibleRows())
        if (r >= FFixedRows && y + FRowHeights[r] <= limit) ++n;
    return n;
}

TRect TCustomGrid::CellRect(int32_t ACol, int32_t ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount) return TRect{};
    const int32_t x = ColPos(ACol);
    const int32_t y = RowPos(ARow);
    if (x < 0 || y < 0) return TRect{};
    return TRect{x, y, x + FColWidths[ACol], y + FRowHeights[ARow]};
}

TGridCoord TCustomGrid::MouseCoord(int32_t X, int32_t Y) const {
    TGridCoord g{-1, -1};
    const int32_t lw = VertLineWidth();
    const int32_t lh = HorzLineWidth();
    for (const auto& [c, x] : VisibleCols())
        if (X >= x && X < x + FColWidths[c] + lw) {
            g.X = c;
            break;
        }
    for (const auto& [r, y] : VisibleRows())
        if (Y >= y && Y < y + FRowHeights[r] + lh) {
            g.Y = r;
            break;
        }
    if (X >= ClientWidth() || X < 0) g.X = -1;
    if (Y >= ClientHeight() || Y < 0) g.Y = -1;
    return g;
}

void TCustomGrid::MouseToCell(int32_t X, int32_t Y, int32_t& ACol, int32_t& ARow) const {
    TGridCoord g = MouseCoord(X, Y);
    ACol = g.X;
    ARow = g.Y;
}

// ----- counts and sizes

void TCustomGrid::ChangeSize(int32_t NewColCount, int32_t NewRowCount) {
    const int32_t oldCols = FColCount, oldRows = FRowCount;
    FColWidths.resize(static_cast<size_t>(NewColCount), FDefaultColWidth);
    FRowHeights.resize(static_cast<size_t>(NewRowCount), FDefaultRowHeight);
    FColCount = NewColCount;
    FRowCount = NewRowCount;
    ClampPositions();
    SizeChanged(oldCols, oldRows);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::ClampPositions() {
    auto clampCoord = [this](TGridCoord& g) {
        g.X = std::clamp(g.X, FFixedCols, FColCount - 1);
        g.Y = std::clamp(g.Y, FFixedRows, FRowCount - 1);
    };
    clampCoord(FCurrent);
    clampCoord(FAnchor);
    const TGridCoord old = FTopLeft;
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopRow()));
    if (!(old == FTopLeft)) TopLeftChanged();
}

void TCustomGrid::ResetCurrent() {
    FTopLeft = TGridCoord{FFixedCols, FFixedRows};
    FCurrent = FTopLeft;
    FAnchor = FCurrent;
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetColCount(int32_t Value) {
    if (Value < 0) throw EInvalidGridOperation("Column count cannot be negative");
    if (Value < 1) Value = 1;
    if (Value == FColCount) return;
    if (Value <= FFixedCols) FFixedCols = Value - 1;
    ChangeSize(Value, FRowCount);
}

void TCustomGrid::SetRowCount(int32_t Value) {
    if (Value < 0) throw EInvalidGridOperation("Row count cannot be negative");
    if (Value < 1) Value = 1;
    if (Value == FRowCount) return;
    if (Value <= FFixedRows) FFixedRows = Value - 1;
    ChangeSize(FColCount, Value);
}

void TCustomGrid::SetFixedCols(int32_t Value) {
    if (Value < 0) IndexError();
    if (Value >= FColCount) throw EInvalidGridOperation("Fixed column count must be less than column count");
    if (Value == FFixedCols) return;
    FFixedCols = Value;
    ResetCurrent();
}

void TCustomGrid::SetFixedRows(int32_t Value) {
    if (Value < 0) IndexError();
    if (Value >= FRowCount) throw EInvalidGridOperation("Fixed row count must be less than row count");
    if (Value == FFixedRows) return;
    FFixedRows = Value;
    ResetCurrent();
}

void TCustomGrid::SetDefaultColWidth(int32_t Value) {
    CheckSize(Value);
    FDefaultColWidth = Value;
    std::fill(FColWidths.begin(), FColWidths.end(), Value);
    ColWidthsChanged();
    ClampPositions();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int32_t Value) {
    CheckSize(Value);
    FDefaultRowHeight = Value;
    std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
    RowHeightsChanged();
    ClampPositions();
    UpdateScrollBars();
    Invalidate();
}

int32_t TCustomGrid::ColWidths(int32_t Index) const {
    if (Index < 0 || Index >= FColCount) IndexError();
    return FColWidths[Index];
}

void TCustomGrid::SetColWidths(int32_t Index, int32_t Value) {
    if (Index < 0 || Index >= FColCount) IndexError();
    CheckSize(Value);
    if (FColWidths[Index] == Value) return;
    FColWidths[Index] = Value;
    ColWidthsChanged();
    ClampPositions();
    UpdateScrollBars();
    Invalidate();
}

int32_t TCustomGrid::RowHeights(int32_t Index) const {
    if (Index < 0 || Index >= FRowCount) IndexError();
    return FRowHeights[Index];
}

void TCustomGrid::SetRowHeights(int32_t Index, int32_t Value) {
    if (Index < 0 || Index >= FRowCount) IndexError();
    CheckSize(Value);
    if (FRowHeights[Index] == Value) return;
    FRowHeights[Index] = Value;
    RowHeightsChanged();
    ClampPositions();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(int32_t Value) {
    CheckSize(Value);
    if (Value == FGridLineWidth) return;
    FGridLineWidth = Value;
    ClampPositions();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
    if (Value == FOptions) return;
    FOptions = Value;
    if (!FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
    ClampPositions();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars) return;
    FScrollBars = Value;
    UpdateScrollBars();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value) {
    if (Value != bsNone && Value != bsSingle) throw EInvalidGridOperation("A grid's border style is bsNone or bsSingle");
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomGrid::SetFixedColor(TColor Value) {
    if (Value == FFixedColor) return;
    FFixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool Value) {
    if (Value == FDefaultDrawing) return;
    FDefaultDrawing = Value;
    Invalidate();
}

void TCustomGrid::ColWidthsChanged() {}
void TCustomGrid::RowHeightsChanged() {}
void TCustomGrid::TopLeftChanged() {}
void TCustomGrid::SizeChanged(int32_t, int32_t) {}
void TCustomGrid::ColumnMoved(int32_t, int32_t) {}
void TCustomGrid::RowMoved(int32_t, int32_t) {}

// ----- current cell, selection, scrolling

bool TCustomGrid::SelectCell(int32_t, int32_t) { return true; }

void TCustomGrid::CheckCoord(int32_t ACol, int32_t ARow) const {
    if (ACol < FFixedCols || ARow < FFixedRows || ACol >= FColCount || ARow >= FRowCount) IndexError();
}

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y), std::max(FAnchor.X, FCurrent.X),
                std::max(FAnchor.Y, FCurrent.Y)};
    if (FOptions.Contains(goRowSelect)) {
        r.Left = FFixedCols;
        r.Right = FColCount - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
    if (Value.Left > Value.Right || Value.Top > Value.Bottom) IndexError();
    CheckCoord(Value.Left, Value.Top);
    CheckCoord(Value.Right, Value.Bottom);
    FAnchor = TGridCoord{Value.Left, Value.Top};
    FCurrent = TGridCoord{Value.Right, Value.Bottom};
    Invalidate();
}

bool TCustomGrid::MoveColRow(int32_t ACol, int32_t ARow, bool MoveAnchor, bool Show) {
    CheckCoord(ACol, ARow);
    if (!SelectCell(ACol, ARow)) return false;
    FCurrent = TGridCoord{ACol, ARow};
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
    if (Show) ScrollIntoView(ACol, ARow);
    Invalidate();
    return true;
}

void TCustomGrid::FocusCell(int32_t ACol, int32_t ARow, bool MoveAnchor) {
    if (MoveColRow(ACol, ARow, MoveAnchor, true)) Click();
}

void TCustomGrid::SetCol(int32_t Value) { FocusCell(Value, FCurrent.Y, true); }

void TCustomGrid::SetRow(int32_t Value) { FocusCell(FCurrent.X, Value, true); }

void TCustomGrid::SetLeftCol(int32_t Value) {
    if (Value < FFixedCols || Value >= FColCount) IndexError();
    SetTopLeft(Value, FTopLeft.Y);
}

void TCustomGrid::SetTopRow(int32_t Value) {
    if (Value < FFixedRows || Value >= FRowCount) IndexError();
    SetTopLeft(FTopLeft.X, Value);
}

void TCustomGrid::SetTopLeft(int32_t ALeft, int32_t ATop) {
    TGridCoord g{std::clamp(ALeft, FFixedCols, std::max(FFixedCols, MaxLeftCol())),
                 std::clamp(ATop, FFixedRows, std::max(FFixedRows, MaxTopRow()))};
    if (g == FTopLeft) return;
    FTopLeft = g;
    UpdateScrollBars();
    Invalidate();
    TopLeftChanged();
}

void TCustomGrid::ScrollIntoView(int32_t ACol, int32_t ARow) {
    auto first = [](const std::vector<int32_t>& sizes, int32_t fixed, int32_t avail, int32_t line, int32_t cur,
                    int32_t index) {
        if (index < fixed) return cur;
        if (index < cur) return index;
        int32_t fixedExtent = 0;
        for (int32_t i = 0; i < fixed; ++i) fixedExtent += sizes[i] + line;
        // Advance the first shown index until the target fits completely.
        while (cur < index) {
            int32_t end = fixedExtent;
            for (int32_t i = cur; i < index; ++i) end += sizes[i] + line;
            if (end + sizes[index] <= avail) break;
            ++cur;
        }
        return cur;
    };
    SetTopLeft(first(FColWidths, FFixedCols, ClientWidth(), VertLineWidth(), FTopLeft.X, ACol),
               first(FRowHeights, FFixedRows, ClientHeight(), HorzLineWidth(), FTopLeft.Y, ARow));
}

void TCustomGrid::InvalidateCell(int32_t ACol, int32_t ARow) {
    if (!HandleAllocated()) return;
    TRect r = CellRect(ACol, ARow);
    if (r.IsEmpty()) return;
    r.Right += VertLineWidth();
    r.Bottom += HorzLineWidth();
    InvalidateRect(WindowHandleOrNull(), &r, FALSE);
}

void TCustomGrid::MoveColumn(int32_t FromIndex, int32_t ToIndex) {
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount || ToIndex >= FColCount) IndexError();
    if (FromIndex == ToIndex) return;
    const int32_t w = FColWidths[FromIndex];
    FColWidths.erase(FColWidths.begin() + FromIndex);
    FColWidths.insert(FColWidths.begin() + ToIndex, w);
    ColumnMoved(FromIndex, ToIndex);
    Invalidate();
}

void TCustomGrid::MoveRow(int32_t FromIndex, int32_t ToIndex) {
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FRowCount || ToIndex >= FRowCount) IndexError();
    if (FromIndex == ToIndex) return;
    const int32_t h = FRowHeights[FromIndex];
    FRowHeights.erase(FRowHeights.begin() + FromIndex);
    FRowHeights.insert(FRowHeights.begin() + ToIndex, h);
    RowMoved(FromIndex, ToIndex);
    Invalidate();
}

void TCustomGrid::UpdateScrollBars() {
    if (!HandleAllocated() || FUpdatingScrollBars) return;
    FUpdatingScrollBars = true;
    try {
        // Showing a bar shrinks the client area, which may call for the
        // other one; a few rounds settle it.
        for (int round = 0; round < 3; ++round) {
            const HWND wnd = WindowHandleOrNull();
            const DWORD style = static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE));
            const bool allowH = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
            const bool allowV = FScrollBars == ssVertical || FScrollBars == ssBoth;
            const bool needH = allowH && MaxLeftCol() > FFixedCols;
            const bool needV = allowV && MaxTopRow() > FFixedRows;
            bool changed = false;
            if (needH != ((style & WS_HSCROLL) != 0)) {
                ShowScrollBar(wnd, SB_HORZ, needH);
                changed = true;
            }
            if (needV != ((style & WS_VSCROLL) != 0)) {
                ShowScrollBar(wnd, SB_VERT, needV);
                changed = true;
            }
            if (!changed) break;
        }
        FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
        FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopRow()));
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
        si.nMin = 0;
        si.nPage = 0;
        si.nMax = std::max(0, MaxLeftCol() - FFixedCols);
        si.nPos = FTopLeft.X - FFixedCols;
        SetScrollInfo(WindowHandleOrNull(), SB_HORZ, &si, TRUE);
        si.nMax = std::max(0, MaxTopRow() - FFixedRows);
        si.nPos = FTopLeft.Y - FFixedRows;
        SetScrollInfo(WindowHandleOrNull(), SB_VERT, &si, TRUE);
    } catch (...) {
        FUpdatingScrollBars = false;
        throw;
    }
    FUpdatingScrollBars = false;
}

void TCustomGrid::ScrollMessage(int Bar, WORD Code) {
    const bool horz = Bar == SB_HORZ;
    const int32_t cur = horz ? FTopLeft.X : FTopLeft.Y;
    const int32_t fixed = horz ? FFixedCols : FFixedRows;
    const int32_t maxFirst = horz ? MaxLeftCol() : MaxTopRow();
    const int32_t page = std::max(1, horz ? VisibleColCount() : VisibleRowCount());
    int32_t next = cur;
    switch (Code) {
        case SB_LINEUP: next = cur - 1; break;
        case SB_LINEDOWN: next = cur + 1; break;
        case SB_PAGEUP: next = cur - page; break;
        case SB_PAGEDOWN: next = cur + page; break;
        case SB_TOP: next = fixed; break;
        case SB_BOTTOM: next = maxFirst; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            if (Code == SB_THUMBTRACK && !FOptions.Contains(goThumbTracking)) return;
            SCROLLINFO si;
            si.fMask = SIF_TRACKPOS | SIF_POS;
            GetScrollInfo(WindowHandleOrNull(), Bar, &si);
            next = fixed + (Code == SB_THUMBTRACK ? si.nTrackPos : si.nPos);
            break;
        }
        default: return;
    }
    if (horz)
        SetTopLeft(next, FTopLeft.Y);
    else
        SetTopLeft(FTopLeft.X, next);
}

// ----- window

void TCustomGrid::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TCustomGrid::CreateWindowDone() {
    TCustomControl::CreateWindowDone();
    UpdateScrollBars();
}

void TCustomGrid::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_HSCROLL:
            ScrollMessage(SB_HORZ, LOWORD(uintptr_t(Message.WParam)));
            return;
        case WM_VSCROLL:
            ScrollMessage(SB_VERT, LOWORD(uintptr_t(Message.WParam)));
            return;
        case WM_SIZE:
            TCustomControl::WndProc(Message);
            UpdateScrollBars();
            ClampPositions();
            Invalidate();
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Invalidate();
            break;
        case WM_SETCURSOR:
            if (LOWORD(uintptr_t(Message.LParam)) == HTCLIENT && FGridState == gsNormal) {
                TPoint p;
                GetCursorPos(&p);
                p = ScreenToClient(p);
                TCursor cur = crDefault;
                if (SizingColAt(p.X, p.Y) >= 0)
                    cur = crHSplit;
                else if (SizingRowAt(p.X, p.Y) >= 0)
                    cur = crVSplit;
                if (cur != crDefault) {
                    vcl::SetCursor(Screen()->Cursors(cur));
                    Message.Result = 1;
                    return;
                }
            }
            break;
        default: break;
    }
    TCustomControl::WndProc(Message);
}

// ----- keyboard

bool TCustomGrid::WantsKey(uint16_t Key, TShiftState Shift) const {
    switch (Key) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: return true;
        case VK_TAB: return FOptions.Contains(goTabs) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
        default: return TCustomControl::WantsKey(Key, Shift);
    }
}

void TCustomGrid::KeyDown(uint16_t& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == 0) return;
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool rowSelect = FOptions.Contains(goRowSelect);
    const int32_t vpage = std::max(1, VisibleRowCount());
    TGridCoord target = FCurrent;
    switch (Key) {
        case VK_UP: --target.Y; break;
        case VK_DOWN: ++target.Y; break;
        case VK_LEFT:
            if (rowSelect)
                SetTopLeft(FTopLeft.X - 1, FTopLeft.Y);
            else
                --target.X;
            break;
        case VK_RIGHT:
            if (rowSelect)
                SetTopLeft(FTopLeft.X + 1, FTopLeft.Y);
            else
                ++target.X;
            break;
        case VK_PRIOR:
            target.Y -= vpage;
            SetTopLeft(FTopLeft.X, FTopLeft.Y - vpage);
            break;
        case VK_NEXT:
            target.Y += vpage;
            SetTopLeft(FTopLeft.X, FTopLeft.Y + vpage);
            break;
        case VK_HOME:
            if (ctrl) target.Y = FFixedRows;
            if (!rowSelect || ctrl) target.X = FFixedCols;
            break;
        case VK_END:
            if (ctrl) target.Y = FRowCount - 1;
            if (!rowSelect || ctrl) target.X = FColCount - 1;
            break;
        case VK_TAB: {
            if (!WantsKey(Key, Shift)) return;
            if (!Shift.Contains(ssShift)) {
                if (target.X < FColCount - 1 && !rowSelect)
                    ++target.X;
                else if (target.Y < FRowCount - 1) {
                    ++target.Y;
                    target.X = FFixedCols;
                } else
                    return;  // the last cell: the focus moves on
            } else {
                if (target.X > FFixedCols && !rowSelect)
                    --target.X;
                else if (target.Y > FFixedRows) {
                    --target.Y;
                    target.X = rowSelect ? target.X : FColCount - 1;
                } else
                    return;
            }
            Key = 0;
            FocusCell(target.X, target.Y, true);
            return;
        }
        default: return;
    }
    Key = 0;
    target.X = std::clamp(target.X, FFixedCols, FColCount - 1);
    target.Y = std::clamp(target.Y, FFixedRows, FRowCount - 1);
    const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
    if (!(target == FCurrent))
        FocusCell(target.X, target.Y, !extend);
}

// ----- mouse

int32_t TCustomGrid::SizingColAt(int32_t X, int32_t Y) const {
    if (!FOptions.Contains(goColSizing)) return -1;
    int32_t fixedBottom = 0;
    for (const auto& [r, y] : VisibleRows())
        if (r < FFixedRows) fixedBottom = y + FRowHeights[r] + HorzLineWidth();
    if (Y < 0 || Y >= fixedBottom) return -1;
    const int32_t lw = VertLineWidth();
    for (const auto& [c, x] : VisibleCols()) {
        const int32_t edge = x + FColWidths[c];
        if (X >= edge - 2 && X < edge + lw + 2) return c;
    }
    return -1;
}

int32_t TCustomGrid::SizingRowAt(int32_t X, int32_t Y) const {
    if (!FOptions.Contains(goRowSizing)) return -1;
    int32_t fixedRight = 0;
    for (const auto& [c, x] : VisibleCols())
        if (c < FFixedCols) fixedRight = x + FColWidths[c] + VertLineWidth();
    if (X < 0 || X >= fixedRight) return -1;
    const int32_t lh = HorzLineWidth();
    for (const auto& [r, y] : VisibleRows()) {
        const int32_t edge = y + FRowHeights[r];
        if (Y >= edge - 2 && Y < edge + lh + 2) return r;
    }
    return -1;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    if (Button == mbLeft) {
        if (CanFocus() && !Focused()) SetFocus();
        FClickPending = false;
        int32_t sizing = SizingColAt(X, Y);
        if (sizing >= 0) {
            FGridState = gsColSizing;
            FSizingIndex = sizing;
            FSizingPos = ColPos(sizing);
        } else if ((sizing = SizingRowAt(X, Y)) >= 0) {
            FGridState = gsRowSizing;
            FSizingIndex = sizing;
            FSizingPos = RowPos(sizing);
        } else {
            const TGridCoord cell = MouseCoord(X, Y);
            if (cell.X >= 0 && cell.Y >= 0) {
                if (cell.Y < FFixedRows && cell.X >= FFixedCols && FOptions.Contains(goColMoving)) {
                    FGridState = gsColMoving;
                    FMoveFrom = cell.X;
                } else if (cell.X < FFixedCols && cell.Y >= FFixedRows && FOptions.Contains(goRowMoving)) {
                    FGridState = gsRowMoving;
                    FMoveFrom = cell.Y;
                } else if (cell.X >= FFixedCols && cell.Y >= FFixedRows) {
                    const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
                    FClickPending = MoveColRow(cell.X, cell.Y, !extend, true);
                    FGridState = gsSelecting;
                }
            }
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
    switch (FGridState) {
        case gsSelecting: {
            const TGridCoord cell = MouseCoord(X, Y);
            if (cell.X >= FFixedCols && cell.Y >= FFixedRows && !(cell == FCurrent))
                if (MoveColRow(cell.X, cell.Y, false, true)) FClickPending = true;
            break;
        }
        case gsColSizing: SetColWidths(FSizingIndex, std::max(0, X - FSizingPos)); break;
        case gsRowSizing: SetRowHeights(FSizingIndex, std::max(0, Y - FSizingPos)); break;
        default: break;
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
    if (Button == mbLeft) {
        const TGridState state = FGridState;
        if (state == gsSelecting || state == gsColSizing || state == gsRowSizing) MouseMove(Shift, X, Y);
        FGridState = gsNormal;
        const TGridCoord cell = MouseCoord(X, Y);
        if (state == gsColMoving && cell.X >= FFixedCols && cell.X != FMoveFrom)
            MoveColumn(FMoveFrom, cell.X);
        else if (state == gsRowMoving && cell.Y >= FFixedRows && cell.Y != FMoveFrom)
            MoveRow(FMoveFrom, cell.Y);
        FMoveFrom = -1;
        FSizingIndex = -1;
        if (state == gsSelecting && FClickPending) {
            FClickPending = false;
            TCustomControl::MouseUp(Button, Shift, X, Y);
            Click();
            return;
        }
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

// ----- painting

void TCustomGrid::Paint() {
    TCanvas* cv = Canvas();
    const TRect client = ClientRect();
    const auto cols = VisibleCols();
    const auto rows = VisibleRows();
    const int32_t lw = VertLineWidth();
    const int32_t lh = HorzLineWidth();
    const bool focused = Focused();
    const TGridRect sel = Selection();
    const TColor lineColor = ColorToRGB(Color()) == clSilver ? clGray : clSilver;
    const bool bevel = Ctl3D() && FOptions.Contains(goFixedVertLine) && FOptions.Contains(goFixedHorzLine);

    cv->Brush()->SetStyle(bsSolid);
    cv->Brush()->SetColor(Color());
    cv->FillRect(client);
    for (const auto& [r, y] : rows) {
        for (const auto& [c, x] : cols) {
            const TRect cell{x, y, x + FColWidths[c], y + FRowHeights[r]};
            const bool fixed = c < FFixedCols || r < FFixedRows;
            // The lines right of and below the cell.
            const bool vline = fixed ? FOptions.Contains(goFixedVertLine) : FOptions.Contains(goVertLine);
            const bool hline = fixed ? FOptions.Contains(goFixedHorzLine) : FOptions.Contains(goHorzLine);
            const TColor background = fixed ? FFixedColor : Color();
            if (lw > 0) {
                cv->Brush()->SetColor(vline ? (fixed ? clBlack : lineColor) : background);
                cv->FillRect(TRect{cell.Right, cell.Top, cell.Right + lw, cell.Bottom + lh});
            }
            if (lh > 0) {
                cv->Brush()->SetColor(hline ? (fixed ? clBlack : lineColor) : background);
                cv->FillRect(TRect{cell.Left, cell.Bottom, cell.Right + (vline ? 0 : lw), cell.Bottom + lh});
            }

            TGridDrawState state;
            if (fixed) {
                state.Include(gdFixed);
            } else {
                if (focused && c == FCurrent.X && r == FCurrent.Y) state.Include(gdFocused);
                if (sel.Contains(c, r)) state.Include(gdSelected);
            }
            if (FDefaultDrawing) {
                cv->SetFont(Font());
                if (fixed) {
                    cv->Brush()->SetColor(FFixedColor);
                } else if (state.Contains(gdSelected) &&
                           (!state.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                            FOptions.Contains(goRowSelect))) {
                    cv->Brush()->SetColor(clHighlight);
                    cv->Font()->SetColor(clHighlightText);
                } else {
                    cv->Brush()->SetColor(Color());
                }
                cv->FillRect(cell);
            }
            DrawCell(c, r, cell, state);
            if (FDefaultDrawing && fixed && bevel) {
                TRect edge = cell;
                DrawEdge(cv->Handle(), &edge, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
                edge = cell;
                DrawEdge(cv->Handle(), &edge, BDR_RAISEDINNER, BF_TOPLEFT);
            }
            if (FDefaultDrawing && state.Contains(gdFocused) && !FOptions.Contains(goRowSelect) &&
                !(FOptions.Contains(goEditing) && FOptions.Contains(goAlwaysShowEditor))) {
                cv->Brush()->SetColor(Color());
                cv->Font()->SetColor(clWindowText);
                cv->DrawFocusRect(cell);
            }
        }
    }
    if (FDefaultDrawing && focused && FOptions.Contains(goRowSelect)) {
        int32_t left = -1, right = -1, top = -1, bottom = -1;
        for (const auto& [c, x] : cols)
            if (c >= FFixedCols) {
                if (left < 0) left = x;
                right = x + FColWidths[c];
            }
        for (const auto& [r, y] : rows)
            if (r == FCurrent.Y) {
                top = y;
                bottom = y + FRowHeights[r];
            }
        if (left >= 0 && top >= 0) cv->DrawFocusRect(TRect{left, top, right, bottom});
    }
}

// ---------------------------------------------------------------------------
// TDrawGrid

TDrawGrid::TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

bool TDrawGrid::SelectCell(int32_t ACol, int32_t ARow) {
    bool result = TCustomGrid::SelectCell(ACol, ARow);
    if (FOnSelectCell) FOnSelectCell(this, ACol, ARow, result);
    return result;
}

void TDrawGrid::DrawCell(int32_t ACol, int32_t ARow, const TRect& ARect, TGridDrawState AState) {
    if (FOnDrawCell) FOnDrawCell(this, ACol, ARow, ARect, AState);
}

void TDrawGrid::TopLeftChanged() {
    TCustomGrid::TopLeftChanged();
    if (FOnTopLeftChanged) FOnTopLeftChanged(this);
}

// ---------------------------------------------------------------------------
// TStringGrid

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}

TStringGrid::~TStringGrid() = default;

void TStringGrid::CheckCell(int32_t ACol, int32_t ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) IndexError();
}

std::string TStringGrid::Cells(int32_t ACol, int32_t ARow) const {
    CheckCell(ACol, ARow);
    auto it = FCells.find(TKey{ACol, ARow});
    return it == FCells.end() ? std::string() : it->second.Text;
}

TObject* TStringGrid::Objects(int32_t ACol, int32_t ARow) const {
    CheckCell(ACol, ARow);
    auto it = FCells.find(TKey{ACol, ARow});
    return it == FCells.end() ? nullptr : it->second.Object;
}

void TStringGrid::Store(int32_t ACol, int32_t ARow, const std::string* Text, TObject* const* Object) {
    CheckCell(ACol, ARow);
    const TKey key{ACol, ARow};
    auto it = FCells.find(key);
    if (it == FCells.end()) {
        if ((!Text || Text->empty()) && (!Object || !*Object)) return;
        it = FCells.emplace(key, TCell{}).first;
    }
    if (Text) it->second.Text = *Text;
    if (Object) it->second.Object = *Object;
    if (it->second.Text.empty() && !it->second.Object) FCells.erase(it);
    InvalidateCell(ACol, ARow);
}

void TStringGrid::SetCells(int32_t ACol, int32_t ARow, const std::string& Value) {
    Store(ACol, ARow, &Value, nullptr);
}

void TStringGrid::SetObjects(int32_t ACol, int32_t ARow, TObject* Value) { Store(ACol, ARow, nullptr, &Value); }

TStrings* TStringGrid::Cols(int32_t Index) {
    if (Index < 0 || Index >= ColCount()) IndexError();
    auto& slot = FColLists[Index];
    if (!slot) slot = std::make_unique<TStringGridStrings>(this, true, Index);
    return slot.get();
}

TStrings* TStringGrid::Rows(int32_t Index) {
    if (Index < 0 || Index >= RowCount()) IndexError();
    auto& slot = FRowLists[Index];
    if (!slot) slot = std::make_unique<TStringGridStrings>(this, false, Index);
    return slot.get();
}

void TStringGrid::SetCols(int32_t Index, const TStrings* Value) {
    TStrings* line = Cols(Index);
    if (Value)
        line->Assign(*Value);
    else
        line->Clear();
}

void TStringGrid::SetRows(int32_t Index, const TStrings* Value) {
    TStrings* line = Rows(Index);
    if (Value)
        line->Assign(*Value);
    else
        line->Clear();
}

void TStringGrid::DrawCell(int32_t ACol, int32_t ARow, const TRect& ARect, TGridDrawState AState) {
    if (DefaultDrawing()) {
        auto it = FCells.find(TKey{ACol, ARow});
        if (it != FCells.end() && !it->second.Text.empty())
            Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, it->second.Text);
    }
    TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TStringGrid::MoveLine(bool Column, int32_t FromIndex, int32_t ToIndex) {
    auto remap = [&](int32_t k) {
        if (k == FromIndex) return ToIndex;
        if (FromIndex < ToIndex && k > FromIndex && k <= ToIndex) return k - 1;
        if (FromIndex > ToIndex && k >= ToIndex && k < FromIndex) return k + 1;
        return k;
    };
    std::map<TKey, TCell> moved;
    for (auto& [key, cell] : FCells) {
        TKey k = key;
        if (Column)
            k.first = remap(k.first);
        else
            k.second = remap(k.second);
        moved.emplace(k, std::move(cell));
    }
    FCells = std::move(moved);
}

void TStringGrid::ColumnMoved(int32_t FromIndex, int32_t ToIndex) {
    MoveLine(true, FromIndex, ToIndex);
    TDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

void TStringGrid::RowMoved(int32_t FromIndex, int32_t ToIndex) {
    MoveLine(false, FromIndex, ToIndex);
    TDrawGrid::RowMoved(FromIndex, ToIndex);
}

}  // namespace vcl
