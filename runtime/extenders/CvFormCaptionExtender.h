// CvFormCaptionExtender.h - TCvFormCaptionExtender: paints the title bar of
// its owner form with a horizontal colour gradient (a chosen colour at the
// left, the system caption colour at the right), with the form's small icon
// and its caption in a chosen font on top.  Also the colour interpolation
// GradientColor that the background fill shares.
//
//     auto* ext = new corvane::TCvFormCaptionExtender(form);
//     ext->SetActiveLeftColor(vcl::clMaroon);
//
// The extender hooks the form's window as soon as it is made, in the
// designer too, and paints after the form's own procedure has drawn the
// standard frame (WM_NCPAINT, WM_NCACTIVATE; also after the caption text or
// the icon changed).  Forms without a caption bar (no border, minimized) are
// left as the platform draws them.
#pragma once

#include <cstdint>
#include <memory>

#include "CvWndProcComponents.h"
#include "Graphics.h"

namespace corvane {

// The colour Index steps of Steps from C1 towards C2, channel by channel
// (each channel moves by round(|a - b| / Steps * Index), halves to even).
// Index 0 gives C1, Index Steps gives C2; an Index outside 0..Steps is
// taken as the nearer end.  System colours are resolved first.  Raises
// vcl::ERangeError for Steps below 1.
vcl::TColor GradientColor(vcl::TColor C1, vcl::TColor C2, int32_t Steps, int32_t Index);

class TCvFormCaptionExtender : public TCvWndProcComponent {
    VCL_DECLARE_CLASS(TCvFormCaptionExtender)
public:
    explicit TCvFormCaptionExtender(vcl::TComponent* AOwner);
    ~TCvFormCaptionExtender() override;

    // The number of stripes, 1..64; other values are ignored.
    int32_t Gradientcolors() const { return FGradientColors; }
    void SetCols(int32_t Value);
    void SetGradientcolors(int32_t Value) { SetCols(Value); }
    // Whether the form is active, as the platform last reported.
    bool Active() const { return FActive; }
    // The caption font (MS Sans Serif 8, white); SetFont copies Value.
    vcl::TFont* Font() const { return FFont.get(); }
    void SetFont(const vcl::TFont* Value);
    bool ActiveGradient() const { return FActiveGradient; }
    void SetActiveGradient(bool Value) { FActiveGradient = Value; }
    bool InActiveGradient() const { return FInActiveGradient; }
    void SetInActiveGradient(bool Value) { FInActiveGradient = Value; }
    // Index 1: ActiveLeftColor, 2: InActiveLeftColor.
    void SetLCol(int Index, vcl::TColor Value);
    vcl::TColor ActiveLeftColor() const { return FActiveLeftColor; }
    void SetActiveLeftColor(vcl::TColor Value) { SetLCol(1, Value); }
    vcl::TColor InActiveLeftColor() const { return FInActiveLeftColor; }
    void SetInActiveLeftColor(vcl::TColor Value) { SetLCol(2, Value); }

    // The caption band in window coordinates (right and bottom excluded as
    // the rectangle drawing excludes them); IconMark: the band carries the
    // icon.  An empty rectangle for a form without a caption bar.
    vcl::TRect CalcRect(bool& IconMark) const;
    // Paints the band now.
    void NCPaint();

protected:
    void WndProc(vcl::TMessage& Message) override;

private:
    bool WantsGradient() const { return FActive ? FActiveGradient : FInActiveGradient; }
    void InvalidateForm();

    int32_t FGradientColors = 32;
    bool FActive = true;
    std::unique_ptr<vcl::TFont> FFont;
    bool FActiveGradient = true;
    bool FInActiveGradient = true;
    vcl::TColor FActiveLeftColor = vcl::clBlack;
    vcl::TColor FInActiveLeftColor = vcl::clBlack;
};

}  // namespace corvane
