#include "MMSystem.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <thread>
#include <vector>

#include "Clock.h"
#include "Sleep.h"

namespace vcl {

using detail::TThreadRecord;

namespace {

struct TMmTimer {
    UINT Id = 0;
    LPTIMECALLBACK Proc = nullptr;
    DWORD_PTR User = 0;
    bool Periodic = false;
    bool Armed = true;  // false for a one-shot timer once it has fired
    uint64_t PeriodNs = 0;
    uint64_t DueNs = 0;
};

// All guarded by the hub lock (detail::LockHub).
struct TMmState {
    std::map<UINT, TMmTimer> Timers;
    uint64_t NextId = 1;
    UINT RunningId = 0;  // the timer whose callback runs now
    bool Changed = false;
    bool Stop = false;
    bool Idle = false;             // the timer thread waits ...
    uint64_t WaitDue = UINT64_MAX;  // ... until this due time
    bool ThreadStarted = false;
    std::thread Thread;
    std::thread::id ThreadId;
    detail::TThreadRecordPtr Rec;
    std::vector<TThreadRecord*> KillWaiters;
    std::map<UINT, unsigned> Periods;  // requested period -> open timeBeginPeriod calls
};

TMmState& State() {
    static TMmState* const state = new TMmState;  // the timer thread may outlive static destruction
    return *state;
}

TMmTimer* Earliest(TMmState& s) {
    TMmTimer* best = nullptr;
    for (auto& [id, t] : s.Timers)
        if (t.Armed && (!best || t.DueNs < best->DueNs)) best = &t;  // map order: lower id first on ties
    return best;
}

void TimerThreadMain(TMmState* S) {
    TMmState& s = *S;
    detail::AttachCurrentThread(s.Rec);
    {
        auto lock = detail::LockHub();
        TThreadRecord& r = *s.Rec;
        while (!s.Stop) {
            TMmTimer* next = Earliest(s);
            const uint64_t now = Clock::NowNs();
            if (next && next->DueNs <= now) {
                TMmTimer& t = *next;
                const UINT id = t.Id;
                const LPTIMECALLBACK proc = t.Proc;
                const DWORD_PTR user = t.User;
                if (t.Periodic) {
                    t.DueNs += t.PeriodNs;
                    if (t.DueNs <= now) t.DueNs += ((now - t.DueNs) / t.PeriodNs + 1) * t.PeriodNs;
                } else {
                    t.Armed = false;
                }
                s.RunningId = id;
                lock.unlock();
                try {
                    proc(id, 0, user, 0, 0);
                } catch (...) {
                    // A callback has no one to report to.
                }
                lock.lock();
                s.RunningId = 0;
                auto it = s.Timers.find(id);
                if (it != s.Timers.end() && !it->second.Periodic) s.Timers.erase(it);
                for (TThreadRecord* w : s.KillWaiters) detail::Wake(*w);
                continue;
            }
            s.WaitDue = next ? next->DueNs : detail::kNoDue;
            detail::SetDue(r, s.WaitDue);
            s.Changed = false;
            s.Idle = true;
            detail::WaitLocked(lock, r, [&s] { return s.Changed || s.Stop; });
            s.Idle = false;
            detail::SetDue(r, detail::kNoDue);
        }
    }
    detail::DetachCurrentThread();
}

void StopTimerThread() {
    TMmState& s = State();
    {
        auto lock = detail::LockHub();
        s.Stop = true;
        if (s.Rec) detail::Wake(*s.Rec);
    }
    if (s.Thread.joinable()) {
        if (s.Thread.get_id() == std::this_thread::get_id())
            s.Thread.detach();
        else
            s.Thread.join();
    }
}

// Starts the timer thread on first use (lock held).  False when it cannot run.
bool EnsureThread(TMmState& s) {
    if (s.ThreadStarted) return !s.Stop;
    // The clock must outlive the timer thread, which is stopped at exit.
    Clock::NowNs();
    s.Rec = detail::CreateThreadRecord();
    detail::MarkStarting(*s.Rec);
    try {
        s.Thread = std::thread(TimerThreadMain, &s);
    } catch (...) {
        detail::CancelStarting(*s.Rec);
        return false;
    }
    s.ThreadId = s.Thread.get_id();
    s.ThreadStarted = true;
    std::atexit(StopTimerThread);
    return true;
}

}  // namespace

MMRESULT timeGetDevCaps(TIMECAPS* ptc, UINT cbtc) {
    if (!ptc || cbtc < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    ptc->wPeriodMin = TIMECAPS_PERIOD_MIN;
    ptc->wPeriodMax = TIMECAPS_PERIOD_MAX;
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT uPeriod) {
    if (uPeriod < TIMECAPS_PERIOD_MIN || uPeriod > TIMECAPS_PERIOD_MAX) return TIMERR_NOCANDO;
    auto lock = detail::LockHub();
    ++State().Periods[uPeriod];
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT uPeriod) {
    if (uPeriod < TIMECAPS_PERIOD_MIN || uPeriod > TIMECAPS_PERIOD_MAX) return TIMERR_NOCANDO;
    auto lock = detail::LockHub();
    auto& periods = State().Periods;
    auto it = periods.find(uPeriod);
    if (it == periods.end()) return TIMERR_NOCANDO;
    if (--it->second == 0) periods.erase(it);
    return TIMERR_NOERROR;
}

UINT TimerPeriodInUse() {
    auto lock = detail::LockHub();
    const auto& periods = State().Periods;
    return periods.empty() ? 0 : periods.begin()->first;
}

MMRESULT timeSetEvent(UINT uDelay, UINT /*uResolution*/, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser,
                      UINT fuEvent) {
    if (uDelay < TIMECAPS_PERIOD_MIN || uDelay > TIMECAPS_PERIOD_MAX || !lpTimeProc) return 0;
    if ((fuEvent & ~(TIME_PERIODIC | TIME_KILL_SYNCHRONOUS)) != 0) return 0;
    TMmState& s = State();
    auto lock = detail::LockHub();
    if (s.NextId > UINT32_MAX || !EnsureThread(s)) return 0;
    TMmTimer t;
    t.Id = static_cast<UINT>(s.NextId++);
    t.Proc = lpTimeProc;
    t.User = dwUser;
    t.Periodic = (fuEvent & TIME_PERIODIC) != 0;
    t.PeriodNs = static_cast<uint64_t>(uDelay) * 1000000u;
    t.DueNs = Clock::NowNs() + t.PeriodNs;
    s.Timers.emplace(t.Id, t);
    // A timer thread that is busy looks at the timers again anyway; one that
    // waits for a later time must wake up earlier, and so must one that waits
    // for a time already past (it is about to notice a switch from virtual
    // to real time).
    if (s.Idle && (t.DueNs < s.WaitDue || s.WaitDue <= Clock::NowNs())) {
        s.Changed = true;
        detail::Wake(*s.Rec);
    }
    return t.Id;
}

MMRESULT timeKillEvent(UINT uTimerID) {
    TMmState& s = State();
    auto lock = detail::LockHub();
    auto it = s.Timers.find(uTimerID);
    if (it == s.Timers.end()) return MMSYSERR_INVALPARAM;
    // A one-shot timer whose callback has returned is gone already; one whose
    // callback runs now is still here and is waited for below.
    // The timer thread may still wait for the killed timer's due time; it
    // then wakes, finds nothing due and waits for the next one.
    s.Timers.erase(it);
    if (s.RunningId == uTimerID && std::this_thread::get_id() != s.ThreadId) {
        TThreadRecord& r = detail::CurrentRecord();
        s.KillWaiters.push_back(&r);
        detail::WaitLocked(lock, r, [&s, uTimerID] { return s.RunningId != uTimerID; });
        s.KillWaiters.erase(std::find(s.KillWaiters.begin(), s.KillWaiters.end(), &r));
    }
    return MMSYSERR_NOERROR;
}

DWORD timeGetTime() { return Clock::GetTickCount(); }

}  // namespace vcl
