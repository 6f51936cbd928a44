// WinMdi.cpp - the MDI client class "MDICLIENT", DefFrameProc and
// DefMDIChildProc.
#include <algorithm>
#include <cmath>

#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

TWnd* ClientOf(TWnd* W) {
    if (!W || !(W->ExStyle & WS_EX_MDICHILD)) return nullptr;
    TWnd* c = W->Parent;
    return c && c->Mdi ? c : nullptr;
}

std::vector<TWnd*> MdiChildren(TWnd* Client, bool VisibleOnly) {
    std::vector<TWnd*> r;
    for (TWnd* c : Client->Children)
        if ((c->ExStyle & WS_EX_MDICHILD) && !c->Destroying && (!VisibleOnly || (c->Style & WS_VISIBLE)))
            r.push_back(c);
    return r;
}

void MdiActivate(TWnd* Client, TWnd* Child) {
    if (!Client || !Client->Mdi) return;
    PWnd holdClient = Hold(Client);
    TWnd* old = Lookup(Client->Mdi->Active);
    if (Child && (ClientOf(Child) != Client || Child->Destroying)) return;
    TState& st = S();
    TWnd* frame = Root(Client);
    const bool frameActive = frame && st.Active == frame->Handle;
    if (old == Child) {
        if (Child && frameActive && !IsDescendant(Child, Lookup(st.Focus))) SetFocusInternal(Child);
        return;
    }
    PWnd holdOld = Hold(old), holdNew = Hold(Child);
    const bool wasMax = old && (old->Style & WS_MAXIMIZE);
    Client->Mdi->Active = H(Child);
    if (old && !old->Dead) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        if (!old->Dead) Send(old, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old->Handle), reinterpret_cast<LPARAM>(H(Child)));
    }
    if (!Child || Child->Dead || Client->Mdi->Active != Child->Handle) return;
    if (wasMax && !(Child->Style & WS_MAXIMIZE) && (Child->Style & WS_MAXIMIZEBOX)) {
        MaximizeInternal(Child, false);
        if (old && !old->Dead && (old->Style & WS_MAXIMIZE)) RestoreInternal(old, false);
        if (Child->Dead) return;
    }
    SetWindowPosInternal(Child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (Child->Dead) return;
    Send(Child, WM_NCACTIVATE, frameActive ? TRUE : FALSE, 0);
    if (Child->Dead) return;
    Send(Child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(H(old)), reinterpret_cast<LPARAM>(Child->Handle));
    if (Child->Dead) return;
    if (frameActive && !IsDescendant(Child, Lookup(st.Focus))) SetFocusInternal(Child);
}

void Tile(TWnd* Client, WPARAM How) {
    std::vector<TWnd*> kids;
    for (TWnd* c : MdiChildren(Client, true)) {
        if (c->Style & WS_MINIMIZE) continue;
        if ((How & MDITILE_SKIPDISABLED) && (c->Style & WS_DISABLED)) continue;
        kids.push_back(c);
    }
    if (kids.empty()) return;
    std::vector<PWnd> hold;
    for (TWnd* k : kids) hold.push_back(Hold(k));
    for (TWnd* k : kids)
        if (!k->Dead && (k->Style & WS_MAXIMIZE)) RestoreInternal(k, false);
    const TRect area{0, 0, Client->Client.Width(), Client->Client.Height()};
    const int n = int(kids.size());
    const bool horizontal = (How & MDITILE_HORIZONTAL) != 0;
    // Vertical tiling puts windows side by side, horizontal one above
    // another; more than three make a grid of columns (rows).
    const int lines = n <= 3 ? n : int(std::ceil(std::sqrt(double(n))));
    int index = 0;
    for (int line = 0; line < lines; ++line) {
        const int inLine = n / lines + (line >= lines - n % lines ? 1 : 0);
        for (int k = 0; k < inLine; ++k, ++index) {
            TWnd* w = kids[size_t(index)];
            if (w->Dead) continue;
            TRect r;
            if (horizontal) {
                const int y0 = area.Height() * line / lines, y1 = area.Height() * (line + 1) / lines;
                const int x0 = area.Width() * k / inLine, x1 = area.Width() * (k + 1) / inLine;
                r = TRect{x0, y0, x1, y1};
            } else {
                const int x0 = area.Width() * line / lines, x1 = area.Width() * (line + 1) / lines;
                const int y0 = area.Height() * k / inLine, y1 = area.Height() * (k + 1) / inLine;
                r = TRect{x0, y0, x1, y1};
            }
            SetWindowPosInternal(w, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

void Cascade(TWnd* Client, WPARAM How) {
    std::vector<TWnd*> kids;
    for (TWnd* c : MdiChildren(Client, true)) {
        if (c->Style & WS_MINIMIZE) continue;
        if ((How & MDITILE_SKIPDISABLED) && (c->Style & WS_DISABLED)) continue;
        kids.push_back(c);
    }
    if (kids.empty()) return;
    std::vector<PWnd> hold;
    for (TWnd* k : kids) hold.push_back(Hold(k));
    for (TWnd* k : kids)
        if (!k->Dead && (k->Style & WS_MAXIMIZE)) RestoreInternal(k, false);
    const int step = Metric(SM_CYCAPTION) + Metric(SM_CYFRAME);
    const TRect area{0, 0, Client->Client.Width(), Client->Client.Height()};
    const int n = int(kids.size());
    const int w = std::max(area.Width() - step * (n - 1), area.Width() * 2 / 3);
    const int h = std::max(area.Height() - step * (n - 1), area.Height() * 2 / 3);
    // The window on top ends at the last (lowest, rightmost) place.
    for (int i = 0; i < n; ++i) {
        TWnd* k = kids[size_t(n - 1 - i)];
        if (k->Dead) continue;
        const int off = step * i;
        SetWindowPosInternal(k, nullptr, off, off, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void IconArrange(TWnd* Client) {
    const int32_t cw = Metric(SM_CXMINSPACING), ch = Metric(SM_CYMINIMIZED);
    const int32_t perRow = std::max(1, Client->Client.Width() / std::max(1, cw));
    int slot = 0;
    std::vector<PWnd> kids;
    for (TWnd* c : MdiChildren(Client, false))
        if (c->Style & WS_MINIMIZE) kids.push_back(Hold(c));
    for (const PWnd& k : kids) {
        if (k->Dead) continue;
        const TPoint p{(slot % perRow) * cw, Client->Client.Height() - ch * (1 + slot / perRow)};
        ++slot;
        SetWindowPosInternal(k.get(), nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Next(TWnd* Client, TWnd* From, bool Previous) {
    std::vector<TWnd*> kids = MdiChildren(Client, true);
    if (kids.size() < 2) return;
    if (!From) From = Lookup(Client->Mdi->Active);
    if (!From) From = kids.front();
    TWnd* target = Previous ? kids.back() : nullptr;
    if (!Previous) {
        auto it = std::find(kids.begin(), kids.end(), From);
        target = (it == kids.end() || it + 1 == kids.end()) ? kids.front() : *(it + 1);
    }
    if (target == From) return;
    PWnd hold = Hold(From);
    MdiActivate(Client, target);
    // Going forward sends the window that was active to the back.
    if (!Previous && !From->Dead)
        SetWindowPosInternal(From, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

HWND MdiClientOf(TWnd* W) { return H(ClientOf(W)); }

void MdiChildCreated(TWnd* W) {
    TWnd* client = ClientOf(W);
    if (!client) return;
    if (W->CtrlId == 0) W->CtrlId = LONG_PTR(client->Mdi->NextId++);
    TWnd* active = Lookup(client->Mdi->Active);
    if (active && (active->Style & WS_MAXIMIZE) && (W->Style & WS_MAXIMIZEBOX)) {
        PWnd hold = Hold(W);
        RestoreInternal(active, false);
        if (!W->Dead) MaximizeInternal(W, false);
    }
}

void MdiActivateChild(TWnd* W) { MdiActivate(ClientOf(W), W); }

void MdiChildGone(TWnd* W) {
    TWnd* client = ClientOf(W);
    if (!client || client->Mdi->Active != W->Handle) return;
    TWnd* next = nullptr;
    for (TWnd* c : MdiChildren(client, true))
        if (c != W) {
            next = c;
            break;
        }
    if (next) {
        MdiActivate(client, next);
    } else {
        client->Mdi->Active = nullptr;
        Send(W, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(W->Handle), 0);
    }
}

void MdiChildDestroyed(TWnd* W) {
    TWnd* client = ClientOf(W);
    if (client && client->Mdi->Active == W->Handle) client->Mdi->Active = nullptr;
}

LRESULT MdiClientProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    TWnd* c = Lookup(Wnd);
    if (!c) return 0;
    PWnd hold = Hold(c);
    switch (Msg) {
        case WM_NCCREATE: {
            c->Mdi = std::make_unique<TMdiClientData>();
            const auto* cs = reinterpret_cast<const CREATESTRUCT*>(LParam);
            if (cs && cs->lpCreateParams) {
                const auto* ccs = static_cast<const CLIENTCREATESTRUCT*>(cs->lpCreateParams);
                c->Mdi->WindowMenu = ccs->hWindowMenu;
                c->Mdi->FirstChildId = ccs->idFirstChild;
            }
            c->Mdi->NextId = c->Mdi->FirstChildId;
            break;
        }
        case WM_MDICREATE: {
            const auto* m = reinterpret_cast<const MDICREATESTRUCT*>(LParam);
            if (!m) return 0;
            TUnlock u;
            return reinterpret_cast<LRESULT>(CreateWindowEx(WS_EX_MDICHILD, m->szClass, m->szTitle, m->style, m->x, m->y,
                                                            m->cx, m->cy, Wnd, nullptr, m->hOwner,
                                                            const_cast<MDICREATESTRUCT*>(m)));
        }
        case WM_MDIDESTROY: {
            TWnd* k = Lookup(reinterpret_cast<HWND>(WParam));
            if (k && ClientOf(k) == c) DestroyWindowInternal(k);
            return 0;
        }
        case WM_MDIACTIVATE: {
            TWnd* k = Lookup(reinterpret_cast<HWND>(WParam));
            if (k && ClientOf(k) == c) MdiActivate(c, k);
            return 0;
        }
        case WM_MDIGETACTIVE: {
            TWnd* a = Lookup(c->Mdi->Active);
            if (LParam) *reinterpret_cast<BOOL*>(LParam) = a && (a->Style & WS_MAXIMIZE) ? TRUE : FALSE;
            return reinterpret_cast<LRESULT>(H(a));
        }
        case WM_MDINEXT: Next(c, Lookup(reinterpret_cast<HWND>(WParam)), LParam != 0); return 0;
        case WM_MDIMAXIMIZE: {
            TWnd* k = Lookup(reinterpret_cast<HWND>(WParam));
            if (k && ClientOf(k) == c) ShowWindowInternal(k, SW_MAXIMIZE);
            return 0;
        }
        case WM_MDIRESTORE: {
            TWnd* k = Lookup(reinterpret_cast<HWND>(WParam));
            if (k && ClientOf(k) == c) ShowWindowInternal(k, SW_RESTORE);
            return 0;
        }
        case WM_MDITILE: Tile(c, WParam); return TRUE;
        case WM_MDICASCADE: Cascade(c, WParam); return TRUE;
        case WM_MDIICONARRANGE: IconArrange(c); return 0;
        case WM_MDISETMENU: {
            HMENU old = c->Mdi->WindowMenu;
            if (LParam) c->Mdi->WindowMenu = reinterpret_cast<HMENU>(LParam);
            return reinterpret_cast<LRESULT>(old);
        }
        case WM_MDIREFRESHMENU: return reinterpret_cast<LRESULT>(c->Mdi->WindowMenu);
        case WM_SETFOCUS: {
            TWnd* a = Lookup(c->Mdi->Active);
            if (a && !(a->Style & WS_MINIMIZE)) SetFocusInternal(a);
            return 0;
        }
        case WM_SIZE: {
            TWnd* a = Lookup(c->Mdi->Active);
            if (a && (a->Style & WS_MAXIMIZE)) {
                const MINMAXINFO m = GetMinMaxInfo(a);
                if (!a->Dead)
                    SetWindowPosInternal(a, nullptr, m.ptMaxPosition.X, m.ptMaxPosition.Y, m.ptMaxSize.X, m.ptMaxSize.Y,
                                         SWP_NOZORDER | SWP_NOACTIVATE);
            }
            break;
        }
        default: break;
    }
    TUnlock u;
    return DefWindowProc(Wnd, Msg, WParam, LParam);
}

}  // namespace win

using namespace win;

LRESULT DefFrameProc(HWND Frame, HWND MDIClient, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    TWnd* f = Lookup(Frame);
    if (!f) return 0;
    TWnd* client = Lookup(MDIClient);
    if (client && !client->Mdi) client = nullptr;
    PWnd hold = Hold(client);
    switch (Msg) {
        case WM_COMMAND:
            if (client) {
                const UINT id = LOWORD(WParam);
                if (id >= client->Mdi->FirstChildId && id < client->Mdi->NextId) {
                    for (TWnd* k : MdiChildren(client, false))
                        if (UINT(k->CtrlId) == id) {
                            PWnd hk = Hold(k);
                            if (k->Style & WS_MINIMIZE) ShowWindowInternal(k, SW_RESTORE);
                            if (!k->Dead) MdiActivate(client, k);
                            return 0;
                        }
                }
            }
            break;
        case WM_SETFOCUS:
            if (client) {
                SetFocusInternal(client);
                return 0;
            }
            break;
        case WM_SIZE:
            if (client) {
                SetWindowPosInternal(client, nullptr, 0, 0, LOWORD(uintptr_t(LParam)), HIWORD(uintptr_t(LParam)),
                                     SWP_NOZORDER | SWP_NOACTIVATE);
                return 0;
            }
            break;
        case WM_NCACTIVATE:
            if (client)
                if (TWnd* a = Lookup(client->Mdi->Active)) Send(a, WM_NCACTIVATE, WParam, LParam);
            break;
        case WM_SYSCOMMAND:
            if (client && ((WParam & 0xFFF0) == SC_NEXTWINDOW || (WParam & 0xFFF0) == SC_PREVWINDOW)) {
                Next(client, nullptr, (WParam & 0xFFF0) == SC_PREVWINDOW);
                return 0;
            }
            break;
        default: break;
    }
    TUnlock u;
    return DefWindowProc(Frame, Msg, WParam, LParam);
}

LRESULT DefMDIChildProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TLock l;
    TWnd* w = Lookup(Wnd);
    if (!w) return 0;
    PWnd hold = Hold(w);
    TWnd* client = ClientOf(w);
    switch (Msg) {
        case WM_CHILDACTIVATE:
            if (client) MdiActivate(client, w);
            return 0;
        case WM_SETFOCUS:
            if (client && client->Mdi->Active != Wnd) MdiActivate(client, w);
            break;
        case WM_CLOSE:
            if (client) {
                Send(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(Wnd), 0);
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if (client && ((WParam & 0xFFF0) == SC_NEXTWINDOW || (WParam & 0xFFF0) == SC_PREVWINDOW)) {
                Next(client, w, (WParam & 0xFFF0) == SC_PREVWINDOW);
                return 0;
            }
            break;
        default: break;
    }
    TUnlock u;
    return DefWindowProc(Wnd, Msg, WParam, LParam);
}

HWND CreateMDIWindow(const char* ClassName, const char* WindowName, DWORD Style, int X, int Y, int Width, int Height,
                     HWND Parent, HINSTANCE Instance, LPARAM Param) {
    MDICREATESTRUCT m;
    m.szClass = ClassName;
    m.szTitle = WindowName;
    m.hOwner = Instance;
    m.x = X;
    m.y = Y;
    m.cx = Width;
    m.cy = Height;
    m.style = Style;
    m.lParam = Param;
    return reinterpret_cast<HWND>(SendMessage(Parent, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&m)));
}

BOOL TranslateMDISysAccel(HWND Client, MSG* Msg) {
    if (!Msg || (Msg->message != WM_KEYDOWN && Msg->message != WM_SYSKEYDOWN)) return FALSE;
    if (!(GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000)) return FALSE;
    HWND active = reinterpret_cast<HWND>(SendMessage(Client, WM_MDIGETACTIVE, 0, 0));
    if (!active) return FALSE;
    if (Msg->wParam == WPARAM(VK_F4)) {
        SendMessage(active, WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE;
    }
    if (Msg->wParam == WPARAM(VK_F6) || Msg->wParam == WPARAM(VK_TAB)) {
        const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        SendMessage(active, WM_SYSCOMMAND, back ? SC_PREVWINDOW : SC_NEXTWINDOW, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace vcl
