// WinFocus.cpp - activation, keyboard focus and mouse capture.
#include <algorithm>

#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

bool CanActivate(const TWnd* W) {
    return W && !W->Dead && !W->Destroying && IsTopLevel(W) && !W->MessageOnly && (W->Style & WS_VISIBLE) &&
           !(W->Style & WS_DISABLED) && !(W->ExStyle & WS_EX_NOACTIVATE);
}

void SendActivateApp(bool Active, TWnd* Skip) {
    std::vector<HWND> targets;
    for (TWnd* c : S().Desktop->Children)
        if (!c->MessageOnly && c->ThreadId == CurrentThreadId() && c != Skip) targets.push_back(c->Handle);
    for (HWND h : targets) Send(h, WM_ACTIVATEAPP, Active ? TRUE : FALSE, LPARAM(CurrentThreadId()));
}

}  // namespace

void ActivateInternal(TWnd* W, WORD How) {
    TState& st = S();
    TWnd* old = Lookup(st.Active);
    if (old == W) return;
    if (W && (W->Dead || !IsTopLevel(W) || W->MessageOnly)) return;
    PWnd holdNew = Hold(W), holdOld = Hold(old);
    const HWND hNew = H(W), hOld = H(old);
    if (old) {
        if (!Send(old, WM_NCACTIVATE, FALSE, 0) && !old->Dead && !old->Destroying) return;  // refused
        if (st.Active != hOld) return;  // a handler activated something else
        st.Active = nullptr;
        if (!old->Dead) Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (old->Style & WS_MINIMIZE) ? 1 : 0),
                             reinterpret_cast<LPARAM>(hNew));
        if (st.Active) return;
    }
    if (W && W->Dead) W = nullptr;
    if ((!old) != (!W)) {
        // The application becomes active or inactive.
        SendActivateApp(W != nullptr, nullptr);
        if (W && W->Dead) W = nullptr;
        if (st.Active) return;
    }
    if (!W) {
        st.Active = nullptr;
        if (Lookup(st.Focus)) SetFocusInternal(nullptr);
        Backend().ActiveWindowChanged(nullptr);
        return;
    }
    if (!W->Parent->Children.empty() && W->Parent->Children.front() != W)
        SetWindowPosInternal(W, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (W->Dead) return;
    st.Active = W->Handle;
    // The owner chain remembers its last active popup.
    for (TWnd* o = Lookup(W->Owner); o; o = Lookup(o->Owner)) {
        o->LastActivePopup = W->Handle;
        if (o->Owner == W->Handle) break;
    }
    Backend().ActiveWindowChanged(W->Handle);
    Send(W, WM_NCACTIVATE, TRUE, 0);
    if (W->Dead || st.Active != W->Handle) return;
    Send(W, WM_ACTIVATE, MAKEWPARAM(How, (W->Style & WS_MINIMIZE) ? 1 : 0), reinterpret_cast<LPARAM>(hOld));
    if (W->Dead || st.Active != W->Handle) return;
    // The focus may not stay in another window's tree.
    if (TWnd* f = Lookup(st.Focus); f && Root(f) != W) SetFocusInternal(nullptr);
}

void SetFocusInternal(TWnd* W) {
    TState& st = S();
    TWnd* old = Lookup(st.Focus);
    if (old == W) return;
    PWnd holdNew = Hold(W);
    if (W) {
        TWnd* r = Root(W);
        if (r && Lookup(st.Active) != r) {
            ActivateInternal(r, WA_ACTIVE);
            if (W->Dead) return;
            old = Lookup(st.Focus);
            if (old == W) return;
        }
    }
    PWnd holdOld = Hold(old);
    const HWND hOld = H(old), hNew = H(W);
    if (old) {
        Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hNew), 0);
        if (st.Focus != hOld && Lookup(st.Focus)) return;  // a handler moved the focus
    }
    if (W && W->Dead) {
        st.Focus = nullptr;
        return;
    }
    st.Focus = hNew;
    if (W) Send(W, WM_SETFOCUS, reinterpret_cast<WPARAM>(hOld), 0);
}

void ReleaseCaptureInternal() {
    TState& st = S();
    const HWND old = st.Capture;
    if (!old) return;
    st.Capture = nullptr;
    Backend().CaptureChanged(nullptr);
    if (Lookup(old)) Send(old, WM_CAPTURECHANGED, 0, 0);
}

void ActivateNextAfter(TWnd* W) {
    TState& st = S();
    TWnd* next = nullptr;
    if (TWnd* o = Lookup(W->Owner); o && CanActivate(o)) next = o;
    if (!next) {
        for (TWnd* c : st.Desktop->Children) {
            if (c == W || !CanActivate(c) || c->ThreadId != W->ThreadId) continue;
            if (Lookup(c->Owner) == W) continue;
            if (c->Style & WS_MINIMIZE) continue;
            next = c;
            break;
        }
    }
    ActivateInternal(next, WA_ACTIVE);
}

void OnWindowGone(TWnd* W) {
    TState& st = S();
    PWnd hold = Hold(W);
    if (TWnd* c = Lookup(st.Capture); c && IsDescendant(W, c)) ReleaseCaptureInternal();
    if (TWnd* f = Lookup(st.Focus); f && IsDescendant(W, f)) {
        // A hidden child hands the focus to its parent; otherwise it is lost.
        TWnd* p = W->Parent;
        if (!W->Destroying && p && p != st.Desktop && ReallyVisible(p) && !(p->Style & WS_DISABLED))
            SetFocusInternal(p);
        else
            SetFocusInternal(nullptr);
    }
    if (W->Dead) return;
    if (W->ExStyle & WS_EX_MDICHILD) MdiChildGone(W);
    if (W->Dead) return;
    if (st.Active == W->Handle) ActivateNextAfter(W);
    if (st.TrackLeave && IsDescendant(W, Lookup(st.TrackLeave))) st.TrackLeave = nullptr;
    if (st.TrackHover && IsDescendant(W, Lookup(st.TrackHover))) st.TrackHover = nullptr;
    if (st.MouseWnd && IsDescendant(W, Lookup(st.MouseWnd))) st.MouseWnd = nullptr;
}

}  // namespace win

using namespace win;

HWND GetActiveWindow() {
    TLock l;
    return Lookup(S().Active) ? S().Active : nullptr;
}

HWND SetActiveWindow(HWND Wnd) {
    TLock l;
    TState& st = S();
    const HWND prev = Lookup(st.Active) ? st.Active : nullptr;
    if (!Wnd) {
        ActivateInternal(nullptr, WA_ACTIVE);
        return prev;
    }
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    w = Root(w);
    if (!w || w->MessageOnly || (w->Style & WS_DISABLED)) return nullptr;
    ActivateInternal(w, WA_ACTIVE);
    return prev;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL SetForegroundWindow(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return FALSE;
    w = Root(w);
    if (!w || w->MessageOnly) return FALSE;
    ActivateInternal(w, WA_ACTIVE);
    return S().Active == w->Handle ? TRUE : FALSE;
}

BOOL IsWindowActiveTree(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    return w && Root(w) && Root(w)->Handle == S().Active ? TRUE : FALSE;
}

HWND GetFocus() {
    TLock l;
    return Lookup(S().Focus) ? S().Focus : nullptr;
}

HWND SetFocus(HWND Wnd) {
    TLock l;
    TState& st = S();
    const HWND prev = Lookup(st.Focus) ? st.Focus : nullptr;
    if (!Wnd) {
        SetFocusInternal(nullptr);
        return prev;
    }
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (w->ThreadId != CurrentThreadId() || w->MessageOnly) {
        FailWith(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    for (TWnd* p = w; p && p != st.Desktop; p = p->Parent) {
        if (p->Style & WS_DISABLED) return nullptr;
        if (p != w && (p->Style & WS_MINIMIZE)) return nullptr;
    }
    SetFocusInternal(w);
    return prev;
}

HWND GetCapture() {
    TLock l;
    return Lookup(S().Capture) ? S().Capture : nullptr;
}

HWND SetCapture(HWND Wnd) {
    TLock l;
    TState& st = S();
    const HWND prev = Lookup(st.Capture) ? st.Capture : nullptr;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (prev == Wnd) return prev;
    st.Capture = Wnd;
    Backend().CaptureChanged(Wnd);
    if (prev) Send(prev, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
    return prev;
}

BOOL ReleaseCapture() {
    TLock l;
    ReleaseCaptureInternal();
    return TRUE;
}

}  // namespace vcl
