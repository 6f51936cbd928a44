#include "ExtCtrls.h"

#include "ExceptionHook.h"
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

void TTimer::Timer() {
    if (FOnTimer) FOnTimer(this);
}

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

}  // namespace vcl
