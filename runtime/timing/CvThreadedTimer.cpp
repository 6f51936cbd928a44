#include "CvThreadedTimer.h"

#include "ExceptionHook.h"

namespace corvane {

using namespace vcl;

VCL_PUBLISHED(TCvThreadedTimer, vcl::TComponent) {
    B.Property("About", &TCvThreadedTimer::About, &TCvThreadedTimer::SetAbout);
    B.Property("Enabled", &TCvThreadedTimer::Enabled, &TCvThreadedTimer::SetEnabled);
    B.Property("Interval", &TCvThreadedTimer::Interval, &TCvThreadedTimer::SetInterval);
    B.Property("ThreadPriority", &TCvThreadedTimer::ThreadPriority, &TCvThreadedTimer::SetThreadPriority);
}

// ---------------------------------------------------------------------------
// TCvTimerThread

TCvTimerThread::TCvTimerThread(TCvThreadedTimer* AOwner, uint32_t AInterval, std::shared_ptr<bool> AAlive)
    : TThread(true), FOwner(AOwner), FInterval(AInterval), FAlive(std::move(AAlive)) {}

TCvTimerThread::~TCvTimerThread() {
    // Execute reads this object's members: stop it before they go.
    Shutdown();
}

void TCvTimerThread::Execute() {
    while (!Terminated()) {
        // Interruptible: Terminate (and so Shutdown) ends it at once;
        // Suspend parks it and keeps the rest of the interval.
        if (!TThread::Sleep(Interval())) return;
        try {
            Synchronize([this] { DoTimer(); });
        } catch (const EThread&) {
            // Shut down, or freed from inside the tick: this object may be
            // gone, so leave without touching it.
            return;
        }
    }
}

void TCvTimerThread::DoTimer() {
    // Main thread.  The owner may free this thread (Reset, or freeing the
    // component) inside Timer: keep what is needed afterwards in locals.
    TCvThreadedTimer* owner = FOwner;
    std::shared_ptr<bool> alive = FAlive;
    if (!*alive || owner->FThread != this || !owner->Running()) return;  // switched off meanwhile
    try {
        owner->Timer();
    } catch (...) {
        HandleApplicationException(*alive ? owner : nullptr);
    }
}

// ---------------------------------------------------------------------------
// TCvThreadedTimer

TCvThreadedTimer::TCvThreadedTimer(TComponent* AOwner)
    : TComponent(AOwner), FAlive(std::make_shared<bool>(true)) {
    FEnabled = true;
    FInterval = 1000;
    FThreadPriority = tpNormal;
    FThread = MakeThread();
    // The worker stays suspended until one of the setters applies the rule.
}

TCvThreadedTimer::~TCvThreadedTimer() {
    *FAlive = false;
    FEnabled = false;
    // Deleting the worker stops it: a sleep in progress ends at once and a
    // tick waiting for the main thread is dropped.
    delete FThread;
    FThread = nullptr;
}

TCvTimerThread* TCvThreadedTimer::MakeThread() {
    TCvTimerThread* thread = NewThread<TCvTimerThread>(this, FInterval, FAlive);
    thread->SetPriority(FThreadPriority);
    return thread;
}

void TCvThreadedTimer::UpdateTimer() {
    if (!FThread->Suspended()) FThread->Suspend();
    if (Running()) FThread->Resume();
}

void TCvThreadedTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TCvThreadedTimer::SetInterval(uint16_t Value) {
    if (Value == FInterval) return;
    FInterval = Value;
    FThread->SetInterval(Value);
    UpdateTimer();
}

void TCvThreadedTimer::SetThreadPriority(TThreadPriority Value) {
    if (Value == FThreadPriority) return;
    FThreadPriority = Value;
    FThread->SetPriority(Value);
    UpdateTimer();
}

void TCvThreadedTimer::SetOnTimer(TNotifyEvent Value) {
    FOnTimer = std::move(Value);
    UpdateTimer();
}

void TCvThreadedTimer::Timer() {
    if (FOnTimer) FOnTimer(this);
}

void TCvThreadedTimer::Reset() {
    TCvTimerThread* old = FThread;
    FThread = MakeThread();
    delete old;
    UpdateTimer();
}

}  // namespace corvane
