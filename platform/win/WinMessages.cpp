// WinMessages.cpp - message queues: send, post, quit, retrieval, dispatch,
// registered messages.
#include <algorithm>
#include <cstring>

#include "Clock.h"
#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

constexpr size_t MaxPostedMessages = 10000;

// Ends the queue of a thread when the thread ends: senders waiting for it
// are released and its windows and timers go away.
struct TQueueHolder {
    PQueue Q;
    ~TQueueHolder();
};

thread_local TQueueHolder tQueue;

bool InRange(UINT Msg, UINT Min, UINT Max) {
    if (Min == 0 && Max == 0) return true;
    return Msg >= Min && Msg <= Max;
}

bool MatchWnd(HWND Msg, HWND Filter) {
    if (!Filter) return true;
    if (Filter == reinterpret_cast<HWND>(intptr_t(-1))) return Msg == nullptr;
    if (!Msg) return false;
    if (Msg == Filter) return true;
    TWnd* f = Lookup(Filter);
    TWnd* w = Lookup(Msg);
    return f && w && IsDescendant(f, w);
}

bool RangeMayHoldInput(UINT Min, UINT Max, TRawKind Kind) {
    if (Min == 0 && Max == 0) return true;
    auto overlaps = [&](UINT a, UINT b) { return !(Max < a || Min > b); };
    switch (Kind) {
        case rkKey:
        case rkChar: return overlaps(WM_KEYFIRST, WM_KEYLAST);
        default: return overlaps(WM_MOUSEFIRST, WM_MOUSELAST) || overlaps(WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK);
    }
}

void TeardownQueue(const PQueue& Q);

}  // namespace

PQueue QueueForCurrentThread() {
    if (!tQueue.Q) {
        TState& st = S();
        auto q = std::make_shared<TQueue>();
        q->ThreadId = CurrentThreadId();
        st.Queues[q->ThreadId] = q;
        tQueue.Q = q;
    }
    return tQueue.Q;
}

PQueue QueueForThread(DWORD ThreadId) {
    TState& st = S();
    auto it = st.Queues.find(ThreadId);
    if (it == st.Queues.end()) return nullptr;
    PQueue q = it->second.lock();
    if (!q || !q->Alive) return nullptr;
    return q;
}

void NotifyQueue(TQueue& Q) { Q.Cv.notify_all(); }

void WakeAllQueues() {
    for (auto& [id, wq] : S().Queues)
        if (PQueue q = wq.lock()) q->Cv.notify_all();
}

bool PostTo(const PQueue& Q, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (!Q || !Q->Alive) {
        FailWith(ERROR_INVALID_THREAD_ID);
        return false;
    }
    if (Q->Posted.size() >= MaxPostedMessages) {
        FailWith(ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    TState& st = S();
    TQueued item;
    item.Msg.hwnd = Wnd;
    item.Msg.message = Msg;
    item.Msg.wParam = WParam;
    item.Msg.lParam = LParam;
    item.Msg.time = Clock::GetTickCount();
    item.Msg.pt = st.CursorPos;
    item.Seq = st.NextSeq++;
    Q->Posted.push_back(item);
    NotifyQueue(*Q);
    return true;
}

void PostRawInput(const PQueue& Q, TQueued Item) {
    if (!Q || !Q->Alive) return;
    TState& st = S();
    Item.Input = true;
    Item.Msg.time = uint32_t(Item.TimeMs);
    Item.Msg.pt = Item.Pt;
    // Moves not read yet are merged, as the mouse moved on meanwhile.
    if (Item.Raw == rkMove && !Q->Posted.empty()) {
        TQueued& last = Q->Posted.back();
        if (last.Raw == rkMove) {
            last.Pt = Item.Pt;
            last.MK = Item.MK;
            last.TimeMs = Item.TimeMs;
            last.Msg.time = Item.Msg.time;
            last.Msg.pt = Item.Pt;
            NotifyQueue(*Q);
            return;
        }
    }
    if (Q->Posted.size() >= MaxPostedMessages) return;  // input beyond the limit is lost, as on overflow
    Item.Seq = st.NextSeq++;
    Q->Posted.push_back(Item);
    NotifyQueue(*Q);
}

void PurgeWindowMessages(TWnd* W) {
    for (auto& [id, wq] : S().Queues) {
        PQueue q = wq.lock();
        if (!q) continue;
        auto& d = q->Posted;
        d.erase(std::remove_if(d.begin(), d.end(), [&](const TQueued& m) { return m.Msg.hwnd == W->Handle; }),
                d.end());
    }
}

void ProcessSentMessages(const PQueue& Q) {
    while (!Q->Sent.empty()) {
        std::shared_ptr<TSent> s = Q->Sent.front();
        Q->Sent.pop_front();
        struct TDone {
            std::shared_ptr<TSent>& S;
            ~TDone() {
                S->Done = true;
                if (S->Sender) NotifyQueue(*S->Sender);
            }
        } done{s};
        TWnd* w = Lookup(s->Wnd);
        if (!w || w->ThreadId != Q->ThreadId) continue;
        ++Q->InSend;
        struct TInSend {
            TQueue& Q;
            ~TInSend() { --Q.InSend; }
        } inSend{*Q};
        s->Result = CallProc(w->Proc, s->Wnd, s->Msg, s->WParam, s->LParam);
    }
}

LRESULT Send(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (w->ThreadId == CurrentThreadId()) return CallProc(w->Proc, Wnd, Msg, WParam, LParam);
    PQueue target = w->Queue;
    if (!target || !target->Alive) return 0;
    PQueue mine = QueueForCurrentThread();
    auto s = std::make_shared<TSent>();
    s->Wnd = Wnd;
    s->Msg = Msg;
    s->WParam = WParam;
    s->LParam = LParam;
    s->Sender = mine;
    target->Sent.push_back(s);
    NotifyQueue(*target);
    for (;;) {
        ProcessSentMessages(mine);
        if (s->Done) break;
        if (!target->Alive) break;
        WaitOn(mine->Cv, UINT64_MAX);
    }
    return s->Done ? s->Result : 0;
}

bool PeekCore(const PQueue& Q, MSG* Out, HWND Filter, UINT Min, UINT Max, UINT Flags) {
    TState& st = S();
    const bool remove = (Flags & PM_REMOVE) != 0;
    UINT qs = Flags >> 16;
    if (!qs) qs = QS_ALLINPUT;
    for (;;) {
        ProcessSentMessages(Q);
        // Posted messages and input, in order.
        bool restart = false;
        size_t found = SIZE_MAX;
        auto& d = Q->Posted;
        for (size_t i = 0; i < d.size(); ++i) {
            TQueued& m = d[i];
            if (m.Raw != rkNone) {
                if (!(qs & QS_INPUT) || !RangeMayHoldInput(Min, Max, m.Raw)) continue;
                TQueued item = m;
                const uint64_t seq = item.Seq;
                const int produced = CookInput(item);
                // The lock was released: find the item again.
                auto it = std::find_if(d.begin(), d.end(), [&](const TQueued& x) { return x.Seq == seq; });
                if (it == d.end() || it->Raw == rkNone) {
                    restart = true;
                    break;
                }
                if (produced <= 0) {
                    if (produced == 0) ApplyRetrievedInput(item);
                    d.erase(it);
                    restart = true;
                    break;
                }
                *it = item;
                i = size_t(it - d.begin());
            }
            TQueued& c = d[i];
            if (c.Msg.hwnd && !Lookup(c.Msg.hwnd)) {  // its window is gone
                d.erase(d.begin() + ptrdiff_t(i));
                --i;
                continue;
            }
            if (!(c.Kind & qs)) continue;
            if (!MatchWnd(c.Msg.hwnd, Filter)) continue;
            if (!InRange(c.Msg.message, Min, Max)) continue;
            found = i;
            break;
        }
        if (restart) continue;
        if (Q->QuitPosted && (found == SIZE_MAX || d[found].Seq > Q->QuitSeq)) {
            MSG m;
            m.message = WM_QUIT;
            m.wParam = WPARAM(intptr_t(Q->QuitCode));
            m.time = Clock::GetTickCount();
            m.pt = st.CursorPos;
            if (remove) Q->QuitPosted = false;
            if (Out) *Out = m;
            return true;
        }
        if (found != SIZE_MAX) {
            TQueued item = d[found];
            if (remove) {
                d.erase(d.begin() + ptrdiff_t(found));
                Q->LastTime = item.Msg.time;
                Q->LastPos = item.Msg.pt;
                Q->LastSeq = item.Seq;
                if (item.Input) {
                    ApplyRetrievedInput(item);
                    if (item.Kind & QS_MOUSE) {
                        if (!ProcessMouseActivation(item)) continue;  // eaten
                        SendSetCursor(item);
                        if (item.Msg.hwnd && !Lookup(item.Msg.hwnd)) continue;
                    }
                }
            }
            if (Out) *Out = item.Msg;
            return true;
        }
        // Paint.
        if ((qs & QS_PAINT) && InRange(WM_PAINT, Min, Max)) {
            if (TWnd* w = FindWindowToPaint(Q, Filter)) {
                MSG m;
                m.hwnd = w->Handle;
                m.message = WM_PAINT;
                m.time = Clock::GetTickCount();
                m.pt = st.CursorPos;
                if (Out) *Out = m;
                return true;
            }
        }
        // Timers.
        if ((qs & QS_TIMER) && InRange(WM_TIMER, Min, Max)) {
            MarkDueTimers(Clock::NowNs());
            MSG m;
            if (TakeReadyTimer(Q, Filter, remove, &m)) {
                if (remove) {
                    Q->LastTime = m.time;
                    Q->LastPos = m.pt;
                }
                if (Out) *Out = m;
                return true;
            }
        }
        return false;
    }
}

namespace {

bool ValidFilter(HWND Filter) {
    if (!Filter || Filter == reinterpret_cast<HWND>(intptr_t(-1))) return true;
    TWnd* w = Lookup(Filter);
    return w && w->ThreadId == CurrentThreadId();
}

uint64_t WaitTimeout(const PQueue& Q) {
    if (Clock::IsVirtual()) return UINT64_MAX;
    const uint64_t due = NextTimerDue(Q);
    if (due == UINT64_MAX) return UINT64_MAX;
    const uint64_t now = Clock::NowNs();
    return due > now ? due - now : 0;
}

bool HasWork(const PQueue& Q) { return PeekCore(Q, nullptr, nullptr, 0, 0, PM_NOREMOVE); }

TQueueHolder::~TQueueHolder() {
    if (!Q) return;
    TLock l;
    TeardownQueue(Q);
    Q.reset();
}

void TeardownThreadWindows(DWORD ThreadId);

void TeardownQueue(const PQueue& Q) {
    Q->Alive = false;
    for (auto& s : Q->Sent) {
        s->Done = true;
        if (s->Sender) NotifyQueue(*s->Sender);
    }
    Q->Sent.clear();
    Q->Posted.clear();
    TState& st = S();
    st.Timers.erase(std::remove_if(st.Timers.begin(), st.Timers.end(),
                                   [&](const std::unique_ptr<TTimer>& t) { return t->Queue == Q; }),
                    st.Timers.end());
    TeardownThreadWindows(Q->ThreadId);
    st.Queues.erase(Q->ThreadId);
    // Senders waiting for this thread's windows give up.
    WakeAllQueues();
}

void TeardownThreadWindows(DWORD ThreadId) {
    // Without messages: the thread is ending and its code may not run.
    std::vector<PWnd> mine;
    for (auto& [id, w] : S().Windows)
        if (w->ThreadId == ThreadId && w.get() != S().Desktop && IsTopLevel(w.get())) mine.push_back(w);
    for (const PWnd& w : mine) {
        if (w->Dead) continue;
        w->Proc = nullptr;  // nothing of the thread is called any more
        std::vector<TWnd*> stack{w.get()};
        while (!stack.empty()) {
            TWnd* x = stack.back();
            stack.pop_back();
            x->Proc = nullptr;
            for (TWnd* c : x->Children) stack.push_back(c);
        }
        DestroyWindowInternal(w.get());
    }
}

}  // namespace

bool ModalPump(const std::function<bool(const MSG&)>& Handle, const std::function<bool()>& Done) {
    PQueue q = QueueForCurrentThread();
    while (!Done()) {
        MSG m;
        if (PeekCore(q, &m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                q->QuitPosted = true;
                q->QuitCode = int(intptr_t(m.wParam));
                q->QuitSeq = 0;
                return false;
            }
            if (Handle && Handle(m)) continue;
            TUnlock u;
            TranslateMessage(&m);
            DispatchMessage(&m);
            continue;
        }
        if (!Backend().InputMayArrive()) return true;
        WaitOn(q->Cv, WaitTimeout(q));
    }
    return true;
}

}  // namespace win

using namespace win;

// ---------------------------------------------------------------------------

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    if (Wnd == HWND_BROADCAST) {
        std::vector<HWND> targets;
        for (TWnd* c : S().Desktop->Children)
            if (!c->MessageOnly) targets.push_back(c->Handle);
        for (HWND h : targets) Send(h, Msg, WParam, LParam);
        return 0;
    }
    return Send(Wnd, Msg, WParam, LParam);
}

BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    if (!Wnd) return PostTo(QueueForCurrentThread(), nullptr, Msg, WParam, LParam);
    if (Wnd == HWND_BROADCAST) {
        for (TWnd* c : S().Desktop->Children)
            if (!c->MessageOnly) PostTo(c->Queue, c->Handle, Msg, WParam, LParam);
        return TRUE;
    }
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostTo(w->Queue, Wnd, Msg, WParam, LParam);
}

BOOL PostThreadMessage(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    PQueue q = QueueForThread(ThreadId);
    if (!q) {
        FailWith(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostTo(q, nullptr, Msg, WParam, LParam);
}

void PostQuitMessage(int ExitCode) {
    TLock l;
    PQueue q = QueueForCurrentThread();
    if (!q->QuitPosted) {
        q->QuitPosted = true;
        q->QuitSeq = S().NextSeq++;
    }
    q->QuitCode = ExitCode;
    NotifyQueue(*q);
}

BOOL PeekMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg) {
    TLock l;
    if (!ValidFilter(Wnd)) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PQueue q = QueueForCurrentThread();
    MSG m;
    if (!PeekCore(q, &m, Wnd, FilterMin, FilterMax, RemoveMsg)) return FALSE;
    if (Msg) *Msg = m;
    return TRUE;
}

BOOL GetMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax) {
    TLock l;
    if (!ValidFilter(Wnd)) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    PQueue q = QueueForCurrentThread();
    for (;;) {
        MSG m;
        if (PeekCore(q, &m, Wnd, FilterMin, FilterMax, PM_REMOVE)) {
            if (Msg) *Msg = m;
            return m.message == WM_QUIT ? FALSE : TRUE;
        }
        WaitOn(q->Cv, WaitTimeout(q));
        if (Wnd && !ValidFilter(Wnd)) {
            FailWith(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
    }
}

BOOL WaitMessage() {
    TLock l;
    PQueue q = QueueForCurrentThread();
    while (!HasWork(q)) WaitOn(q->Cv, WaitTimeout(q));
    return TRUE;
}

LRESULT DispatchMessage(const MSG* Msg) {
    if (!Msg) return 0;
    TLock l;
    if (Msg->message == WM_TIMER && Msg->lParam && ValidTimerProc(Msg->hwnd, UINT_PTR(Msg->wParam), Msg->lParam)) {
        const TIMERPROC proc = reinterpret_cast<TIMERPROC>(Msg->lParam);
        const DWORD now = Clock::GetTickCount();
        TUnlock u;
        proc(Msg->hwnd, WM_TIMER, UINT_PTR(Msg->wParam), now);
        return 0;
    }
    TWnd* w = Lookup(Msg->hwnd);
    if (!w) return 0;
    if (w->ThreadId != CurrentThreadId()) {
        FailWith(ERROR_WINDOW_OF_OTHER_THREAD);
        return 0;
    }
    return CallProc(w->Proc, Msg->hwnd, Msg->message, Msg->wParam, Msg->lParam);
}

BOOL InSendMessage() {
    TLock l;
    PQueue q = QueueForCurrentThread();
    return q->InSend > 0;
}

DWORD GetQueueStatus(UINT Flags) {
    TLock l;
    PQueue q = QueueForCurrentThread();
    UINT bits = 0;
    for (const TQueued& m : q->Posted) bits |= m.Raw == rkMove ? QS_MOUSEMOVE : m.Raw == rkButton || m.Raw == rkWheel ? QS_MOUSEBUTTON : m.Raw == rkKey || m.Raw == rkChar ? QS_KEY : m.Kind;
    if (!q->Posted.empty() || q->QuitPosted) bits |= QS_ALLPOSTMESSAGE;
    if (!q->Sent.empty()) bits |= QS_SENDMESSAGE;
    if (FindWindowToPaint(q, nullptr)) bits |= QS_PAINT;
    MarkDueTimers(Clock::NowNs());
    MSG m;
    if (TakeReadyTimer(q, nullptr, false, &m)) bits |= QS_TIMER;
    bits &= Flags;
    return (DWORD(bits) << 16) | bits;
}

BOOL GetInputState() { return (GetQueueStatus(QS_INPUT) & 0xFFFF) != 0; }

LONG GetMessageTime() {
    TLock l;
    return LONG(QueueForCurrentThread()->LastTime);
}

DWORD GetMessagePos() {
    TLock l;
    const TPoint p = QueueForCurrentThread()->LastPos;
    return DWORD(MAKELONG(WORD(int16_t(p.X)), WORD(int16_t(p.Y))));
}

UINT RegisterWindowMessage(const char* Name) {
    if (!Name || !*Name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    TLock l;
    TState& st = S();
    const std::string key = LowerAscii(Name);
    auto it = st.RegisteredMessages.find(key);
    if (it != st.RegisteredMessages.end()) return it->second;
    if (st.NextMessage > 0xFFFF) {
        FailWith(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const UINT v = st.NextMessage++;
    st.RegisteredMessages.emplace(key, v);
    return v;
}

}  // namespace vcl
