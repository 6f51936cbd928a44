#include "ExtCtrls.h"

#include <algorithm>

#include "ExceptionHook.h"
#include "Gdi.h"
#include "StdCtrls.h"
#include "Windows.h"

namespace vcl {

VCL_PUBLISHED(TTimer, TComponent) {
    B.Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(1);
    B.Property("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
}

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FAlive(std::make_shared<bool>(true)) {
    FWindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
    if (FWindowHandle == nullptr) throw EOutOfResources("Not enough timers available");
}

TTimer::~TTimer() {
    *FAlive = false;
    FEnabled = false;
    if (FActive) KillTimer(FWindowHandle, kTimerId);
    FActive = false;
    DeallocateHWnd(FWindowHandle);
}

void TTimer::UpdateTimer() {
    if (FActive) {
        KillTimer(FWindowHandle, kTimerId);
        FActive = false;
    }
    if (FEnabled && FInterval != 0 && FOnTimer && !IsDesigning() && !IsLoading()) {
        if (SetTimer(FWindowHandle, kTimerId, FInterval, nullptr) == 0)
            throw EOutOfResources("Not enough timers available");
        FActive = true;
    }
}

void TTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t Value) {
    if (Value == FInterval) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Handler) {
    FOnTimer = std::move(Handler);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::Timer() { CallEvent(FOnTimer, this); }

void TTimer::WndProc(TMessage& Message) {
    if (Message.Msg != WM_TIMER) {
        Message.Result = DefWindowProc(FWindowHandle, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    // A tick that was ready before the timer was stopped is not delivered.
    if (!FActive) return;
    std::shared_ptr<bool> alive = FAlive;
    try {
        Timer();
    } catch (...) {
        // The component may be gone; the handler gets only the pointer.
        HandleApplicationException(*alive ? this : nullptr);
    }
}

// ---------------------------------------------------------------------------
// Panel and bevel

VCL_IMPLEMENT_CLASS(TCustomPanel, TCustomControl)
VCL_PUBLISHED(TPanel, TCustomPanel) {
    B.Property("Align", &TPanel::Align, &TPanel::SetAlign).Default(alNone);
    B.Property("Alignment", &TPanel::Alignment, &TPanel::SetAlignment).Default(taCenter);
    B.Property("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner).Default(bvNone);
    B.Property("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter).Default(bvRaised);
    B.Property("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1);
    B.Property("BorderStyle", &TPanel::BorderStyle, &TPanel::SetBorderStyle).Default(bsNone);
    B.Property("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth).Default(0);
    B.Property("Caption", &TPanel::Caption, &TPanel::SetCaption);
    B.Property("Color", &TPanel::Color, &TPanel::SetColor).Default(clBtnFace).Idents(ColorIdents());
    B.Property("Enabled", &TPanel::Enabled, &TPanel::SetEnabled).Default(1);
    B.Property("Font", &TPanel::Font, &TPanel::SetFont);
    B.Property("ParentColor", &TPanel::ParentColor, &TPanel::SetParentColor).Default(0);
    B.Property("ParentFont", &TPanel::ParentFont, &TPanel::SetParentFont).Default(1);
    B.Property("TabOrder", &TPanel::TabOrder, &TPanel::SetTabOrder);
    B.Property("Visible", &TPanel::Visible, &TPanel::SetVisible).Default(1);
}
VCL_PUBLISHED(TBevel, TGraphicControl) {
    B.Property("Align", &TBevel::Align, &TBevel::SetAlign).Default(alNone);
    B.Property("Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
    B.Property("Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
    B.Property("Visible", &TBevel::Visible, &TBevel::SetVisible).Default(1);
}

void Frame3D(HDC DC, TRect& Rect, TColor TopColor, TColor BottomColor, int32_t Width) {
    HBRUSH top = CreateSolidBrush(ColorToColorRef(TopColor));
    HBRUSH bottom = CreateSolidBrush(ColorToColorRef(BottomColor));
    for (int32_t i = 0; i < Width && Rect.Right > Rect.Left && Rect.Bottom > Rect.Top; ++i) {
        FillRect(DC, TRect{Rect.Left, Rect.Top, Rect.Right - 1, Rect.Top + 1}, top);
        FillRect(DC, TRect{Rect.Left, Rect.Top, Rect.Left + 1, Rect.Bottom - 1}, top);
        FillRect(DC, TRect{Rect.Left, Rect.Bottom - 1, Rect.Right, Rect.Bottom}, bottom);
        FillRect(DC, TRect{Rect.Right - 1, Rect.Top, Rect.Right, Rect.Bottom}, bottom);
        Rect = TRect{Rect.Left + 1, Rect.Top + 1, Rect.Right - 1, Rect.Bottom - 1};
    }
    DeleteObject(top);
    DeleteObject(bottom);
}

namespace {
void BevelColors(TPanelBevel Bevel, TColor Face, TColor& Top, TColor& Bottom) {
    Top = Bevel == bvLowered ? clBtnShadow : Bevel == bvRaised ? clBtnHighlight : Face;
    Bottom = Bevel == bvLowered ? clBtnHighlight : Bevel == bvRaised ? clBtnShadow : Face;
}
}  // namespace

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                  csDoubleClicks, csReplicatable});
    SetBounds(0, 0, 185, 41);
    SetParentColor(false);
    SetColor(clBtnFace);
}

void TCustomPanel::Changed() {
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel Value) {
    if (FBevelInner == Value) return;
    FBevelInner = Value;
    Changed();
}

void TCustomPanel::SetBevelOuter(TPanelBevel Value) {
    if (FBevelOuter == Value) return;
    FBevelOuter = Value;
    Changed();
}

void TCustomPanel::SetBevelWidth(int32_t Value) {
    if (Value < 0) throw EInvalidOperation("BevelWidth cannot be negative");
    if (FBevelWidth == Value) return;
    FBevelWidth = Value;
    Changed();
}

void TCustomPanel::SetBorderWidth(int32_t Value) {
    if (Value < 0) throw EInvalidOperation("BorderWidth cannot be negative");
    if (FBorderWidth == Value) return;
    FBorderWidth = Value;
    Changed();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
    if (Value != bsNone && Value != bsSingle) throw EInvalidOperation("A panel takes bsNone or bsSingle");
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    RecreateWnd();
    Changed();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (FBorderStyle == bsSingle) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

TRect TCustomPanel::InnerRect() const {
    TRect r = ClientRect();
    int32_t d = FBorderWidth;
    if (FBevelOuter != bvNone) d += FBevelWidth;
    if (FBevelInner != bvNone) d += FBevelWidth;
    return TRect{r.Left + d, r.Top + d, std::max(r.Right - d, r.Left + d), std::max(r.Bottom - d, r.Top + d)};
}

void TCustomPanel::AlignControls(TControl* AControl, TRect& Rect) {
    TRect inner = InnerRect();
    Rect = TRect{std::max(Rect.Left, inner.Left), std::max(Rect.Top, inner.Top), std::min(Rect.Right, inner.Right),
                 std::min(Rect.Bottom, inner.Bottom)};
    TCustomControl::AlignControls(AControl, Rect);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    TRect r = ClientRect();
    TColor top, bottom;
    if (FBevelOuter != bvNone) {
        BevelColors(FBevelOuter, Color(), top, bottom);
        Frame3D(dc, r, top, bottom, FBevelWidth);
    }
    Frame3D(dc, r, Color(), Color(), FBorderWidth);
    if (FBevelInner != bvNone) {
        BevelColors(FBevelInner, Color(), top, bottom);
        Frame3D(dc, r, top, bottom, FBevelWidth);
    }
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    std::string text = Caption();
    if (text.empty()) return;
    c->SetFont(Font());
    dc = c->Handle();
    unsigned fmt = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    if (FAlignment == taCenter) fmt |= DT_CENTER;
    if (FAlignment == taRightJustify) fmt |= DT_RIGHT;
    DrawControlText(dc, text, r, fmt, Font()->Color(), Enabled());
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
    if (FShape == Value) return;
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint() {
    HDC dc = Canvas()->Handle();
    TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    int32_t w = Width(), h = Height();
    HBRUSH b1 = CreateSolidBrush(ColorToColorRef(first));
    HBRUSH b2 = CreateSolidBrush(ColorToColorRef(second));
    switch (FShape) {
        case bsBox: {
            TRect r{0, 0, w, h};
            Frame3D(dc, r, first, second, 1);
            break;
        }
        case bsFrame: {
            // Two offset rectangles give the etched look.
            FrameRect(dc, TRect{0, 0, w - 1, h - 1}, b1);
            FrameRect(dc, TRect{1, 1, w, h}, b2);
            break;
        }
        case bsTopLine:
            FillRect(dc, TRect{0, 0, w, 1}, b1);
            FillRect(dc, TRect{0, 1, w, 2}, b2);
            break;
        case bsBottomLine:
            FillRect(dc, TRect{0, h - 2, w, h - 1}, b1);
            FillRect(dc, TRect{0, h - 1, w, h}, b2);
            break;
        case bsLeftLine:
            FillRect(dc, TRect{0, 0, 1, h}, b1);
            FillRect(dc, TRect{1, 0, 2, h}, b2);
            break;
        case bsRightLine:
            FillRect(dc, TRect{w - 2, 0, w - 1, h}, b1);
            FillRect(dc, TRect{w - 1, 0, w, h}, b2);
            break;
        case bsSpacer: break;
    }
    DeleteObject(b1);
    DeleteObject(b2);
}

}  // namespace vcl
