// WinPaint.cpp - surfaces, visible regions, window DCs, update regions,
// WM_PAINT and BeginPaint / EndPaint.
//
// Each top-level window owns a surface the size of its window rectangle;
// its children paint into that surface at their offset.  A window DC is a
// surface DC whose (0, 0) is the window's client (or window) origin on the
// surface, limited by a visible region computed from the window tree.
#include <algorithm>

#include "ImageCodecs.h"
#include "WinInternal.h"

namespace vcl {

namespace win {

// ---------------------------------------------------------------------------
// Surfaces

void EnsureSurface(TWnd* W) {
    if (!W || !IsTopLevel(W) || W->MessageOnly) return;
    if (!W->Surface) W->Surface = std::make_unique<TSurface>();
    const int32_t w = W->Rect.Width(), h = W->Rect.Height();
    if (W->Surface->Width() == w && W->Surface->Height() == h) return;
    try {
        W->Surface->Resize(w, h);
    } catch (const std::exception&) {
        // Too large to keep in memory: the window shows nothing.
        W->Surface->Resize(0, 0);
    }
}

void NotifyPainted(TWnd* W, const TRect& WindowArea) {
    TWnd* root = Root(W);
    if (!root || !root->Surface || WindowArea.IsEmpty()) return;
    const TPoint off = SurfaceOffset(W);
    TRect r{WindowArea.Left + off.X, WindowArea.Top + off.Y, WindowArea.Right + off.X, WindowArea.Bottom + off.Y};
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, root->Surface->Width());
    r.Bottom = std::min(r.Bottom, root->Surface->Height());
    if (!r.IsEmpty()) Backend().SurfacePainted(root->Handle, r);
}

// ---------------------------------------------------------------------------
// Visible regions

namespace {

TRect Offset(const TRect& R, TPoint P) { return TRect{R.Left + P.X, R.Top + P.Y, R.Right + P.X, R.Bottom + P.Y}; }

TRect WindowRectOnSurface(const TWnd* W) {
    const TPoint o = SurfaceOffset(W);
    return TRect{o.X, o.Y, o.X + W->Rect.Width(), o.Y + W->Rect.Height()};
}

TRect ClientRectOnSurface(const TWnd* W) {
    const TPoint o = SurfaceOffset(W);
    return Offset(W->Client, o);
}

bool LockedByUpdateLock(const TWnd* W) {
    TWnd* l = Lookup(S().LockedUpdate);
    return l && IsDescendant(l, W);
}

}  // namespace

TRgn VisibleRegion(TWnd* W, bool WindowArea, bool ClipChildren, bool ClipSiblings) {
    TRgn rgn;
    TWnd* root = Root(W);
    if (!root || !root->Surface || !ReallyVisible(W) || LockedByUpdateLock(W)) return rgn;
    rgn.SetRect(WindowArea ? WindowRectOnSurface(W) : ClientRectOnSurface(W));
    TWnd* cur = W;
    bool clipSib = ClipSiblings;
    while (cur != root) {
        TWnd* p = cur->Parent;
        if (clipSib)
            for (TWnd* s : p->Children) {
                if (s == cur) break;
                if (s->Style & WS_VISIBLE) rgn.DiffRect(WindowRectOnSurface(s));
            }
        rgn.AndRect(ClientRectOnSurface(p));
        cur = p;
        clipSib = (cur->Style & WS_CLIPSIBLINGS) != 0;
    }
    rgn.AndRect(TRect{0, 0, root->Surface->Width(), root->Surface->Height()});
    if (ClipChildren)
        for (TWnd* c : W->Children)
            if (c->Style & WS_VISIBLE) rgn.DiffRect(WindowRectOnSurface(c));
    return rgn;
}

// ---------------------------------------------------------------------------
// Window DCs

namespace {

void UpdateDC(TWinDC& D) {
    TState& st = S();
    if (!D.Wnd) {
        if (!st.ScreenSurface) st.ScreenSurface = std::make_unique<TSurface>();
        if (st.ScreenSurface->Width() != st.ScreenW || st.ScreenSurface->Height() != st.ScreenH) {
            try {
                st.ScreenSurface->Resize(st.ScreenW, st.ScreenH);
            } catch (const std::exception&) {
                st.ScreenSurface->Resize(0, 0);
            }
        }
        SetSurfaceDCView(D.DC, st.ScreenSurface->View(), TPoint{});
        SetDCVisibleRegion(D.DC, nullptr);
        return;
    }
    TWnd* w = Lookup(D.Wnd);
    TWnd* root = w ? Root(w) : nullptr;
    if (!w || !root || !root->Surface || root->Surface->Empty()) {
        SetSurfaceDCView(D.DC, TPixelView{}, TPoint{});
        TRgn none;
        SetDCVisibleRegion(D.DC, none.Handle());
        return;
    }
    const bool windowArea = (D.Flags & DCX_WINDOW) != 0;
    const TPoint off = SurfaceOffset(w);
    const TPoint org = windowArea ? off : TPoint{off.X + w->Client.Left, off.Y + w->Client.Top};
    const int32_t cw = windowArea ? w->Rect.Width() : w->Client.Width();
    const int32_t ch = windowArea ? w->Rect.Height() : w->Client.Height();
    const TPixelView sv = root->Surface->View();
    TPixelView v;
    v.Stride = sv.Stride;
    v.Bits = sv.Bits;
    const int32_t vw = std::clamp(std::min(cw, sv.Width - org.X), 0, sv.Stride);
    const int32_t vh = std::max(std::min(ch, sv.Height - org.Y), 0);
    if (vw > 0 && vh > 0) {
        // The view's (0, 0) is the window's origin, which may lie left of or
        // above the surface; the visible region keeps every access inside.
        v.Bits = reinterpret_cast<uint32_t*>(reinterpret_cast<uintptr_t>(sv.Bits) +
                                             uintptr_t((intptr_t(org.Y) * sv.Stride + org.X) * intptr_t(sizeof(uint32_t))));
        v.Width = vw;
        v.Height = vh;
    }
    SetSurfaceDCView(D.DC, v, org);
    const bool clipChildren = (D.Flags & DCX_CLIPCHILDREN) || (w->Style & WS_CLIPCHILDREN);
    const bool clipSiblings = (D.Flags & DCX_CLIPSIBLINGS) || (w->Style & WS_CLIPSIBLINGS);
    TRgn vis = VisibleRegion(w, windowArea, clipChildren, clipSiblings);
    vis.Offset(-org.X, -org.Y);
    if (D.Paint) {
        TRgn p = *D.Paint;
        if (!windowArea) p.Offset(-w->Client.Left, -w->Client.Top);
        vis.And(p);
    }
    if (D.Extra) {
        TRgn e = *D.Extra;
        const TPoint so = windowArea ? WindowOriginScreen(w) : ClientOriginScreen(w);
        e.Offset(-so.X, -so.Y);
        if (D.Flags & DCX_EXCLUDERGN)
            vis.Diff(e);
        else
            vis.And(e);
    }
    if (vw <= 0 || vh <= 0) vis.Clear();
    SetDCVisibleRegion(D.DC, vis.Handle());
}

TRect DCAreaInWindow(const TWinDC& D, TWnd* W) {
    // The part of the window a DC may have painted, in window coordinates.
    const bool windowArea = (D.Flags & DCX_WINDOW) != 0;
    TRgn vis = VisibleRegion(W, windowArea, false, false);
    const TPoint off = SurfaceOffset(W);
    vis.Offset(-off.X, -off.Y);
    if (D.Paint) vis.And(*D.Paint);
    return vis.Box();
}

HDC NewWinDC(HWND Wnd, DWORD Flags, const TRgn* ScreenExtra, const TRgn* PaintRgn, bool Own) {
    HDC dc = CreateSurfaceDC(TPixelView{}, TPoint{});
    if (!dc) return nullptr;
    auto rec = std::make_unique<TWinDC>();
    rec->DC = dc;
    rec->Wnd = Wnd;
    rec->Flags = Flags;
    rec->Own = Own;
    if (ScreenExtra) rec->Extra = std::make_unique<TRgn>(*ScreenExtra);
    if (PaintRgn) rec->Paint = std::make_unique<TRgn>(*PaintRgn);
    UpdateDC(*rec);
    S().DCs[dc] = std::move(rec);
    return dc;
}

}  // namespace

HDC MakeWindowDC(TWnd* W, DWORD Flags, const TRgn* ScreenExtra, bool ExcludeExtra, const TRgn* PaintRgn) {
    if (ExcludeExtra) Flags |= DCX_EXCLUDERGN;
    return NewWinDC(W->Handle, Flags, ScreenExtra, PaintRgn, false);
}

void ReleaseWindowDC(HDC DC) {
    auto& dcs = S().DCs;
    auto it = dcs.find(DC);
    if (it == dcs.end()) return;
    if (it->second->Own) {
        it->second->Paint.reset();
        UpdateDC(*it->second);
        return;
    }
    DeleteDC(DC);
    dcs.erase(it);
}

void RefreshDCs() {
    for (auto& [dc, rec] : S().DCs) UpdateDC(*rec);
}

void ReleaseWindowDCs(TWnd* W) {
    auto& dcs = S().DCs;
    for (auto it = dcs.begin(); it != dcs.end();) {
        if (it->second->Wnd == W->Handle) {
            DeleteDC(it->first);
            it = dcs.erase(it);
        } else {
            ++it;
        }
    }
    W->OwnDC = nullptr;
}

// ---------------------------------------------------------------------------
// Update regions

bool NeedsPaint(const TWnd* W) { return (W->Update && !W->Update->Empty()) || W->InternalPaint; }

void InvalidateWindowArea(TWnd* W, const TRgn& WindowArea, UINT Flags, bool ForceChildren) {
    if (!W || W->Dead || !ReallyVisible(W)) return;
    TRgn a = WindowArea;
    a.AndRect(TRect{0, 0, W->Rect.Width(), W->Rect.Height()});
    if (Flags & RDW_INVALIDATE) {
        if (!a.Empty()) {
            if (!W->Update) W->Update = std::make_unique<TRgn>();
            W->Update->Or(a);
            if (Flags & RDW_ERASE) W->Erase = true;
            if (W->Queue) NotifyQueue(*W->Queue);
        }
    }
    if (Flags & RDW_INTERNALPAINT) {
        W->InternalPaint = true;
        if (W->Queue) NotifyQueue(*W->Queue);
    }
    const bool kids = ForceChildren || (Flags & RDW_ALLCHILDREN) ||
                      (!(Flags & RDW_NOCHILDREN) && !(W->Style & WS_CLIPCHILDREN));
    if (!kids || (W->Style & WS_MINIMIZE)) return;
    TRgn inClient = a;
    inClient.AndRect(W->Client);
    if (inClient.Empty()) return;
    for (TWnd* c : W->Children) {
        if (!(c->Style & WS_VISIBLE)) continue;
        const TRect cr = Offset(c->Rect, TPoint{W->Client.Left, W->Client.Top});
        if (!inClient.Intersects(cr)) continue;
        TRgn ca = inClient;
        ca.AndRect(cr);
        ca.Offset(-cr.Left, -cr.Top);
        InvalidateWindowArea(c, ca, Flags & ~RDW_INTERNALPAINT, false);
    }
}

namespace {

void ValidateWindowArea(TWnd* W, const TRgn& WindowArea, UINT Flags) {
    if (!W || W->Dead) return;
    if (W->Update) {
        W->Update->Diff(WindowArea);
        if (W->Update->Empty()) W->Update.reset();
    }
    if (Flags & RDW_ALLCHILDREN) {
        TRgn inClient = WindowArea;
        inClient.AndRect(W->Client);
        for (TWnd* c : W->Children) {
            const TRect cr = Offset(c->Rect, TPoint{W->Client.Left, W->Client.Top});
            TRgn ca = inClient;
            ca.AndRect(cr);
            if (ca.Empty()) continue;
            ca.Offset(-cr.Left, -cr.Top);
            ValidateWindowArea(c, ca, Flags);
        }
    }
}

void EraseNow(TWnd* W) {
    PWnd hold = Hold(W);
    if (W->Update) {
        TRgn nc = *W->Update;
        nc.DiffRect(W->Client);
        if (!nc.Empty()) {
            const TPoint o = WindowOriginScreen(W);
            TRgn screen = nc;
            screen.Offset(o.X, o.Y);
            W->Update->Diff(nc);
            Send(W, WM_NCPAINT, reinterpret_cast<WPARAM>(screen.Handle()), 0);
            if (W->Dead) return;
        }
    }
    if (W->Erase && W->Update && !W->Update->Empty()) {
        W->Erase = false;
        TRgn upd = *W->Update;
        HDC dc = MakeWindowDC(W, 0, nullptr, false, &upd);
        Send(W, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseWindowDC(dc);
    }
}

}  // namespace

void ValidateAll(TWnd* W) {
    W->Update.reset();
    W->InternalPaint = false;
}

void InvalidateInternal(TWnd* W, const TRgn* ClientArea, UINT Flags) {
    PWnd hold = Hold(W);
    const TRect whole{0, 0, W->Rect.Width(), W->Rect.Height()};
    TRgn area;
    if (ClientArea) {
        area = *ClientArea;
        area.Offset(W->Client.Left, W->Client.Top);
        if (!(Flags & RDW_FRAME)) area.AndRect(W->Client);
    } else {
        area.SetRect((Flags & RDW_FRAME) ? whole : W->Client);
    }
    if (Flags & (RDW_INVALIDATE | RDW_INTERNALPAINT)) InvalidateWindowArea(W, area, Flags, false);
    if (Flags & RDW_VALIDATE) {
        TRgn v = area;
        if (!ClientArea && !(Flags & RDW_NOFRAME)) v.SetRect(whole);
        ValidateWindowArea(W, v, Flags);
    }
    if (Flags & RDW_NOERASE) W->Erase = false;
    if (Flags & RDW_NOINTERNALPAINT) W->InternalPaint = false;
    if (Flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateNow(W, !(Flags & RDW_NOCHILDREN), !(Flags & RDW_UPDATENOW));
}

void ExposeParentArea(TWnd* Parent, const TRect& ParentClientRect) {
    if (!Parent || Parent == S().Desktop || Parent->Dead) return;
    TRgn r(ParentClientRect);
    InvalidateInternal(Parent, &r, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

TWnd* FindWindowToPaint(const PQueue& Q, HWND Filter) {
    TWnd* f = nullptr;
    if (Filter && Filter != reinterpret_cast<HWND>(intptr_t(-1))) f = Lookup(Filter);
    if (Filter == reinterpret_cast<HWND>(intptr_t(-1))) return nullptr;
    std::vector<TWnd*> stack;
    const auto& tops = S().Desktop->Children;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) stack.push_back(*it);
    while (!stack.empty()) {
        TWnd* w = stack.back();
        stack.pop_back();
        if (!(w->Style & WS_VISIBLE) || w->MessageOnly) continue;
        if (w->Queue == Q && NeedsPaint(w) && (!f || IsDescendant(f, w))) return w;
        for (auto it = w->Children.rbegin(); it != w->Children.rend(); ++it) stack.push_back(*it);
    }
    return nullptr;
}

void UpdateNow(TWnd* W, bool Children, bool EraseOnly) {
    PWnd hold = Hold(W);
    if (ReallyVisible(W) && NeedsPaint(W)) {
        if (EraseOnly)
            EraseNow(W);
        else
            Send(W, WM_PAINT, 0, 0);
        if (W->Dead) return;
    }
    if (!Children) return;
    std::vector<HWND> kids;
    for (TWnd* c : W->Children) kids.push_back(c->Handle);
    for (HWND h : kids)
        if (TWnd* c = Lookup(h)) UpdateNow(c, true, EraseOnly);
}

}  // namespace win

using namespace win;

// ---------------------------------------------------------------------------

BOOL RedrawWindow(HWND Wnd, const TRect* Update, HRGN UpdateRgn, UINT Flags) {
    TLock l;
    if (!Wnd) {
        std::vector<HWND> tops;
        for (TWnd* c : S().Desktop->Children) tops.push_back(c->Handle);
        for (HWND h : tops) {
            TWnd* w = Lookup(h);
            if (!w) continue;
            if (Update || UpdateRgn) {
                TRgn r;
                if (UpdateRgn)
                    r.CopyFrom(UpdateRgn);
                else
                    r.SetRect(*Update);
                const TPoint o = ClientOriginScreen(w);
                r.Offset(-o.X, -o.Y);
                InvalidateInternal(w, &r, Flags);
            } else {
                InvalidateInternal(w, nullptr, Flags);
            }
        }
        return TRUE;
    }
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (UpdateRgn) {
        TRgn r;
        r.CopyFrom(UpdateRgn);
        InvalidateInternal(w, &r, Flags);
    } else if (Update) {
        TRgn r(*Update);
        InvalidateInternal(w, &r, Flags);
    } else {
        InvalidateInternal(w, nullptr, Flags);
    }
    return TRUE;
}

BOOL InvalidateRect(HWND Wnd, const TRect* Rect, BOOL Erase) {
    return RedrawWindow(Wnd, Rect, nullptr, RDW_INVALIDATE | (Erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND Wnd, HRGN Rgn, BOOL Erase) {
    if (!Rgn) return InvalidateRect(Wnd, nullptr, Erase);
    return RedrawWindow(Wnd, nullptr, Rgn, RDW_INVALIDATE | (Erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND Wnd, const TRect* Rect) {
    if (!Wnd) return FALSE;
    return RedrawWindow(Wnd, Rect, nullptr, RDW_VALIDATE);
}

BOOL ValidateRgn(HWND Wnd, HRGN Rgn) {
    if (!Wnd) return FALSE;
    return RedrawWindow(Wnd, nullptr, Rgn, RDW_VALIDATE);
}

BOOL GetUpdateRect(HWND Wnd, TRect* Rect, BOOL Erase) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return FALSE;
    PWnd hold = Hold(w);
    if (Erase && w->Erase) EraseNow(w);
    if (w->Dead) return FALSE;
    TRect box{};
    if (w->Update) {
        TRgn u = *w->Update;
        u.AndRect(w->Client);
        box = u.Box();
        if (!box.IsEmpty()) box = TRect{box.Left - w->Client.Left, box.Top - w->Client.Top, box.Right - w->Client.Left,
                                        box.Bottom - w->Client.Top};
    }
    if (Rect) *Rect = box;
    return box.IsEmpty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND Wnd, HRGN Rgn, BOOL Erase) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Rgn) return ERROR;
    PWnd hold = Hold(w);
    if (Erase && w->Erase) EraseNow(w);
    if (w->Dead) return ERROR;
    TRgn u;
    if (w->Update) {
        u = *w->Update;
        u.AndRect(w->Client);
        u.Offset(-w->Client.Left, -w->Client.Top);
    }
    return CombineRgn(Rgn, u.Handle(), nullptr, RGN_COPY);
}

BOOL UpdateWindow(HWND Wnd) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return FALSE;
    UpdateNow(w, true, false);
    return TRUE;
}

HDC BeginPaint(HWND Wnd, PAINTSTRUCT* Paint) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Paint) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    PWnd hold = Hold(w);
    if (w->Update) {
        TRgn nc = *w->Update;
        nc.DiffRect(w->Client);
        if (!nc.Empty()) {
            const TPoint o = WindowOriginScreen(w);
            TRgn screen = nc;
            screen.Offset(o.X, o.Y);
            w->Update->Diff(nc);
            Send(w, WM_NCPAINT, reinterpret_cast<WPARAM>(screen.Handle()), 0);
            if (w->Dead) return nullptr;
        }
    }
    TRgn upd;
    if (w->Update) {
        upd = *w->Update;
        upd.AndRect(w->Client);
    }
    const bool erase = w->Erase;
    w->Update.reset();
    w->Erase = false;
    w->InternalPaint = false;
    HDC dc = nullptr;
    TState& st = S();
    if ((w->Class->Style & CS_OWNDC) && w->OwnDC && st.DCs.count(w->OwnDC)) {
        dc = w->OwnDC;
        st.DCs[dc]->Paint = std::make_unique<TRgn>(upd);
        UpdateDC(*st.DCs[dc]);
    } else {
        dc = MakeWindowDC(w, 0, nullptr, false, &upd);
    }
    const TRect box = upd.Box();
    Paint->hdc = dc;
    Paint->rcPaint = box.IsEmpty() ? TRect{}
                                   : TRect{box.Left - w->Client.Left, box.Top - w->Client.Top,
                                           box.Right - w->Client.Left, box.Bottom - w->Client.Top};
    Paint->fErase = FALSE;
    Paint->fRestore = FALSE;
    Paint->fIncUpdate = FALSE;
    if (erase) {
        const LRESULT r = Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        Paint->fErase = r == 0 ? TRUE : FALSE;
    }
    return dc;
}

BOOL EndPaint(HWND Wnd, const PAINTSTRUCT* Paint) {
    TLock l;
    if (!Paint || !Paint->hdc) return FALSE;
    TState& st = S();
    auto it = st.DCs.find(Paint->hdc);
    if (it == st.DCs.end()) return FALSE;
    if (TWnd* w = Lookup(Wnd)) NotifyPainted(w, DCAreaInWindow(*it->second, w));
    ReleaseWindowDC(Paint->hdc);
    return TRUE;
}

HDC GetDCEx(HWND Wnd, HRGN Clip, DWORD Flags) {
    TLock l;
    TState& st = S();
    if (!Wnd || Wnd == st.Desktop->Handle) return NewWinDC(nullptr, 0, nullptr, nullptr, false);
    TWnd* w = Lookup(Wnd);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const bool own = (w->Class->Style & CS_OWNDC) && !(Flags & (DCX_CACHE | DCX_WINDOW)) && !Clip &&
                     !(Flags & (DCX_INTERSECTUPDATE | DCX_EXCLUDEUPDATE));
    if (own) {
        if (!w->OwnDC || !st.DCs.count(w->OwnDC)) w->OwnDC = NewWinDC(Wnd, 0, nullptr, nullptr, true);
        return w->OwnDC;
    }
    std::unique_ptr<TRgn> extra;
    if (Clip && (Flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
        extra = std::make_unique<TRgn>();
        extra->CopyFrom(Clip);
    }
    std::unique_ptr<TRgn> paint;
    if (Flags & (DCX_INTERSECTUPDATE | DCX_EXCLUDEUPDATE)) {
        paint = std::make_unique<TRgn>();
        if (Flags & DCX_EXCLUDEUPDATE) paint->SetRect(TRect{0, 0, w->Rect.Width(), w->Rect.Height()});
        if (w->Update) {
            if (Flags & DCX_INTERSECTUPDATE)
                *paint = *w->Update;
            else
                paint->Diff(*w->Update);
        }
        if ((Flags & DCX_VALIDATE) && (Flags & DCX_INTERSECTUPDATE)) ValidateAll(w);
    }
    return NewWinDC(Wnd, Flags, extra.get(), paint.get(), false);
}

HDC GetDC(HWND Wnd) { return GetDCEx(Wnd, nullptr, 0); }

HDC GetWindowDC(HWND Wnd) {
    if (!Wnd) return GetDCEx(nullptr, nullptr, 0);
    return GetDCEx(Wnd, nullptr, DCX_WINDOW);
}

int ReleaseDC(HWND, HDC DC) {
    TLock l;
    TState& st = S();
    auto it = st.DCs.find(DC);
    if (it == st.DCs.end()) return 0;
    if (TWnd* w = Lookup(it->second->Wnd)) NotifyPainted(w, DCAreaInWindow(*it->second, w));
    ReleaseWindowDC(DC);
    return 1;
}

HWND WindowFromDC(HDC DC) {
    TLock l;
    auto it = S().DCs.find(DC);
    if (it == S().DCs.end()) return nullptr;
    return it->second->Wnd ? it->second->Wnd : S().Desktop->Handle;
}

BOOL LockWindowUpdate(HWND Wnd) {
    TLock l;
    TState& st = S();
    if (Wnd) {
        TWnd* w = Lookup(Wnd);
        if (!w || Lookup(st.LockedUpdate)) return FALSE;
        st.LockedUpdate = Wnd;
        RefreshDCs();
        return TRUE;
    }
    TWnd* old = Lookup(st.LockedUpdate);
    st.LockedUpdate = nullptr;
    RefreshDCs();
    if (old)
        InvalidateWindowArea(old, TRgn(TRect{0, 0, old->Rect.Width(), old->Rect.Height()}),
                             RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN, true);
    return TRUE;
}

BOOL ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Scroll, const TRect* Clip) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return FALSE;
    PWnd hold = Hold(w);
    if (!Scroll) {
        std::vector<HWND> kids;
        for (TWnd* c : w->Children) kids.push_back(c->Handle);
        for (HWND h : kids)
            if (TWnd* c = Lookup(h))
                SetWindowPosInternal(c, nullptr, c->Rect.Left + DX, c->Rect.Top + DY, 0, 0,
                                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    if (w->Dead) return TRUE;
    // The content is repainted rather than copied: the result is the same.
    TRgn area(Scroll ? *Scroll : TRect{0, 0, w->Client.Width(), w->Client.Height()});
    if (Clip) area.AndRect(*Clip);
    InvalidateInternal(w, &area, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return TRUE;
}

bool SaveWindowToPng(HWND Wnd, const std::string& Path) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return false;
    TWnd* root = Root(w);
    if (!root || !root->Surface || root->Surface->Empty()) return false;
    const TPixelView sv = root->Surface->View();
    TRect r = WindowRectOnSurface(w);
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, sv.Width);
    r.Bottom = std::min(r.Bottom, sv.Height);
    if (r.IsEmpty()) return false;
    TPixelView v;
    v.Bits = sv.Row(r.Top) + r.Left;
    v.Width = r.Width();
    v.Height = r.Height();
    v.Stride = sv.Stride;
    try {
        return SavePixelsToPng(v, Path);
    } catch (const std::exception&) {
        return false;
    }
}

bool GetWindowSurface(HWND TopLevel, TPixelView* View) {
    TLock l;
    TWnd* w = Lookup(TopLevel);
    if (!w || !IsTopLevel(w) || !w->Surface || !View) return false;
    *View = w->Surface->View();
    return true;
}

void SetScreenSize(int32_t Width, int32_t Height) {
    TLock l;
    TState& st = S();
    st.ScreenW = std::clamp(Width, 1, 32767);
    st.ScreenH = std::clamp(Height, 1, 32767);
    st.Desktop->Rect = TRect{0, 0, st.ScreenW, st.ScreenH};
    st.Desktop->Client = st.Desktop->Rect;
    if (st.WorkAreaSet) {
        st.WorkArea.Right = std::min(st.WorkArea.Right, st.ScreenW);
        st.WorkArea.Bottom = std::min(st.WorkArea.Bottom, st.ScreenH);
        if (st.WorkArea.IsEmpty()) st.WorkAreaSet = false;
    }
    if (st.HasClip) {
        st.Clip.Right = std::min(st.Clip.Right, st.ScreenW);
        st.Clip.Bottom = std::min(st.Clip.Bottom, st.ScreenH);
        if (st.Clip.IsEmpty()) st.HasClip = false;
    }
    st.CursorPos.X = std::clamp(st.CursorPos.X, 0, st.ScreenW - 1);
    st.CursorPos.Y = std::clamp(st.CursorPos.Y, 0, st.ScreenH - 1);
    RefreshDCs();
    for (TWnd* c : st.Desktop->Children)
        PostTo(c->Queue, c->Handle, WM_DISPLAYCHANGE, 32, MAKELPARAM(WORD(st.ScreenW), WORD(st.ScreenH)));
}

}  // namespace vcl
