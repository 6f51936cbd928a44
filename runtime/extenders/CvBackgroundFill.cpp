#include "CvBackgroundFill.h"

#include <cmath>

#include "CvFormCaptionExtender.h"
#include "Forms.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvBackgroundFill, TCvWndProcComponent) {
    using C = TCvBackgroundFill;
    B.Property("LeftColor", &C::LeftColor, &C::SetLeftColor).Idents(ColorIdents());
    B.Property("RightColor", &C::RightColor, &C::SetRightColor).Idents(ColorIdents());
    B.Property("GradientColors", &C::GradientColors, &C::SetGradientColors);
    B.Property("Enabled", &C::Enabled, &C::SetEnabled);
}

namespace {

int32_t Rnd(double V) { return static_cast<int32_t>(vcl::Round(V)); }

}  // namespace

TCvBackgroundFill::TCvBackgroundFill(TComponent* AOwner) : TCvWndProcComponent(AOwner) {
    SetUseClientWindow(true);
}

void TCvBackgroundFill::InvalidateForm() {
    TCustomForm* form = OwnerForm();
    if (!form || !form->HandleAllocated()) return;
    form->Invalidate();
    // The gradient is the MDI client's background.
    if (HWND client = form->ClientHandle()) InvalidateRect(client, nullptr, TRUE);
}

void TCvBackgroundFill::SetCol(int Index, TColor Value) {
    if (Index == 1)
        FLeftColor = Value;
    else if (Index == 2)
        FRightColor = Value;
    else
        return;
    InvalidateForm();
}

void TCvBackgroundFill::SetGrad(int32_t Value) {
    if (Value < 1 || Value > 128) return;
    FGradientColors = Value;
    InvalidateForm();
}

void TCvBackgroundFill::SetEnabled(bool Value) {
    FEnabled = Value;
    // While the form is read the value counts in Loaded; set in code it
    // counts at once.
    if (IsLoading() || IsDesigning()) return;
    if (OwnerForm() && OwnerForm()->IsLoading()) return;
    if (Value) {
        if (!Hooked()) SetNewWndProc();
    } else {
        RestoreWndProc();
    }
    InvalidateForm();
}

void TCvBackgroundFill::Loaded() {
    TCvWndProcComponent::Loaded();
    if (FEnabled && !IsDesigning() && !Hooked()) SetNewWndProc();
}

void TCvBackgroundFill::DrawGradient(HDC DC) {
    TCustomForm* form = OwnerForm();
    if (!DC || !form) return;
    TCanvas canvas;
    canvas.SetHandle(DC);
    try {
        const TRect client = form->ClientRect();
        const int32_t w = client.Right, h = client.Bottom;
        const int32_t n = FGradientColors;
        canvas.Pen()->SetStyle(psClear);
        for (int32_t i = 0; i < n; ++i) {
            canvas.Brush()->SetColor(GradientColor(FLeftColor, FRightColor, n, i));
            const int32_t x1 = Rnd(-1 + double(i) * (w + 1) / n);
            const int32_t x2 = Rnd(-1 + double(i + 1) * (w + 1) / n) + 2;
            canvas.FillRect(TRect{x1, -1, x2, h});
        }
    } catch (...) {
        canvas.SetHandle(nullptr);
        throw;
    }
    canvas.SetHandle(nullptr);
}

void TCvBackgroundFill::WndProc(TMessage& Message) {
    if (Message.Msg == WM_ERASEBKGND) {
        DrawGradient(reinterpret_cast<HDC>(Message.WParam));
        Message.Result = 1;
        return;
    }
    TCvWndProcComponent::WndProc(Message);
}

}  // namespace corvane
