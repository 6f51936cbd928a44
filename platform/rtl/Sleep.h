// Sleep.h - waiting on the platform clock: interruptible sleeps and events.
//
// Every timed wait of the platform (ClockSleep, TEvent::WaitFor, the worker
// threads of TThread, the multimedia timer thread) measures its time on the
// platform clock (Clock.h).  In real time that is the steady clock.  In
// virtual time a timed wait ends exactly when Clock::Advance reaches its due
// time: Advance stops the clock there, wakes the waiter and lets it run.
//
// Settling.  So that a test on virtual time sees a deterministic order of
// events, Advance does not move the clock while a platform thread is between
// two waits.  A thread counts as running ("busy") from the moment it is
// started or woken (by the clock, an event, a finished Synchronize call, a
// Resume) until it waits again in one of the platform's waits or ends.
// Before each step and after each wake-up, Advance waits until no platform
// thread other than the calling one is busy.  So after Advance(1000) every
// thread whose sleep ended on the way has run up to its next wait, and
// Advance(0) lets every started or woken thread reach its next wait without
// moving the clock.
// A thread that blocks outside the platform (a read, a poll, a foreign
// mutex) brackets that call with TExternalWait, so that Advance does not wait
// for it.  As a safety net Advance stops waiting for busy threads after
// two seconds of real time and treats them as blocked outside.
// A thread woken on the way must not call Clock::Advance itself.
// A wait on virtual time notices a switch back to real time within 20 ms.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace vcl {

// No time limit.
constexpr uint32_t INFINITE = 0xFFFFFFFFu;

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// Sleeps the calling thread for Ms milliseconds of the platform clock.
// Inside a TThread the sleep is interruptible: Terminate ends it at once
// (the result is then false, and a terminated thread does not sleep at
// all), and Suspend parks it: the unslept rest of the interval is kept and
// slept after Resume.  A suspension requested before the sleep parks the
// thread before the sleep begins.  Returns true when the whole interval
// passed.  Ms 0 only passes a suspension point.
bool ClockSleep(uint32_t Ms);

// An event object, as the synchronisation objects of the classic class
// library have it.  A manual-reset event stays signalled until ResetEvent;
// an auto-reset event lets exactly one waiter through per SetEvent.
// Destroying an event ends the waits on it with wrAbandoned; the destructor
// returns once every waiter has left.
class TEvent {
public:
    explicit TEvent(bool ManualReset = true, bool InitialState = false);
    ~TEvent();
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    // Waits until the event is signalled or TimeoutMs of the platform clock
    // have passed (INFINITE: no limit; 0: only tests the state).
    TWaitResult WaitFor(uint32_t TimeoutMs = INFINITE);

private:
    struct TImpl;
    std::unique_ptr<TImpl> F;
};

// Marks the calling thread as blocked outside the platform's waits for the
// lifetime of the object (see "Settling" above).
class TExternalWait {
public:
    TExternalWait();
    ~TExternalWait();
    TExternalWait(const TExternalWait&) = delete;
    TExternalWait& operator=(const TExternalWait&) = delete;
};

// ---------------------------------------------------------------------------
// The wait hub: the one lock and the per-thread wait records behind every
// wait of the platform.  For the platform's own thread and timer classes.

namespace detail {

struct TThreadRecord;
using TThreadRecordPtr = std::shared_ptr<TThreadRecord>;

constexpr uint64_t kNoDue = UINT64_MAX;

// The lock guarding every record and all state the platform's thread and
// timer classes keep.  Never held while user code runs.
std::unique_lock<std::mutex> LockHub();

// A record for a thread that is about to be created.  MarkStarting (under
// the lock) counts it as running from now on; the new thread then calls
// AttachCurrentThread first and DetachCurrentThread last.
TThreadRecordPtr CreateThreadRecord();
void MarkStarting(TThreadRecord& R);
// Undoes MarkStarting when the thread could not be created (lock held).
void CancelStarting(TThreadRecord& R);
void AttachCurrentThread(const TThreadRecordPtr& R);
void DetachCurrentThread();
// The calling thread's record, made on first use.  Lock held.
TThreadRecord& CurrentRecord();

// Waits (lock held) until Pred() holds, the record's due time (SetDue) is
// reached on the platform clock, or RealTimeoutMs of real time have passed.
// Returns true when Pred() held.  Wakers change the state Pred reads under
// the lock and call Wake.
bool WaitLocked(std::unique_lock<std::mutex>& Lock, TThreadRecord& R, const std::function<bool()>& Pred,
                uint32_t RealTimeoutMs = INFINITE);
// Sets the due time (NowNs value) of the record's next or running timed wait.
void SetDue(TThreadRecord& R, uint64_t DueNs);
// Wakes the record's thread if it waits; it counts as running from now on.
void Wake(TThreadRecord& R);

// Thread control (lock held).  Terminate is sticky and ends an interruptible
// sleep; a suspension parks the thread at its next suspension point and
// freezes a running interruptible sleep, keeping its rest.
void RequestTerminate(TThreadRecord& R);
bool IsTerminated(const TThreadRecord& R);
void RequestSuspend(TThreadRecord& R);
void ReleaseSuspend(TThreadRecord& R);
bool IsSuspendRequested(const TThreadRecord& R);
// Parks the calling thread while a suspension is requested (lock held).
void SuspendPointLocked(std::unique_lock<std::mutex>& Lock);

}  // namespace detail

}  // namespace vcl
