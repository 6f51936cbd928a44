// ExtCtrls.h - TTimer, the window-message timer of the main thread.
#pragma once

#include <cstdint>
#include <memory>

#include "Classes.h"
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

}  // namespace vcl
