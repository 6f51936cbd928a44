// CvThreadedTimer.h - TCvThreadedTimer, a timer that sleeps on a worker
// thread and runs its event on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "Classes.h"
#include "Thread.h"

namespace corvane {

class TCvThreadedTimer;

// The worker of a TCvThreadedTimer: sleeps for its interval, then runs the
// owner's Timer on the main thread through Synchronize and waits for it, and
// again, until it is stopped.  Created suspended and freed by its owner.
class TCvTimerThread : public vcl::TThread {
public:
    TCvTimerThread(TCvThreadedTimer* AOwner, uint32_t AInterval, std::shared_ptr<bool> AAlive);
    ~TCvTimerThread() override;

    uint32_t Interval() const { return FInterval.load(std::memory_order_relaxed); }
    // Takes effect at the worker's next sleep; any thread.
    void SetInterval(uint32_t Value) { FInterval.store(Value, std::memory_order_relaxed); }

protected:
    void Execute() override;

private:
    // Runs on the main thread; calls the owner's Timer.
    void DoTimer();

    TCvThreadedTimer* const FOwner;
    std::atomic<uint32_t> FInterval;
    const std::shared_ptr<bool> FAlive;  // the owner's: false once it is destroyed
};

// A timer whose worker thread sleeps for Interval milliseconds and then runs
// OnTimer on the main thread (served by the main thread's message loop or
// CheckSynchronize), again and again.  The worker runs while Enabled is
// True, Interval is not 0 and OnTimer is assigned; otherwise it is
// suspended, keeping the rest of its current sleep, so the first tick after
// re-enabling can come sooner than one full Interval.  Reset starts the
// sleep over.  A tick that was waiting for the main thread when the timer
// was switched off or destroyed is dropped.  An exception raised by OnTimer
// goes to the application's exception handler and the timer goes on.
// OnTimer may free the component or call Reset.
class TCvThreadedTimer : public vcl::TComponent {
    VCL_DECLARE_CLASS(TCvThreadedTimer)
public:
    explicit TCvThreadedTimer(vcl::TComponent* AOwner);
    ~TCvThreadedTimer() override;

    uint8_t About() const { return FAbout; }
    void SetAbout(uint8_t Value) { FAbout = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Milliseconds, 0 to 65535; 0 stops the timer.
    uint16_t Interval() const { return FInterval; }
    void SetInterval(uint16_t Value);
    vcl::TThreadPriority ThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(vcl::TThreadPriority Value);
    const vcl::TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(vcl::TNotifyEvent Value);

    // Replaces the worker by a new one, so that the next tick comes one full
    // Interval from now.
    void Reset();

    // The current worker (for inspection; owned by the component).
    TCvTimerThread* Thread() const { return FThread; }

protected:
    // Runs OnTimer; descendants may react to ticks here.
    virtual void Timer();

private:
    friend class TCvTimerThread;
    void UpdateTimer();
    TCvTimerThread* MakeThread();
    bool Running() const { return FEnabled && FInterval != 0 && static_cast<bool>(FOnTimer); }

    uint8_t FAbout = 0;
    bool FEnabled = true;
    uint16_t FInterval = 1000;
    vcl::TThreadPriority FThreadPriority = vcl::tpNormal;
    vcl::TNotifyEvent FOnTimer;
    TCvTimerThread* FThread = nullptr;
    std::shared_ptr<bool> FAlive;
};

}  // namespace corvane
