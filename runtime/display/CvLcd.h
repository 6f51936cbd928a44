// CvLcd.h - segment LCD controls: a display of fourteen-segment character
// cells that imitates a liquid-crystal panel.
//
// Every segment of every cell is always drawn, lit or unlit, so the dark
// segments stay faintly visible as on a real panel.  Decimal points and
// colons sit on the boundary between two cells and take no cell of their
// own.  TCustomCvLcd owns the geometry, the colours and the segment painter;
// TCvLCD shows one line of text, TCvMultiLineLCD the lines of a string list.
//
// Two ways of repainting: a full repaint (Refresh) clears the background and
// draws every cell; a quick repaint paints every cell over what is there,
// straight on the control's canvas, clearing only the places between the
// cells where points and colons go (used when only the characters change).
// A quick repaint of a control without a window does nothing; the first
// WM_PAINT shows the current state anyway.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Controls.h"

namespace vcl {
class TStrings;
class TStringList;
}  // namespace vcl

namespace corvane {

// Segment masks of the digits "0" to "9" and the letters "A" to "Z".
// Bits: 0x0001 top, 0x0002 upper left, 0x0004 upper right, 0x0008 upper
// centre, 0x0010 upper left diagonal, 0x0020 upper right diagonal, 0x0040
// bottom, 0x0080 lower left, 0x0100 lower right, 0x0200 lower centre,
// 0x0400 lower left diagonal, 0x0800 lower right diagonal, 0x1000 middle
// left, 0x2000 middle right.
extern const uint16_t LCD_NRField[10];
extern const uint16_t LCD_CharField[26];

// The segment mask a character shows: digits and upper-case letters from
// the tables, "+" and "-" fixed, everything else (blank, lower case, other
// code points) all segments unlit.
uint16_t LcdCharMask(char32_t Ch);

class TCustomCvLcd : public vcl::TCustomControl {
    VCL_DECLARE_CLASS(TCustomCvLcd)
public:
    explicit TCustomCvLcd(vcl::TComponent* AOwner);
    ~TCustomCvLcd() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    vcl::TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(vcl::TAlignment Value);

    // The five colours share one setter, selected by index: 1 background,
    // 2 lit fill, 3 lit outline, 4 unlit fill, 5 unlit outline.  It stores
    // the colour and repaints fully every time, also for the same value.
    // ERangeError for another index.
    vcl::TColor BackgroundColor() const { return FBackgroundColor; }
    vcl::TColor HiColor() const { return FHiColor; }
    vcl::TColor HiLineColor() const { return FHiLineColor; }
    vcl::TColor LowColor() const { return FLowColor; }
    vcl::TColor LowLineColor() const { return FLowLineColor; }
    void SetColor(int32_t Index, vcl::TColor Value);
    using vcl::TControl::SetColor;  // the control's own (unused) Color
    void SetBackgroundColor(vcl::TColor Value) { SetColor(1, Value); }
    void SetHiColor(vcl::TColor Value) { SetColor(2, Value); }
    void SetHiLineColor(vcl::TColor Value) { SetColor(3, Value); }
    void SetLowColor(vcl::TColor Value) { SetColor(4, Value); }
    void SetLowLineColor(vcl::TColor Value) { SetColor(5, Value); }

    // Columns: 1 to 64; other values are ignored.
    int32_t Cols() const { return FCols; }
    void SetCols(int32_t Value);
    // Width of a bar in pixels, always even: an odd value is raised by one
    // (255, which cannot be raised within a byte, becomes 254).
    uint8_t LCDBarWidth() const { return FBarWidth; }
    void SetBarWidth(uint8_t Value);
    void SetLCDBarWidth(uint8_t Value) { SetBarWidth(Value); }
    // Space between a cell's edge and its bars, vertically and horizontally.
    int32_t TopBottomSpace() const { return FTBSpace; }
    void SetTBSpace(int32_t Value);
    void SetTopBottomSpace(int32_t Value) { SetTBSpace(Value); }
    int32_t LeftRightSpace() const { return FLRSpace; }
    void SetLRSpace(int32_t Value);
    void SetLeftRightSpace(int32_t Value) { SetLRSpace(Value); }
    // Width of the segment outlines; values below 1 are ignored.
    int32_t LineWidth() const { return FLineWidth; }
    void SetLineWidth(int32_t Value);

    // The cell size of the last paint.
    int32_t CellWidth() const { return FCellWidth; }
    int32_t CellHeight() const { return FCellHeight; }
    // True except while a quick repaint runs.
    bool FullRepaint() const { return FFullRepaint; }

protected:
    // Draws one cell whose top-left corner is (X, Y); every one of the
    // fourteen segments is drawn, lit or unlit by its bit of Pattern.
    void PaintOne(int32_t X, int32_t Y, uint16_t Pattern);
    // A decimal point centred on X at the bottom of the row whose top is Y.
    void PaintPoint(int32_t X, int32_t Y);
    // A colon centred on X in the row whose top is Y.
    void PaintDblPoint(int32_t X, int32_t Y);

    // The number of rows of the grid (1 unless a descendant shows more).
    int32_t RowCount() const { return FRows; }
    void SetRowCount(int32_t Value) { FRows = Value; }

    // Computes the cell size from the client size, Cols and the rows;
    // false when the client area is too small to hold a cell of at least
    // one pixel each way.
    bool ComputeGrid();
    // Horizontal offset of the grid (half the width left over).
    int32_t GridXOffset() const;
    // Starts a paint: the background (always when the grid does not fit,
    // else on a full repaint only) and the outline width.  False when there
    // are no cells to draw.
    bool BeginLcdPaint();
    // Draws one line of text into the row whose top is Y: the line is
    // aligned, cut to its last Cols visible characters, upper-cased when
    // UpperCase, and drawn from the right with points and colons between
    // the cells.
    void PaintLine(const std::string& Line, int32_t Y, bool UpperCase);

    // Refresh: invalidate and paint now, background included.
    void FullRefresh();
    // Paints over the current picture at once, without clearing it; does
    // nothing while the control has no window.
    void QuickRepaint();

private:
    void SelectSegmentColors(bool Lit);
    // The rectangles of a decimal point (or of a colon) at the boundary X of
    // the row whose top is Y, filled and outlined in Color.
    void SeparatorRects(int32_t X, int32_t Y, bool Colon, vcl::TColor Color);

    uint8_t FAbout = 0;
    vcl::TAlignment FAlignment = vcl::taRightJustify;
    vcl::TColor FBackgroundColor = vcl::clBlack;
    vcl::TColor FHiColor = vcl::clLime;
    vcl::TColor FHiLineColor = vcl::clBlack;
    vcl::TColor FLowColor = vcl::clBlack;
    vcl::TColor FLowLineColor = vcl::clGreen;
    int32_t FCols = 5;
    uint8_t FBarWidth = 8;
    int32_t FTBSpace = 2;
    int32_t FLRSpace = 2;
    int32_t FLineWidth = 1;
    int32_t FRows = 1;
    int32_t FCellWidth = 0;
    int32_t FCellHeight = 0;
    bool FFullRepaint = true;
};

// A one-line display of Text.
class TCvLCD : public TCustomCvLcd {
    VCL_DECLARE_CLASS(TCvLCD)
public:
    explicit TCvLCD(vcl::TComponent* AOwner);

    // The text, stored upper case (ASCII a to z).  Setting it repaints
    // quickly, also when it did not change.
    const std::string& Text() const { return FLcdText; }
    void SetText(const std::string& Value) override;
    std::string GetText() const override { return FLcdText; }

protected:
    void Paint() override;

private:
    std::string FLcdText;
};

// A display of Rows lines taken from Items; rows without a line are blank.
class TCvMultiLineLCD : public TCustomCvLcd {
    VCL_DECLARE_CLASS(TCvMultiLineLCD)
public:
    explicit TCvMultiLineLCD(vcl::TComponent* AOwner);
    ~TCvMultiLineLCD() override;

    // The lines, kept as given (shown upper case).  Editing the list in
    // place does not repaint; assigning it with SetItems does.
    vcl::TStringList* Items() const { return FItems.get(); }
    void SetItems(const vcl::TStrings* Value);
    // Rows: 1 to 32; other values are ignored.  A change repaints fully.
    int32_t Rows() const { return RowCount(); }
    void setrows(int32_t Value);
    void SetRows(int32_t Value) { setrows(Value); }

protected:
    void Paint() override;

private:
    std::unique_ptr<vcl::TStringList> FItems;
};

}  // namespace corvane
