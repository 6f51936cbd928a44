// ExtCtrls.h - TTimer, the window-message timer of the main thread; the
// panel and the bevel.
#pragma once

#include <cstdint>
#include <memory>

#include "Classes.h"
#include "Controls.h"
#include "Messages.h"

namespace vcl {

// A timer driven by WM_TIMER messages of a hidden window: OnTimer runs on
// the thread that created the component, from its message loop, every
// Interval milliseconds.  The window timer runs exactly while Enabled is
// True, Interval is not 0, an OnTimer handler is assigned and the component
// is not in the designer.  Changing Enabled, Interval or OnTimer restarts it,
// so the next tick comes one full Interval after the change.  An exception
// raised by OnTimer goes to the application's exception handler
// (ExceptionHook.h) and the timer goes on.  The handler may free the timer.
class TTimer : public TComponent {
    VCL_DECLARE_CLASS(TTimer)
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Milliseconds; 0 stops the timer.  Intervals below 10 ms tick every 10 ms.
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t Value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent Handler);

    // The hidden window that receives the timer's messages.
    HWND WindowHandle() const { return FWindowHandle; }
    // True while a window timer is set.
    bool Active() const { return FActive; }

    void Loaded() override;

protected:
    // Runs OnTimer; descendants may react to ticks here.
    virtual void Timer();

private:
    void UpdateTimer();
    void WndProc(TMessage& Message);

    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    HWND FWindowHandle = nullptr;
    bool FActive = false;
    // Cleared by the destructor, so that a tick whose handler freed the
    // component touches nothing afterwards.
    std::shared_ptr<bool> FAlive;
};

// ---------------------------------------------------------------------------
// Panel and bevel

VCL_ENUM(TPanelBevel, bvNone, bvLowered, bvRaised, bvSpace)
VCL_ENUM(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer)
VCL_ENUM(TBevelStyle, bsLowered, bsRaised)

// Draws a frame of Width pixels around Rect: TopColor on the top and left,
// BottomColor on the bottom and right; Rect shrinks by Width.
void Frame3D(HDC DC, TRect& Rect, TColor TopColor, TColor BottomColor, int32_t Width);

// A container with an outer and an inner bevel, a border of its own colour
// between them and a caption in the middle.  Aligned children stay inside
// the bevels and the border.
class TCustomPanel : public TCustomControl {
    VCL_DECLARE_CLASS(TCustomPanel)
public:
    explicit TCustomPanel(TComponent* AOwner);

    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel Value);
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel Value);
    // Bevel and border widths in pixels; negative values raise
    // EInvalidOperation.
    int32_t BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int32_t Value);
    int32_t BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int32_t Value);
    // bsNone or bsSingle (a sunken edge around everything).
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // The client area less the bevels and the border.
    TRect InnerRect() const;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;

private:
    void Changed();
    TPanelBevel FBevelInner = bvNone;
    TPanelBevel FBevelOuter = bvRaised;
    int32_t FBevelWidth = 1;
    int32_t FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
    VCL_DECLARE_CLASS(TPanel)
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// A 3D line or frame on its parent's surface.
class TBevel : public TGraphicControl {
    VCL_DECLARE_CLASS(TBevel)
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

}  // namespace vcl
