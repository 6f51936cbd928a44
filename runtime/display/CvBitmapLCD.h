// CvBitmapLCD.h - a numeric display of a fixed number of digit cells,
// composed from ready-made seven-segment digit bitmaps.
//
//     auto* lcd = new TCvBitmapLCD(Form);
//     lcd->SetParent(Form);
//     lcd->SetDigits(6);                    // 90 x 22 (large cells)
//     lcd->SetAlignment(vcl::taRightJustify);
//     lcd->SetValue("1234");                // "  1234"
//
// Cells are 15 x 22 pixels, or 11 x 17 with Small; the control sizes itself
// to Digits cells.  Characters other than 0..9 show as blank cells, and the
// first paint replaces them by blanks in Display itself.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "Controls.h"

namespace vcl {
class TBitmap;
}

namespace corvane {

class TCvBitmapLCD : public vcl::TGraphicControl {
    VCL_DECLARE_CLASS(TCvBitmapLCD)
public:
    static constexpr int32_t LargeCellWidth = 15, LargeCellHeight = 22;
    static constexpr int32_t SmallCellWidth = 11, SmallCellHeight = 17;
    static constexpr int32_t MaxDigits = 50;

    explicit TCvBitmapLCD(vcl::TComponent* AOwner);
    ~TCvBitmapLCD() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    // taLeftJustify or taRightJustify; taCenter is stored as taLeftJustify.
    vcl::TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(vcl::TAlignment Value);
    const std::string& Display() const { return FDisplay; }
    void SetValue(const std::string& Value);
    // 1..50 cells; other values are ignored.  Sets Width to 15 per cell and
    // Height to 22 (a paint with Small set corrects them).
    int32_t Digits() const { return FDigits; }
    void SetDigits(int32_t Value);
    void SeTCvBitmapLCDs(int32_t Value) { SetDigits(Value); }
    bool DisplayOn() const { return FDisplayOn; }
    void SetOn(bool Value);
    bool Small() const { return FSmall; }
    void SetSmall(bool Value);

    // The text of the cells as the next paint shows them (digits and
    // blanks, Digits characters).
    std::string ShownText() const;
    // The digit bitmaps: 0..9 and 10 for the blank cell.
    const vcl::TBitmap* DigitBitmap(int Index, bool Small) const;

protected:
    void Paint() override;

private:
    uint8_t FAbout = 0;
    vcl::TAlignment FAlignment = vcl::taLeftJustify;
    std::string FDisplay;
    int32_t FDigits = 10;
    bool FDisplayOn = true;
    bool FSmall = false;
    std::array<std::unique_ptr<vcl::TBitmap>, 11> FLarge;
    std::array<std::unique_ptr<vcl::TBitmap>, 11> FSmallBitmaps;
    std::unique_ptr<vcl::TBitmap> FWork;
};

}  // namespace corvane
