#include "Sleep.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <vector>

#include "Clock.h"

namespace vcl {

namespace detail {

struct TThreadRecord {
    std::condition_variable Cv;  // waited on by the record's own thread only
    bool Registered = false;     // counted by the settling (a live thread)
    bool Busy = false;           // running: not in a platform wait
    bool Waiting = false;        // inside WaitLocked
    uint64_t DueNs = kNoDue;     // due time of the running timed wait
    bool Fired = false;          // virtual time: Advance reached DueNs
    // Thread control.
    bool Terminated = false;
    bool SuspendRequested = false;
    bool Parked = false;      // waiting at a suspension point
    bool InSleep = false;     // inside ClockSleep
    bool Frozen = false;      // the sleep is stopped by a suspension ...
    uint64_t SleepRestNs = 0;  // ... with this much left to sleep
};

namespace {

constexpr auto kSettleLimit = std::chrono::seconds(2);
// How often a virtual-time wait looks whether the clock went back to real time.
constexpr auto kModePoll = std::chrono::milliseconds(20);
constexpr auto kLongestSlice = std::chrono::hours(1);

struct THub {
    std::mutex M;
    std::condition_variable SettleCv;
    int BusyCount = 0;
    std::vector<TThreadRecord*> All;      // registered records
    std::vector<TThreadRecord*> Waiting;  // records inside WaitLocked
};

void OnAdvance(THub& h);
uint64_t NextDue(THub& h);

// Made once and never destroyed: threads may still wait when the process
// ends.
THub& Hub() {
    static THub* const hub = [] {
        auto* h = new THub;
        Clock::AddAdvanceListener([h] { OnAdvance(*h); }, [h] { return NextDue(*h); });
        return h;
    }();
    return *hub;
}

void MarkBusy(THub& h, TThreadRecord& r) {
    if (r.Registered && !r.Busy) {
        r.Busy = true;
        ++h.BusyCount;
    }
}

void ReleaseBusy(THub& h, TThreadRecord& r) {
    if (r.Busy) {
        r.Busy = false;
        --h.BusyCount;
        h.SettleCv.notify_all();
    }
}

void Register(THub& h, TThreadRecord& r) {
    if (r.Registered) return;
    r.Registered = true;
    h.All.push_back(&r);
}

void Unregister(THub& h, TThreadRecord& r) {
    ReleaseBusy(h, r);
    if (!r.Registered) return;
    r.Registered = false;
    h.All.erase(std::remove(h.All.begin(), h.All.end(), &r), h.All.end());
}

struct TLocal {
    TThreadRecordPtr Rec;
    ~TLocal() {
        if (!Rec) return;
        THub& h = Hub();
        std::lock_guard<std::mutex> lock(h.M);
        Unregister(h, *Rec);
    }
};

thread_local TLocal t_local;

// Lets the record's thread look at its due time again, without counting it
// as woken.
void Notify(TThreadRecord& r) { r.Cv.notify_all(); }

// Waits until no platform thread but the calling one is running.
void Settle(THub& h, std::unique_lock<std::mutex>& lock) {
    TThreadRecord* self = t_local.Rec.get();
    auto othersBusy = [&] { return h.BusyCount - (self && self->Busy ? 1 : 0) > 0; };
    if (!othersBusy()) return;
    const auto deadline = std::chrono::steady_clock::now() + kSettleLimit;
    while (othersBusy()) {
        if (h.SettleCv.wait_until(lock, deadline) == std::cv_status::timeout) {
            // Blocked outside the platform: stop counting them until they
            // wait again and are woken.
            for (TThreadRecord* r : h.All)
                if (r != self) ReleaseBusy(h, *r);
            break;
        }
    }
}

bool DueReached(const TThreadRecord& r) {
    if (r.DueNs == kNoDue) return false;
    if (Clock::IsVirtual() && r.Fired) return true;
    return Clock::NowNs() >= r.DueNs;
}

void OnAdvance(THub& h) {
    std::unique_lock<std::mutex> lock(h.M);
    const uint64_t now = Clock::NowNs();
    for (TThreadRecord* r : h.Waiting) {
        if (r->DueNs != kNoDue && r->DueNs <= now && !r->Fired) {
            r->Fired = true;
            Wake(*r);
        }
    }
    Settle(h, lock);
}

uint64_t NextDue(THub& h) {
    std::unique_lock<std::mutex> lock(h.M);
    Settle(h, lock);
    uint64_t next = kNoDue;
    for (const TThreadRecord* r : h.Waiting)
        if (!r->Fired) next = std::min(next, r->DueNs);
    return next;
}

uint64_t MsToNs(uint32_t Ms) { return static_cast<uint64_t>(Ms) * 1000000u; }

uint64_t DueAfter(uint64_t Ns) {
    const uint64_t now = Clock::NowNs();
    return Ns >= kNoDue - now ? kNoDue - 1 : now + Ns;
}

}  // namespace

std::unique_lock<std::mutex> LockHub() { return std::unique_lock<std::mutex>(Hub().M); }

TThreadRecordPtr CreateThreadRecord() { return std::make_shared<TThreadRecord>(); }

void MarkStarting(TThreadRecord& R) {
    THub& h = Hub();
    Register(h, R);
    MarkBusy(h, R);
}

void CancelStarting(TThreadRecord& R) { Unregister(Hub(), R); }

void AttachCurrentThread(const TThreadRecordPtr& R) { t_local.Rec = R; }

void DetachCurrentThread() {
    THub& h = Hub();
    TThreadRecordPtr rec;
    {
        std::lock_guard<std::mutex> lock(h.M);
        rec = std::move(t_local.Rec);
        t_local.Rec.reset();
        if (rec) Unregister(h, *rec);
    }
}

TThreadRecord& CurrentRecord() {
    if (!t_local.Rec) {
        THub& h = Hub();
        t_local.Rec = std::make_shared<TThreadRecord>();
        Register(h, *t_local.Rec);
        MarkBusy(h, *t_local.Rec);  // the thread is running: it called us
    }
    return *t_local.Rec;
}

bool WaitLocked(std::unique_lock<std::mutex>& Lock, TThreadRecord& R, const std::function<bool()>& Pred,
                uint32_t RealTimeoutMs) {
    using namespace std::chrono;
    THub& h = Hub();
    const bool limited = RealTimeoutMs != INFINITE;
    const auto deadline = steady_clock::now() + milliseconds(limited ? RealTimeoutMs : 0);
    R.Waiting = true;
    h.Waiting.push_back(&R);
    bool result = false;
    for (;;) {
        if (Pred()) {
            result = true;
            break;
        }
        bool timed = false;
        nanoseconds wait = nanoseconds::max();
        if (R.DueNs != kNoDue) {
            const bool isVirtual = Clock::IsVirtual();
            const uint64_t now = Clock::NowNs();
            if ((isVirtual && R.Fired) || now >= R.DueNs) break;
            // Virtual time: look now and then whether the clock went back to
            // real time.  Real time: in slices, so that the steady clock's
            // deadline cannot overflow.
            wait = isVirtual ? nanoseconds(kModePoll)
                             : std::min<nanoseconds>(nanoseconds(R.DueNs - now), kLongestSlice);
            timed = true;
        }
        if (limited) {
            const auto now = steady_clock::now();
            if (now >= deadline) break;
            wait = std::min<nanoseconds>(wait, deadline - now);
            timed = true;
        }
        ReleaseBusy(h, R);
        if (timed)
            R.Cv.wait_for(Lock, wait);
        else
            R.Cv.wait(Lock);
    }
    h.Waiting.erase(std::remove(h.Waiting.begin(), h.Waiting.end(), &R), h.Waiting.end());
    R.Waiting = false;
    R.Fired = false;
    MarkBusy(h, R);
    return result;
}

void SetDue(TThreadRecord& R, uint64_t DueNs) {
    R.DueNs = DueNs;
    R.Fired = false;
    if (R.Waiting) Notify(R);
}

void Wake(TThreadRecord& R) {
    if (R.Waiting) MarkBusy(Hub(), R);
    R.Cv.notify_all();
}

void RequestTerminate(TThreadRecord& R) {
    R.Terminated = true;
    if (R.InSleep && !R.SuspendRequested) Wake(R);
}

bool IsTerminated(const TThreadRecord& R) { return R.Terminated; }

void RequestSuspend(TThreadRecord& R) {
    R.SuspendRequested = true;
    if (R.InSleep && !R.Frozen && !DueReached(R)) {
        // The rest counts from now: what the thread has not slept yet.
        R.SleepRestNs = R.DueNs - Clock::NowNs();
        R.Frozen = true;
        SetDue(R, kNoDue);
    }
}

void ReleaseSuspend(TThreadRecord& R) {
    if (!R.SuspendRequested) return;
    R.SuspendRequested = false;
    if (R.Frozen) {
        R.Frozen = false;
        SetDue(R, DueAfter(R.SleepRestNs));
    }
    if (R.Parked || (R.InSleep && R.Terminated)) Wake(R);
}

bool IsSuspendRequested(const TThreadRecord& R) { return R.SuspendRequested; }

void SuspendPointLocked(std::unique_lock<std::mutex>& Lock) {
    TThreadRecord& r = CurrentRecord();
    while (r.SuspendRequested) {
        r.Parked = true;
        WaitLocked(Lock, r, [&r] { return !r.SuspendRequested; });
        r.Parked = false;
    }
}

}  // namespace detail

using namespace detail;

bool ClockSleep(uint32_t Ms) {
    auto lock = LockHub();
    TThreadRecord& r = CurrentRecord();
    SuspendPointLocked(lock);
    if (r.Terminated) return false;
    if (Ms == 0) return true;
    r.InSleep = true;
    r.Frozen = false;
    SetDue(r, DueAfter(MsToNs(Ms)));
    const bool interrupted = WaitLocked(lock, r, [&r] { return r.Terminated && !r.SuspendRequested; });
    r.InSleep = false;
    r.Frozen = false;
    SetDue(r, kNoDue);
    return !interrupted;
}

// ---------------------------------------------------------------------------
// TEvent

struct TEvent::TImpl {
    bool Manual = true;
    bool Signaled = false;
    bool Destroying = false;
    std::vector<TThreadRecord*> Waiters;
    TThreadRecord* Destroyer = nullptr;
};

TEvent::TEvent(bool ManualReset, bool InitialState) : F(std::make_unique<TImpl>()) {
    F->Manual = ManualReset;
    F->Signaled = InitialState;
}

TEvent::~TEvent() {
    auto lock = LockHub();
    if (F->Waiters.empty()) return;
    F->Destroying = true;
    for (TThreadRecord* w : F->Waiters) Wake(*w);
    TThreadRecord& r = CurrentRecord();
    F->Destroyer = &r;
    WaitLocked(lock, r, [this] { return F->Waiters.empty(); });
}

void TEvent::SetEvent() {
    auto lock = LockHub();
    F->Signaled = true;
    for (TThreadRecord* w : F->Waiters) Wake(*w);
}

void TEvent::ResetEvent() {
    auto lock = LockHub();
    F->Signaled = false;
}

TWaitResult TEvent::WaitFor(uint32_t TimeoutMs) {
    auto lock = LockHub();
    if (F->Destroying) return wrAbandoned;
    if (F->Signaled) {
        if (!F->Manual) F->Signaled = false;
        return wrSignaled;
    }
    if (TimeoutMs == 0) return wrTimeout;
    TThreadRecord& r = CurrentRecord();
    SetDue(r, TimeoutMs == INFINITE ? kNoDue : DueAfter(MsToNs(TimeoutMs)));
    F->Waiters.push_back(&r);
    const bool signaled = WaitLocked(lock, r, [this] { return F->Signaled || F->Destroying; });
    F->Waiters.erase(std::find(F->Waiters.begin(), F->Waiters.end(), &r));
    SetDue(r, kNoDue);
    if (F->Destroying) {
        if (F->Waiters.empty() && F->Destroyer) Wake(*F->Destroyer);
        return wrAbandoned;
    }
    if (!signaled) return wrTimeout;
    if (!F->Manual) F->Signaled = false;
    return wrSignaled;
}

// ---------------------------------------------------------------------------
// TExternalWait

TExternalWait::TExternalWait() {
    auto lock = LockHub();
    ReleaseBusy(Hub(), CurrentRecord());
}

TExternalWait::~TExternalWait() {
    auto lock = LockHub();
    MarkBusy(Hub(), CurrentRecord());
}

}  // namespace vcl
