#include "CvLcd.h"

#include <string_view>

#include "Exceptions.h"
#include "Lists.h"
#include "SysUtils.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCustomCvLcd, TCustomControl) {
    B.Property("About", &TCustomCvLcd::About, &TCustomCvLcd::SetAbout);
    B.Property("Alignment", &TCustomCvLcd::Alignment, &TCustomCvLcd::SetAlignment);
    B.Property("BackgroundColor", &TCustomCvLcd::BackgroundColor, &TCustomCvLcd::SetBackgroundColor)
        .Idents(ColorIdents());
    B.Property("HiColor", &TCustomCvLcd::HiColor, &TCustomCvLcd::SetHiColor).Idents(ColorIdents());
    B.Property("HiLineColor", &TCustomCvLcd::HiLineColor, &TCustomCvLcd::SetHiLineColor).Idents(ColorIdents());
    B.Property("LowColor", &TCustomCvLcd::LowColor, &TCustomCvLcd::SetLowColor).Idents(ColorIdents());
    B.Property("LowLineColor", &TCustomCvLcd::LowLineColor, &TCustomCvLcd::SetLowLineColor).Idents(ColorIdents());
    B.Property("Cols", &TCustomCvLcd::Cols, &TCustomCvLcd::SetCols);
    B.Property("LCDBarWidth", &TCustomCvLcd::LCDBarWidth, &TCustomCvLcd::SetBarWidth);
    B.Property("TopBottomSpace", &TCustomCvLcd::TopBottomSpace, &TCustomCvLcd::SetTBSpace);
    B.Property("LeftRightSpace", &TCustomCvLcd::LeftRightSpace, &TCustomCvLcd::SetLRSpace);
    B.Property("LineWidth", &TCustomCvLcd::LineWidth, &TCustomCvLcd::SetLineWidth);
    // The control's own published properties, with the controls' defaults.
    B.Property("ShowHint", &TCustomCvLcd::ShowHint, &TCustomCvLcd::SetShowHint).Default(0);
    B.Property("Align", &TCustomCvLcd::Align, &TCustomCvLcd::SetAlign).Default(alNone);
    B.Property("Cursor", &TCustomCvLcd::Cursor, &TCustomCvLcd::SetCursor).Default(crDefault).Idents(CursorIdents());
    B.Property("Hint", &TCustomCvLcd::Hint, &TCustomCvLcd::SetHint).DefaultStr("");
}

VCL_PUBLISHED(TCvLCD, TCustomCvLcd) {
    B.Property("Text", &TCvLCD::Text, &TCvLCD::SetText);
}

VCL_PUBLISHED(TCvMultiLineLCD, TCustomCvLcd) {
    B.Property("Items", &TCvMultiLineLCD::Items, &TCvMultiLineLCD::SetItems);
    B.Property("Rows", &TCvMultiLineLCD::Rows, &TCvMultiLineLCD::setrows);
}

const uint16_t LCD_NRField[10] = {
    0x01C7, 0x0104, 0x30C5, 0x2145, 0x3106, 0x3143, 0x31C2, 0x0105, 0x31C7, 0x3107,
};

const uint16_t LCD_CharField[26] = {
    0x3187, 0x234D, 0x00C3, 0x034D, 0x10C3, 0x1083, 0x21C3, 0x3186, 0x0208, 0x01C4, 0x18A2, 0x00C2, 0x01B6,
    0x0996, 0x01C7, 0x3087, 0x09C7, 0x3887, 0x3143, 0x0209, 0x01C6, 0x04A2, 0x03C6, 0x0C30, 0x0230, 0x0461,
};

uint16_t LcdCharMask(char32_t Ch) {
    if (Ch >= U'0' && Ch <= U'9') return LCD_NRField[Ch - U'0'];
    if (Ch >= U'A' && Ch <= U'Z') return LCD_CharField[Ch - U'A'];
    if (Ch == U'+') return 0x3208;
    if (Ch == U'-') return 0x3000;
    return 0;
}

namespace {

constexpr int32_t kMaxCols = 64;
constexpr int32_t kMaxRows = 32;
// Blanks put before every line, so that each cell gets a character however
// short the line is (more than the widest display).
constexpr size_t kLeadingBlanks = 128;

std::string AsciiUpper(const std::string& S) {
    std::string out = S;
    for (char& ch : out)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return out;
}

std::u32string Decode(const std::string& S) {
    std::u32string out;
    out.reserve(S.size());
    size_t pos = 0;
    while (pos < S.size()) out.push_back(Utf8Decode(S, pos));
    return out;
}

// Sets the flag for the life of a scope and restores it afterwards, also
// when painting throws.
class TFlagScope {
public:
    TFlagScope(bool& Flag, bool Value) : FFlag(Flag), FOld(Flag) { FFlag = Value; }
    ~TFlagScope() { FFlag = FOld; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FOld;
};

}  // namespace

// ---------------------------------------------------------------------------
// TCustomCvLcd

TCustomCvLcd::TCustomCvLcd(TComponent* AOwner) : TCustomControl(AOwner) {
    // Paint covers the whole client area: no erasing beneath it.  The text
    // is the display's own, never the component's name.
    TControlStyle style = ControlStyle();
    style.Include(csOpaque);
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    SetBounds(Left(), Top(), 200, 75);
}

TCustomCvLcd::~TCustomCvLcd() = default;

void TCustomCvLcd::SetAlignment(TAlignment Value) {
    if (Value == FAlignment) return;
    FAlignment = Value;
    FullRefresh();
}

void TCustomCvLcd::SetColor(int32_t Index, TColor Value) {
    switch (Index) {
        case 1: FBackgroundColor = Value; break;
        case 2: FHiColor = Value; break;
        case 3: FHiLineColor = Value; break;
        case 4: FLowColor = Value; break;
        case 5: FLowLineColor = Value; break;
        default: throw ERangeError("LCD colour index " + std::to_string(Index) + " out of range (1 to 5)");
    }
    FullRefresh();
}

void TCustomCvLcd::SetCols(int32_t Value) {
    if (Value < 1 || Value > kMaxCols || Value == FCols) return;
    FCols = Value;
    FullRefresh();
}

void TCustomCvLcd::SetBarWidth(uint8_t Value) {
    if (Value == FBarWidth) return;
    // Bars are drawn around their middle line, so the width stays even;
    // 255 cannot be raised within a byte and keeps the widest even width.
    if (Value % 2 != 0) Value = Value == 255 ? 254 : static_cast<uint8_t>(Value + 1);
    FBarWidth = Value;
    FullRefresh();
}

void TCustomCvLcd::SetTBSpace(int32_t Value) {
    if (Value == FTBSpace) return;
    FTBSpace = Value;
    FullRefresh();
}

void TCustomCvLcd::SetLRSpace(int32_t Value) {
    if (Value == FLRSpace) return;
    FLRSpace = Value;
    FullRefresh();
}

void TCustomCvLcd::SetLineWidth(int32_t Value) {
    if (Value <= 0 || Value == FLineWidth) return;
    FLineWidth = Value;
    FullRefresh();
}

void TCustomCvLcd::FullRefresh() { Refresh(); }

void TCustomCvLcd::QuickRepaint() {
    // Without a window there is nothing to paint on yet; the window's first
    // WM_PAINT shows the current state.
    if (!HandleAllocated()) return;
    TCanvas* canvas = Canvas();
    const bool hadDC = canvas->HandleAllocated();
    {
        TFlagScope quick(FFullRepaint, false);
        Paint();
    }
    // Give back a DC taken for this paint, so that a later paint gets one
    // that knows the window's size then.
    if (!hadDC)
        if (auto* cc = dynamic_cast<TControlCanvas*>(canvas)) cc->FreeHandle();
}

bool TCustomCvLcd::ComputeGrid() {
    const int32_t w = Width(), h = Height();
    if (w < FCols + 2 || h < FRows + 2) {
        FCellWidth = FCellHeight = 0;
        return false;
    }
    FCellWidth = (w - 2) / FCols;
    FCellHeight = (h - 2) / FRows;
    return true;
}

int32_t TCustomCvLcd::GridXOffset() const { return ((Width() - 2) % FCols) / 2; }

bool TCustomCvLcd::BeginLcdPaint() {
    const bool fits = ComputeGrid();
    TCanvas* c = Canvas();
    c->Pen()->SetColor(FBackgroundColor);
    c->Brush()->SetColor(FBackgroundColor);
    c->Brush()->SetStyle(bsSolid);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(0);
    // A grid without room for a cell shows the background only.
    if (FFullRepaint || !fits) c->Rectangle(0, 0, Width(), Height());
    if (!fits) return false;
    c->Pen()->SetWidth(FLineWidth);
    return true;
}

void TCustomCvLcd::SelectSegmentColors(bool Lit) {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Lit ? FHiColor : FLowColor);
    c->Pen()->SetColor(Lit ? FHiLineColor : FLowLineColor);
}

void TCustomCvLcd::PaintOne(int32_t X, int32_t Y, uint16_t Pattern) {
    TCanvas* c = Canvas();
    const int32_t W = FBarWidth, h = W / 2, LR = FLRSpace, TB = FTBSpace;
    const int32_t CW = FCellWidth, CH = FCellHeight;
    const int32_t xm = X + CW / 2, ym = Y + CH / 2;
    const int32_t left = X + LR, right = X + CW - LR, top = Y + TB, bottom = Y + CH - TB;

    auto segment = [&](uint16_t Bit, std::initializer_list<TPoint> Points) {
        SelectSegmentColors((Pattern & Bit) != 0);
        c->Polygon(Points);
    };
    // Horizontal bar from x = A to x = B with its top edge at T.
    auto hbar = [&](uint16_t Bit, int32_t A, int32_t B, int32_t T) {
        segment(Bit, {TPoint{A, T + h}, TPoint{A + h, T}, TPoint{B - h, T}, TPoint{B, T + h}, TPoint{B - h, T + W},
                      TPoint{A + h, T + W}});
    };
    // Vertical bar with its left edge at L, from y = A to y = B.
    auto vbar = [&](uint16_t Bit, int32_t L, int32_t A, int32_t B) {
        segment(Bit, {TPoint{L + h, A}, TPoint{L + W, A + h}, TPoint{L + W, B - h}, TPoint{L + h, B},
                      TPoint{L, B - h}, TPoint{L, A + h}});
    };

    // The diagonals first: the bars drawn afterwards cover their ends.
    segment(0x0010, {TPoint{left + h, top + h}, TPoint{left + W, top + h}, TPoint{xm, ym}, TPoint{xm - h, ym}});
    segment(0x0020, {TPoint{right - h, top + h}, TPoint{right - W, top + h}, TPoint{xm, ym}, TPoint{xm + h, ym}});
    segment(0x0400,
            {TPoint{left + h, bottom - h}, TPoint{left + W, bottom - h}, TPoint{xm, ym}, TPoint{xm - h, ym}});
    segment(0x0800,
            {TPoint{right - h, bottom - h}, TPoint{right - W, bottom - h}, TPoint{xm, ym}, TPoint{xm + h, ym}});
    hbar(0x0001, left + h, right - h, top);
    hbar(0x0040, left + h, right - h, bottom - W);
    hbar(0x1000, left + h, xm, ym - h);
    hbar(0x2000, xm, right - h, ym - h);
    vbar(0x0002, left, top + h, ym);
    vbar(0x0004, right - W, top + h, ym);
    vbar(0x0080, left, ym, bottom - h);
    vbar(0x0100, right - W, ym, bottom - h);
    segment(0x0008, {TPoint{xm - h, top + W}, TPoint{xm + h, top + W}, TPoint{xm + h, ym - h}, TPoint{xm, ym},
                     TPoint{xm - h, ym - h}});
    segment(0x0200, {TPoint{xm, ym}, TPoint{xm + h, ym + h}, TPoint{xm + h, bottom - W}, TPoint{xm - h, bottom - W},
                     TPoint{xm - h, ym + h}});
}

void TCustomCvLcd::SeparatorRects(int32_t X, int32_t Y, bool Colon, TColor Color) {
    TCanvas* c = Canvas();
    const int32_t h = FBarWidth / 2;
    c->Brush()->SetColor(Color);
    c->Pen()->SetColor(Color);
    if (!Colon) {
        // A square whose bottom is level with the bottom of the bottom bar.
        c->Rectangle(X - h, Y + FCellHeight - FTBSpace - h, X + h, Y + FCellHeight - FTBSpace);
        return;
    }
    const int32_t upper = Y + FTBSpace + FCellHeight / 4;
    const int32_t lower = Y + FCellHeight - FTBSpace - FCellHeight / 4;
    c->Rectangle(X - h, upper - h, X + h, upper + h);
    c->Rectangle(X - h, lower - h, X + h, lower + h);
}

void TCustomCvLcd::PaintPoint(int32_t X, int32_t Y) { SeparatorRects(X, Y, false, FHiColor); }

void TCustomCvLcd::PaintDblPoint(int32_t X, int32_t Y) { SeparatorRects(X, Y, true, FHiColor); }

void TCustomCvLcd::PaintLine(const std::string& Line, int32_t Y, bool UpperCase) {
    std::u32string text = Decode(UpperCase ? AsciiUpper(Line) : Line);
    int32_t separators = 0;
    for (char32_t ch : text)
        if (ch == U'.' || ch == U':') ++separators;
    const int32_t visible = static_cast<int32_t>(text.size()) - separators;
    int32_t trailing = 0;
    if (FAlignment == taLeftJustify)
        trailing = FCols - visible;
    else if (FAlignment == taCenter)
        trailing = (FCols - visible) / 2;
    std::u32string shown(kLeadingBlanks, U' ');
    shown += text;
    if (trailing > 0) shown.append(static_cast<size_t>(trailing), U' ');

    const int32_t xo = GridXOffset();
    if (!FFullRepaint) {
        // The cells are painted over, but a point or colon sits on the
        // background between them: clear every place one may have been, so
        // that the old text leaves none behind.  The cells drawn next cover
        // whatever of theirs this touches.
        for (int32_t k = 1; k < FCols; ++k) {
            SeparatorRects(k * FCellWidth + xo, Y, false, FBackgroundColor);
            SeparatorRects(k * FCellWidth + xo, Y, true, FBackgroundColor);
        }
    }
    int32_t c = 0;
    for (size_t i = shown.size(); i > 0 && c < FCols; --i) {
        const char32_t ch = shown[i - 1];
        if (ch == U'.' || ch == U':') {
            // On the boundary left of the cell already drawn; a separator at
            // the very right edge has no cell to its right and is not shown.
            if (c > 0) {
                const int32_t x = (FCols - c) * FCellWidth + xo;
                if (ch == U'.')
                    PaintPoint(x, Y);
                else
                    PaintDblPoint(x, Y);
            }
            continue;
        }
        PaintOne((FCols - c - 1) * FCellWidth + xo, Y, LcdCharMask(ch));
        ++c;
    }
}

// ---------------------------------------------------------------------------
// TCvLCD

TCvLCD::TCvLCD(TComponent* AOwner) : TCustomCvLcd(AOwner) {}

void TCvLCD::SetText(const std::string& Value) {
    FLcdText = AsciiUpper(Value);
    QuickRepaint();
}

void TCvLCD::Paint() {
    if (!BeginLcdPaint()) return;
    PaintLine(FLcdText, 1, false);
}

// ---------------------------------------------------------------------------
// TCvMultiLineLCD

TCvMultiLineLCD::TCvMultiLineLCD(TComponent* AOwner)
    : TCustomCvLcd(AOwner), FItems(std::make_unique<TStringList>()) {
    SetRowCount(2);
    SetCols(5);
    SetBounds(Left(), Top(), 200, 150);
}

TCvMultiLineLCD::~TCvMultiLineLCD() = default;

void TCvMultiLineLCD::SetItems(const TStrings* Value) {
    if (Value)
        FItems->Assign(*Value);
    else
        FItems->Clear();
    FullRefresh();
}

void TCvMultiLineLCD::setrows(int32_t Value) {
    if (Value < 1 || Value > kMaxRows || Value == RowCount()) return;
    SetRowCount(Value);
    // The cell height changes with the row count: cells of the old grid
    // would stay where no new cell covers them, so clear everything.
    FullRefresh();
}

void TCvMultiLineLCD::Paint() {
    if (!BeginLcdPaint()) return;
    const int32_t rows = RowCount();
    const int32_t yo = ((Height() - 2) % rows) / 2;
    const int32_t count = FItems->Count();
    for (int32_t r = 0; r < rows; ++r)
        PaintLine(r < count ? FItems->Strings(r) : std::string(), r * CellHeight() + yo, true);
}

}  // namespace corvane
