// CvBackgroundFill.h - TCvBackgroundFill: paints the client area of an MDI
// parent form with a horizontal gradient from LeftColor to RightColor in
// GradientColors stripes.
//
// It hooks the form's MDI client window once the form has been read from
// its file, when Enabled and not designing.  Created in code, setting
// Enabled hooks (or unhooks) at once.  A form that is not an MDI parent has
// no client window and is left alone.
#pragma once

#include <cstdint>

#include "CvWndProcComponents.h"
#include "Graphics.h"

namespace corvane {

class TCvBackgroundFill : public TCvWndProcComponent {
    VCL_DECLARE_CLASS(TCvBackgroundFill)
public:
    explicit TCvBackgroundFill(vcl::TComponent* AOwner);

    // Index 1: LeftColor, 2: RightColor.
    void SetCol(int Index, vcl::TColor Value);
    vcl::TColor LeftColor() const { return FLeftColor; }
    void SetLeftColor(vcl::TColor Value) { SetCol(1, Value); }
    vcl::TColor RightColor() const { return FRightColor; }
    void SetRightColor(vcl::TColor Value) { SetCol(2, Value); }
    // 1..128; other values are ignored.
    int32_t GradientColors() const { return FGradientColors; }
    void SetGrad(int32_t Value);
    void SetGradientColors(int32_t Value) { SetGrad(Value); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    // Paints the gradient over the owner form's client rectangle on DC.
    void DrawGradient(vcl::HDC DC);

    void Loaded() override;

protected:
    void WndProc(vcl::TMessage& Message) override;

private:
    void InvalidateForm();

    vcl::TColor FLeftColor = vcl::clNavy;
    vcl::TColor FRightColor = vcl::clSilver;
    int32_t FGradientColors = 32;
    bool FEnabled = false;
};

}  // namespace corvane
