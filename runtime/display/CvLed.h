// CvLed.h - round indicator lamps drawn with ellipses and arcs.
//
//     auto* led = new TCvLed(Form);
//     led->SetParent(Form);
//     led->SetHigh(false);                     // the unlit colour (LowColor)
//     auto* blink = new TCvBlinkingLed(Form);
//     blink->SetInterval(250);
//     blink->SetBlink(true);                   // toggles Highlighted every 250 ms
//
// The lamp is a filled ellipse in HighColor (lit) or LowColor (unlit) inside
// a bevel of width BorderWidth: its lower-right half in BorderLowColor, its
// upper-left half in BorderHighColor, with a thin highlight arc on the
// upper left of the dome.  The corners outside the ellipse show the
// control's background, which follows the parent's colour.
#pragma once

#include <cstdint>

#include "Controls.h"

namespace vcl {
class TTimer;
}

namespace corvane {

class TCvCustomLed : public vcl::TCustomControl {
    VCL_DECLARE_CLASS(TCvCustomLed)
public:
    explicit TCvCustomLed(vcl::TComponent* AOwner);

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }

    vcl::TColor HighColor() const { return FHighColor; }
    vcl::TColor LowColor() const { return FLowColor; }
    vcl::TColor BorderHighColor() const { return FBorderHighColor; }
    vcl::TColor BorderLowColor() const { return FBorderLowColor; }
    // One setter for the four colours: 1 HighColor, 2 LowColor,
    // 3 BorderHighColor, 4 BorderLowColor.  Stores and repaints, also when
    // the value is unchanged; another index raises vcl::ERangeError.
    using vcl::TControl::SetColor;
    void SetColor(int Index, vcl::TColor Value);
    void SetHighColor(vcl::TColor Value) { SetColor(1, Value); }
    void SetLowColor(vcl::TColor Value) { SetColor(2, Value); }
    void SetBorderHighColor(vcl::TColor Value) { SetColor(3, Value); }
    void SetBorderLowColor(vcl::TColor Value) { SetColor(4, Value); }

    // The lit state; stores and repaints every time.
    bool Highlighted() const { return FHighlighted; }
    void SetHigh(bool Value);

    // The bevel's pen width in pixels; 0 draws neither bevel nor highlight.
    // A negative value is not stored, but the lamp repaints all the same.
    int32_t BorderWidth() const { return FBorderWidth; }
    void SetBorder(int32_t Value);

protected:
    void Paint() override;

private:
    uint8_t FAbout = 0;
    vcl::TColor FHighColor = vcl::clGreen;
    vcl::TColor FLowColor = vcl::clRed;
    vcl::TColor FBorderHighColor = vcl::clWhite;
    vcl::TColor FBorderLowColor = vcl::clGray;
    bool FHighlighted = true;
    int32_t FBorderWidth = 3;
};

// The plain lamp: publishes the colours, the state and the bevel width.
class TCvLed : public TCvCustomLed {
    VCL_DECLARE_CLASS(TCvLed)
public:
    explicit TCvLed(vcl::TComponent* AOwner) : TCvCustomLed(AOwner) {}
};

// A lamp that toggles Highlighted on an owned window-message timer while
// Blinking.  In the form designer the ticks are ignored, so the lamp keeps
// its stored state there.
class TCvBlinkingLed : public TCvLed {
    VCL_DECLARE_CLASS(TCvBlinkingLed)
public:
    explicit TCvBlinkingLed(vcl::TComponent* AOwner);
    ~TCvBlinkingLed() override;

    bool Blinking() const { return FBlinking; }
    void SetBlink(bool Value);
    // Milliseconds between two toggles; values below 50 are ignored.
    int32_t BlinkInterval() const { return FInterval; }
    void SetInterval(int32_t Value);

    // The timer's event: toggles the lamp (not in the designer).
    void Timer(vcl::TObject* Sender);
    // The owned timer (an internal part, not streamed).
    vcl::TTimer* BlinkTimer() const { return FTimer; }

private:
    vcl::TTimer* FTimer = nullptr;
    bool FBlinking = false;
    int32_t FInterval = 100;
};

}  // namespace corvane
