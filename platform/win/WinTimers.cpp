// WinTimers.cpp - SetTimer / KillTimer on the platform clock.
//
// A timer never queues anything: when it is due it is marked ready, and the
// queue synthesises one WM_TIMER for it when nothing else is waiting.  In
// virtual time a clock listener reports the next due time, so that Advance
// stops at each one and the timers become ready in order.
#include <algorithm>

#include "Clock.h"
#include "SysResources.h"
#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

uint64_t NsFromMs(UINT Ms) { return uint64_t(Ms) * 1000000u; }

uint64_t NextDueOfAll() {
    uint64_t due = UINT64_MAX;
    for (const auto& t : S().Timers) due = std::min(due, t->NextDue);
    TState& st = S();
    if (st.TrackHover) due = std::min(due, (st.HoverStartMs + st.HoverTime) * 1000000u);
    return due;
}

}  // namespace

void EnsureTimerClock() {
    TState& st = S();
    if (st.ClockListener) return;
    st.ClockListener = true;
    // Registered once for good: removing it while holding the lock could
    // wait for a listener call that waits for the lock.
    Clock::AddAdvanceListener(
        [] {
            TLock l;
            const uint64_t now = Clock::NowNs();
            MarkDueTimers(now);
            CheckHover(now / 1000000u);
            WakeAllQueues();
        },
        [] {
            TLock l;
            return NextDueOfAll();
        });
}

namespace {

TTimer* FindTimer(HWND Wnd, UINT_PTR Id, DWORD ThreadId) {
    for (auto& t : S().Timers)
        if (t->Wnd == Wnd && t->Id == Id && (Wnd || t->ThreadId == ThreadId)) return t.get();
    return nullptr;
}

}  // namespace

void MarkDueTimers(uint64_t NowNs) {
    for (auto& t : S().Timers) {
        if (t->NextDue > NowNs) continue;
        if (!t->Ready) {
            t->Ready = true;
            t->ReadyAt = t->NextDue;
            if (t->Queue) NotifyQueue(*t->Queue);
        }
        t->NextDue = NowNs + NsFromMs(t->Interval);
    }
}

bool TakeReadyTimer(const PQueue& Q, HWND Filter, bool Remove, MSG* Out) {
    TTimer* best = nullptr;
    for (auto& t : S().Timers) {
        if (!t->Ready || t->Queue != Q) continue;
        if (Filter) {
            if (Filter == reinterpret_cast<HWND>(intptr_t(-1))) {
                if (t->Wnd) continue;
            } else {
                TWnd* f = Lookup(Filter);
                TWnd* w = Lookup(t->Wnd);
                if (!f || !w || !IsDescendant(f, w)) continue;
            }
        }
        if (!best || t->ReadyAt < best->ReadyAt || (t->ReadyAt == best->ReadyAt && t->Order < best->Order))
            best = t.get();
    }
    if (!best) return false;
    MSG m;
    m.hwnd = best->Wnd;
    m.message = WM_TIMER;
    m.wParam = best->Id;
    m.lParam = reinterpret_cast<LPARAM>(best->Proc);
    m.time = Clock::GetTickCount();
    m.pt = S().CursorPos;
    if (Remove) best->Ready = false;
    if (Out) *Out = m;
    return true;
}

uint64_t NextTimerDue(const PQueue& Q) {
    uint64_t due = UINT64_MAX;
    for (auto& t : S().Timers)
        if (t->Queue == Q && !t->Ready) due = std::min(due, t->NextDue);
    TState& st = S();
    if (st.TrackHover) due = std::min(due, (st.HoverStartMs + st.HoverTime) * 1000000u);
    return due;
}

bool ValidTimerProc(HWND Wnd, UINT_PTR Id, LPARAM Proc) {
    for (auto& t : S().Timers)
        if (t->Wnd == Wnd && t->Id == Id && reinterpret_cast<LPARAM>(t->Proc) == Proc &&
            t->ThreadId == CurrentThreadId())
            return true;
    return false;
}

void KillWindowTimers(TWnd* W) {
    auto& ts = S().Timers;
    const size_t before = ts.size();
    ts.erase(std::remove_if(ts.begin(), ts.end(), [&](const std::unique_ptr<TTimer>& t) { return t->Wnd == W->Handle; }),
             ts.end());
    for (size_t i = ts.size(); i < before; ++i) RemoveResourceObject(rtUSER);
}

}  // namespace win

using namespace win;

UINT_PTR SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse, TIMERPROC Proc) {
    TLock l;
    TState& st = S();
    const DWORD me = CurrentThreadId();
    if (Wnd) {
        TWnd* w = Lookup(Wnd);
        if (!w) {
            FailWith(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (w->ThreadId != me) {
            FailWith(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    const UINT interval = std::clamp(Elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    EnsureTimerClock();
    PQueue q = QueueForCurrentThread();
    TTimer* t = (Wnd || Id) ? FindTimer(Wnd, Id, me) : nullptr;
    if (!t) {
        auto nt = std::make_unique<TTimer>();
        nt->Wnd = Wnd;
        if (Wnd) {
            nt->Id = Id;
        } else {
            // A new id for a thread timer, not used by another one.
            do {
                nt->Id = st.NextThreadTimerId++;
                if (st.NextThreadTimerId == 0) st.NextThreadTimerId = 1;
            } while (FindTimer(nullptr, nt->Id, me));
        }
        nt->Order = st.NextTimerOrder++;
        nt->ThreadId = me;
        nt->Queue = q;
        t = nt.get();
        st.Timers.push_back(std::move(nt));
        AddResourceObject(rtUSER);
    }
    t->Interval = interval;
    t->Proc = Proc;
    t->Ready = false;
    t->NextDue = Clock::NowNs() + NsFromMs(interval);
    NotifyQueue(*q);  // a waiting GetMessage takes the new due time
    if (Wnd) return Id ? Id : 1;
    return t->Id;
}

BOOL KillTimer(HWND Wnd, UINT_PTR Id) {
    TLock l;
    auto& ts = S().Timers;
    const DWORD me = CurrentThreadId();
    for (auto it = ts.begin(); it != ts.end(); ++it) {
        TTimer& t = **it;
        if (t.Wnd == Wnd && t.Id == Id && (Wnd || t.ThreadId == me)) {
            ts.erase(it);
            RemoveResourceObject(rtUSER);
            return TRUE;
        }
    }
    FailWith(ERROR_INVALID_PARAMETER);
    return FALSE;
}

}  // namespace vcl
