// WinNonClient.cpp - the non-client area: system metrics, frame sizes from
// the styles (WM_NCCALCSIZE, AdjustWindowRectEx), hit testing, and the
// classic frame and caption painting (WM_NCPAINT, WM_NCACTIVATE).
#include <algorithm>
#include <cstring>

#include "WinInternal.h"

namespace vcl {

namespace win {

// ---------------------------------------------------------------------------
// Metrics

int Metric(int Index) {
    TState& st = S();
    const TRect wa = st.WorkAreaSet ? st.WorkArea : TRect{0, 0, st.ScreenW, st.ScreenH};
    switch (Index) {
        case SM_CXSCREEN: return st.ScreenW;
        case SM_CYSCREEN: return st.ScreenH;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
        case SM_CYVTHUMB:
        case SM_CXHTHUMB: return 16;
        case SM_CYCAPTION: return 18;
        case SM_CXBORDER:
        case SM_CYBORDER: return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return 3;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR: return 32;
        case SM_CYMENU: return 19;
        case SM_CXFULLSCREEN: return wa.Width();
        case SM_CYFULLSCREEN: return wa.Height() - 18;
        case SM_MOUSEPRESENT: return 1;
        case SM_SWAPBUTTON: return st.SwapButtons ? 1 : 0;
        case SM_CXMIN: return 112;
        case SM_CYMIN: return 27;
        case SM_CXSIZE:
        case SM_CYSIZE: return 18;
        case SM_CXFRAME:
        case SM_CYFRAME: return 4;
        case SM_CXMINTRACK: return 112;
        case SM_CYMINTRACK: return 27;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK: return 4;
        case SM_CXICONSPACING:
        case SM_CYICONSPACING: return 75;
        case SM_CMOUSEBUTTONS: return 3;
        case SM_CXEDGE:
        case SM_CYEDGE: return 2;
        case SM_CXMINSPACING: return 160;
        case SM_CYMINSPACING: return 24;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        case SM_CYSMCAPTION: return 15;
        case SM_CXSMSIZE:
        case SM_CYSMSIZE: return 15;
        case SM_CXMENUSIZE:
        case SM_CYMENUSIZE: return 18;
        case SM_CXMINIMIZED: return 160;
        case SM_CYMINIMIZED: return 24;
        case SM_CXMAXTRACK: return st.ScreenW + 12;
        case SM_CYMAXTRACK: return st.ScreenH + 12;
        case SM_CXMAXIMIZED: return wa.Width() + 8;
        case SM_CYMAXIMIZED: return wa.Height() + 8;
        case SM_NETWORK: return 3;
        case SM_CXDRAG:
        case SM_CYDRAG: return 4;
        case SM_CXMENUCHECK:
        case SM_CYMENUCHECK: return 13;
        case SM_MOUSEWHEELPRESENT: return 1;
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN: return 0;
        case SM_CXVIRTUALSCREEN: return st.ScreenW;
        case SM_CYVIRTUALSCREEN: return st.ScreenH;
        case SM_CMONITORS:
        case SM_SAMEDISPLAYFORMAT: return 1;
        case SM_CXFOCUSBORDER:
        case SM_CYFOCUSBORDER: return 1;
        default: return 0;
    }
}

// ---------------------------------------------------------------------------
// Frame geometry

bool HasCaption(DWORD Style) { return (Style & WS_CAPTION) == WS_CAPTION; }

int32_t FrameThickness(DWORD Style, DWORD ExStyle) {
    if (Style & WS_THICKFRAME) return Metric(SM_CXFRAME);
    if ((Style & WS_DLGFRAME) || (ExStyle & WS_EX_DLGMODALFRAME)) return Metric(SM_CXDLGFRAME);
    if (Style & WS_BORDER) return Metric(SM_CXBORDER);
    return 0;
}

namespace {

int32_t EdgeThickness(DWORD Style, DWORD ExStyle) {
    int32_t e = 0;
    if (ExStyle & WS_EX_CLIENTEDGE) e += Metric(SM_CXEDGE);
    if ((ExStyle & WS_EX_STATICEDGE) && !(Style & (WS_THICKFRAME | WS_DLGFRAME)) && !(ExStyle & WS_EX_DLGMODALFRAME))
        e += Metric(SM_CXBORDER);
    return e;
}

int32_t CaptionHeight(DWORD ExStyle) { return Metric((ExStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION); }

bool HasMenuBar(const TWnd* W) { return W->Menu && !(W->Style & WS_CHILD); }

// The frame of a minimized window is a fixed one.
DWORD EffectiveStyle(const TWnd* W) {
    if (!(W->Style & WS_MINIMIZE)) return W->Style;
    return (W->Style & ~WS_THICKFRAME) | WS_DLGFRAME;
}

}  // namespace

TInsets NonClientInsets(DWORD Style, DWORD ExStyle, bool Menu, bool ScrollBars) {
    TInsets in;
    const int32_t f = FrameThickness(Style, ExStyle);
    in.Left = in.Top = in.Right = in.Bottom = f;
    if (HasCaption(Style)) in.Top += CaptionHeight(ExStyle);
    if (Menu) in.Top += Metric(SM_CYMENU);
    const int32_t e = EdgeThickness(Style, ExStyle);
    in.Left += e;
    in.Top += e;
    in.Right += e;
    in.Bottom += e;
    if (ScrollBars) {
        if (Style & WS_VSCROLL) in.Right += Metric(SM_CXVSCROLL);
        if (Style & WS_HSCROLL) in.Bottom += Metric(SM_CYHSCROLL);
    }
    return in;
}

TCaptionLayout CaptionLayout(const TWnd* W) {
    TCaptionLayout c;
    const DWORD style = EffectiveStyle(W);
    if (!HasCaption(style)) return c;
    c.Present = true;
    c.Small = (W->ExStyle & WS_EX_TOOLWINDOW) != 0;
    const int32_t f = FrameThickness(style, W->ExStyle);
    const int32_t w = W->Rect.Width();
    c.Bar = TRect{f, f, std::max(f, w - f), f + CaptionHeight(W->ExStyle) - 1};
    const int32_t bw = Metric(c.Small ? SM_CXSMSIZE : SM_CXSIZE) - 2;
    const int32_t bh = Metric(c.Small ? SM_CYSMSIZE : SM_CYSIZE) - 4;
    const int32_t top = c.Bar.Top + 2;
    int32_t right = c.Bar.Right - 2;
    int32_t textRight = c.Bar.Right - 2;
    if (style & WS_SYSMENU) {
        c.HasClose = true;
        c.CloseEnabled = !(W->Class && (W->Class->Style & CS_NOCLOSE));
        c.Close = TRect{right - bw, top, right, top + bh};
        textRight = c.Close.Left - 2;
        right = c.Close.Left - 2;
        if (!c.Small && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
            c.HasMax = c.HasMin = true;
            c.MaxEnabled = (style & WS_MAXIMIZEBOX) != 0;
            c.MinEnabled = (style & WS_MINIMIZEBOX) != 0;
            c.Max = TRect{right - bw, top, right, top + bh};
            c.Min = TRect{c.Max.Left - bw, top, c.Max.Left, top + bh};
            textRight = c.Min.Left - 2;
        } else if (!c.Small && (W->ExStyle & WS_EX_CONTEXTHELP)) {
            c.HasHelp = true;
            c.Help = TRect{right - bw, top, right, top + bh};
            textRight = c.Help.Left - 2;
        }
        if (!c.Small && !(W->ExStyle & WS_EX_DLGMODALFRAME)) {
            c.HasIcon = true;
            const int32_t ih = Metric(SM_CYSMICON), iw = Metric(SM_CXSMICON);
            const int32_t iy = c.Bar.Top + (c.Bar.Height() - ih + 1) / 2;
            c.Icon = TRect{c.Bar.Left + 2, iy, c.Bar.Left + 2 + iw, iy + ih};
        }
    }
    const int32_t textLeft = c.HasIcon ? c.Icon.Right + 2 : c.Bar.Left + 2;
    c.Text = TRect{textLeft, c.Bar.Top, std::max(textLeft, textRight), c.Bar.Bottom};
    return c;
}

TRect ClientEdgeRect(const TWnd* W) {
    const DWORD style = EffectiveStyle(W);
    TInsets in = NonClientInsets(style, W->ExStyle, HasMenuBar(W), false);
    const int32_t e = EdgeThickness(style, W->ExStyle);
    const TRect r{in.Left - e, in.Top - e, W->Rect.Width() - in.Right + e, W->Rect.Height() - in.Bottom + e};
    return TRect{r.Left, r.Top, std::max(r.Left, r.Right), std::max(r.Top, r.Bottom)};
}

TRect ScrollBarRect(const TWnd* W, int Bar) {
    if (W->Style & WS_MINIMIZE) return TRect{};
    const bool v = (W->Style & WS_VSCROLL) != 0, h = (W->Style & WS_HSCROLL) != 0;
    const TRect c = W->Client;
    if (Bar == SB_VERT && v) return TRect{c.Right, c.Top, c.Right + Metric(SM_CXVSCROLL), c.Bottom};
    if (Bar == SB_HORZ && h) return TRect{c.Left, c.Bottom, c.Right, c.Bottom + Metric(SM_CYHSCROLL)};
    return TRect{};
}

LRESULT DefNCCalcSize(TWnd* W, WPARAM WParam, LPARAM LParam) {
    TRect* r = WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(LParam)->rgrc[0] : reinterpret_cast<TRect*>(LParam);
    if (!r) return 0;
    if (W->Style & WS_MINIMIZE) {
        r->Right = r->Left;
        r->Bottom = r->Top;
        return 0;
    }
    const TInsets in = NonClientInsets(W->Style, W->ExStyle, HasMenuBar(W), true);
    TRect c{r->Left + in.Left, r->Top + in.Top, r->Right - in.Right, r->Bottom - in.Bottom};
    c.Right = std::max(c.Right, c.Left);
    c.Bottom = std::max(c.Bottom, c.Top);
    *r = c;
    return 0;
}

LRESULT DefNCHitTest(TWnd* W, TPoint Screen) {
    const TRect wr = WindowRectScreen(W);
    if (!wr.Contains(Screen)) return HTNOWHERE;
    const TPoint p{Screen.X - wr.Left, Screen.Y - wr.Top};
    if (W->Client.Contains(p)) return HTCLIENT;
    const DWORD style = EffectiveStyle(W);
    const int32_t w = wr.Width(), h = wr.Height();
    const int32_t f = FrameThickness(style, W->ExStyle);
    const bool inFrame = p.X < f || p.Y < f || p.X >= w - f || p.Y >= h - f;
    if (inFrame) {
        if ((style & WS_THICKFRAME) && !(style & WS_MAXIMIZE)) {
            const int32_t c = f + Metric(SM_CXSIZE);
            if (p.Y < f) return p.X < c ? HTTOPLEFT : p.X >= w - c ? HTTOPRIGHT : HTTOP;
            if (p.Y >= h - f) return p.X < c ? HTBOTTOMLEFT : p.X >= w - c ? HTBOTTOMRIGHT : HTBOTTOM;
            if (p.X < f) return p.Y < c ? HTTOPLEFT : p.Y >= h - c ? HTBOTTOMLEFT : HTLEFT;
            return p.Y < c ? HTTOPRIGHT : p.Y >= h - c ? HTBOTTOMRIGHT : HTRIGHT;
        }
        return HTBORDER;
    }
    const TCaptionLayout cap = CaptionLayout(W);
    if (cap.Present && p.Y >= cap.Bar.Top && p.Y <= cap.Bar.Bottom && p.X >= cap.Bar.Left && p.X < cap.Bar.Right) {
        if (cap.HasClose && cap.Close.Contains(p)) return HTCLOSE;
        if (cap.HasMax && cap.Max.Contains(p)) return HTMAXBUTTON;
        if (cap.HasMin && cap.Min.Contains(p)) return HTMINBUTTON;
        if (cap.HasHelp && cap.Help.Contains(p)) return HTHELP;
        if (cap.HasIcon && p.X < cap.Icon.Right + 1) return HTSYSMENU;
        return HTCAPTION;
    }
    if (HasMenuBar(W)) {
        const int32_t top = f + (cap.Present ? CaptionHeight(W->ExStyle) : 0);
        if (p.Y >= top && p.Y < top + Metric(SM_CYMENU)) return HTMENU;
    }
    if (ScrollBarRect(W, SB_VERT).Contains(p)) return HTVSCROLL;
    if (ScrollBarRect(W, SB_HORZ).Contains(p)) return HTHSCROLL;
    if ((style & WS_VSCROLL) && (style & WS_HSCROLL)) {
        const TRect v = ScrollBarRect(W, SB_VERT), hz = ScrollBarRect(W, SB_HORZ);
        const TRect box{v.Left, hz.Top, v.Right, hz.Bottom};
        if (box.Contains(p)) return (style & WS_THICKFRAME) ? HTGROWBOX : HTBORDER;
    }
    return HTBORDER;
}

// ---------------------------------------------------------------------------
// Painting

HICON WindowSmallIcon(TWnd* W) {
    if (W->IconSmall) return W->IconSmall;
    if (W->Class->IconSm) return W->Class->IconSm;
    if (W->IconBig) return W->IconBig;
    if (W->Class->Icon) return W->Class->Icon;
    return LoadIcon(nullptr, IDI_APPLICATION);
}

namespace {

HBRUSH SysBrush(int Index) { return GetSysColorBrush(Index); }

void FillRing(HDC DC, const TRect& R, int32_t T, HBRUSH B) {
    if (T <= 0) return;
    FillRect(DC, TRect{R.Left, R.Top, R.Right, R.Top + T}, B);
    FillRect(DC, TRect{R.Left, R.Bottom - T, R.Right, R.Bottom}, B);
    FillRect(DC, TRect{R.Left, R.Top + T, R.Left + T, R.Bottom - T}, B);
    FillRect(DC, TRect{R.Right - T, R.Top + T, R.Right, R.Bottom - T}, B);
}

COLORREF Mix(COLORREF A, COLORREF B, int32_t I, int32_t N) {
    if (N <= 0) return A;
    auto ch = [&](uint8_t a, uint8_t b) { return uint8_t(a + (int32_t(b) - int32_t(a)) * I / N); };
    return RGB(ch(GetRValue(A), GetRValue(B)), ch(GetGValue(A), GetGValue(B)), ch(GetBValue(A), GetBValue(B)));
}

void PaintCaptionBar(TWnd* W, HDC DC, const TCaptionLayout& Cap, const TRgn& SurfaceVis, TPoint SurfOff) {
    TState& st = S();
    const bool active = W->FrameActive;
    const COLORREF c1 = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    const COLORREF c2 = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    const TRect& bar = Cap.Bar;
    if (bar.IsEmpty()) return;
    if (st.GradientCaptions && c1 != c2) {
        HGDIOBJ old = SelectObject(DC, GetStockObject(DC_BRUSH));
        const int32_t n = bar.Width() - 1;
        for (int32_t x = bar.Left; x < bar.Right; ++x) {
            SetDCBrushColor(DC, Mix(c1, c2, x - bar.Left, n));
            PatBlt(DC, x, bar.Top, 1, bar.Height(), PATCOPY);
        }
        SelectObject(DC, old);
    } else {
        FillRect(DC, bar, SysBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    }
    // The line between caption and the rest.
    FillRect(DC, TRect{bar.Left, bar.Bottom, bar.Right, bar.Bottom + 1}, SysBrush(COLOR_3DFACE));
    if (Cap.HasIcon) {
        if (HICON icon = WindowSmallIcon(W))
            DrawIconEx(DC, Cap.Icon.Left, Cap.Icon.Top, icon, Cap.Icon.Width(), Cap.Icon.Height(), 0, nullptr, DI_NORMAL);
    }
    if (!W->Text.empty() && !Cap.Text.IsEmpty()) {
        TWnd* root = Root(W);
        if (root && root->Surface) {
            TRgn clip = SurfaceVis;
            TRect tr{Cap.Text.Left + SurfOff.X, Cap.Text.Top + SurfOff.Y, Cap.Text.Right + SurfOff.X,
                     Cap.Text.Bottom + SurfOff.Y};
            clip.AndRect(tr);
            PaintCaptionText(root->Surface->View(), clip.Rects(), tr, W->Text,
                             GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT), Cap.Small);
        }
    }
    auto button = [&](bool has, TRect r, unsigned kind, bool enabled, int hit) {
        if (!has) return;
        unsigned state = kind;
        if (!enabled) state |= DFCS_INACTIVE;
        if (W->PressedButton == hit) state |= DFCS_PUSHED;
        DrawFrameControl(DC, &r, DFC_CAPTION, state);
    };
    const bool minimized = (W->Style & WS_MINIMIZE) != 0, maximized = (W->Style & WS_MAXIMIZE) != 0;
    button(Cap.HasClose, Cap.Close, DFCS_CAPTIONCLOSE, Cap.CloseEnabled, HTCLOSE);
    button(Cap.HasMax, Cap.Max, maximized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX, Cap.MaxEnabled, HTMAXBUTTON);
    button(Cap.HasMin, Cap.Min, minimized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN, Cap.MinEnabled, HTMINBUTTON);
    button(Cap.HasHelp, Cap.Help, DFCS_CAPTIONHELP, true, HTHELP);
}

}  // namespace

void DefNCPaint(TWnd* W, HRGN ScreenRgn) {
    if (!ReallyVisible(W)) return;
    TWnd* root = Root(W);
    if (!root) return;
    EnsureSurface(root);
    if (!root->Surface || root->Surface->Empty()) return;
    const int32_t w = W->Rect.Width(), h = W->Rect.Height();
    // The frame: the window without its client area, within the region.
    TRgn area(TRect{0, 0, w, h});
    area.DiffRect(W->Client);
    if (ScreenRgn) {
        TRgn r;
        r.CopyFrom(ScreenRgn);
        const TPoint o = WindowOriginScreen(W);
        r.Offset(-o.X, -o.Y);
        area.And(r);
    }
    if (area.Empty()) return;
    const TPoint off = SurfaceOffset(W);
    TRgn vis = VisibleRegion(W, true, false, (W->Style & WS_CLIPSIBLINGS) != 0);
    TRgn areaSurf = area;
    areaSurf.Offset(off.X, off.Y);
    vis.And(areaSurf);
    if (vis.Empty()) return;
    HDC dc = MakeWindowDC(W, DCX_WINDOW | DCX_CLIPSIBLINGS, nullptr, false, &area);
    if (!dc) return;
    const DWORD style = EffectiveStyle(W);
    const bool active = W->FrameActive;
    TRect r{0, 0, w, h};
    const int32_t f = FrameThickness(style, W->ExStyle);
    if (style & WS_THICKFRAME) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        FillRing(dc, r, f - 2, SysBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER));
    } else if ((style & WS_DLGFRAME) || (W->ExStyle & WS_EX_DLGMODALFRAME)) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        FillRing(dc, r, f - 2, SysBrush(COLOR_3DFACE));
    } else if (style & WS_BORDER) {
        FrameRect(dc, r, SysBrush(COLOR_WINDOWFRAME));
    }
    const TCaptionLayout cap = CaptionLayout(W);
    if (cap.Present) PaintCaptionBar(W, dc, cap, vis, off);
    if (HasMenuBar(W) && !(W->Style & WS_MINIMIZE)) {
        const int32_t top = f + (cap.Present ? CaptionHeight(W->ExStyle) : 0);
        const TRect bar{f, top, w - f, top + Metric(SM_CYMENU)};
        FillRect(dc, bar, SysBrush(COLOR_MENU));
        TMenuBarPainter painter = S().MenuBarPainter;
        if (painter) {
            const HMENU menu = W->Menu;
            const HWND hw = W->Handle;
            TUnlock u;
            painter(hw, menu, dc, bar);
        }
        if (W->Dead) {
            ReleaseWindowDC(dc);
            return;
        }
    }
    if (!(W->Style & WS_MINIMIZE)) {
        TRect edge = ClientEdgeRect(W);
        if (W->ExStyle & WS_EX_CLIENTEDGE) {
            DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        }
        if ((W->ExStyle & WS_EX_STATICEDGE) && !(style & (WS_THICKFRAME | WS_DLGFRAME)) &&
            !(W->ExStyle & WS_EX_DLGMODALFRAME))
            DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        PaintScrollBars(W, dc);
    }
    ReleaseWindowDC(dc);
    NotifyPainted(W, area.Box());
}

void RedrawFrame(TWnd* W) {
    if (!ReallyVisible(W)) return;
    DefNCPaint(W, nullptr);
}

}  // namespace win

using namespace win;

int GetSystemMetrics(int Index) {
    TLock l;
    return Metric(Index);
}

BOOL AdjustWindowRectEx(TRect* Rect, DWORD Style, BOOL Menu, DWORD ExStyle) {
    if (!Rect) return FALSE;
    TLock l;
    const TInsets in = NonClientInsets(Style, ExStyle, Menu != FALSE, false);
    Rect->Left -= in.Left;
    Rect->Top -= in.Top;
    Rect->Right += in.Right;
    Rect->Bottom += in.Bottom;
    return TRUE;
}

BOOL SystemParametersInfo(UINT Action, UINT UIParam, void* Param, UINT) {
    TLock l;
    TState& st = S();
    switch (Action) {
        case SPI_GETWORKAREA:
            if (!Param) return FALSE;
            *static_cast<TRect*>(Param) = st.WorkAreaSet ? st.WorkArea : TRect{0, 0, st.ScreenW, st.ScreenH};
            return TRUE;
        case SPI_SETWORKAREA: {
            if (!Param) {
                st.WorkAreaSet = false;
                return TRUE;
            }
            TRect r = *static_cast<const TRect*>(Param);
            r.Left = std::clamp(r.Left, 0, st.ScreenW);
            r.Top = std::clamp(r.Top, 0, st.ScreenH);
            r.Right = std::clamp(r.Right, r.Left, st.ScreenW);
            r.Bottom = std::clamp(r.Bottom, r.Top, st.ScreenH);
            if (r.IsEmpty()) return FALSE;
            st.WorkArea = r;
            st.WorkAreaSet = true;
            return TRUE;
        }
        case SPI_GETGRADIENTCAPTIONS:
            if (!Param) return FALSE;
            *static_cast<BOOL*>(Param) = st.GradientCaptions ? TRUE : FALSE;
            return TRUE;
        case SPI_SETGRADIENTCAPTIONS:
            st.GradientCaptions = UIParam != 0;
            return TRUE;
        case SPI_GETWHEELSCROLLLINES:
            if (!Param) return FALSE;
            *static_cast<UINT*>(Param) = 3;
            return TRUE;
        case SPI_GETMOUSEHOVERTIME:
            if (!Param) return FALSE;
            *static_cast<UINT*>(Param) = st.HoverTime;
            return TRUE;
        case SPI_GETDRAGFULLWINDOWS:
        case SPI_GETBEEP:
            if (!Param) return FALSE;
            *static_cast<BOOL*>(Param) = TRUE;
            return TRUE;
        default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
}

}  // namespace vcl
