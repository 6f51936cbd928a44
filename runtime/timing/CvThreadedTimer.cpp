#include "CvThreadedTimer.h"

#include "Clock.h"

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
    // The ticks keep to a grid of whole intervals from the start, so the
    // time the main thread takes to run a tick does not add up (n ticks take
    // n intervals).  A tick more than an interval late (a long handler, a
    // suspension, a changed interval) starts a new grid from now instead of
    // firing the missed ticks in a burst.
    constexpr uint64_t NsPerMs = 1000000;
    uint64_t due = Clock::NowNs();
    uint32_t gridInterval = 0;
    while (!Terminated()) {
        const uint32_t interval = Interval();
        const uint64_t now = Clock::NowNs();
        if (interval != gridInterval || now > due + uint64_t{interval} * NsPerMs) {
            gridInterval = interval;
            due = now;
        }
        due += uint64_t{interval} * NsPerMs;
        const uint64_t waitNs = due > now ? due - now : 0;
        const uint32_t waitMs = static_cast<uint32_t>((waitNs + NsPerMs - 1) / NsPerMs);
        // Interruptible: Terminate (and so Shutdown) ends it at once;
        // Suspend parks it and keeps the rest of the interval.
        if (!TThread::Sleep(waitMs)) return;
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
    vcl::CallEvent(FOnTimer, this);
}

void TCvThreadedTimer::Reset() {
    TCvTimerThread* old = FThread;
    FThread = MakeThread();
    delete old;
    UpdateTimer();
}

}  // namespace corvane
