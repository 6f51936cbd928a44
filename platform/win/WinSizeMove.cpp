// WinSizeMove.cpp - minimizing, maximizing and restoring, and the modal
// loops of moving and sizing a window with the mouse (WM_SYSCOMMAND
// SC_MOVE / SC_SIZE) and of pressing a caption button.
#include <algorithm>

#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

void SaveNormalRect(TWnd* W) {
    if (!(W->Style & (WS_MINIMIZE | WS_MAXIMIZE))) {
        W->NormalRect = W->Rect;
        W->HasNormalRect = true;
    }
}

TPoint MinimizedPosition(TWnd* W) {
    if (IsTopLevel(W)) {
        if (W->MinPos.X != -1 || W->MinPos.Y != -1) return W->MinPos;
        return TPoint{-32000, -32000};
    }
    // Children line up along the bottom of the parent's client area.
    const int32_t cw = Metric(SM_CXMINSPACING), ch = Metric(SM_CYMINIMIZED);
    const TRect pc{0, 0, W->Parent->Client.Width(), W->Parent->Client.Height()};
    const int32_t perRow = std::max(1, pc.Width() / std::max(1, cw));
    for (int slot = 0; slot < 1000; ++slot) {
        const TPoint p{(slot % perRow) * cw, pc.Bottom - ch * (1 + slot / perRow)};
        bool taken = false;
        for (TWnd* s : W->Parent->Children)
            if (s != W && (s->Style & WS_MINIMIZE) && s->Rect.Left == p.X && s->Rect.Top == p.Y) taken = true;
        if (!taken) return p;
    }
    return TPoint{0, pc.Bottom - ch};
}

}  // namespace

void MinimizeInternal(TWnd* W, bool Activate) {
    if (W->Style & WS_MINIMIZE) return;
    PWnd hold = Hold(W);
    TState& st = S();
    SaveNormalRect(W);
    W->RestoreToMaximized = (W->Style & WS_MAXIMIZE) != 0;
    W->Style = (W->Style | WS_MINIMIZE) & ~WS_MAXIMIZE;
    const TPoint p = MinimizedPosition(W);
    W->MinPos = p;
    if (TWnd* f = Lookup(st.Focus); f && f != W && IsDescendant(W, f)) SetFocusInternal(nullptr);
    if (W->Dead) return;
    SetWindowPosInternal(W, nullptr, p.X, p.Y, Metric(SM_CXMINIMIZED), Metric(SM_CYMINIMIZED),
                         SWP_NOZORDER | SWP_FRAMECHANGED | SWP_STATECHANGED | (Activate ? 0 : SWP_NOACTIVATE));
}

namespace {

void ApplyMaximized(TWnd* W, bool Activate) {
    const MINMAXINFO m = GetMinMaxInfo(W);
    if (W->Dead) return;
    W->Style = (W->Style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    W->RestoreToMaximized = false;
    const int32_t cx = std::max(std::min(m.ptMaxSize.X, m.ptMaxTrackSize.X), 0);
    const int32_t cy = std::max(std::min(m.ptMaxSize.Y, m.ptMaxTrackSize.Y), 0);
    W->MaxPos = m.ptMaxPosition;
    SetWindowPosInternal(W, nullptr, m.ptMaxPosition.X, m.ptMaxPosition.Y, cx, cy,
                         SWP_NOZORDER | SWP_FRAMECHANGED | SWP_STATECHANGED | (Activate ? 0 : SWP_NOACTIVATE));
}

}  // namespace

void MaximizeInternal(TWnd* W, bool Activate) {
    if ((W->Style & WS_MAXIMIZE) && !(W->Style & WS_MINIMIZE)) return;
    PWnd hold = Hold(W);
    SaveNormalRect(W);
    ApplyMaximized(W, Activate);
}

void RestoreInternal(TWnd* W, bool Activate) {
    PWnd hold = Hold(W);
    if ((W->Style & WS_MINIMIZE) && W->RestoreToMaximized) {
        // Back to maximized; the normal rectangle stays what it was.
        ApplyMaximized(W, Activate);
        return;
    }
    if (!(W->Style & (WS_MINIMIZE | WS_MAXIMIZE))) return;
    W->Style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    const TRect r = W->HasNormalRect ? W->NormalRect : W->Rect;
    SetWindowPosInternal(W, nullptr, r.Left, r.Top, r.Width(), r.Height(),
                         SWP_NOZORDER | SWP_FRAMECHANGED | SWP_STATECHANGED | (Activate ? 0 : SWP_NOACTIVATE));
}

// ---------------------------------------------------------------------------
// Moving and sizing

namespace {

bool IsMouseMove(UINT M) { return M == WM_MOUSEMOVE || M == WM_NCMOUSEMOVE; }
bool IsLeftUp(UINT M) { return M == WM_LBUTTONUP || M == WM_NCLBUTTONUP; }
bool IsMouseMessage(UINT M) {
    return (M >= WM_MOUSEFIRST && M <= WM_MOUSELAST) || (M >= WM_NCMOUSEMOVE && M <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

void SysCommandSizeMove(TWnd* W, UINT Cmd, TPoint Screen) {
    const UINT type = Cmd & 0xFFF0;
    UINT edge = Cmd & 0x000F;
    if (type == SC_MOVE) edge = 0;
    if (W->Style & WS_MAXIMIZE) return;
    if (type == SC_SIZE && (!(W->Style & WS_THICKFRAME) || (W->Style & WS_MINIMIZE))) return;
    if (type == SC_SIZE && (edge < WMSZ_LEFT || edge > WMSZ_BOTTOMRIGHT)) return;
    TState& st = S();
    PWnd hold = Hold(W);
    const HWND h = W->Handle;
    const MINMAXINFO mmi = GetMinMaxInfo(W);
    if (W->Dead) return;
    Send(W, WM_ENTERSIZEMOVE, 0, 0);
    if (W->Dead) return;
    const TRect start = WindowRectScreen(W);
    const TPoint anchor = (Cmd & 0x000F) ? Screen : st.CursorPos;
    bool done = false, cancel = false;
    SetCapture(h);
    auto apply = [&](TPoint pt) {
        TWnd* w = Lookup(h);
        if (!w) return;
        const int dx = pt.X - anchor.X, dy = pt.Y - anchor.Y;
        TRect r = start;
        if (type == SC_MOVE) {
            r = TRect{start.Left + dx, start.Top + dy, start.Right + dx, start.Bottom + dy};
            Send(w, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
            if (w->Dead) return;
            const TRect pr = RectToParentClient(w, r);
            SetWindowPosInternal(w, nullptr, pr.Left, pr.Top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            return;
        }
        const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
        const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
        const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
        const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
        if (left) r.Left += dx;
        if (right) r.Right += dx;
        if (top) r.Top += dy;
        if (bottom) r.Bottom += dy;
        // The tracking limits hold; the opposite edge stays put.
        const int minW = std::min(mmi.ptMinTrackSize.X, mmi.ptMaxTrackSize.X), maxW = mmi.ptMaxTrackSize.X;
        const int minH = std::min(mmi.ptMinTrackSize.Y, mmi.ptMaxTrackSize.Y), maxH = mmi.ptMaxTrackSize.Y;
        const int cw = std::clamp(r.Width(), minW, maxW), ch = std::clamp(r.Height(), minH, maxH);
        if (left)
            r.Left = r.Right - cw;
        else
            r.Right = r.Left + cw;
        if (top)
            r.Top = r.Bottom - ch;
        else
            r.Bottom = r.Top + ch;
        Send(w, WM_SIZING, edge, reinterpret_cast<LPARAM>(&r));
        if (w->Dead) return;
        const TRect pr = RectToParentClient(w, r);
        SetWindowPosInternal(w, nullptr, pr.Left, pr.Top, pr.Width(), pr.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    TPoint last = anchor;
    ModalPump(
        [&](const MSG& m) {
            if (IsMouseMove(m.message)) {
                if (m.pt != last) {
                    last = m.pt;
                    apply(m.pt);
                }
                return true;
            }
            if (IsLeftUp(m.message)) {
                if (m.pt != last) apply(m.pt);
                done = true;
                return true;
            }
            if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) {
                if (m.wParam == WPARAM(VK_ESCAPE)) {
                    cancel = true;
                    done = true;
                } else if (m.wParam == WPARAM(VK_RETURN)) {
                    done = true;
                }
                return true;
            }
            if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP || m.message == WM_CHAR) return true;
            return IsMouseMessage(m.message);  // other buttons are swallowed
        },
        [&] { return done || !Lookup(h) || S().Capture != h; });
    TWnd* w = Lookup(h);
    if (!w) return;
    if (cancel) {
        const TRect pr = RectToParentClient(w, start);
        SetWindowPosInternal(w, nullptr, pr.Left, pr.Top, pr.Width(), pr.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        if (w->Dead) return;
    }
    if (st.Capture == h) ReleaseCaptureInternal();
    if (!w->Dead) Send(w, WM_EXITSIZEMOVE, 0, 0);
}

void TrackCaptionButton(TWnd* W, int Hit) {
    const TCaptionLayout cap = CaptionLayout(W);
    TRect button;
    bool enabled = true;
    switch (Hit) {
        case HTCLOSE:
            button = cap.Close;
            enabled = cap.HasClose && cap.CloseEnabled;
            break;
        case HTMAXBUTTON:
            button = cap.Max;
            enabled = cap.HasMax && cap.MaxEnabled;
            break;
        case HTMINBUTTON:
            button = cap.Min;
            enabled = cap.HasMin && cap.MinEnabled;
            break;
        case HTHELP:
            button = cap.Help;
            enabled = cap.HasHelp;
            break;
        default: return;
    }
    if (!enabled) return;
    PWnd hold = Hold(W);
    const HWND h = W->Handle;
    auto inside = [&](TPoint pt) {
        TWnd* w = Lookup(h);
        if (!w) return false;
        const TPoint o = WindowOriginScreen(w);
        return button.Contains(TPoint{pt.X - o.X, pt.Y - o.Y});
    };
    auto press = [&](bool down) {
        TWnd* w = Lookup(h);
        if (!w) return;
        const int want = down ? Hit : 0;
        if (w->PressedButton == want) return;
        w->PressedButton = want;
        // Only the button is drawn again, as the classic system does: a
        // caption painted by a subclass keeps its picture around it.
        const TPoint o = WindowOriginScreen(w);
        HRGN rgn = CreateRectRgn(o.X + button.Left, o.Y + button.Top, o.X + button.Right, o.Y + button.Bottom);
        DefNCPaint(w, rgn);
        DeleteObject(rgn);
    };
    press(true);
    SetCapture(h);
    bool done = false, released = false;
    TPoint at = S().CursorPos;
    ModalPump(
        [&](const MSG& m) {
            if (IsMouseMove(m.message)) {
                at = m.pt;
                press(inside(m.pt));
                return true;
            }
            if (IsLeftUp(m.message)) {
                at = m.pt;
                released = inside(m.pt);
                done = true;
                return true;
            }
            if (m.message == WM_KEYDOWN && m.wParam == WPARAM(VK_ESCAPE)) {
                done = true;
                return true;
            }
            return IsMouseMessage(m.message);
        },
        [&] { return done || !Lookup(h) || S().Capture != h; });
    // Without a release (the input ran out, the capture went) nothing is
    // pressed.
    press(false);
    if (S().Capture == h) ReleaseCaptureInternal();
    TWnd* w = Lookup(h);
    if (!w || !released) return;
    UINT cmd = 0;
    switch (Hit) {
        case HTCLOSE: cmd = SC_CLOSE; break;
        case HTMAXBUTTON: cmd = (w->Style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE; break;
        case HTMINBUTTON: cmd = (w->Style & WS_MINIMIZE) ? SC_RESTORE : SC_MINIMIZE; break;
        case HTHELP: cmd = SC_CONTEXTHELP; break;
    }
    Send(w, WM_SYSCOMMAND, cmd, PointToLParam(at));
}

}  // namespace win

}  // namespace vcl
