// CvBitmapLCD2.h - a numeric display of any length: digits and decimal
// points cut from one shared strip bitmap (the LEDS resource).
//
//     auto* lcd = new TCvBitmapLCD2(Form);
//     lcd->SetParent(Form);
//     lcd->SetDisplay("12.5");              // 52 x 32: 16 + 16 + 4 + 16
//
// A digit takes 16 pixels, a point 4; any other character shows as a blank
// digit.  With DisplayOn False every digit is blank and every point unlit.
// The control sizes itself to its text (25 pixels wide when it is empty).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"

namespace vcl {
class TBitmap;
}

namespace corvane {

class TCvBitmapLCD2 : public vcl::TGraphicControl {
    VCL_DECLARE_CLASS(TCvBitmapLCD2)
public:
    static constexpr int32_t StripHeight = 32;

    explicit TCvBitmapLCD2(vcl::TComponent* AOwner);
    ~TCvBitmapLCD2() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    const std::string& Display() const { return FDisplay; }
    void SetDisplay(const std::string& Value);
    // DisplayOn's setter is named SetEnabled; the control's own Enabled
    // stays reachable as vcl::TControl::SetEnabled.
    bool DisplayOn() const { return FDisplayOn; }
    void SetEnabled(bool Value);

    // The strip rectangles the text is composed of, left to right.
    std::vector<vcl::TRect> SourceRects() const;
    // The strip shared by all instances while any exists (nullptr when none).
    static const vcl::TBitmap* Strip();
    // How many instances share the strip.
    static int32_t StripUsers();

protected:
    void Paint() override;

private:
    uint8_t FAbout = 0;
    std::string FDisplay = "123.45.67";
    bool FDisplayOn = true;
    std::unique_ptr<vcl::TBitmap> FWork;
};

}  // namespace corvane
