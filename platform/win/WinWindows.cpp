// WinWindows.cpp - creating and destroying windows, the window tree and
// z-order, geometry, SetWindowPos, ShowWindow, placement, text, enabling.
#include <algorithm>
#include <cstring>
#include <exception>

#include "SysResources.h"
#include "WinInternal.h"

namespace vcl {

namespace win {

// ---------------------------------------------------------------------------
// Geometry helpers

TPoint ClientOriginScreen(const TWnd* W) {
    if (!W || !W->Parent) return TPoint{};
    const TPoint p = ClientOriginScreen(W->Parent);
    return TPoint{p.X + W->Rect.Left + W->Client.Left, p.Y + W->Rect.Top + W->Client.Top};
}

TPoint WindowOriginScreen(const TWnd* W) {
    if (!W || !W->Parent) return TPoint{};
    const TPoint p = ClientOriginScreen(W->Parent);
    return TPoint{p.X + W->Rect.Left, p.Y + W->Rect.Top};
}

TRect WindowRectScreen(const TWnd* W) {
    const TPoint o = WindowOriginScreen(W);
    return TRect{o.X, o.Y, o.X + W->Rect.Width(), o.Y + W->Rect.Height()};
}

TPoint SurfaceOffset(const TWnd* W) {
    TWnd* r = Root(const_cast<TWnd*>(W));
    if (!r) return TPoint{};
    const TPoint a = WindowOriginScreen(W), b = WindowOriginScreen(r);
    return TPoint{a.X - b.X, a.Y - b.Y};
}

bool ReallyVisible(const TWnd* W) {
    const TWnd* d = S().Desktop;
    if (!W || W->Dead || W->MessageOnly) return false;
    for (; W && W != d; W = W->Parent)
        if (!(W->Style & WS_VISIBLE)) return false;
    return true;
}

TRect RectToParentClient(const TWnd* W, const TRect& Screen) {
    const TPoint o = ClientOriginScreen(W->Parent);
    return TRect{Screen.Left - o.X, Screen.Top - o.Y, Screen.Right - o.X, Screen.Bottom - o.Y};
}

void DefaultMinMax(const TWnd* W, MINMAXINFO& Info) {
    TState& st = S();
    const int f = FrameThickness(W->Style, W->ExStyle);
    TRect area;
    if (IsTopLevel(W) || !W->Parent) {
        area = st.WorkAreaSet ? st.WorkArea : TRect{0, 0, st.ScreenW, st.ScreenH};
    } else {
        area = TRect{0, 0, W->Parent->Client.Width(), W->Parent->Client.Height()};
    }
    Info.ptMaxSize = TPoint{area.Width() + 2 * f, area.Height() + 2 * f};
    Info.ptMaxPosition = TPoint{area.Left - f, area.Top - f};
    Info.ptMinTrackSize = TPoint{Metric(SM_CXMINTRACK), Metric(SM_CYMINTRACK)};
    Info.ptMaxTrackSize = TPoint{Metric(SM_CXMAXTRACK), Metric(SM_CYMAXTRACK)};
    if (!IsTopLevel(W)) {
        Info.ptMaxTrackSize.X = std::max(Info.ptMaxTrackSize.X, Info.ptMaxSize.X);
        Info.ptMaxTrackSize.Y = std::max(Info.ptMaxTrackSize.Y, Info.ptMaxSize.Y);
    }
}

MINMAXINFO GetMinMaxInfo(TWnd* W) {
    MINMAXINFO m;
    DefaultMinMax(W, m);
    Send(W, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&m));
    return m;
}

// ---------------------------------------------------------------------------
// The tree

void UnlinkChild(TWnd* W) {
    if (!W->Parent) return;
    auto& c = W->Parent->Children;
    c.erase(std::remove(c.begin(), c.end(), W), c.end());
}

void ZOrderInsert(TWnd* Parent, TWnd* W, HWND InsertAfter) {
    auto& c = Parent->Children;
    const bool topLevel = Parent == S().Desktop;
    c.erase(std::remove(c.begin(), c.end(), W), c.end());
    if (topLevel) {
        if (InsertAfter == HWND_TOPMOST) W->ExStyle |= WS_EX_TOPMOST;
        if (InsertAfter == HWND_NOTOPMOST || InsertAfter == HWND_BOTTOM) W->ExStyle &= ~WS_EX_TOPMOST;
    }
    auto topmostCount = [&]() {
        size_t n = 0;
        while (n < c.size() && (c[n]->ExStyle & WS_EX_TOPMOST)) ++n;
        return n;
    };
    size_t pos;
    if (InsertAfter == HWND_BOTTOM) {
        pos = c.size();
    } else if (InsertAfter == HWND_TOP || InsertAfter == HWND_TOPMOST || InsertAfter == HWND_NOTOPMOST) {
        pos = 0;
    } else {
        auto it = std::find_if(c.begin(), c.end(), [&](TWnd* x) { return x->Handle == InsertAfter; });
        pos = it == c.end() ? 0 : size_t(it - c.begin()) + 1;
    }
    if (topLevel) {
        const size_t n = topmostCount();
        if (W->ExStyle & WS_EX_TOPMOST)
            pos = std::min(pos, n);
        else
            pos = std::max(pos, n);
    }
    c.insert(c.begin() + ptrdiff_t(pos), W);
    if (topLevel) {
        // Owned windows stay above their owner.
        std::vector<TWnd*> owned;
        std::vector<TWnd*> frontier{W};
        while (!frontier.empty()) {
            TWnd* o = frontier.back();
            frontier.pop_back();
            for (TWnd* x : c)
                if (x->Owner == o->Handle && std::find(owned.begin(), owned.end(), x) == owned.end()) {
                    owned.push_back(x);
                    frontier.push_back(x);
                }
        }
        for (TWnd* o : owned) {
            const size_t wi = size_t(std::find(c.begin(), c.end(), W) - c.begin());
            const size_t oi = size_t(std::find(c.begin(), c.end(), o) - c.begin());
            if (oi > wi && ((o->ExStyle & WS_EX_TOPMOST) == (W->ExStyle & WS_EX_TOPMOST))) {
                c.erase(c.begin() + ptrdiff_t(oi));
                c.insert(c.begin() + ptrdiff_t(wi), o);
            }
        }
        Backend().ZOrderChanged();
    }
}

namespace {

int CascadeCounter = 0;

void SendParentNotify(TWnd* W, UINT Event) {
    if (!(W->Style & WS_CHILD)) return;
    HWND child = W->Handle;
    const WPARAM wp = MAKEWPARAM(WORD(Event), WORD(W->CtrlId));
    for (TWnd* w = W; w && (w->Style & WS_CHILD) && !(w->ExStyle & WS_EX_NOPARENTNOTIFY);) {
        TWnd* p = w->Parent;
        if (!p || p == S().Desktop) break;
        PWnd hold = Hold(p);
        Send(p, WM_PARENTNOTIFY, wp, reinterpret_cast<LPARAM>(child));
        if (p->Dead) break;
        w = p;
    }
}

void ReleaseWindow(TWnd* W) {
    TState& st = S();
    PWnd hold = Hold(W);
    if (W->ExStyle & WS_EX_MDICHILD) MdiChildDestroyed(W);
    KillWindowTimers(W);
    PurgeWindowMessages(W);
    ReleaseWindowDCs(W);
    const bool top = IsTopLevel(W);
    UnlinkChild(W);
    if (st.Focus == W->Handle) st.Focus = nullptr;
    if (st.Active == W->Handle) st.Active = nullptr;
    if (st.Capture == W->Handle) st.Capture = nullptr;
    if (st.TrackLeave == W->Handle) st.TrackLeave = nullptr;
    if (st.TrackHover == W->Handle) st.TrackHover = nullptr;
    if (st.MouseWnd == W->Handle) st.MouseWnd = nullptr;
    if (st.LockedUpdate == W->Handle) st.LockedUpdate = nullptr;
    W->Dead = true;
    W->Update.reset();
    W->Surface.reset();
    W->Children.clear();
    if (W->Class) --W->Class->WindowCount;
    st.Windows.erase(W->Id);
    RemoveResourceObject(rtUSER);
    if (top) Backend().TopLevelDestroyed(W->Handle);
    RefreshDCs();
}

void SendDestroyTree(TWnd* W, std::exception_ptr& Error) {
    PWnd hold = Hold(W);
    try {
        Send(W, WM_DESTROY, 0, 0);
    } catch (...) {
        if (!Error) Error = std::current_exception();
    }
    if (W->Dead) return;
    std::vector<PWnd> kids;
    for (TWnd* c : W->Children) kids.push_back(Hold(c));
    for (const PWnd& c : kids)
        if (!c->Dead) SendDestroyTree(c.get(), Error);
}

void FreeTree(TWnd* W, std::exception_ptr& Error) {
    PWnd hold = Hold(W);
    for (;;) {
        TWnd* next = nullptr;
        for (TWnd* c : W->Children)
            if (!c->Dead) {
                next = c;
                break;
            }
        if (!next) break;
        next->Destroying = true;
        FreeTree(next, Error);
    }
    if (W->Dead) return;
    try {
        Send(W, WM_NCDESTROY, 0, 0);
    } catch (...) {
        if (!Error) Error = std::current_exception();
    }
    if (!W->Dead) ReleaseWindow(W);
}

// Hidden children are visited too, so that their state stays right.
void CollectTree(TWnd* W, std::vector<PWnd>& Out) {
    Out.push_back(Hold(W));
    for (TWnd* c : W->Children) CollectTree(c, Out);
}

}  // namespace

void DestroyWindowInternal(TWnd* W) {
    if (!W || W->Dead || W == S().Desktop) return;
    if (W->Destroying) return;  // a second request from a handler is ignored
    PWnd hold = Hold(W);
    W->Destroying = true;
    std::exception_ptr error;
    try {
        SendParentNotify(W, WM_DESTROY);
    } catch (...) {
        error = std::current_exception();
    }
    // Owned windows first.
    if (IsTopLevel(W)) {
        std::vector<PWnd> owned;
        for (TWnd* c : S().Desktop->Children)
            if (c->Owner == W->Handle && !c->Destroying) owned.push_back(Hold(c));
        for (const PWnd& o : owned) {
            if (o->Dead) continue;
            if (o->ThreadId == CurrentThreadId()) {
                try {
                    DestroyWindowInternal(o.get());
                } catch (...) {
                    if (!error) error = std::current_exception();
                }
            } else {
                o->Owner = nullptr;
            }
        }
    }
    if (W->Dead) return;
    try {
        if (W->Style & WS_VISIBLE)
            SetWindowPosInternal(W, nullptr, 0, 0, 0, 0,
                                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (!W->Dead) OnWindowGone(W);
    } catch (...) {
        if (!error) error = std::current_exception();
    }
    if (W->Dead) return;
    // Every window of the tree is marked first, so that nothing in the tree
    // is destroyed twice by handlers reacting to WM_DESTROY.
    std::vector<PWnd> tree;
    CollectTree(W, tree);
    for (const PWnd& t : tree) {
        if (t.get() != W) OnWindowGone(t.get());
        t->Destroying = true;
    }
    SendDestroyTree(W, error);
    FreeTree(W, error);
    if (error) std::rethrow_exception(error);
}

// ---------------------------------------------------------------------------
// SetWindowPos

namespace {

bool WantsMinMaxClamp(const TWnd* W) {
    if (W->Style & (WS_MINIMIZE | WS_MAXIMIZE)) return false;
    return (W->Style & WS_THICKFRAME) || !(W->Style & (WS_POPUP | WS_CHILD));
}

void SendSizeAndMove(TWnd* W, bool Size, bool Move, bool SizeFirst) {
    PWnd hold = Hold(W);
    W->SendSizeMove = false;
    auto size = [&] {
        const UINT type = (W->Style & WS_MINIMIZE) ? SIZE_MINIMIZED : (W->Style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        Send(W, WM_SIZE, type, MAKELPARAM(WORD(W->Client.Width()), WORD(W->Client.Height())));
    };
    auto move = [&] {
        const TPoint o{W->Rect.Left + W->Client.Left, W->Rect.Top + W->Client.Top};
        Send(W, WM_MOVE, 0, PointToLParam(o));
    };
    // The first pair after creation comes size first; later changes report
    // the move first, as WM_WINDOWPOSCHANGED does.
    if (SizeFirst) {
        if (Size) size();
        if (Move && !W->Dead) move();
    } else {
        if (Move) move();
        if (Size && !W->Dead) size();
    }
}

}  // namespace

void SetWindowPosInternal(TWnd* W, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags) {
    if (!W || W->Dead || W == S().Desktop) return;
    PWnd hold = Hold(W);
    const bool visibleBefore = (W->Style & WS_VISIBLE) != 0;
    if ((Flags & SWP_SHOWWINDOW) && visibleBefore) Flags &= ~SWP_SHOWWINDOW;
    if ((Flags & SWP_HIDEWINDOW) && !visibleBefore) Flags &= ~SWP_HIDEWINDOW;
    if (Flags & SWP_SHOWWINDOW) Flags &= ~SWP_HIDEWINDOW;
    WINDOWPOS wp;
    wp.hwnd = W->Handle;
    wp.hwndInsertAfter = InsertAfter;
    wp.x = (Flags & SWP_NOMOVE) ? W->Rect.Left : X;
    wp.y = (Flags & SWP_NOMOVE) ? W->Rect.Top : Y;
    wp.cx = (Flags & SWP_NOSIZE) ? W->Rect.Width() : std::max(CX, 0);
    wp.cy = (Flags & SWP_NOSIZE) ? W->Rect.Height() : std::max(CY, 0);
    wp.flags = Flags;
    if (!(Flags & SWP_NOSENDCHANGING)) {
        Send(W, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
        if (W->Dead) return;
    }
    Flags = wp.flags;
    if (Flags & SWP_NOMOVE) {
        wp.x = W->Rect.Left;
        wp.y = W->Rect.Top;
    }
    if (Flags & SWP_NOSIZE) {
        wp.cx = W->Rect.Width();
        wp.cy = W->Rect.Height();
    }
    wp.cx = std::clamp(wp.cx, 0, 32767);
    wp.cy = std::clamp(wp.cy, 0, 32767);
    const TRect oldRect = W->Rect;
    const TRect oldClient = W->Client;
    const TRect newRect{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    const bool sized = newRect.Width() != oldRect.Width() || newRect.Height() != oldRect.Height();
    const bool moved = newRect.Left != oldRect.Left || newRect.Top != oldRect.Top;
    TRect newClient = oldClient;
    if (sized || (Flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS p;
        p.rgrc[0] = newRect;
        p.rgrc[1] = oldRect;
        p.rgrc[2] = TRect{oldRect.Left + oldClient.Left, oldRect.Top + oldClient.Top, oldRect.Left + oldClient.Right,
                          oldRect.Top + oldClient.Bottom};
        p.lppos = &wp;
        Send(W, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
        if (W->Dead) return;
        TRect c = p.rgrc[0];
        c = TRect{c.Left - newRect.Left, c.Top - newRect.Top, c.Right - newRect.Left, c.Bottom - newRect.Top};
        c.Left = std::clamp(c.Left, 0, newRect.Width());
        c.Top = std::clamp(c.Top, 0, newRect.Height());
        c.Right = std::clamp(c.Right, c.Left, newRect.Width());
        c.Bottom = std::clamp(c.Bottom, c.Top, newRect.Height());
        newClient = c;
    }
    const bool clientMoved = newRect.Left + newClient.Left != oldRect.Left + oldClient.Left ||
                             newRect.Top + newClient.Top != oldRect.Top + oldClient.Top;
    const bool clientSized =
        newClient.Width() != oldClient.Width() || newClient.Height() != oldClient.Height();
    const bool wasReallyVisible = ReallyVisible(W);
    const bool top = IsTopLevel(W);
    W->Rect = newRect;
    W->Client = newClient;
    bool zChanged = false;
    if (!(Flags & SWP_NOZORDER) && W->Parent) {
        const auto before = W->Parent->Children;
        ZOrderInsert(W->Parent, W, wp.hwndInsertAfter);
        zChanged = before != W->Parent->Children;
    }
    if (Flags & SWP_SHOWWINDOW) W->Style |= WS_VISIBLE;
    if (Flags & SWP_HIDEWINDOW) W->Style &= ~WS_VISIBLE;
    if (top) EnsureSurface(W);
    RefreshDCs();
    if (top) {
        if (moved) Backend().TopLevelMoved(W->Handle, WindowRectScreen(W));
        if (sized) Backend().TopLevelResized(W->Handle, WindowRectScreen(W));
        if (Flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) Backend().TopLevelShown(W->Handle, (Flags & SWP_SHOWWINDOW) != 0);
    }
    // Repainting.
    const bool nowVisible = ReallyVisible(W);
    if (!(Flags & SWP_NOREDRAW)) {
        const UINT all = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
        if (top) {
            if (nowVisible && ((Flags & SWP_SHOWWINDOW) || !W->EverShown)) {
                InvalidateWindowArea(W, TRgn(TRect{0, 0, newRect.Width(), newRect.Height()}), all, true);
            } else if (nowVisible && (sized || (Flags & SWP_FRAMECHANGED))) {
                const UINT cs = W->Class ? W->Class->Style : 0;
                const bool whole = (Flags & SWP_FRAMECHANGED) || clientMoved ||
                                   ((cs & CS_HREDRAW) && newRect.Width() != oldRect.Width()) ||
                                   ((cs & CS_VREDRAW) && newRect.Height() != oldRect.Height()) ||
                                   newClient.Left != oldClient.Left || newClient.Top != oldClient.Top;
                TRgn area(TRect{0, 0, newRect.Width(), newRect.Height()});
                if (!whole) {
                    // The frame moves with the edges; the client keeps what it showed.
                    TRgn keep(TRect{newClient.Left, newClient.Top, newClient.Left + std::min(oldClient.Width(), newClient.Width()),
                                    newClient.Top + std::min(oldClient.Height(), newClient.Height())});
                    area.Diff(keep);
                }
                InvalidateWindowArea(W, area, all, true);
            }
        } else {
            if (wasReallyVisible && (moved || sized || (Flags & SWP_HIDEWINDOW) || zChanged)) ExposeParentArea(W->Parent, oldRect);
            if (nowVisible && (moved || sized || (Flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)) || zChanged))
                InvalidateWindowArea(W, TRgn(TRect{0, 0, newRect.Width(), newRect.Height()}), all, true);
        }
    }
    if (nowVisible) W->EverShown = true;
    if (Flags & SWP_HIDEWINDOW) {
        OnWindowGone(W);
        if (W->Dead) return;
    }
    if (!(Flags & SWP_NOACTIVATE) && nowVisible) {
        if (top && !(W->ExStyle & WS_EX_NOACTIVATE) && !W->MessageOnly) {
            if (S().Active != W->Handle) ActivateInternal(W, WA_ACTIVE);
        } else if (W->ExStyle & WS_EX_MDICHILD) {
            Send(W, WM_CHILDACTIVATE, 0, 0);
        }
        if (W->Dead) return;
    }
    UINT changed = Flags & ~(SWP_NOSIZE | SWP_NOMOVE | SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
    if (!sized) changed |= SWP_NOSIZE;
    if (!moved) changed |= SWP_NOMOVE;
    if (!clientSized && !(Flags & SWP_STATECHANGED)) changed |= SWP_NOCLIENTSIZE;
    if (!clientMoved) changed |= SWP_NOCLIENTMOVE;
    WINDOWPOS done = wp;
    done.x = W->Rect.Left;
    done.y = W->Rect.Top;
    done.cx = W->Rect.Width();
    done.cy = W->Rect.Height();
    done.flags = changed;
    Send(W, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
}

LRESULT DefWindowPosChanged(TWnd* W, const WINDOWPOS* Pos);
LRESULT DefWindowPosChanged(TWnd* W, const WINDOWPOS* Pos) {
    if (!Pos) return 0;
    const bool move = !(Pos->flags & SWP_NOCLIENTMOVE);
    const bool size = !(Pos->flags & SWP_NOCLIENTSIZE);
    if (move || size) SendSizeAndMove(W, size, move, false);
    return 0;
}

LRESULT DefWindowPosChanging(TWnd* W, WINDOWPOS* Pos);
LRESULT DefWindowPosChanging(TWnd* W, WINDOWPOS* Pos) {
    if (!Pos || (Pos->flags & SWP_NOSIZE) || !WantsMinMaxClamp(W)) return 0;
    const MINMAXINFO m = GetMinMaxInfo(W);
    if (W->Dead) return 0;
    Pos->cx = std::clamp(Pos->cx, std::min(m.ptMinTrackSize.X, m.ptMaxTrackSize.X), m.ptMaxTrackSize.X);
    Pos->cy = std::clamp(Pos->cy, std::min(m.ptMinTrackSize.Y, m.ptMaxTrackSize.Y), m.ptMaxTrackSize.Y);
    return 0;
}

// ---------------------------------------------------------------------------
// ShowWindow

void ShowWindowInternal(TWnd* W, int Cmd) {
    PWnd hold = Hold(W);
    const bool wasVisible = (W->Style & WS_VISIBLE) != 0;
    const bool top = IsTopLevel(W);
    const bool mdiChild = (W->ExStyle & WS_EX_MDICHILD) != 0;
    bool show = true;
    bool activate = false;
    switch (Cmd) {
        case SW_HIDE: show = false; break;
        case SW_SHOWNORMAL:
        case SW_SHOWDEFAULT:
        case SW_RESTORE:
            activate = true;
            break;
        case SW_SHOWNOACTIVATE: break;
        case SW_SHOW: activate = true; break;
        case SW_SHOWMINIMIZED: activate = true; break;
        case SW_MAXIMIZE: activate = true; break;
        case SW_MINIMIZE:
        case SW_FORCEMINIMIZE:
        case SW_SHOWMINNOACTIVE:
        case SW_SHOWNA: break;
        default: return;
    }
    if (show != wasVisible) {
        Send(W, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if (W->Dead) return;
    }
    const bool canActivate = activate && (top || mdiChild) && !(W->ExStyle & WS_EX_NOACTIVATE);
    // The state change happens while the window is still hidden, or after it
    // is shown, as the classic system does.
    auto changeState = [&]() {
        switch (Cmd) {
            case SW_SHOWNORMAL:
            case SW_SHOWDEFAULT:
            case SW_RESTORE:
            case SW_SHOWNOACTIVATE:
                if (W->Style & (WS_MINIMIZE | WS_MAXIMIZE)) RestoreInternal(W, false);
                break;
            case SW_SHOWMINIMIZED:
            case SW_MINIMIZE:
            case SW_FORCEMINIMIZE:
            case SW_SHOWMINNOACTIVE: MinimizeInternal(W, false); break;
            case SW_MAXIMIZE: MaximizeInternal(W, false); break;
            default: break;
        }
    };
    if (show) changeState();
    if (W->Dead) return;
    if (show != ((W->Style & WS_VISIBLE) != 0)) {
        UINT f = SWP_NOMOVE | SWP_NOSIZE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
        if (canActivate)
            f &= ~SWP_NOZORDER;
        else
            f |= SWP_NOACTIVATE | SWP_NOZORDER;
        SetWindowPosInternal(W, HWND_TOP, 0, 0, 0, 0, f);
        if (W->Dead) return;
    } else if (show && canActivate) {
        if (top) {
            if (S().Active != W->Handle) ActivateInternal(W, WA_ACTIVE);
        } else {
            Send(W, WM_CHILDACTIVATE, 0, 0);
        }
        if (W->Dead) return;
    }
    if (show && W->SendSizeMove) SendSizeAndMove(W, true, true, true);
    if (W->Dead) return;
    if (top && (Cmd == SW_MINIMIZE || Cmd == SW_FORCEMINIMIZE) && S().Active == W->Handle) ActivateNextAfter(W);
}

// ---------------------------------------------------------------------------
// Thread teardown helper (used by the queue)

}  // namespace win

using namespace win;

// ---------------------------------------------------------------------------
// Creation

HWND CreateWindowEx(DWORD ExStyle, const char* ClassName, const char* WindowName, DWORD Style, int X, int Y,
                    int Width, int Height, HWND Parent, HMENU Menu, HINSTANCE Instance, void* Param) {
    TLock l;
    TState& st = S();
    PClass cls = FindClass(ClassName);
    if (!cls) {
        FailWith(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    TWnd* parentW = st.Desktop;
    HWND owner = nullptr;
    bool messageOnly = false;
    if (ExStyle & WS_EX_MDICHILD) Style = (Style | WS_CHILD) & ~WS_POPUP;
    if (Parent == HWND_MESSAGE) {
        messageOnly = true;
        Style &= ~(WS_CHILD | WS_VISIBLE);
        Style |= WS_POPUP;
    } else if (Style & WS_CHILD) {
        parentW = LookupAny(Parent);
        if (!parentW) {
            FailWith(Parent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
    } else if (Parent) {
        TWnd* o = Lookup(Parent);
        if (!o) {
            FailWith(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        owner = H(Root(o));
    }
    const bool mdiChild = (ExStyle & WS_EX_MDICHILD) && parentW != st.Desktop && parentW->Mdi;
    if (ExStyle & WS_EX_MDICHILD) {
        if (!mdiChild) {
            FailWith(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        Style |= WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                 WS_MAXIMIZEBOX | WS_VISIBLE;
        Style &= ~WS_POPUP;
        ExStyle |= WS_EX_WINDOWEDGE;
    }
    if (!(Style & (WS_CHILD | WS_POPUP))) Style |= WS_CAPTION | WS_CLIPSIBLINGS;
    if ((Style & (WS_DLGFRAME | WS_THICKFRAME)) || (ExStyle & WS_EX_DLGMODALFRAME)) ExStyle |= WS_EX_WINDOWEDGE;
    // Default position and size.
    const bool overlapped = !(Style & (WS_CHILD | WS_POPUP));
    if (X == CW_USEDEFAULT) {
        if (overlapped || mdiChild) {
            const int step = Metric(SM_CYCAPTION) + Metric(SM_CYFRAME);
            const int n = (mdiChild ? parentW->Mdi->CascadeIndex++ : CascadeCounter++) % 8;
            X = n * step;
            Y = n * step;
        } else {
            X = 0;
            Y = 0;
        }
    }
    if (Width == CW_USEDEFAULT) {
        if (overlapped || mdiChild) {
            const TRect area = mdiChild ? parentW->Client : TRect{0, 0, st.ScreenW, st.ScreenH};
            Width = area.Width() * 3 / 4;
            Height = area.Height() * 3 / 4;
        } else {
            Width = 0;
            Height = 0;
        }
    }
    Width = std::clamp(Width, 0, 32767);
    Height = std::clamp(Height, 0, 32767);
    auto w = std::make_shared<TWnd>();
    w->Id = st.NextWndId;
    st.NextWndId += 2;
    w->Handle = reinterpret_cast<HWND>(w->Id);
    w->Class = cls;
    w->Proc = cls->Proc;
    w->Style = Style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    w->ExStyle = ExStyle & ~WS_EX_TOPMOST;
    w->Parent = parentW;
    w->Owner = owner;
    w->MessageOnly = messageOnly;
    w->Instance = Instance;
    if (Style & WS_CHILD)
        w->CtrlId = reinterpret_cast<LONG_PTR>(Menu);
    else
        w->Menu = Menu;
    w->Extra.assign(size_t(cls->WndExtra), 0);
    w->Queue = QueueForCurrentThread();
    w->ThreadId = CurrentThreadId();
    w->Rect = TRect{X, Y, X + Width, Y + Height};
    w->Client = TRect{0, 0, Width, Height};
    w->NormalRect = w->Rect;
    st.Windows[w->Id] = w;
    ++cls->WindowCount;
    AddResourceObject(rtUSER);
    ZOrderInsert(parentW, w.get(), (ExStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP);
    const bool top = IsTopLevel(w.get());
    if (top) {
        EnsureSurface(w.get());
        Backend().TopLevelCreated(w->Handle);
    }
    TWnd* W = w.get();
    CREATESTRUCT cs;
    cs.lpCreateParams = Param;
    cs.hInstance = Instance;
    cs.hMenu = Menu;
    cs.hwndParent = Parent;
    cs.cx = Width;
    cs.cy = Height;
    cs.x = X;
    cs.y = Y;
    cs.style = LONG(Style);
    cs.lpszName = WindowName;
    cs.lpszClass = ClassName;
    cs.dwExStyle = ExStyle;
    try {
        if (top && WantsMinMaxClamp(W)) {
            const MINMAXINFO m = GetMinMaxInfo(W);
            if (W->Dead) return nullptr;
            const int cx = std::clamp(W->Rect.Width(), std::min(m.ptMinTrackSize.X, m.ptMaxTrackSize.X), m.ptMaxTrackSize.X);
            const int cy = std::clamp(W->Rect.Height(), std::min(m.ptMinTrackSize.Y, m.ptMaxTrackSize.Y), m.ptMaxTrackSize.Y);
            W->Rect.Right = W->Rect.Left + cx;
            W->Rect.Bottom = W->Rect.Top + cy;
            W->Client = TRect{0, 0, cx, cy};
            cs.cx = cx;
            cs.cy = cy;
            if (top) EnsureSurface(W);
        }
        if (!Send(W, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
            if (!W->Dead) {
                // Only WM_NCDESTROY, as the window never got WM_CREATE.
                W->Destroying = true;
                std::exception_ptr e;
                FreeTree(W, e);
            }
            return nullptr;
        }
        if (W->Dead) return nullptr;
        TRect rc = W->Rect;
        Send(W, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rc));
        if (W->Dead) return nullptr;
        TRect c{rc.Left - W->Rect.Left, rc.Top - W->Rect.Top, rc.Right - W->Rect.Left, rc.Bottom - W->Rect.Top};
        c.Left = std::clamp(c.Left, 0, W->Rect.Width());
        c.Top = std::clamp(c.Top, 0, W->Rect.Height());
        c.Right = std::clamp(c.Right, c.Left, W->Rect.Width());
        c.Bottom = std::clamp(c.Bottom, c.Top, W->Rect.Height());
        W->Client = c;
        RefreshDCs();
        if (Send(W, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
            if (!W->Dead) DestroyWindowInternal(W);
            return nullptr;
        }
        if (W->Dead) return nullptr;
        SendParentNotify(W, WM_CREATE);
        if (W->Dead) return nullptr;
        if (mdiChild) {
            MdiChildCreated(W);
            if (W->Dead) return nullptr;
        }
        if (Style & WS_VISIBLE) {
            int cmd = SW_SHOW;
            if (Style & WS_MAXIMIZE)
                cmd = SW_SHOWMAXIMIZED;
            else if (Style & WS_MINIMIZE)
                cmd = SW_SHOWMINIMIZED;
            if (mdiChild && cmd == SW_SHOW) cmd = SW_SHOWNA;  // the client activates it
            ShowWindowInternal(W, cmd);
            if (W->Dead) return nullptr;
        } else if (Style & WS_MAXIMIZE) {
            MaximizeInternal(W, false);
        } else if (Style & WS_MINIMIZE) {
            MinimizeInternal(W, false);
        }
        if (W->Dead) return nullptr;
        if (mdiChild) {
            MdiActivateChild(W);
            if (W->Dead) return nullptr;
        }
    } catch (...) {
        if (!W->Dead) {
            try {
                DestroyWindowInternal(W);
            } catch (...) {
            }
        }
        throw;
    }
    return W->Handle;
}

BOOL DestroyWindow(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->ThreadId != CurrentThreadId()) {
        FailWith(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (w->Destroying) return FALSE;
    DestroyWindowInternal(w);
    return TRUE;
}

BOOL IsWindow(HWND Wnd) {
    TLock l;
    return LookupAny(Wnd) ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Relations

HWND GetDesktopWindow() {
    TLock l;
    return S().Desktop->Handle;
}

HWND GetParent(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (!IsTopLevel(w) && !w->MessageOnly) return H(w->Parent);
    if (w->Style & WS_POPUP) return Lookup(w->Owner) ? w->Owner : nullptr;
    return nullptr;
}

HWND SetParent(HWND Wnd, HWND NewParent) {
    TLock l;
    TState& st = S();
    TWnd* w = Lookup(Wnd);
    TWnd* p = NewParent ? LookupAny(NewParent) : st.Desktop;
    if (!w || !p) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (IsDescendant(w, p)) {
        FailWith(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PWnd hold = Hold(w);
    TWnd* old = w->Parent;
    const HWND oldHandle = H(old);
    if (old == p) return oldHandle;
    const bool wasTop = IsTopLevel(w);
    const bool wasVisible = ReallyVisible(w);
    if (wasVisible) ExposeParentArea(old, w->Rect);
    UnlinkChild(w);
    w->Parent = p;
    w->MessageOnly = false;
    ZOrderInsert(p, w, HWND_TOP);
    const bool nowTop = IsTopLevel(w);
    if (wasTop && !nowTop) {
        Backend().TopLevelDestroyed(w->Handle);
        w->Surface.reset();
        if (st.Active == w->Handle) st.Active = nullptr;
    } else if (!wasTop && nowTop) {
        EnsureSurface(w);
        Backend().TopLevelCreated(w->Handle);
    }
    RefreshDCs();
    if (ReallyVisible(w))
        InvalidateWindowArea(w, TRgn(TRect{0, 0, w->Rect.Width(), w->Rect.Height()}),
                             RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN, true);
    return oldHandle == st.Desktop->Handle ? st.Desktop->Handle : oldHandle;
}

HWND GetAncestor(HWND Wnd, UINT Flags) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return nullptr;
    switch (Flags) {
        case GA_PARENT: return H(w->Parent);
        case GA_ROOT: return H(Root(w));
        case GA_ROOTOWNER: {
            TWnd* r = Root(w);
            for (int guard = 0; r && guard < 1000; ++guard) {
                TWnd* o = Lookup(r->Owner);
                if (!o) break;
                r = Root(o);
            }
            return H(r);
        }
        default: return nullptr;
    }
}

HWND GetWindow(HWND Wnd, UINT Cmd) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    switch (Cmd) {
        case GW_CHILD: return w->Children.empty() ? nullptr : w->Children.front()->Handle;
        case GW_OWNER: return Lookup(w->Owner) ? w->Owner : nullptr;
        case GW_ENABLEDPOPUP: {
            for (TWnd* c : S().Desktop->Children)
                if (c->Owner == w->Handle && (c->Style & WS_VISIBLE) && !(c->Style & WS_DISABLED)) return c->Handle;
            return nullptr;
        }
        default: break;
    }
    if (!w->Parent) return nullptr;
    const auto& sib = w->Parent->Children;
    auto it = std::find(sib.begin(), sib.end(), w);
    switch (Cmd) {
        case GW_HWNDFIRST: return sib.empty() ? nullptr : sib.front()->Handle;
        case GW_HWNDLAST: return sib.empty() ? nullptr : sib.back()->Handle;
        case GW_HWNDNEXT: return (it == sib.end() || it + 1 == sib.end()) ? nullptr : (*(it + 1))->Handle;
        case GW_HWNDPREV: return (it == sib.end() || it == sib.begin()) ? nullptr : (*(it - 1))->Handle;
        default: FailWith(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND GetTopWindow(HWND Wnd) {
    TLock l;
    TWnd* w = Wnd ? LookupAny(Wnd) : S().Desktop;
    if (!w || w->Children.empty()) return nullptr;
    return w->Children.front()->Handle;
}

HWND GetLastActivePopup(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return nullptr;
    TWnd* p = Lookup(w->LastActivePopup);
    if (p && (p->Style & WS_VISIBLE) && !(p->Style & WS_DISABLED)) return p->Handle;
    return Wnd;
}

BOOL IsChild(HWND Parent, HWND Wnd) {
    TLock l;
    TWnd* p = Lookup(Parent);
    TWnd* w = Lookup(Wnd);
    if (!p || !w) return FALSE;
    for (TWnd* x = w->Parent; x && x != S().Desktop; x = x->Parent)
        if (x == p) return TRUE;
    return FALSE;
}

namespace {

void CollectDescendants(TWnd* W, std::vector<HWND>& Out) {
    for (TWnd* c : W->Children) {
        Out.push_back(c->Handle);
        CollectDescendants(c, Out);
    }
}

BOOL Enumerate(const std::vector<HWND>& List, const WNDENUMPROC& Proc, LPARAM Param) {
    if (!Proc) return FALSE;
    for (HWND h : List) {
        if (!Lookup(h)) continue;
        TUnlock u;
        if (!Proc(h, Param)) break;
    }
    return TRUE;
}

bool TitleMatches(TWnd* W, const char* Title) { return !Title || EqualNoCase(W->Text, Title); }

bool ClassMatches(TWnd* W, const char* Class) {
    if (!Class) return true;
    if (IS_INTRESOURCE(Class)) return W->Class->Atom == ATOM(reinterpret_cast<uintptr_t>(Class));
    return EqualNoCase(W->Class->Name, Class);
}

}  // namespace

BOOL EnumChildWindows(HWND Parent, WNDENUMPROC Proc, LPARAM Param) {
    if (!Parent) return EnumWindows(std::move(Proc), Param);
    TLock l;
    TWnd* p = Lookup(Parent);
    if (!p) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::vector<HWND> list;
    CollectDescendants(p, list);
    return Enumerate(list, Proc, Param);
}

BOOL EnumWindows(WNDENUMPROC Proc, LPARAM Param) {
    TLock l;
    std::vector<HWND> list;
    for (TWnd* c : S().Desktop->Children)
        if (!c->MessageOnly) list.push_back(c->Handle);
    return Enumerate(list, Proc, Param);
}

BOOL EnumThreadWindows(DWORD ThreadId, WNDENUMPROC Proc, LPARAM Param) {
    TLock l;
    std::vector<HWND> list;
    for (TWnd* c : S().Desktop->Children)
        if (c->ThreadId == ThreadId && !c->MessageOnly) list.push_back(c->Handle);
    return Enumerate(list, Proc, Param);
}

HWND FindWindowEx(HWND Parent, HWND ChildAfter, const char* ClassName, const char* WindowName) {
    TLock l;
    TWnd* p = Parent ? LookupAny(Parent) : S().Desktop;
    if (!p) return nullptr;
    bool started = ChildAfter == nullptr;
    for (TWnd* c : p->Children) {
        if (!started) {
            if (c->Handle == ChildAfter) started = true;
            continue;
        }
        if (c->MessageOnly) continue;
        if (ClassMatches(c, ClassName) && TitleMatches(c, WindowName)) return c->Handle;
    }
    return nullptr;
}

HWND FindWindow(const char* ClassName, const char* WindowName) {
    return FindWindowEx(nullptr, nullptr, ClassName, WindowName);
}

int GetDlgCtrlID(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !(w->Style & WS_CHILD)) return 0;
    return int(w->CtrlId);
}

HWND GetDlgItem(HWND Dialog, int Id) {
    TLock l;
    TWnd* d = Lookup(Dialog);
    if (!d) return nullptr;
    for (TWnd* c : d->Children)
        if ((c->Style & WS_CHILD) && c->CtrlId == Id) return c->Handle;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Geometry

BOOL GetWindowRect(HWND Wnd, TRect* Rect) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w || !Rect) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *Rect = w == S().Desktop ? w->Rect : WindowRectScreen(w);
    return TRUE;
}

BOOL GetClientRect(HWND Wnd, TRect* Rect) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w || !Rect) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *Rect = TRect{0, 0, w->Client.Width(), w->Client.Height()};
    return TRUE;
}

BOOL ClientToScreen(HWND Wnd, TPoint* Point) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w || !Point) return FALSE;
    const TPoint o = ClientOriginScreen(w);
    Point->X += o.X;
    Point->Y += o.Y;
    return TRUE;
}

BOOL ScreenToClient(HWND Wnd, TPoint* Point) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w || !Point) return FALSE;
    const TPoint o = ClientOriginScreen(w);
    Point->X -= o.X;
    Point->Y -= o.Y;
    return TRUE;
}

int MapWindowPoints(HWND From, HWND To, TPoint* Points, UINT Count) {
    TLock l;
    TWnd* f = From ? LookupAny(From) : S().Desktop;
    TWnd* t = To ? LookupAny(To) : S().Desktop;
    if (!f || !t) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const TPoint a = ClientOriginScreen(f), b = ClientOriginScreen(t);
    const int dx = a.X - b.X, dy = a.Y - b.Y;
    for (UINT i = 0; Points && i < Count; ++i) {
        Points[i].X += dx;
        Points[i].Y += dy;
    }
    return int(MAKELONG(WORD(int16_t(dx)), WORD(int16_t(dy))));
}

int MapWindowPoints(HWND From, HWND To, TRect* Rect) {
    if (!Rect) return 0;
    TPoint p[2] = {{Rect->Left, Rect->Top}, {Rect->Right, Rect->Bottom}};
    const int r = MapWindowPoints(From, To, p, 2);
    *Rect = TRect{p[0].X, p[0].Y, p[1].X, p[1].Y};
    return r;
}

BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!(Flags & SWP_NOZORDER) && InsertAfter != HWND_TOP && InsertAfter != HWND_BOTTOM &&
        InsertAfter != HWND_TOPMOST && InsertAfter != HWND_NOTOPMOST) {
        TWnd* a = Lookup(InsertAfter);
        if (!a || a->Parent != w->Parent) {
            FailWith(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (a == w) Flags |= SWP_NOZORDER;
    }
    SetWindowPosInternal(w, InsertAfter, X, Y, Width, Height, Flags & ~(SWP_STATECHANGED | SWP_NOCLIENTMOVE | SWP_NOCLIENTSIZE));
    return TRUE;
}

BOOL MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, BOOL Repaint) {
    return SetWindowPos(Wnd, nullptr, X, Y, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND Wnd) { return SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ShowWindow(HWND Wnd, int Cmd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (Cmd < SW_HIDE || Cmd > SW_FORCEMINIMIZE) {
        FailWith(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const BOOL was = (w->Style & WS_VISIBLE) ? TRUE : FALSE;
    ShowWindowInternal(w, Cmd);
    return was;
}

BOOL IsWindowVisible(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    return w && ReallyVisible(w) ? TRUE : FALSE;
}

BOOL IsIconic(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    return w && (w->Style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    return w && (w->Style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL OpenIcon(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !(w->Style & WS_MINIMIZE)) return FALSE;
    ShowWindowInternal(w, SW_RESTORE);
    return TRUE;
}

BOOL CloseWindow(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return FALSE;
    ShowWindowInternal(w, SW_MINIMIZE);
    return TRUE;
}

BOOL EnableWindow(HWND Wnd, BOOL Enable) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PWnd hold = Hold(w);
    const BOOL wasDisabled = (w->Style & WS_DISABLED) ? TRUE : FALSE;
    const bool enable = Enable != FALSE;
    if (enable == !wasDisabled) return wasDisabled;
    if (enable) {
        w->Style &= ~WS_DISABLED;
    } else {
        w->Style |= WS_DISABLED;
        TState& st = S();
        if (TWnd* f = Lookup(st.Focus); f && IsDescendant(w, f)) SetFocusInternal(nullptr);
        if (TWnd* c = Lookup(st.Capture); c && IsDescendant(w, c)) ReleaseCaptureInternal();
    }
    if (!w->Dead) Send(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    return w && !(w->Style & WS_DISABLED) ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Placement

BOOL GetWindowPlacement(HWND Wnd, WINDOWPLACEMENT* Placement) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Placement || Placement->length != sizeof(WINDOWPLACEMENT)) {
        FailWith(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Placement->flags = w->RestoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
    Placement->showCmd = (w->Style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : (w->Style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    Placement->ptMinPosition = w->MinPos;
    Placement->ptMaxPosition = w->MaxPos;
    Placement->rcNormalPosition = (w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->NormalRect : w->Rect;
    return TRUE;
}

BOOL SetWindowPlacement(HWND Wnd, const WINDOWPLACEMENT* Placement) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Placement || Placement->length != sizeof(WINDOWPLACEMENT)) {
        FailWith(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PWnd hold = Hold(w);
    const TRect r = Placement->rcNormalPosition;
    w->NormalRect = r;
    w->HasNormalRect = true;
    if (Placement->flags & WPF_SETMINPOSITION) w->MinPos = Placement->ptMinPosition;
    w->MaxPos = Placement->ptMaxPosition;
    w->RestoreToMaximized = (Placement->flags & WPF_RESTORETOMAXIMIZED) != 0;
    if (!(w->Style & (WS_MINIMIZE | WS_MAXIMIZE)))
        SetWindowPosInternal(w, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    if (w->Dead) return TRUE;
    const UINT cmd = Placement->showCmd;
    if (cmd <= UINT(SW_FORCEMINIMIZE)) ShowWindowInternal(w, int(cmd));
    return TRUE;
}

// ---------------------------------------------------------------------------
// Text

BOOL SetWindowText(HWND Wnd, const char* Text) {
    TLock l;
    if (!Lookup(Wnd)) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return Send(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text ? Text : "")) ? TRUE : FALSE;
}

int GetWindowText(HWND Wnd, char* Buffer, int MaxCount) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Buffer || MaxCount <= 0) {
        if (Buffer && MaxCount > 0) *Buffer = 0;
        return 0;
    }
    if (w->ThreadId != CurrentThreadId()) {
        const size_t n = Utf8SafeLength(w->Text, size_t(MaxCount - 1));
        std::memcpy(Buffer, w->Text.data(), n);
        Buffer[n] = 0;
        return int(n);
    }
    Buffer[0] = 0;
    return int(Send(Wnd, WM_GETTEXT, WPARAM(MaxCount), reinterpret_cast<LPARAM>(Buffer)));
}

int GetWindowTextLength(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return 0;
    if (w->ThreadId != CurrentThreadId()) return int(w->Text.size());
    return int(Send(Wnd, WM_GETTEXTLENGTH, 0, 0));
}

std::string GetWindowText(HWND Wnd) {
    const int n = GetWindowTextLength(Wnd);
    if (n <= 0) return std::string();
    std::string s(size_t(n) + 1, '\0');
    const int got = GetWindowText(Wnd, s.data(), n + 1);
    s.resize(size_t(std::max(got, 0)));
    return s;
}

// ---------------------------------------------------------------------------
// Menus (the bar only)

HMENU GetMenu(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || (w->Style & WS_CHILD)) return nullptr;
    return w->Menu;
}

BOOL SetMenu(HWND Wnd, HMENU Menu) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || (w->Style & WS_CHILD)) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->Menu = Menu;
    SetWindowPosInternal(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

BOOL DrawMenuBar(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || (w->Style & WS_CHILD)) return FALSE;
    RedrawFrame(w);
    return TRUE;
}

void SetMenuBarPainter(TMenuBarPainter Painter) {
    TLock l;
    S().MenuBarPainter = std::move(Painter);
}

}  // namespace vcl
