// WinDefProc.cpp - DefWindowProc: the default handling of every message.
#include <algorithm>
#include <cstring>

#include "WinInternal.h"

namespace vcl {

namespace win {

LRESULT DefWindowPosChanged(TWnd* W, const WINDOWPOS* Pos);
LRESULT DefWindowPosChanging(TWnd* W, WINDOWPOS* Pos);

namespace {

HCURSOR CursorForHit(int Hit) {
    switch (Hit) {
        case HTLEFT:
        case HTRIGHT: return StockCursor(IDC_SIZEWE);
        case HTTOP:
        case HTBOTTOM: return StockCursor(IDC_SIZENS);
        case HTTOPLEFT:
        case HTBOTTOMRIGHT: return StockCursor(IDC_SIZENWSE);
        case HTTOPRIGHT:
        case HTBOTTOMLEFT: return StockCursor(IDC_SIZENESW);
        default: return StockCursor(IDC_ARROW);
    }
}

void SetCursorInternal(HCURSOR C) {
    TState& st = S();
    if (st.Cursor == C) return;
    st.Cursor = C;
    Backend().CursorChanged(C);
}

LRESULT DefSetCursor(TWnd* W, WPARAM WParam, LPARAM LParam) {
    const int hit = short(LOWORD(uintptr_t(LParam)));
    const UINT mouseMsg = HIWORD(uintptr_t(LParam));
    // The parent decides first.
    if ((W->Style & WS_CHILD) && W->Parent && W->Parent != S().Desktop) {
        if (Send(W->Parent, WM_SETCURSOR, WParam, LParam)) return TRUE;
        if (W->Dead) return TRUE;
    }
    if (hit == HTERROR) {
        if (mouseMsg == WM_LBUTTONDOWN || mouseMsg == WM_RBUTTONDOWN || mouseMsg == WM_MBUTTONDOWN) {
            ++S().Beeps;
            // A disabled owner points to its enabled popup (a modal dialog).
            TWnd* r = Root(W);
            for (TWnd* c : S().Desktop->Children)
                if (r && c->Owner == r->Handle && (c->Style & WS_VISIBLE) && !(c->Style & WS_DISABLED)) {
                    ActivateInternal(c, WA_ACTIVE);
                    break;
                }
        }
        SetCursorInternal(StockCursor(IDC_ARROW));
        return TRUE;
    }
    if (hit == HTCLIENT) {
        if (W->Class->Cursor) {
            SetCursorInternal(W->Class->Cursor);
            return TRUE;
        }
        return FALSE;
    }
    SetCursorInternal(CursorForHit((W->Style & WS_THICKFRAME) && !(W->Style & WS_MAXIMIZE) ? hit : HTCAPTION));
    return TRUE;
}

LRESULT DefEraseBackground(TWnd* W, HDC DC) {
    HBRUSH b = W->Class->Brush;
    if (!b || !DC) return 0;
    TRect r{0, 0, W->Client.Width(), W->Client.Height()};
    FillRect(DC, r, b);
    return 1;
}

void DefPaint(HWND Wnd) {
    PAINTSTRUCT ps;
    TUnlock u;
    if (BeginPaint(Wnd, &ps)) EndPaint(Wnd, &ps);
}

LRESULT DefCtlColor(UINT Msg, HDC DC) {
    int bk = COLOR_WINDOW;
    if (Msg == WM_CTLCOLORMSGBOX || Msg == WM_CTLCOLORBTN || Msg == WM_CTLCOLORDLG || Msg == WM_CTLCOLORSTATIC ||
        Msg == WM_CTLCOLORSCROLLBAR)
        bk = COLOR_3DFACE;
    if (Msg == WM_CTLCOLORSCROLLBAR) bk = COLOR_SCROLLBAR;
    SetTextColor(DC, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(DC, GetSysColor(bk));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(bk));
}

LRESULT DefSysCommand(TWnd* W, WPARAM WParam, LPARAM LParam) {
    const UINT cmd = UINT(WParam & 0xFFF0);
    switch (cmd) {
        case SC_CLOSE:
            if (W->Class->Style & CS_NOCLOSE) return 0;
            Send(W, WM_CLOSE, 0, 0);
            return 0;
        case SC_MINIMIZE:
            if (W->Style & WS_MINIMIZE) return 0;
            ShowWindowInternal(W, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            if (W->Style & WS_MAXIMIZE) return 0;
            ShowWindowInternal(W, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            if (!(W->Style & (WS_MINIMIZE | WS_MAXIMIZE))) return 0;
            ShowWindowInternal(W, SW_RESTORE);
            return 0;
        case SC_MOVE:
        case SC_SIZE:
            SysCommandSizeMove(W, UINT(WParam), LParamToPoint(LParam));
            return 0;
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW: {
            if (HWND client = MdiClientOf(W))
                Send(client, WM_MDINEXT, reinterpret_cast<WPARAM>(W->Handle), cmd == SC_PREVWINDOW);
            return 0;
        }
        default: return 0;
    }
}

LRESULT DefNCButtonDown(TWnd* W, WPARAM WParam, LPARAM LParam) {
    const int hit = int(WParam);
    const TPoint p = LParamToPoint(LParam);
    switch (hit) {
        case HTCAPTION:
            Send(W, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, LParam);
            return 0;
        case HTLEFT:
        case HTRIGHT:
        case HTTOP:
        case HTTOPLEFT:
        case HTTOPRIGHT:
        case HTBOTTOM:
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
            Send(W, WM_SYSCOMMAND, SC_SIZE | UINT(hit - HTLEFT + WMSZ_LEFT), LParam);
            return 0;
        case HTCLOSE:
        case HTMINBUTTON:
        case HTMAXBUTTON:
        case HTHELP:
            TrackCaptionButton(W, hit);
            return 0;
        case HTVSCROLL:
            ScrollBarHitTrack(W, SB_VERT, p);
            return 0;
        case HTHSCROLL:
            ScrollBarHitTrack(W, SB_HORZ, p);
            return 0;
        default: return 0;
    }
}

}  // namespace

}  // namespace win

using namespace win;

LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    TWnd* w = LookupAny(Wnd);
    if (!w) return 0;
    PWnd hold = Hold(w);
    switch (Msg) {
        case WM_NCCREATE: {
            const auto* cs = reinterpret_cast<const CREATESTRUCT*>(LParam);
            if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->Text = cs->lpszName;
            if (w->Style & (WS_HSCROLL | WS_VSCROLL)) {
                for (TScrollBar& b : w->Scroll) b = TScrollBar{};
            }
            return TRUE;
        }
        case WM_NCCALCSIZE: return DefNCCalcSize(w, WParam, LParam);
        case WM_NCHITTEST: return DefNCHitTest(w, LParamToPoint(LParam));
        case WM_NCPAINT:
            DefNCPaint(w, WParam == 1 ? nullptr : reinterpret_cast<HRGN>(WParam));
            return 0;
        case WM_NCACTIVATE:
            w->FrameActive = WParam != 0;
            if (LParam != -1) RedrawFrame(w);
            return TRUE;
        case WM_ACTIVATE:
            if (LOWORD(WParam) != WA_INACTIVE && !HIWORD(WParam)) SetFocusInternal(w);
            return 0;
        case WM_MOUSEACTIVATE:
            if ((w->Style & WS_CHILD) && w->Parent && w->Parent != S().Desktop) {
                const LRESULT r = Send(w->Parent, WM_MOUSEACTIVATE, WParam, LParam);
                if (r) return r;
            }
            return MA_ACTIVATE;
        case WM_SETCURSOR: return DefSetCursor(w, WParam, LParam);
        case WM_ERASEBKGND: return DefEraseBackground(w, reinterpret_cast<HDC>(WParam));
        case WM_ICONERASEBKGND: return DefEraseBackground(w, reinterpret_cast<HDC>(WParam));
        case WM_PAINT:
            DefPaint(Wnd);
            return 0;
        case WM_PRINTCLIENT: return 0;
        case WM_SYNCPAINT: return 0;
        case WM_WINDOWPOSCHANGING: return DefWindowPosChanging(w, reinterpret_cast<WINDOWPOS*>(LParam));
        case WM_WINDOWPOSCHANGED: return DefWindowPosChanged(w, reinterpret_cast<const WINDOWPOS*>(LParam));
        case WM_GETMINMAXINFO: return 0;
        case WM_SYSCOMMAND: return DefSysCommand(w, WParam, LParam);
        case WM_CLOSE:
            DestroyWindowInternal(w);
            return 0;
        case WM_NCLBUTTONDOWN: return DefNCButtonDown(w, WParam, LParam);
        case WM_NCLBUTTONDBLCLK:
            if (WParam == HTCAPTION && (w->Style & WS_MAXIMIZEBOX))
                Send(w, WM_SYSCOMMAND, (w->Style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE, LParam);
            else if (WParam == HTSYSMENU)
                Send(w, WM_SYSCOMMAND, SC_CLOSE, LParam);
            else if (WParam == HTVSCROLL || WParam == HTHSCROLL)
                DefNCButtonDown(w, WParam, LParam);
            return 0;
        case WM_RBUTTONUP: {
            TPoint p = LParamToPoint(LParam);
            const TPoint o = ClientOriginScreen(w);
            p.X += o.X;
            p.Y += o.Y;
            Send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Wnd), PointToLParam(p));
            return 0;
        }
        case WM_NCRBUTTONUP:
            Send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Wnd), LParam);
            return 0;
        case WM_CONTEXTMENU:
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
        case WM_APPCOMMAND:
        case WM_HELP:
            if ((w->Style & WS_CHILD) && w->Parent && w->Parent != S().Desktop)
                return Send(w->Parent, Msg, WParam, LParam);
            return 0;
        case WM_SETTEXT: {
            const char* t = reinterpret_cast<const char*>(LParam);
            w->Text = t ? t : "";
            if (HasCaption(w->Style)) RedrawFrame(w);
            return TRUE;
        }
        case WM_GETTEXT: {
            char* buf = reinterpret_cast<char*>(LParam);
            if (!buf || WParam == 0) return 0;
            const size_t n = Utf8SafeLength(w->Text, size_t(WParam) - 1);
            std::memcpy(buf, w->Text.data(), n);
            buf[n] = 0;
            return LRESULT(n);
        }
        case WM_GETTEXTLENGTH: return LRESULT(w->Text.size());
        case WM_SETREDRAW:
            // The classic way: the visible bit goes, nothing is repainted.
            if (WParam)
                w->Style |= WS_VISIBLE;
            else
                w->Style &= ~WS_VISIBLE;
            RefreshDCs();
            return 0;
        case WM_SETICON: {
            HICON old;
            if (WParam == ICON_BIG) {
                old = w->IconBig;
                w->IconBig = reinterpret_cast<HICON>(LParam);
            } else {
                old = w->IconSmall;
                w->IconSmall = reinterpret_cast<HICON>(LParam);
            }
            if (HasCaption(w->Style)) RedrawFrame(w);
            return reinterpret_cast<LRESULT>(old);
        }
        case WM_GETICON:
            if (WParam == ICON_BIG) return reinterpret_cast<LRESULT>(w->IconBig);
            if (WParam == ICON_SMALL) return reinterpret_cast<LRESULT>(w->IconSmall);
            return reinterpret_cast<LRESULT>(WindowSmallIcon(w));
        case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(w->Class->Icon);
        case WM_CANCELMODE:
            if (S().Capture == Wnd) ReleaseCaptureInternal();
            return 0;
        case WM_SYSKEYDOWN:
            if (WParam == WPARAM(VK_F4) && (LParam & (LPARAM(1) << 29))) {
                TWnd* r = Root(w);
                if (r) Send(r, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        case WM_QUERYENDSESSION:
        case WM_QUERYOPEN: return TRUE;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: return DefCtlColor(Msg, reinterpret_cast<HDC>(WParam));
        default: return 0;
    }
}

}  // namespace vcl
