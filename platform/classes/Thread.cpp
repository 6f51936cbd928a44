#include "Thread.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "Exceptions.h"
#include "Sleep.h"

namespace vcl {

using detail::TThreadRecord;

// ---------------------------------------------------------------------------
// Thread identities

namespace {

std::atomic<uint32_t> g_nextThreadId{1};
thread_local uint32_t t_threadId = 0;
std::atomic<uint32_t> g_mainThreadId{0};

struct TMainThreadInit {
    TMainThreadInit() { g_mainThreadId.store(CurrentThreadID()); }
} g_mainThreadInit;

}  // namespace

uint32_t CurrentThreadID() {
    if (t_threadId == 0) t_threadId = g_nextThreadId.fetch_add(1);
    return t_threadId;
}

uint32_t MainThreadID() { return g_mainThreadId.load(); }

bool IsMainThread() { return CurrentThreadID() == g_mainThreadId.load(); }

void SetMainThread() { g_mainThreadId.store(CurrentThreadID()); }

// ---------------------------------------------------------------------------
// State of a thread object, shared by the object and its running thread so
// that the thread can end cleanly even when the object is gone.  Guarded by
// the hub lock.

struct TThread::TImpl {
    TThread* Owner = nullptr;  // null once the object is gone
    detail::TThreadRecordPtr Rec = detail::CreateThreadRecord();
    bool CreateSuspended = true;
    bool Started = false;
    bool Finished = false;
    bool FreeOnTerminate = false;
    bool Stopping = false;      // Shutdown: Synchronize refused, no OnTerminate
    bool Orphaned = false;      // the object was destroyed while the thread ran
    bool SyncRunning = false;   // the main thread runs one of its Synchronize calls
    TThreadPriority Priority = tpNormal;
    uintptr_t Handle = 0;
    uint32_t Id = 0;
    std::thread::id StdId;
    std::exception_ptr Fatal;
    int32_t ReturnValue = 0;
    std::thread Thread;
    std::vector<TThreadRecord*> Waiters;  // records waiting for Finished

    bool IsSelf() const { return Started && StdId == std::this_thread::get_id(); }
};

namespace {

thread_local TThread::TImpl* t_impl = nullptr;

// ---------------------------------------------------------------------------
// The Synchronize queue of the main thread, guarded by the hub lock.

struct TSyncCall {
    const TThreadMethod* Method = nullptr;
    TThreadRecord* Waiter = nullptr;
    TThread::TImpl* Impl = nullptr;  // the calling thread's object state, if any
    bool Done = false;
    bool Cancelled = false;
    std::exception_ptr Error;
};

struct TSyncState {
    std::deque<TSyncCall*> Queue;
    std::vector<TThreadRecord*> MainWaiters;  // main thread waits that end on a new call
    std::mutex WakeupMutex;
    std::function<void()> Wakeup;
};

TSyncState& Sync() {
    static TSyncState* const state = new TSyncState;
    return *state;
}

template <class V>
void Erase(std::vector<V>& Vec, const V& Value) {
    auto it = std::find(Vec.begin(), Vec.end(), Value);
    if (it != Vec.end()) Vec.erase(it);
}

// Runs the calls queued now (not those that arrive meanwhile).  Main thread.
bool RunQueued() {
    TSyncState& s = Sync();
    size_t count;
    {
        auto lock = detail::LockHub();
        count = s.Queue.size();
    }
    bool ran = false;
    for (; count > 0; --count) {
        TSyncCall* call;
        {
            auto lock = detail::LockHub();
            if (s.Queue.empty()) break;  // cancelled meanwhile
            call = s.Queue.front();
            s.Queue.pop_front();
            if (call->Impl) call->Impl->SyncRunning = true;
        }
        std::exception_ptr error;
        try {
            (*call->Method)();
        } catch (...) {
            error = std::current_exception();
        }
        ran = true;
        auto lock = detail::LockHub();
        if (call->Impl) call->Impl->SyncRunning = false;
        // Moved, so that the calling thread holds the only reference.
        call->Error = std::move(error);
        call->Done = true;
        detail::Wake(*call->Waiter);
    }
    return ran;
}

// Marks the thread stopping (lock held): terminated, its queued Synchronize
// calls dropped, its suspension released.
void StopLocked(TThread::TImpl& Impl) {
    Impl.Stopping = true;
    detail::RequestTerminate(*Impl.Rec);
    // Drop the calls it has queued and not yet begun.
    TSyncState& s = Sync();
    for (auto it = s.Queue.begin(); it != s.Queue.end();) {
        if ((*it)->Waiter == Impl.Rec.get()) {
            (*it)->Cancelled = true;
            detail::Wake(*(*it)->Waiter);
            it = s.Queue.erase(it);
        } else {
            ++it;
        }
    }
    detail::ReleaseSuspend(*Impl.Rec);
}

// Waits (lock held) until the thread has finished; the main thread serves
// Synchronize calls meanwhile.
void WaitFinishedLocked(TThread::TImpl& Impl, std::unique_lock<std::mutex>& Lock) {
    TThreadRecord& r = detail::CurrentRecord();
    const bool main = IsMainThread();
    TSyncState& s = Sync();
    while (!Impl.Finished) {
        if (main && !s.Queue.empty()) {
            Lock.unlock();
            RunQueued();
            Lock.lock();
            continue;
        }
        Impl.Waiters.push_back(&r);
        if (main) s.MainWaiters.push_back(&r);
        detail::WaitLocked(Lock, r, [&] { return Impl.Finished || (main && !s.Queue.empty()); });
        Erase(Impl.Waiters, &r);
        if (main) Erase(s.MainWaiters, &r);
    }
}

}  // namespace

bool CheckSynchronize(uint32_t TimeoutMs) {
    if (!IsMainThread())
        throw EThread("CheckSynchronize called from thread " + std::to_string(CurrentThreadID()) +
                      ", which is not the main thread");
    TSyncState& s = Sync();
    {
        auto lock = detail::LockHub();
        if (s.Queue.empty() && TimeoutMs != 0) {
            TThreadRecord& r = detail::CurrentRecord();
            s.MainWaiters.push_back(&r);
            detail::WaitLocked(lock, r, [&s] { return !s.Queue.empty(); }, TimeoutMs);
            Erase(s.MainWaiters, &r);
        }
        if (s.Queue.empty()) return false;
    }
    return RunQueued();
}

void SetSynchronizeWakeup(std::function<void()> Wakeup) {
    TSyncState& s = Sync();
    std::lock_guard<std::mutex> lock(s.WakeupMutex);
    s.Wakeup = std::move(Wakeup);
}

// ---------------------------------------------------------------------------
// TThread

TThread::TThread(bool CreateSuspended) : F(std::make_shared<TImpl>()) {
    F->Owner = this;
    F->CreateSuspended = CreateSuspended;
}

TThread::~TThread() {
    std::unique_lock<std::mutex> lock = detail::LockHub();
    const bool self = F->IsSelf();
    // Destroyed by the main thread from inside one of the thread's own
    // Synchronize calls: the thread cannot end before that call returns, so
    // it is left to end on its own; its Synchronize raises EThread and it
    // never touches this object again.
    const bool orphan = F->Started && !F->Finished && !self && F->SyncRunning && IsMainThread();
    StopLocked(*F);
    if (orphan) {
        F->Orphaned = true;
        F->Owner = nullptr;
        if (F->Thread.joinable()) F->Thread.detach();
        return;
    }
    if (F->Started && !self) WaitFinishedLocked(*F, lock);
    F->Owner = nullptr;
    lock.unlock();
    if (F->Thread.joinable()) {
        if (self)
            F->Thread.detach();
        else
            F->Thread.join();
    }
}

void TThread::AfterConstruction() {
    auto lock = detail::LockHub();
    if (!F->CreateSuspended && !F->Started) StartLocked();
}

void TThread::Start() {
    auto lock = detail::LockHub();
    if (F->Started) throw EThread("Cannot call Start on a running or finished thread");
    StartLocked();
}

void TThread::StartLocked() {
    if (F->Stopping) throw EThread("Cannot start a thread that was shut down");
    F->Started = true;
    F->Id = g_nextThreadId.fetch_add(1);
    detail::MarkStarting(*F->Rec);
    try {
        F->Thread = std::thread(&TThread::ThreadMain, F);
    } catch (const std::system_error& e) {
        F->Started = false;
        F->Id = 0;
        detail::CancelStarting(*F->Rec);
        throw EThread(std::string("Cannot create a thread: ") + e.what());
    }
    F->StdId = F->Thread.get_id();
    F->Handle = static_cast<uintptr_t>(F->Thread.native_handle());
}

void TThread::Resume() {
    auto lock = detail::LockHub();
    if (!F->Started) {
        StartLocked();
        return;
    }
    if (!F->Finished) detail::ReleaseSuspend(*F->Rec);
}

void TThread::Suspend() {
    auto lock = detail::LockHub();
    if (!F->Started || F->Finished) return;
    detail::RequestSuspend(*F->Rec);
    if (F->IsSelf()) detail::SuspendPointLocked(lock);
}

void TThread::SuspendPoint() {
    auto lock = detail::LockHub();
    detail::SuspendPointLocked(lock);
}

void TThread::Terminate() {
    auto lock = detail::LockHub();
    detail::RequestTerminate(*F->Rec);
}

uint32_t TThread::WaitFor() {
    auto lock = detail::LockHub();
    if (F->IsSelf()) throw EThread("A thread cannot wait for itself");
    if (F->FreeOnTerminate) throw EThread("Cannot wait for a thread that frees itself on termination");
    if (!F->Started) throw EThread("Cannot wait for a thread that was never started");
    if (F->SyncRunning && IsMainThread() && !F->Finished)
        throw EThread("Cannot wait for a thread inside one of its own Synchronize calls");
    WaitFinishedLocked(*F, lock);
    return static_cast<uint32_t>(F->ReturnValue);
}

void TThread::Shutdown() {
    auto lock = detail::LockHub();
    StopLocked(*F);
    if (!F->Started || F->Finished || F->IsSelf()) return;
    if (F->SyncRunning && IsMainThread()) return;  // it ends once that call returns
    WaitFinishedLocked(*F, lock);
}

bool TThread::Suspended() const {
    auto lock = detail::LockHub();
    return !F->Started || (!F->Finished && detail::IsSuspendRequested(*F->Rec));
}

bool TThread::Terminated() const {
    auto lock = detail::LockHub();
    return detail::IsTerminated(*F->Rec);
}

bool TThread::Finished() const {
    auto lock = detail::LockHub();
    return F->Finished;
}

bool TThread::FreeOnTerminate() const {
    auto lock = detail::LockHub();
    return F->FreeOnTerminate;
}

void TThread::SetFreeOnTerminate(bool Value) {
    auto lock = detail::LockHub();
    F->FreeOnTerminate = Value;
}

TThreadPriority TThread::Priority() const {
    auto lock = detail::LockHub();
    return F->Priority;
}

void TThread::SetPriority(TThreadPriority Value) {
    if (Value < tpIdle || Value > tpTimeCritical)
        throw EThread("Invalid thread priority " + std::to_string(static_cast<int>(Value)));
    auto lock = detail::LockHub();
    F->Priority = Value;
}

uintptr_t TThread::Handle() const {
    auto lock = detail::LockHub();
    return F->Handle;
}

uint32_t TThread::ThreadID() const {
    auto lock = detail::LockHub();
    return F->Id;
}

std::exception_ptr TThread::FatalException() const {
    auto lock = detail::LockHub();
    return F->Fatal;
}

int32_t TThread::ReturnValue() const {
    auto lock = detail::LockHub();
    return F->ReturnValue;
}

void TThread::SetReturnValue(int32_t Value) {
    auto lock = detail::LockHub();
    F->ReturnValue = Value;
}

TThread* TThread::CurrentThread() {
    if (!t_impl) return nullptr;
    auto lock = detail::LockHub();
    return t_impl->Owner;
}

bool TThread::Sleep(uint32_t Ms) { return ClockSleep(Ms); }

void TThread::DoTerminate() {
    if (!FOnTerminate) return;
    Synchronize([this] {
        CallEvent(FOnTerminate, this);
    });
}

void TThread::Synchronize(TThread* /*AThread*/, const TThreadMethod& Method) {
    if (IsMainThread()) {
        Method();
        return;
    }
    TSyncState& s = Sync();
    TSyncCall call;
    call.Method = &Method;
    call.Impl = t_impl;
    {
        auto lock = detail::LockHub();
        if (t_impl && t_impl->Stopping) throw EThread("Synchronize refused: the thread is shut down");
        call.Waiter = &detail::CurrentRecord();
        s.Queue.push_back(&call);
        for (TThreadRecord* w : s.MainWaiters) detail::Wake(*w);
    }
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> lock(s.WakeupMutex);
        wakeup = s.Wakeup;
    }
    if (wakeup) {
        try {
            wakeup();
        } catch (...) {
            // The call is queued; the main thread finds it at its next check.
        }
    }
    bool stopped;
    {
        auto lock = detail::LockHub();
        detail::WaitLocked(lock, *call.Waiter, [&call] { return call.Done || call.Cancelled; });
        stopped = call.Cancelled || (t_impl && t_impl->Stopping);
    }
    if (stopped) throw EThread("Synchronize abandoned: the thread was shut down");
    if (call.Error) std::rethrow_exception(call.Error);
}

void TThread::ThreadMain(std::shared_ptr<TImpl> Impl) {
    detail::AttachCurrentThread(Impl->Rec);
    TThread* self;
    bool run;
    {
        auto lock = detail::LockHub();
        t_threadId = Impl->Id;
        t_impl = Impl.get();
        self = Impl->Owner;
        detail::SuspendPointLocked(lock);
        run = !detail::IsTerminated(*Impl->Rec);
    }
    if (run) {
        try {
            self->Execute();
        } catch (...) {
            auto lock = detail::LockHub();
            Impl->Fatal = std::current_exception();
        }
    }
    bool terminate;
    {
        auto lock = detail::LockHub();
        terminate = !Impl->Stopping;
    }
    if (terminate) {
        try {
            self->DoTerminate();
        } catch (...) {
            auto lock = detail::LockHub();
            if (!Impl->Fatal) Impl->Fatal = std::current_exception();
        }
    }
    bool freeSelf;
    {
        auto lock = detail::LockHub();
        Impl->Finished = true;
        for (TThreadRecord* w : Impl->Waiters) detail::Wake(*w);
        freeSelf = Impl->FreeOnTerminate && !Impl->Stopping && Impl->Owner;
        if (freeSelf) Impl->Thread.detach();
        t_impl = nullptr;
    }
    if (freeSelf) delete self;
    detail::DetachCurrentThread();
}

}  // namespace vcl
