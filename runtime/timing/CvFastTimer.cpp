#include "CvFastTimer.h"

#include "ExceptionHook.h"
#include "Windows.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvFastTimer, vcl::TComponent) {
    B.Property("About", &TCvFastTimer::About, &TCvFastTimer::SetAbout);
    B.Property("Enabled", &TCvFastTimer::Enabled, &TCvFastTimer::SetEnabled);
    B.Property("AutoRepeat", &TCvFastTimer::AutoRepeat, &TCvFastTimer::SetAutoRepeat);
    B.Property("Interval", &TCvFastTimer::Interval, &TCvFastTimer::SetInterval);
    B.Property("Resolution", &TCvFastTimer::Resolution, &TCvFastTimer::SetResolution);
    // Read-only information, never written to a form file.
    TPropInfo& pending =
        B.Property("PendingEvents", &TCvFastTimer::PendingEvents, [](TCvFastTimer&, uint16_t) {});
    pending.SetOrd = nullptr;
    pending.Stored([](const TObject&) { return false; });
    TPropInfo& handle = B.Property(
        "WindowHandle",
        [](const TCvFastTimer& t) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(t.WindowHandle())); },
        [](TCvFastTimer&, int32_t) {});
    handle.SetOrd = nullptr;
    handle.Stored([](const TObject&) { return false; });
}

UINT CvFastTimerMessage() {
    // Registered on first use (thread-safe), shared by every instance.
    static const UINT message = RegisterWindowMessage("TCvFastTimer");
    return message;
}

namespace {

// Runs on the multimedia timer thread: touches no component, only posts the
// tick with its time and the id of the timer that made it.
void FastTimerCallback(UINT uTimerID, UINT, DWORD_PTR dwUser, DWORD_PTR, DWORD_PTR) {
    DWORD now = timeGetTime();
    PostMessage(reinterpret_cast<HWND>(dwUser), CvFastTimerMessage(), static_cast<WPARAM>(now),
                static_cast<LPARAM>(uTimerID));
}

}  // namespace

TCvFastTimer::TCvFastTimer(TComponent* AOwner) : TComponent(AOwner), FAlive(std::make_shared<bool>(true)) {
    CvFastTimerMessage();  // registered once, before any tick can be posted
    FWindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
    if (FWindowHandle == nullptr) throw EOutOfResources("Cannot create the fast timer's window");
    if (timeGetDevCaps(&FTimeCaps, sizeof(FTimeCaps)) != TIMERR_NOERROR) {
        DeallocateHWnd(FWindowHandle);
        throw EOutOfResources("Cannot read the multimedia timer's capabilities");
    }
    // The interval first, so that the resolution is not refused as greater
    // than an interval of 0.
    FInterval = FTimeCaps.wPeriodMax;
    FResolution = FTimeCaps.wPeriodMin;
    if (timeBeginPeriod(FResolution) == TIMERR_NOERROR) FPeriod = FResolution;
    FEnabled = true;
    FAutoRepeat = true;
    FTimerID = 0;
    UpdateTimer();
}

TCvFastTimer::~TCvFastTimer() {
    *FAlive = false;
    if (FTimerID != 0) {
        timeKillEvent(FTimerID);  // after this the callback runs no more
        FTimerID = 0;
    }
    if (FPeriod != 0) timeEndPeriod(FPeriod);
    // Ticks still queued for the window are dropped with it.
    DeallocateHWnd(FWindowHandle);
}

void TCvFastTimer::UpdateTimer() {
    if (static_cast<int32_t>(FInterval) < 10) FAutoRepeat = false;
    if (IsDesigning()) return;
    if (FTimerID != 0) {
        timeKillEvent(FTimerID);
        FTimerID = 0;
    }
    if (FEnabled && FOnTimer && FInterval > 0) {
        FTimerID = timeSetEvent(FInterval, FResolution, &FastTimerCallback, reinterpret_cast<DWORD_PTR>(FWindowHandle),
                                FAutoRepeat ? TIME_PERIODIC : TIME_ONESHOT);
    }
}

void TCvFastTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TCvFastTimer::SetAutoRepeat(bool Value) {
    if (Value == FAutoRepeat) return;
    FAutoRepeat = Value;
    if (static_cast<int32_t>(FInterval) < 10) FAutoRepeat = false;
    UpdateTimer();
}

void TCvFastTimer::SetInterval(uint32_t Value) {
    int32_t v = static_cast<int32_t>(Value);
    if (Value == FInterval || v < static_cast<int32_t>(FTimeCaps.wPeriodMin) ||
        v > static_cast<int32_t>(FTimeCaps.wPeriodMax))
        return;
    FInterval = Value;
    if (v < 10) FAutoRepeat = false;
    UpdateTimer();
}

void TCvFastTimer::SetResolution(uint32_t Value) {
    if (Value == FResolution || Value > FInterval) return;
    FResolution = Value;
    UpdateTimer();
}

void TCvFastTimer::SetOnTimer(TCvTimerEvent Value) {
    FOnTimer = std::move(Value);
    UpdateTimer();
}

void TCvFastTimer::WndProc(TMessage& Message) {
    if (Message.Msg != CvFastTimerMessage()) {
        Message.Result = DefWindowProc(FWindowHandle, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    // Ticks of a timer that was stopped or replaced since they were posted
    // are dropped, as are all ticks while the component is disabled.
    if (!FEnabled || FTimerID == 0 || static_cast<uint32_t>(Message.LParam) != FTimerID) return;
    std::shared_ptr<bool> alive = FAlive;
    try {
        if (!FAutoRepeat) FEnabled = false;  // a one-shot timer disables itself on delivery
        --FPendingEvents;
        vcl::CallEvent(FOnTimer, this, static_cast<uint32_t>(Message.WParam));
    } catch (...) {
        if (*alive) {
            // A failing handler stops the timer: the flag and the system timer.
            FEnabled = false;
            if (FTimerID != 0) {
                timeKillEvent(FTimerID);
                FTimerID = 0;
            }
        }
        HandleApplicationException(*alive ? this : nullptr);
    }
}

}  // namespace corvane
