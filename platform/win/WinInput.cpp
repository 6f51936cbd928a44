// WinInput.cpp - the input path: fed mouse and keyboard input, routing by
// capture, hit test and focus, double clicks, the key state, the cursor
// position and its confinement, TranslateMessage, TrackMouseEvent.
#include <algorithm>
#include <cstdlib>

#include "Clock.h"
#include "WinInternal.h"

namespace vcl {

namespace win {

namespace {

struct THit {
    TWnd* W = nullptr;
    int Hit = HTNOWHERE;
};

THit Descend(TWnd* W, TPoint Pt, bool SendHit) {
    PWnd hold = Hold(W);
    if (!(W->Style & WS_MINIMIZE)) {
        const TPoint co = ClientOriginScreen(W);
        const TRect client{co.X, co.Y, co.X + W->Client.Width(), co.Y + W->Client.Height()};
        if (client.Contains(Pt)) {
            std::vector<HWND> kids;
            for (TWnd* c : W->Children) kids.push_back(c->Handle);
            for (HWND h : kids) {
                TWnd* c = Lookup(h);
                if (!c || !(c->Style & WS_VISIBLE) || (c->Style & WS_DISABLED)) continue;
                if (!WindowRectScreen(c).Contains(Pt)) continue;
                THit r = Descend(c, Pt, SendHit);
                if (r.W) return r;
                if (W->Dead) return THit{};
            }
        }
    }
    // Windows of the calling thread are asked; others (another thread may
    // be busy) answer with the default hit test unless asked for.
    int hit;
    if (SendHit || W->ThreadId == CurrentThreadId())
        hit = int(Send(W, WM_NCHITTEST, 0, PointToLParam(Pt)));
    else
        hit = int(DefNCHitTest(W, Pt));
    if (W->Dead || hit == HTTRANSPARENT) return THit{};
    return THit{W, hit};
}

THit HitTestAt(TPoint Pt, bool SendHit) {
    std::vector<HWND> tops;
    for (TWnd* t : S().Desktop->Children) tops.push_back(t->Handle);
    for (HWND h : tops) {
        TWnd* t = Lookup(h);
        if (!t || t->MessageOnly || !(t->Style & WS_VISIBLE)) continue;
        if (!WindowRectScreen(t).Contains(Pt)) continue;
        if (t->Style & WS_DISABLED) return THit{t, HTERROR};
        THit r = Descend(t, Pt, SendHit);
        if (r.W) return r;
    }
    return THit{};
}

TWnd* TopLevelAt(TPoint Pt) {
    for (TWnd* t : S().Desktop->Children)
        if (!t->MessageOnly && (t->Style & WS_VISIBLE) && WindowRectScreen(t).Contains(Pt)) return t;
    return nullptr;
}

int ButtonVk(int Button) {
    TState& st = S();
    switch (Button) {
        case mbLeftButton: return st.SwapButtons ? VK_RBUTTON : VK_LBUTTON;
        case mbRightButton: return st.SwapButtons ? VK_LBUTTON : VK_RBUTTON;
        case mbMiddleButton: return VK_MBUTTON;
        case mbXButton1: return VK_XBUTTON1;
        case mbXButton2: return VK_XBUTTON2;
        default: return 0;
    }
}

WPARAM CurrentMK() {
    const BYTE* k = S().AsyncKeys;
    WPARAM mk = 0;
    if (k[VK_LBUTTON] & 0x80) mk |= MK_LBUTTON;
    if (k[VK_RBUTTON] & 0x80) mk |= MK_RBUTTON;
    if (k[VK_MBUTTON] & 0x80) mk |= MK_MBUTTON;
    if (k[VK_XBUTTON1] & 0x80) mk |= MK_XBUTTON1;
    if (k[VK_XBUTTON2] & 0x80) mk |= MK_XBUTTON2;
    if (k[VK_SHIFT] & 0x80) mk |= MK_SHIFT;
    if (k[VK_CONTROL] & 0x80) mk |= MK_CONTROL;
    return mk;
}

TPoint ClampCursor(TPoint P) {
    TState& st = S();
    P.X = std::clamp(P.X, 0, st.ScreenW - 1);
    P.Y = std::clamp(P.Y, 0, st.ScreenH - 1);
    if (st.HasClip) {
        P.X = std::clamp(P.X, st.Clip.Left, st.Clip.Right - 1);
        P.Y = std::clamp(P.Y, st.Clip.Top, st.Clip.Bottom - 1);
    }
    return P;
}

uint64_t NowMs() { return Clock::GetTickCount64(); }

void QueueMove() {
    TState& st = S();
    TQueued item;
    item.Raw = rkMove;
    item.Pt = st.CursorPos;
    item.MK = CurrentMK();
    item.TimeMs = NowMs();
    if (PQueue q = InputQueueFor(item)) PostRawInput(q, item);
}

void MoveCursorTo(TPoint P) {
    TState& st = S();
    P = ClampCursor(P);
    if (P == st.CursorPos) return;
    st.CursorPos = P;
    QueueMove();
}

// Scan codes of the US layout (set 1), by virtual key.
int ScanCode(int Vk, bool* Extended) {
    *Extended = false;
    static const char* row1 = "QWERTYUIOP";
    static const char* row2 = "ASDFGHJKL";
    static const char* row3 = "ZXCVBNM";
    if (Vk >= '1' && Vk <= '9') return 2 + (Vk - '1');
    if (Vk == '0') return 11;
    for (int i = 0; row1[i]; ++i)
        if (Vk == row1[i]) return 16 + i;
    for (int i = 0; row2[i]; ++i)
        if (Vk == row2[i]) return 30 + i;
    for (int i = 0; row3[i]; ++i)
        if (Vk == row3[i]) return 44 + i;
    if (Vk >= VK_F1 && Vk <= VK_F10) return 59 + (Vk - VK_F1);
    switch (Vk) {
        case VK_ESCAPE: return 1;
        case VK_OEM_MINUS: return 12;
        case VK_OEM_PLUS: return 13;
        case VK_BACK: return 14;
        case VK_TAB: return 15;
        case VK_OEM_4: return 26;
        case VK_OEM_6: return 27;
        case VK_RETURN: return 28;
        case VK_CONTROL:
        case VK_LCONTROL: return 29;
        case VK_RCONTROL: *Extended = true; return 29;
        case VK_OEM_1: return 39;
        case VK_OEM_7: return 40;
        case VK_OEM_3: return 41;
        case VK_SHIFT:
        case VK_LSHIFT: return 42;
        case VK_OEM_5: return 43;
        case VK_OEM_COMMA: return 51;
        case VK_OEM_PERIOD: return 52;
        case VK_OEM_2: return 53;
        case VK_RSHIFT: return 54;
        case VK_MULTIPLY: return 55;
        case VK_MENU:
        case VK_LMENU: return 56;
        case VK_RMENU: *Extended = true; return 56;
        case VK_SPACE: return 57;
        case VK_CAPITAL: return 58;
        case VK_NUMLOCK: *Extended = true; return 69;
        case VK_SCROLL: return 70;
        case VK_NUMPAD7: return 71;
        case VK_NUMPAD8: return 72;
        case VK_NUMPAD9: return 73;
        case VK_SUBTRACT: return 74;
        case VK_NUMPAD4: return 75;
        case VK_NUMPAD5: return 76;
        case VK_NUMPAD6: return 77;
        case VK_ADD: return 78;
        case VK_NUMPAD1: return 79;
        case VK_NUMPAD2: return 80;
        case VK_NUMPAD3: return 81;
        case VK_NUMPAD0: return 82;
        case VK_DECIMAL: return 83;
        case VK_F11: return 87;
        case VK_F12: return 88;
        case VK_DIVIDE: *Extended = true; return 53;
        case VK_HOME: *Extended = true; return 71;
        case VK_UP: *Extended = true; return 72;
        case VK_PRIOR: *Extended = true; return 73;
        case VK_LEFT: *Extended = true; return 75;
        case VK_RIGHT: *Extended = true; return 77;
        case VK_END: *Extended = true; return 79;
        case VK_DOWN: *Extended = true; return 80;
        case VK_NEXT: *Extended = true; return 81;
        case VK_INSERT: *Extended = true; return 82;
        case VK_DELETE: *Extended = true; return 83;
        case VK_LWIN: *Extended = true; return 91;
        case VK_RWIN: *Extended = true; return 92;
        case VK_APPS: *Extended = true; return 93;
        default: return 0;
    }
}

void UpdateMouseTracking(TWnd* Target, int Hit, bool Captured) {
    TState& st = S();
    const bool client = Captured || Hit == HTCLIENT;
    if (st.TrackLeave) {
        const bool same = Target && Target->Handle == st.TrackLeave && (st.TrackLeaveNC ? !client : client);
        if (!same) {
            if (TWnd* tl = Lookup(st.TrackLeave))
                PostTo(tl->Queue, tl->Handle, st.TrackLeaveNC ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
            st.TrackLeave = nullptr;
        }
    }
    if (st.TrackHover) {
        const bool same = Target && Target->Handle == st.TrackHover && (st.TrackHoverNC ? !client : client);
        if (same)
            st.HoverStartMs = NowMs();
        else
            st.TrackHover = nullptr;
    }
    st.MouseWnd = H(Target);
    st.MouseHit = Hit;
}

bool IsButtonDown(UINT Msg) {
    switch (Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONDBLCLK:
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
        case WM_NCRBUTTONDOWN:
        case WM_NCRBUTTONDBLCLK:
        case WM_NCMBUTTONDOWN:
        case WM_NCMBUTTONDBLCLK:
        case WM_NCXBUTTONDOWN:
        case WM_NCXBUTTONDBLCLK: return true;
        default: return false;
    }
}

// Client mouse message ids for WM_SETCURSOR and WM_MOUSEACTIVATE.
UINT ClientEquivalent(UINT Msg) {
    if (Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCMBUTTONDBLCLK) return Msg - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
    if (Msg >= WM_NCXBUTTONDOWN && Msg <= WM_NCXBUTTONDBLCLK) return Msg - WM_NCXBUTTONDOWN + WM_XBUTTONDOWN;
    return Msg;
}

}  // namespace

void ApplyKeyState(BYTE* Keys, int Vk, bool Down) {
    auto set = [&](int k) {
        if (Down) {
            if (!(Keys[k] & 0x80)) Keys[k] ^= 1;
            Keys[k] |= 0x80;
        } else {
            Keys[k] &= BYTE(~0x80);
        }
    };
    auto pair = [&](int generic, int left, int right) {
        if (Vk == generic) {
            set(generic);
            set(left);
        } else {
            set(Vk);
            if (Down)
                Keys[generic] |= 0x80;
            else if (!(Keys[left] & 0x80) && !(Keys[right] & 0x80))
                Keys[generic] &= BYTE(~0x80);
        }
    };
    Vk &= 0xFF;
    if (Vk == VK_SHIFT || Vk == VK_LSHIFT || Vk == VK_RSHIFT)
        pair(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    else if (Vk == VK_CONTROL || Vk == VK_LCONTROL || Vk == VK_RCONTROL)
        pair(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    else if (Vk == VK_MENU || Vk == VK_LMENU || Vk == VK_RMENU)
        pair(VK_MENU, VK_LMENU, VK_RMENU);
    else if (Vk)
        set(Vk);
}

void ApplyRetrievedInput(const TQueued& Item) {
    if (Item.KeyVk) ApplyKeyState(S().SyncKeys, Item.KeyVk, Item.KeyDown);
}

PQueue InputQueueFor(const TQueued& Item) {
    TState& st = S();
    if (Item.Raw == rkKey || Item.Raw == rkChar || Item.Raw == rkWheel) {
        if (TWnd* f = Lookup(st.Focus)) return f->Queue;
        if (TWnd* a = Lookup(st.Active)) return a->Queue;
        return nullptr;
    }
    if (TWnd* c = Lookup(st.Capture)) return c->Queue;
    if (TWnd* t = TopLevelAt(Item.Pt)) return t->Queue;
    return nullptr;
}

int CookInput(TQueued& Item) {
    TState& st = S();
    PQueue mine = QueueForCurrentThread();
    auto handOver = [&](TWnd* Target) {
        if (Target->Queue == mine) return false;
        TQueued moved = Item;
        moved.Raw = rkNone;
        moved.Seq = st.NextSeq++;
        if (Target->Queue && Target->Queue->Alive) {
            Target->Queue->Posted.push_back(moved);
            NotifyQueue(*Target->Queue);
        }
        return true;
    };
    switch (Item.Raw) {
        case rkNone: return 1;
        case rkKey:
        case rkChar: {
            TWnd* f = Lookup(st.Focus);
            bool sys = false;
            if (!f) {
                f = Lookup(st.Active);
                sys = true;
            }
            if (!f) return 0;
            Item.Msg.hwnd = f->Handle;
            Item.Kind = QS_KEY;
            if (Item.Raw == rkChar) {
                Item.Msg.message = WM_CHAR;
                Item.Msg.wParam = Item.Char;
                Item.Msg.lParam = 1;
            } else {
                const int vk = Item.Vk;
                sys = sys || (Item.KeyData & (LPARAM(1) << 29)) || vk == VK_F10 || vk == VK_MENU || vk == VK_LMENU ||
                      vk == VK_RMENU;
                Item.Msg.message = Item.Down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
                Item.Msg.wParam = WPARAM(vk);
                Item.Msg.lParam = Item.KeyData;
            }
            Item.Raw = rkNone;
            return handOver(f) ? -1 : 1;
        }
        case rkWheel: {
            TWnd* f = Lookup(st.Focus);
            if (!f) f = Lookup(st.Active);
            if (!f) return 0;
            Item.Msg.hwnd = f->Handle;
            Item.Msg.message = WM_MOUSEWHEEL;
            Item.Msg.wParam = MAKEWPARAM(WORD(Item.MK), WORD(int16_t(Item.Delta)));
            Item.Msg.lParam = PointToLParam(Item.Pt);
            Item.Kind = QS_MOUSEBUTTON;
            Item.Raw = rkNone;
            return handOver(f) ? -1 : 1;
        }
        case rkMove:
        case rkButton: break;
    }
    TWnd* target = nullptr;
    int hit = HTNOWHERE;
    TWnd* cap = Lookup(st.Capture);
    if (cap) {
        target = cap;
        hit = HTCLIENT;
    } else {
        const THit h = HitTestAt(Item.Pt, true);
        target = h.W;
        hit = h.Hit;
    }
    if (target && target->Dead) target = nullptr;
    UpdateMouseTracking(target, hit, cap != nullptr);
    if (!target) return 0;
    const bool move = Item.Raw == rkMove;
    if (hit == HTERROR) {
        // A disabled window: only the cursor (and for a press, the beep).
        const UINT m = move ? WM_MOUSEMOVE : (Item.Down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
        Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target->Handle), MAKELPARAM(WORD(int16_t(HTERROR)), WORD(m)));
        return 0;
    }
    const bool client = cap != nullptr || hit == HTCLIENT;
    UINT msg;
    WORD xbutton = 0;
    if (move) {
        msg = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
    } else {
        UINT base;
        switch (Item.Button) {
            case mbRightButton: base = client ? WM_RBUTTONDOWN : WM_NCRBUTTONDOWN; break;
            case mbMiddleButton: base = client ? WM_MBUTTONDOWN : WM_NCMBUTTONDOWN; break;
            case mbXButton1:
            case mbXButton2:
                base = client ? WM_XBUTTONDOWN : WM_NCXBUTTONDOWN;
                xbutton = Item.Button == mbXButton1 ? 1 : 2;
                break;
            default: base = client ? WM_LBUTTONDOWN : WM_NCLBUTTONDOWN; break;
        }
        if (st.SwapButtons && (Item.Button == mbLeftButton || Item.Button == mbRightButton))
            base = Item.Button == mbLeftButton ? (client ? WM_RBUTTONDOWN : WM_NCRBUTTONDOWN)
                                               : (client ? WM_LBUTTONDOWN : WM_NCLBUTTONDOWN);
        msg = Item.Down ? base : base + 1;
        if (Item.Down) {
            const int dx = Item.Pt.X - st.LastClickPos.X, dy = Item.Pt.Y - st.LastClickPos.Y;
            bool dbl = !st.LastClickWasDouble && st.LastClickButton == Item.Button &&
                       st.LastClickWnd == target->Handle && ((st.LastClickHit == HTCLIENT) == client) &&
                       Item.TimeMs - st.LastClickTimeMs <= st.DoubleClickTime &&
                       std::abs(dx) <= Metric(SM_CXDOUBLECLK) / 2 && std::abs(dy) <= Metric(SM_CYDOUBLECLK) / 2;
            if (dbl && client && !(target->Class->Style & CS_DBLCLKS)) dbl = false;
            st.LastClickButton = Item.Button;
            st.LastClickWnd = target->Handle;
            st.LastClickTimeMs = Item.TimeMs;
            st.LastClickPos = Item.Pt;
            st.LastClickHit = client ? HTCLIENT : hit;
            st.LastClickWasDouble = dbl;
            if (dbl) msg = base + 2;
        }
    }
    Item.Msg.hwnd = target->Handle;
    Item.Msg.message = msg;
    if (client) {
        const TPoint o = ClientOriginScreen(target);
        Item.Msg.wParam = xbutton ? MAKEWPARAM(WORD(Item.MK), xbutton) : Item.MK;
        Item.Msg.lParam = PointToLParam(TPoint{Item.Pt.X - o.X, Item.Pt.Y - o.Y});
    } else {
        Item.Msg.wParam = xbutton ? MAKEWPARAM(WORD(hit), xbutton) : WPARAM(hit);
        Item.Msg.lParam = PointToLParam(Item.Pt);
    }
    Item.HitCode = client ? HTCLIENT : hit;
    Item.Kind = move ? QS_MOUSEMOVE : QS_MOUSEBUTTON;
    Item.Raw = rkNone;
    return handOver(target) ? -1 : 1;
}

bool ProcessMouseActivation(TQueued& Item) {
    if (!IsButtonDown(Item.Msg.message)) return true;
    TState& st = S();
    TWnd* w = Lookup(Item.Msg.hwnd);
    if (!w) return true;
    PWnd hold = Hold(w);
    TWnd* root = Root(w);
    bool eat = false;
    if (root && st.Active != root->Handle && !(root->ExStyle & WS_EX_NOACTIVATE) && !root->MessageOnly) {
        const LRESULT r = Send(w, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root->Handle),
                               MAKELPARAM(WORD(int16_t(Item.HitCode)), WORD(ClientEquivalent(Item.Msg.message))));
        if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0) && !root->Dead && !(root->Style & WS_DISABLED))
            ActivateInternal(root, WA_CLICKACTIVE);
        eat = r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT;
    }
    // A press inside an MDI child that is not the active one activates it.
    if (TWnd* w2 = Lookup(Item.Msg.hwnd)) {
        for (TWnd* p = w2; p && p != st.Desktop; p = p->Parent) {
            if (!(p->ExStyle & WS_EX_MDICHILD)) continue;
            TWnd* client = p->Parent;
            if (client && client->Mdi && client->Mdi->Active != p->Handle) Send(p, WM_CHILDACTIVATE, 0, 0);
            break;
        }
    }
    return !eat;
}

void SendSetCursor(const TQueued& Item) {
    TState& st = S();
    if (Lookup(st.Capture)) return;
    const UINT m = Item.Msg.message;
    if (!(m == WM_MOUSEMOVE || m == WM_NCMOUSEMOVE || IsButtonDown(m))) return;
    TWnd* w = Lookup(Item.Msg.hwnd);
    if (!w) return;
    Send(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w->Handle),
         MAKELPARAM(WORD(int16_t(Item.HitCode)), WORD(ClientEquivalent(m))));
}

void CheckHover(uint64_t NowMsValue) {
    TState& st = S();
    if (!st.TrackHover || NowMsValue < st.HoverStartMs + st.HoverTime) return;
    TWnd* w = Lookup(st.TrackHover);
    const bool nc = st.TrackHoverNC;
    st.TrackHover = nullptr;
    if (!w) return;
    if (nc) {
        PostTo(w->Queue, w->Handle, WM_NCMOUSEHOVER, WPARAM(st.MouseHit), PointToLParam(st.CursorPos));
    } else {
        const TPoint o = ClientOriginScreen(w);
        PostTo(w->Queue, w->Handle, WM_MOUSEHOVER, CurrentMK(),
               PointToLParam(TPoint{st.CursorPos.X - o.X, st.CursorPos.Y - o.Y}));
    }
}

}  // namespace win

using namespace win;

// ---------------------------------------------------------------------------
// Feeding

void FeedMouseMove(int32_t X, int32_t Y) {
    TLock l;
    MoveCursorTo(TPoint{X, Y});
}

void FeedMouseButton(TInputButton Button, bool Down, int32_t X, int32_t Y) {
    TLock l;
    TState& st = S();
    if (Button < mbLeftButton || Button > mbXButton2) return;
    MoveCursorTo(TPoint{X, Y});
    const int vk = ButtonVk(Button);
    ApplyKeyState(st.AsyncKeys, vk, Down);
    TQueued item;
    item.Raw = rkButton;
    item.Button = Button;
    item.Down = Down;
    item.Pt = st.CursorPos;
    item.MK = CurrentMK();
    item.TimeMs = NowMs();
    item.KeyVk = vk;
    item.KeyDown = Down;
    if (PQueue q = InputQueueFor(item))
        PostRawInput(q, item);
    else
        ApplyKeyState(st.SyncKeys, vk, Down);
}

void FeedMouseWheel(int32_t Delta, int32_t X, int32_t Y) {
    TLock l;
    TState& st = S();
    MoveCursorTo(TPoint{X, Y});
    TQueued item;
    item.Raw = rkWheel;
    item.Delta = std::clamp(Delta, -32768, 32767);
    item.Pt = st.CursorPos;
    item.MK = CurrentMK();
    item.TimeMs = NowMs();
    if (PQueue q = InputQueueFor(item)) PostRawInput(q, item);
}

void FeedKey(int VirtKey, bool Down) {
    TLock l;
    TState& st = S();
    const int vk = VirtKey & 0xFF;
    if (!vk) return;
    const bool prevDown = (st.AsyncKeys[vk] & 0x80) != 0;
    ApplyKeyState(st.AsyncKeys, vk, Down);
    bool ext = false;
    const int scan = ScanCode(vk, &ext);
    const bool alt = (st.AsyncKeys[VK_MENU] & 0x80) && !(st.AsyncKeys[VK_CONTROL] & 0x80);
    LPARAM data = 1 | (LPARAM(scan & 0xFF) << 16) | (ext ? LPARAM(1) << 24 : 0) | (alt ? LPARAM(1) << 29 : 0);
    if (Down) {
        if (prevDown) data |= LPARAM(1) << 30;
    } else {
        data |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    }
    data = LPARAM(int32_t(uint32_t(data)));
    TQueued item;
    item.Raw = rkKey;
    item.Vk = vk;
    item.Down = Down;
    item.KeyData = data;
    item.Pt = st.CursorPos;
    item.TimeMs = NowMs();
    item.KeyVk = vk;
    item.KeyDown = Down;
    if (PQueue q = InputQueueFor(item))
        PostRawInput(q, item);
    else
        ApplyKeyState(st.SyncKeys, vk, Down);
}

void FeedChar(uint32_t CodePoint) {
    TLock l;
    TState& st = S();
    if (CodePoint > 0x10FFFF) return;
    TQueued item;
    item.Raw = rkChar;
    item.Char = CodePoint;
    item.Pt = st.CursorPos;
    item.TimeMs = NowMs();
    if (PQueue q = InputQueueFor(item)) PostRawInput(q, item);
}

// ---------------------------------------------------------------------------
// Key state and translation

SHORT GetKeyState(int VirtKey) {
    TLock l;
    const BYTE b = S().SyncKeys[VirtKey & 0xFF];
    return SHORT(((b & 0x80) ? 0x8000 : 0) | (b & 1));
}

SHORT GetAsyncKeyState(int VirtKey) {
    TLock l;
    const BYTE b = S().AsyncKeys[VirtKey & 0xFF];
    return SHORT((b & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* KeyState) {
    if (!KeyState) return FALSE;
    TLock l;
    std::copy(S().SyncKeys, S().SyncKeys + 256, KeyState);
    return TRUE;
}

BOOL SetKeyboardState(const BYTE* KeyState) {
    if (!KeyState) return FALSE;
    TLock l;
    std::copy(KeyState, KeyState + 256, S().SyncKeys);
    return TRUE;
}

UINT MapVirtualKey(UINT Code, UINT MapType) {
    switch (MapType) {
        case MAPVK_VK_TO_VSC: {
            bool ext = false;
            return UINT(ScanCode(int(Code & 0xFF), &ext));
        }
        case MAPVK_VSC_TO_VK:
            for (int vk = 1; vk < 256; ++vk) {
                bool ext = false;
                if (ScanCode(vk, &ext) == int(Code) && !ext && vk != VK_CONTROL && vk != VK_SHIFT && vk != VK_MENU)
                    return UINT(vk);
            }
            return 0;
        case MAPVK_VK_TO_CHAR: {
            BYTE none[256] = {};
            return VirtualKeyToChar(int(Code & 0xFF), none);
        }
        default: return 0;
    }
}

uint32_t VirtualKeyToChar(int Vk, const BYTE* Keys) {
    static const BYTE empty[256] = {};
    if (!Keys) Keys = empty;
    const bool shift = (Keys[VK_SHIFT] & 0x80) != 0;
    const bool caps = (Keys[VK_CAPITAL] & 1) != 0;
    const bool ctrl = (Keys[VK_CONTROL] & 0x80) != 0;
    const bool alt = (Keys[VK_MENU] & 0x80) != 0;
    const bool numlock = (Keys[VK_NUMLOCK] & 1) != 0;
    if (ctrl && !alt) {
        if (Vk >= 'A' && Vk <= 'Z') return uint32_t(Vk - 'A' + 1);
        switch (Vk) {
            case VK_OEM_4: return 27;
            case VK_OEM_5: return 28;
            case VK_OEM_6: return 29;
            case VK_RETURN: return 10;
            case VK_BACK: return 127;
            case VK_SPACE: return ' ';
            case VK_ESCAPE: return 27;
            case VK_TAB: return 0;
            default: return 0;
        }
    }
    if (Vk >= 'A' && Vk <= 'Z') return uint32_t((shift != caps) ? Vk : Vk - 'A' + 'a');
    if (Vk >= '0' && Vk <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? uint32_t(shifted[Vk - '0']) : uint32_t(Vk);
    }
    if (Vk >= VK_NUMPAD0 && Vk <= VK_NUMPAD9) return numlock ? uint32_t('0' + (Vk - VK_NUMPAD0)) : 0;
    struct TOem {
        int Vk;
        char Plain, Shifted;
    };
    static const TOem oem[] = {{VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'},
                               {VK_OEM_MINUS, '-', '_'},  {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
                               {VK_OEM_3, '`', '~'},      {VK_OEM_4, '[', '{'},    {VK_OEM_5, '\\', '|'},
                               {VK_OEM_6, ']', '}'},      {VK_OEM_7, '\'', '"'}};
    for (const TOem& o : oem)
        if (o.Vk == Vk) return uint32_t(uint8_t(shift ? o.Shifted : o.Plain));
    switch (Vk) {
        case VK_SPACE: return ' ';
        case VK_RETURN: return '\r';
        case VK_BACK: return 8;
        case VK_TAB: return 9;
        case VK_ESCAPE: return 27;
        case VK_MULTIPLY: return '*';
        case VK_ADD: return '+';
        case VK_SUBTRACT: return '-';
        case VK_DIVIDE: return '/';
        case VK_DECIMAL: return numlock ? '.' : 0;
        default: return 0;
    }
}

BOOL TranslateMessage(const MSG* Msg) {
    if (!Msg) return FALSE;
    const UINT m = Msg->message;
    if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP) return FALSE;
    if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
    TLock l;
    TState& st = S();
    BYTE keys[256];
    std::copy(st.SyncKeys, st.SyncKeys + 256, keys);
    if (m == WM_SYSKEYDOWN) keys[VK_MENU] &= BYTE(~0x80);  // Alt+key gives the key's own character
    const uint32_t ch = VirtualKeyToChar(int(Msg->wParam & 0xFF), keys);
    if (!ch) return TRUE;
    PQueue q = QueueForCurrentThread();
    TQueued item;
    item.Msg.hwnd = Msg->hwnd;
    item.Msg.message = m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    item.Msg.wParam = ch;
    item.Msg.lParam = Msg->lParam;
    item.Msg.time = Msg->time;
    item.Msg.pt = Msg->pt;
    item.Seq = q->LastSeq;
    item.Kind = QS_KEY;
    q->Posted.push_front(item);
    NotifyQueue(*q);
    return TRUE;
}

// ---------------------------------------------------------------------------
// Cursor

BOOL GetCursorPos(TPoint* Point) {
    if (!Point) return FALSE;
    TLock l;
    *Point = S().CursorPos;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
    TLock l;
    MoveCursorTo(TPoint{X, Y});
    Backend().CursorMoved(S().CursorPos);
    return TRUE;
}

BOOL ClipCursor(const TRect* Rect) {
    TLock l;
    TState& st = S();
    if (!Rect) {
        st.HasClip = false;
        Backend().CursorClipChanged(nullptr);
        return TRUE;
    }
    TRect r = *Rect;
    if (r.Right < r.Left) std::swap(r.Left, r.Right);
    if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
    r.Left = std::clamp(r.Left, 0, st.ScreenW - 1);
    r.Top = std::clamp(r.Top, 0, st.ScreenH - 1);
    r.Right = std::clamp(r.Right, r.Left + 1, st.ScreenW);
    r.Bottom = std::clamp(r.Bottom, r.Top + 1, st.ScreenH);
    st.Clip = r;
    st.HasClip = true;
    Backend().CursorClipChanged(&st.Clip);
    MoveCursorTo(st.CursorPos);
    return TRUE;
}

BOOL GetClipCursor(TRect* Rect) {
    if (!Rect) return FALSE;
    TLock l;
    TState& st = S();
    *Rect = st.HasClip ? st.Clip : TRect{0, 0, st.ScreenW, st.ScreenH};
    return TRUE;
}

HCURSOR SetCursor(HCURSOR Cursor) {
    TLock l;
    TState& st = S();
    const HCURSOR old = st.Cursor;
    if (Cursor && !IconAlive(Cursor)) return old;
    if (old != Cursor) {
        st.Cursor = Cursor;
        Backend().CursorChanged(Cursor);
    }
    return old;
}

HCURSOR GetCursor() {
    TLock l;
    return S().Cursor;
}

int ShowCursor(BOOL Show) {
    TLock l;
    TState& st = S();
    st.CursorShowCount += Show ? 1 : -1;
    return st.CursorShowCount;
}

UINT GetDoubleClickTime() {
    TLock l;
    return S().DoubleClickTime;
}

BOOL SetDoubleClickTime(UINT Ms) {
    TLock l;
    S().DoubleClickTime = Ms ? std::min<UINT>(Ms, 5000) : 500;
    return TRUE;
}

BOOL SwapMouseButton(BOOL Swap) {
    TLock l;
    const BOOL old = S().SwapButtons ? TRUE : FALSE;
    S().SwapButtons = Swap != FALSE;
    return old;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* Track) {
    if (!Track || Track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    TLock l;
    TState& st = S();
    if (Track->dwFlags & TME_QUERY) {
        Track->dwFlags = 0;
        Track->hwndTrack = nullptr;
        if (st.TrackLeave) {
            Track->dwFlags |= TME_LEAVE | (st.TrackLeaveNC ? TME_NONCLIENT : 0);
            Track->hwndTrack = st.TrackLeave;
        }
        if (st.TrackHover) {
            Track->dwFlags |= TME_HOVER | (st.TrackHoverNC ? TME_NONCLIENT : 0);
            Track->hwndTrack = st.TrackHover;
            Track->dwHoverTime = st.HoverTime;
        }
        return TRUE;
    }
    TWnd* w = Lookup(Track->hwndTrack);
    if (!w) {
        FailWith(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool nc = (Track->dwFlags & TME_NONCLIENT) != 0;
    if (Track->dwFlags & TME_CANCEL) {
        if ((Track->dwFlags & TME_LEAVE) && st.TrackLeave == w->Handle) st.TrackLeave = nullptr;
        if ((Track->dwFlags & TME_HOVER) && st.TrackHover == w->Handle) st.TrackHover = nullptr;
        return TRUE;
    }
    const bool over = st.MouseWnd == w->Handle && ((st.MouseHit == HTCLIENT) != nc);
    if (Track->dwFlags & TME_LEAVE) {
        if (!over) {
            PostTo(w->Queue, w->Handle, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
        } else {
            st.TrackLeave = w->Handle;
            st.TrackLeaveNC = nc;
        }
    }
    if ((Track->dwFlags & TME_HOVER) && over) {
        st.TrackHover = w->Handle;
        st.TrackHoverNC = nc;
        st.HoverTime = Track->dwHoverTime == HOVER_DEFAULT ? 400 : std::max<DWORD>(Track->dwHoverTime, 1);
        st.HoverStartMs = NowMs();
        EnsureTimerClock();
        NotifyQueue(*w->Queue);
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// Window from point

HWND WindowFromPoint(TPoint Point) {
    TLock l;
    // Windows of other threads answer with the default hit test.
    const THit h = HitTestAt(Point, false);
    return h.W ? h.W->Handle : S().Desktop->Handle;
}

HWND ChildWindowFromPointEx(HWND Parent, TPoint Point, UINT Flags) {
    TLock l;
    TWnd* p = LookupAny(Parent);
    if (!p) return nullptr;
    if (!TRect{0, 0, p->Client.Width(), p->Client.Height()}.Contains(Point)) return nullptr;
    for (TWnd* c : p->Children) {
        if ((Flags & CWP_SKIPINVISIBLE) && !(c->Style & WS_VISIBLE)) continue;
        if ((Flags & CWP_SKIPDISABLED) && (c->Style & WS_DISABLED)) continue;
        if ((Flags & CWP_SKIPTRANSPARENT) && (c->ExStyle & WS_EX_TRANSPARENT)) continue;
        if (c->Rect.Contains(Point)) return c->Handle;
    }
    return Parent;
}

HWND ChildWindowFromPoint(HWND Parent, TPoint Point) { return ChildWindowFromPointEx(Parent, Point, CWP_ALL); }

}  // namespace vcl
