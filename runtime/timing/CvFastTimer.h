// CvFastTimer.h - TCvFastTimer, a multimedia timer delivered on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "Classes.h"
#include "MMSystem.h"
#include "Messages.h"

namespace corvane {

class TCvFastTimer;

// The tick event: the timer and the system time (timeGetTime) in
// milliseconds at which the multimedia timer fired.
using TCvTimerEvent = std::function<void(vcl::TObject* Sender, uint32_t Time)>;

// The window message that carries the ticks of every fast timer to its
// hidden window (registered once as "TCvFastTimer").
vcl::UINT CvFastTimerMessage();

// A multimedia timer whose ticks are posted to a hidden window of the thread
// that created the component and run OnTimer there.  The timer runs while
// Enabled is True, OnTimer is assigned, Interval > 0 and the component is
// not in the designer.  Below 10 ms it is always one-shot; a one-shot timer
// reads Enabled False once its tick was delivered and is armed again by
// setting Enabled True.  The system timer period is raised to Resolution's
// constructed value for the component's whole life.
class TCvFastTimer : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvFastTimer)
public:
    explicit TCvFastTimer(vcl::TComponent* AOwner);
    ~TCvFastTimer() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool AutoRepeat() const { return FAutoRepeat; }
    void SetAutoRepeat(bool Value);
    // Accepted within [minimum period, maximum period] of the timer device;
    // other values are ignored.
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t Value);
    // Accepted when not greater than Interval; other values are ignored.
    uint32_t Resolution() const { return FResolution; }
    void SetResolution(uint32_t Value);
    // Lowered by one for each delivered tick (wrapping); starts at 0.
    uint16_t PendingEvents() const { return FPendingEvents; }
    vcl::HWND WindowHandle() const { return FWindowHandle; }
    const TCvTimerEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TCvTimerEvent Value);

    // The id of the running multimedia timer, 0 for none (full 32 bits).
    uint32_t TimerID() const { return FTimerID; }

protected:
    void WndProc(vcl::TMessage& Message);

private:
    void UpdateTimer();

    uint8_t FAbout = 0;
    bool FEnabled = true;
    bool FAutoRepeat = true;
    uint32_t FInterval = 0;
    uint32_t FResolution = 0;
    uint16_t FPendingEvents = 0;
    uint32_t FTimerID = 0;
    uint32_t FPeriod = 0;  // the period given to timeBeginPeriod, 0 for none
    vcl::HWND FWindowHandle = nullptr;
    vcl::TIMECAPS FTimeCaps{};
    TCvTimerEvent FOnTimer;
    std::shared_ptr<bool> FAlive;
};

}  // namespace corvane
