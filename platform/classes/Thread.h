// Thread.h - TThread, Synchronize and the main thread.
//
// TThread runs Execute on its own operating-system thread.  Its waits
// (TThread::Sleep, Synchronize, the suspension points, WaitFor) go through
// the platform's wait hub (Sleep.h), so they run on the platform clock and
// are deterministic in virtual time.
//
// Life of a thread object
// - Create it with NewThread<T>(args...), which constructs the object and
//   then starts it unless CreateSuspended was true.  C++ runs no override
//   from a base constructor, so the TThread constructor cannot start the
//   thread itself: an object made with plain `new T(false)` starts at its
//   first Start() or Resume() (AfterConstruction does the same).
// - Execute runs unless the thread was terminated before it began.  An
//   exception escaping Execute ends the thread and is kept in
//   FatalException.  Then DoTerminate runs OnTerminate on the main thread
//   through Synchronize.  Then the thread is finished: WaitFor returns.
// - Owned by its creator (FreeOnTerminate false, the default): the owner
//   deletes it.  Deleting a thread that still runs stops it with Shutdown
//   (below) first; deleting a finished or never-started thread just frees it.
// - FreeOnTerminate true: the object deletes itself on its own thread after
//   Execute and OnTerminate.  Once such a thread is started, nobody else may
//   delete it or call WaitFor on it (WaitFor raises EThread); before it is
//   started, the creator may still delete it.  The flag is read when
//   Execute has ended.
// - A derived class whose Execute uses the derived class's own members calls
//   Shutdown() first in its destructor: by the time ~TThread runs, those
//   members are gone (and Execute must not be left running into them).
// - Shutdown and the destructor drop the thread's queued Synchronize calls
//   without running them: the thread's Synchronize raises EThread, as it
//   does for any Synchronize the thread makes once it is shut down.  So the
//   methods of an object being destroyed never run on the main thread.
// - Deleting the object on the main thread from inside one of the thread's
//   own Synchronize calls (an event handler that frees its thread) cannot
//   wait for the thread, which waits for that very call: the object goes at
//   once and the thread ends on its own after the call returns, its
//   Synchronize raising EThread.  Its Execute must then let that exception
//   pass without touching the object again.
//
// Suspension is cooperative.  Suspend() asks the thread to stop; it stops
// at its next suspension point: TThread::Sleep (and ClockSleep), an explicit
// SuspendPoint(), or before Execute begins.  A thread suspended inside a
// sleep keeps the unslept rest of its interval and sleeps it after Resume.
// Suspend called by the thread itself stops it at once.  Suspend and Resume
// do not nest: one Resume undoes any number of Suspend calls.  Terminate does
// not resume a suspended thread; Shutdown and the destructor do.
//
// Priority is kept and reported; the operating-system thread runs at the
// normal priority whatever it says.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <utility>

#include "Lists.h"
#include "System.h"
#include "TypInfo.h"

namespace vcl {

VCL_ENUM(TThreadPriority, tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical)

using TThreadMethod = std::function<void()>;

// The platform's identifier of the calling thread: a number > 0, never
// reused within the process.
uint32_t CurrentThreadID();
// The main thread: the thread that loaded the platform, unless a test
// called SetMainThread.
uint32_t MainThreadID();
bool IsMainThread();
// Makes the calling thread the main thread (for tests and for programs
// whose message loop runs on another thread than the one that loaded the
// platform).
void SetMainThread();

// The main thread runs the Synchronize calls of other threads in
// CheckSynchronize and while it waits in TThread::WaitFor (or Shutdown, or
// the destructor of a thread); a main thread blocked anywhere else (a TEvent,
// a sleep) runs none.
//
// Runs the Synchronize calls queued by other threads; main thread only
// (EThread otherwise).  When none is queued it waits up to TimeoutMs of
// real time for one to arrive (INFINITE: without limit): this is a wait for
// work, not a timer, so it does not follow virtual time.  Returns true when
// it ran at least one call.
bool CheckSynchronize(uint32_t TimeoutMs = 0);
// Called, on the queuing thread and without any lock held, each time a
// Synchronize call is queued for the main thread; the message loop installs
// it to wake a GetMessage waiting on the main thread.  Empty to remove.
void SetSynchronizeWakeup(std::function<void()> Wakeup);

class TThread : public TObject {
public:
    explicit TThread(bool CreateSuspended);
    ~TThread() override;

    // Starts the thread unless it was created suspended (NewThread calls it).
    void AfterConstruction();
    // Starts a thread that was created suspended; EThread when it was
    // started before.
    void Start();
    // Starts a thread that was never started, or lets a suspended thread go on.
    void Resume();
    // Asks the thread to stop at its next suspension point (see above).
    void Suspend();
    // Sets Terminated and ends an interruptible sleep of the thread.
    void Terminate();
    // Waits until the thread has finished and returns ReturnValue.  On the
    // main thread it runs the queued Synchronize calls while it waits.
    // EThread when called by the thread itself, for a thread that was never
    // started, or for a FreeOnTerminate thread.
    uint32_t WaitFor();
    // Stops the thread for good and waits for it: marks it terminated, drops
    // its queued Synchronize calls and refuses new ones (they raise EThread
    // in the thread), skips OnTerminate, resumes it when suspended and waits
    // until it ends, serving other threads' Synchronize calls meanwhile when
    // called on the main thread.  Called by the thread itself it only marks.
    void Shutdown();

    bool Suspended() const;
    bool Terminated() const;
    bool Finished() const;
    bool FreeOnTerminate() const;
    void SetFreeOnTerminate(bool Value);
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority Value);
    // Set it before Start or on the main thread.
    const TNotifyEvent& OnTerminate() const { return FOnTerminate; }
    void SetOnTerminate(TNotifyEvent Handler) { FOnTerminate = std::move(Handler); }
    // The operating-system handle (pthread_t) and the platform thread id;
    // 0 until the thread is started.
    uintptr_t Handle() const;
    uint32_t ThreadID() const;
    // The exception that escaped Execute (or OnTerminate), or null.
    std::exception_ptr FatalException() const;
    int32_t ReturnValue() const;

    // Runs Method on the main thread and waits until it has run; an
    // exception it raises is raised again in the calling thread.  Called on
    // the main thread it runs Method directly.  AThread may be null.
    static void Synchronize(TThread* AThread, const TThreadMethod& Method);
    // The interruptible sleep of the platform clock (ClockSleep): true when
    // the whole interval passed, false when Terminate cut it short.
    static bool Sleep(uint32_t Ms);
    // The TThread whose Execute runs on the calling thread, or null.
    static TThread* CurrentThread();

protected:
    virtual void Execute() = 0;
    // Runs OnTerminate through Synchronize.
    virtual void DoTerminate();
    void Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }
    // A suspension point: parks the thread while a suspension is requested.
    void SuspendPoint();
    void SetReturnValue(int32_t Value);

public:
    // The state shared by the object and its running thread (internal).
    struct TImpl;

private:
    static void ThreadMain(std::shared_ptr<TImpl> Impl);
    void StartLocked();

    std::shared_ptr<TImpl> F;
    TNotifyEvent FOnTerminate;
};

// Creates a thread object and starts it unless it was created suspended.
template <class T, class... A>
T* NewThread(A&&... Args) {
    T* thread = new T(std::forward<A>(Args)...);
    try {
        thread->AfterConstruction();
    } catch (...) {
        delete thread;
        throw;
    }
    return thread;
}

}  // namespace vcl
