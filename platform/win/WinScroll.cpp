// WinScroll.cpp - the scroll bars in a window's frame (WS_HSCROLL,
// WS_VSCROLL): their values, painting and the press loop that sends
// WM_HSCROLL / WM_VSCROLL.
#include <algorithm>

#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

struct TBarParts {
    TRect Bar, Arrow1, Arrow2, Track, Thumb;
    bool Enabled = false;
};

int MaxPos(const TScrollBar& B) { return std::max(B.Min, B.Max - std::max(int(B.Page) - 1, 0)); }

TBarParts BarParts(const TWnd* W, int Bar) {
    TBarParts p;
    p.Bar = ScrollBarRect(W, Bar);
    if (p.Bar.IsEmpty()) return p;
    const TScrollBar& b = W->Scroll[Bar];
    const bool vert = Bar == SB_VERT;
    const int32_t len = vert ? p.Bar.Height() : p.Bar.Width();
    int32_t arrow = vert ? Metric(SM_CYVSCROLL) : Metric(SM_CXHSCROLL);
    if (2 * arrow > len) arrow = len / 2;
    if (vert) {
        p.Arrow1 = TRect{p.Bar.Left, p.Bar.Top, p.Bar.Right, p.Bar.Top + arrow};
        p.Arrow2 = TRect{p.Bar.Left, p.Bar.Bottom - arrow, p.Bar.Right, p.Bar.Bottom};
        p.Track = TRect{p.Bar.Left, p.Arrow1.Bottom, p.Bar.Right, p.Arrow2.Top};
    } else {
        p.Arrow1 = TRect{p.Bar.Left, p.Bar.Top, p.Bar.Left + arrow, p.Bar.Bottom};
        p.Arrow2 = TRect{p.Bar.Right - arrow, p.Bar.Top, p.Bar.Right, p.Bar.Bottom};
        p.Track = TRect{p.Arrow1.Right, p.Bar.Top, p.Arrow2.Left, p.Bar.Bottom};
    }
    const int range = b.Max - b.Min + 1;
    p.Enabled = b.Max > b.Min && (b.Page == 0 || int(b.Page) < range);
    const int32_t track = vert ? p.Track.Height() : p.Track.Width();
    if (!p.Enabled || track < 8) return p;
    int32_t thumb = b.Page ? int32_t(int64_t(track) * b.Page / range) : Metric(vert ? SM_CYVTHUMB : SM_CXHTHUMB);
    thumb = std::clamp(thumb, std::min<int32_t>(8, track), track);
    const int span = MaxPos(b) - b.Min;
    const int pos = b.Tracking ? b.TrackPos : b.Pos;
    const int32_t at = span > 0 ? int32_t(int64_t(track - thumb) * (pos - b.Min) / span) : 0;
    if (vert)
        p.Thumb = TRect{p.Track.Left, p.Track.Top + at, p.Track.Right, p.Track.Top + at + thumb};
    else
        p.Thumb = TRect{p.Track.Left + at, p.Track.Top, p.Track.Left + at + thumb, p.Track.Bottom};
    return p;
}

void RepaintBar(TWnd* W, int Bar) {
    if (!ReallyVisible(W)) return;
    const TRect r = ScrollBarRect(W, Bar);
    if (r.IsEmpty()) return;
    const TPoint o = WindowOriginScreen(W);
    TRgn screen(TRect{r.Left + o.X, r.Top + o.Y, r.Right + o.X, r.Bottom + o.Y});
    DefNCPaint(W, screen.Handle());
}

int PosFromPoint(const TWnd* W, int Bar, const TBarParts& P, TPoint WindowPt, int Grab) {
    const TScrollBar& b = W->Scroll[Bar];
    const bool vert = Bar == SB_VERT;
    const int32_t track = vert ? P.Track.Height() : P.Track.Width();
    const int32_t thumb = vert ? P.Thumb.Height() : P.Thumb.Width();
    const int32_t start = vert ? P.Track.Top : P.Track.Left;
    const int32_t at = (vert ? WindowPt.Y : WindowPt.X) - Grab - start;
    const int span = MaxPos(b) - b.Min;
    if (track - thumb <= 0) return b.Min;
    const int64_t v = int64_t(at) * span / (track - thumb);
    return std::clamp(int(b.Min + v), b.Min, MaxPos(b));
}

}  // namespace

void PaintScrollBars(TWnd* W, HDC DC) {
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        const TBarParts p = BarParts(W, bar);
        if (p.Bar.IsEmpty()) continue;
        const bool vert = bar == SB_VERT;
        const unsigned inactive = p.Enabled ? 0 : DFCS_INACTIVE;
        TRect a1 = p.Arrow1, a2 = p.Arrow2;
        DrawFrameControl(DC, &a1, DFC_SCROLL, (vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive);
        DrawFrameControl(DC, &a2, DFC_SCROLL, (vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive);
        FillRect(DC, p.Track, GetSysColorBrush(COLOR_SCROLLBAR));
        if (!p.Thumb.IsEmpty()) {
            TRect t = p.Thumb;
            FillRect(DC, t, GetSysColorBrush(COLOR_3DFACE));
            DrawEdge(DC, &t, EDGE_RAISED, BF_RECT);
        }
    }
    if ((W->Style & WS_VSCROLL) && (W->Style & WS_HSCROLL) && !(W->Style & WS_MINIMIZE)) {
        const TRect v = ScrollBarRect(W, SB_VERT), h = ScrollBarRect(W, SB_HORZ);
        FillRect(DC, TRect{v.Left, h.Top, v.Right, h.Bottom}, GetSysColorBrush(COLOR_3DFACE));
    }
}

void ScrollBarHitTrack(TWnd* W, int Bar, TPoint Screen) {
    PWnd hold = Hold(W);
    const HWND h = W->Handle;
    const TBarParts p = BarParts(W, Bar);
    if (p.Bar.IsEmpty() || !p.Enabled) return;
    const UINT msg = Bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
    const TPoint o = WindowOriginScreen(W);
    const TPoint pt{Screen.X - o.X, Screen.Y - o.Y};
    WORD code;
    bool thumb = false;
    int grab = 0;
    if (p.Arrow1.Contains(pt)) {
        code = SB_LINEUP;
    } else if (p.Arrow2.Contains(pt)) {
        code = SB_LINEDOWN;
    } else if (!p.Thumb.IsEmpty() && p.Thumb.Contains(pt)) {
        thumb = true;
        code = SB_THUMBTRACK;
        grab = Bar == SB_VERT ? pt.Y - p.Thumb.Top : pt.X - p.Thumb.Left;
    } else {
        const bool before = Bar == SB_VERT ? pt.Y < p.Thumb.Top : pt.X < p.Thumb.Left;
        code = before ? SB_PAGEUP : SB_PAGEDOWN;
    }
    SetCapture(h);
    int trackPos = W->Scroll[Bar].Pos;
    if (thumb) {
        W->Scroll[Bar].Tracking = true;
        W->Scroll[Bar].TrackPos = trackPos;
    } else {
        Send(W, msg, MAKEWPARAM(code, 0), 0);
    }
    bool done = false;
    ModalPump(
        [&](const MSG& m) {
            if (m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE) {
                TWnd* w = Lookup(h);
                if (thumb && w) {
                    const TPoint wo = WindowOriginScreen(w);
                    const int np = PosFromPoint(w, Bar, BarParts(w, Bar), TPoint{m.pt.X - wo.X, m.pt.Y - wo.Y}, grab);
                    if (np != trackPos) {
                        trackPos = np;
                        w->Scroll[Bar].TrackPos = np;
                        RepaintBar(w, Bar);
                        Send(w, msg, MAKEWPARAM(SB_THUMBTRACK, WORD(int16_t(np))), 0);
                    }
                }
                return true;
            }
            if (m.message == WM_LBUTTONUP || m.message == WM_NCLBUTTONUP) {
                done = true;
                return true;
            }
            return (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) ||
                   (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCXBUTTONDBLCLK);
        },
        [&] { return done || !Lookup(h) || S().Capture != h; });
    if (S().Capture == h) ReleaseCaptureInternal();
    TWnd* w = Lookup(h);
    if (!w) return;
    if (thumb) {
        w->Scroll[Bar].Tracking = false;
        Send(w, msg, MAKEWPARAM(SB_THUMBPOSITION, WORD(int16_t(trackPos))), 0);
        if (w->Dead) return;
    }
    Send(w, msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    if (!w->Dead) RepaintBar(w, Bar);
}

}  // namespace win

using namespace win;

int SetScrollInfo(HWND Wnd, int Bar, const SCROLLINFO* Info, BOOL Redraw) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Info || (Bar != SB_HORZ && Bar != SB_VERT)) {
        FailWith(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    TScrollBar& b = w->Scroll[Bar];
    if (Info->fMask & SIF_RANGE) {
        b.Min = Info->nMin;
        b.Max = std::max(Info->nMax, Info->nMin);
    }
    if (Info->fMask & SIF_PAGE) b.Page = std::min<UINT>(Info->nPage, UINT(int64_t(b.Max) - b.Min + 1));
    if (Info->fMask & SIF_POS) b.Pos = Info->nPos;
    if (Info->fMask & SIF_DISABLENOSCROLL) b.DisableNoScroll = true;
    b.Pos = std::clamp(b.Pos, b.Min, MaxPos(b));
    if (Redraw) RepaintBar(w, Bar);
    return b.Pos;
}

BOOL GetScrollInfo(HWND Wnd, int Bar, SCROLLINFO* Info) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || !Info || (Bar != SB_HORZ && Bar != SB_VERT)) return FALSE;
    const TScrollBar& b = w->Scroll[Bar];
    if (Info->fMask & SIF_RANGE) {
        Info->nMin = b.Min;
        Info->nMax = b.Max;
    }
    if (Info->fMask & SIF_PAGE) Info->nPage = b.Page;
    if (Info->fMask & SIF_POS) Info->nPos = b.Pos;
    if (Info->fMask & SIF_TRACKPOS) Info->nTrackPos = b.Tracking ? b.TrackPos : b.Pos;
    return TRUE;
}

int SetScrollPos(HWND Wnd, int Bar, int Pos, BOOL Redraw) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || (Bar != SB_HORZ && Bar != SB_VERT)) return 0;
    const int old = w->Scroll[Bar].Pos;
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = Pos;
    SetScrollInfo(Wnd, Bar, &si, Redraw);
    return old;
}

int GetScrollPos(HWND Wnd, int Bar) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w || (Bar != SB_HORZ && Bar != SB_VERT)) return 0;
    return w->Scroll[Bar].Pos;
}

BOOL SetScrollRange(HWND Wnd, int Bar, int Min, int Max, BOOL Redraw) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    si.nMin = Min;
    si.nMax = Max;
    TLock l;
    if (!Lookup(Wnd)) return FALSE;
    SetScrollInfo(Wnd, Bar, &si, Redraw);
    return TRUE;
}

BOOL GetScrollRange(HWND Wnd, int Bar, int* Min, int* Max) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    if (!GetScrollInfo(Wnd, Bar, &si)) return FALSE;
    if (Min) *Min = si.nMin;
    if (Max) *Max = si.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND Wnd, int Bar, BOOL Show) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return FALSE;
    DWORD bits = 0;
    if (Bar == SB_HORZ || Bar == SB_BOTH) bits |= WS_HSCROLL;
    if (Bar == SB_VERT || Bar == SB_BOTH) bits |= WS_VSCROLL;
    if (!bits) return FALSE;
    const DWORD before = w->Style;
    if (Show)
        w->Style |= bits;
    else
        w->Style &= ~bits;
    if (w->Style != before)
        SetWindowPosInternal(w, nullptr, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

}  // namespace vcl
