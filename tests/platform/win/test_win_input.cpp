// Activation, focus, capture, the cursor and its clip, the fed input path,
// double clicks, keys, and the modal size/move and caption-button loops.
#include "test_win_support.h"

using namespace wintest;

namespace {

class WinInput : public TWinTest {};

TEST_F(WinInput, ActivationByApiAndByClick) {
    HWND a = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 200, 150), nullptr, "A");
    HWND b = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(300, 0, 200, 150), nullptr, "B");
    ASSERT_EQ(GetActiveWindow(), b);
    Log().clear();
    EXPECT_EQ(SetActiveWindow(a), b);
    const TLogged* act = Find(a, WM_ACTIVATE);
    ASSERT_NE(act, nullptr);
    EXPECT_EQ(LOWORD(act->WParam), WA_ACTIVE);
    EXPECT_EQ(reinterpret_cast<HWND>(act->LParam), b);
    EXPECT_EQ(LOWORD(Find(b, WM_ACTIVATE)->WParam), WA_INACTIVE);
    EXPECT_EQ(reinterpret_cast<HWND>(Find(b, WM_ACTIVATE)->LParam), a);
    EXPECT_EQ(Find(b, WM_NCACTIVATE)->WParam, WPARAM(FALSE));
    EXPECT_EQ(Find(a, WM_NCACTIVATE)->WParam, WPARAM(TRUE));
    EXPECT_EQ(Count(a, WM_ACTIVATEAPP), 0u) << "the application stayed active";
    EXPECT_EQ(GetFocus(), a);
    // A click in b's client area activates it with WA_CLICKACTIVE.
    Log().clear();
    FeedMouseButton(mbLeftButton, true, 350, 80);
    FeedMouseButton(mbLeftButton, false, 350, 80);
    Pump();
    EXPECT_EQ(GetActiveWindow(), b);
    const ptrdiff_t mouseAct = IndexOf(b, WM_MOUSEACTIVATE), activate = IndexOf(b, WM_ACTIVATE),
                    down = IndexOf(b, WM_LBUTTONDOWN);
    ASSERT_GE(mouseAct, 0);
    EXPECT_LT(mouseAct, activate);
    EXPECT_LT(activate, down);
    EXPECT_EQ(LOWORD(Find(b, WM_ACTIVATE)->WParam), WA_CLICKACTIVE);
    EXPECT_EQ(reinterpret_cast<HWND>(Find(b, WM_ACTIVATE)->LParam), a);
    const TLogged* ma = Find(b, WM_MOUSEACTIVATE);
    EXPECT_EQ(reinterpret_cast<HWND>(ma->WParam), b);
    EXPECT_EQ(LOWORD(uintptr_t(ma->LParam)), HTCLIENT);
    EXPECT_EQ(HIWORD(uintptr_t(ma->LParam)), WM_LBUTTONDOWN);
    // A second click into the active window does not ask again.
    Log().clear();
    FeedMouseButton(mbLeftButton, true, 350, 80);
    FeedMouseButton(mbLeftButton, false, 350, 80);
    Pump();
    EXPECT_EQ(Count(b, WM_MOUSEACTIVATE), 0u);
}

struct TMouseActCase {
    LRESULT Answer;
    bool Activates;
    bool Delivered;
};

class WinMouseActivate : public TWinTest, public ::testing::WithParamInterface<TMouseActCase> {};

TEST_P(WinMouseActivate, AnswerDecides) {
    const TMouseActCase c = GetParam();
    HWND a = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 200, 150));
    HWND b = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(300, 0, 200, 150));
    SetActiveWindow(a);
    SetHandler(b, [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_MOUSEACTIVATE) return false;
        r = c.Answer;
        return true;
    });
    Log().clear();
    FeedMouseButton(mbLeftButton, true, 350, 80);
    Pump();
    EXPECT_EQ(GetActiveWindow() == b, c.Activates);
    EXPECT_EQ(Count(b, WM_LBUTTONDOWN) == 1, c.Delivered);
}

INSTANTIATE_TEST_SUITE_P(Answers, WinMouseActivate,
                         ::testing::Values(TMouseActCase{MA_ACTIVATE, true, true},
                                           TMouseActCase{MA_ACTIVATEANDEAT, true, false},
                                           TMouseActCase{MA_NOACTIVATE, false, true},
                                           TMouseActCase{MA_NOACTIVATEANDEAT, false, false}));

TEST_F(WinInput, ActivateAppWhenTheApplicationComesAndGoes) {
    HWND a = MakeWindow(WS_OVERLAPPEDWINDOW, 0, Bounds(0, 0, 100, 100));
    HWND b = MakeWindow(WS_OVERLAPPEDWINDOW, 0, Bounds(0, 0, 100, 100));
    ShowWindow(a, SW_SHOWNA);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    Log().clear();
    SetActiveWindow(a);
    EXPECT_EQ(Find(a, WM_ACTIVATEAPP)->WParam, WPARAM(TRUE));
    EXPECT_EQ(Find(b, WM_ACTIVATEAPP)->WParam, WPARAM(TRUE)) << "every top-level window hears it";
    Log().clear();
    SetActiveWindow(nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(Find(a, WM_ACTIVATEAPP)->WParam, WPARAM(FALSE));
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WinInput, FocusMessagesNameTheOtherWindow) {
    HWND top = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 300, 200));
    HWND c1 = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 50, 50), top);
    HWND c2 = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(60, 0, 50, 50), top);
    EXPECT_EQ(SetFocus(c1), top);
    Log().clear();
    EXPECT_EQ(SetFocus(c2), c1);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].Wnd, c1);
    EXPECT_EQ(Log()[0].Msg, WM_KILLFOCUS);
    EXPECT_EQ(reinterpret_cast<HWND>(Log()[0].WParam), c2);
    EXPECT_EQ(Log()[1].Wnd, c2);
    EXPECT_EQ(Log()[1].Msg, WM_SETFOCUS);
    EXPECT_EQ(reinterpret_cast<HWND>(Log()[1].WParam), c1);
    // Focus in an inactive window's child activates that window first.
    HWND other = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(400, 0, 200, 200));
    ASSERT_EQ(GetActiveWindow(), other);
    EXPECT_EQ(SetFocus(c1), other);
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), c1);
    // Hiding the focused child hands the focus to its parent; destroying
    // one loses it.
    ShowWindow(c1, SW_HIDE);
    EXPECT_EQ(GetFocus(), top);
    SetFocus(c2);
    DestroyWindow(c2);
    EXPECT_EQ(GetFocus(), nullptr);
    // A child of a minimized window cannot take the focus.
    ShowWindow(c1, SW_SHOW);
    ShowWindow(top, SW_MINIMIZE);
    EXPECT_EQ(SetFocus(c1), nullptr);
}

TEST_F(WinInput, CaptureGetsTheMouseEverywhere) {
    HWND top = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(100, 100, 200, 200));
    HWND c = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(10, 10, 50, 50), top);
    HWND other = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(500, 100, 100, 100));
    EXPECT_EQ(SetCapture(c), nullptr);
    EXPECT_EQ(GetCapture(), c);
    Log().clear();
    FeedMouseMove(550, 150);  // over another window
    Pump();
    FeedMouseButton(mbLeftButton, true, 90, 95);  // over the desktop
    Pump();
    EXPECT_EQ(Count(other, WM_MOUSEMOVE), 0u);
    const TLogged* mv = Find(c, WM_MOUSEMOVE);
    ASSERT_NE(mv, nullptr);
    EXPECT_EQ(LParamToPoint(mv->LParam), (TPoint{440, 40}));
    const TLogged* dn = Find(c, WM_LBUTTONDOWN);
    ASSERT_NE(dn, nullptr);
    EXPECT_EQ(LParamToPoint(dn->LParam), (TPoint{-20, -15})) << "negative client coordinates";
    EXPECT_EQ(dn->WParam & MK_LBUTTON, MK_LBUTTON);
    Log().clear();
    EXPECT_EQ(SetCapture(top), c);
    EXPECT_EQ(reinterpret_cast<HWND>(Find(c, WM_CAPTURECHANGED)->LParam), top);
    Log().clear();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Find(top, WM_CAPTURECHANGED)->LParam, 0);
    FeedMouseButton(mbLeftButton, false, 90, 95);
}

struct TClipCase {
    TPoint Asked;
    TPoint Got;
};

TEST_F(WinInput, ClipCursorKeepsThePointerInside) {
    const TRect clip{100, 50, 200, 150};
    ASSERT_TRUE(ClipCursor(&clip));
    TRect got;
    GetClipCursor(&got);
    EXPECT_EQ(got, clip);
    for (TClipCase c : {TClipCase{{150, 100}, {150, 100}}, TClipCase{{0, 0}, {100, 50}},
                        TClipCase{{200, 150}, {199, 149}}, TClipCase{{500, 100}, {199, 100}},
                        TClipCase{{99, 149}, {100, 149}}, TClipCase{{-5, 1000}, {100, 149}}}) {
        SetCursorPos(c.Asked.X, c.Asked.Y);
        TPoint p;
        GetCursorPos(&p);
        EXPECT_EQ(p, c.Got) << c.Asked.X << "," << c.Asked.Y;
        FeedMouseMove(c.Asked.X, c.Asked.Y);
        GetCursorPos(&p);
        EXPECT_EQ(p, c.Got);
    }
    // A clip partly off the screen is cut to it; the pointer moves in.
    const TRect wide{1000, 700, 2000, 900};
    ClipCursor(&wide);
    GetClipCursor(&got);
    EXPECT_EQ(got, (TRect{1000, 700, 1024, 768}));
    TPoint p;
    GetCursorPos(&p);
    EXPECT_EQ(p, (TPoint{1000, 700}));
    ClipCursor(nullptr);
    GetClipCursor(&got);
    EXPECT_EQ(got, (TRect{0, 0, 1024, 768}));
    SetCursorPos(5, 6);
    GetCursorPos(&p);
    EXPECT_EQ(p, (TPoint{5, 6}));
}

TEST_F(WinInput, ClicksReachTheChildUnderThePointer) {
    HWND top = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    HWND child = MakeWindow(WS_CHILD | WS_VISIBLE | WS_BORDER, 0, Bounds(20, 30, 100, 80), top);
    HWND inner = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(5, 5, 20, 20), child);
    Log().clear();
    // child client origin: 100+4+20+1 = 125, 100+22+30+1 = 153
    FeedMouseButton(mbRightButton, true, 160, 170);
    FeedMouseButton(mbRightButton, false, 160, 170);
    FeedMouseButton(mbLeftButton, true, 135, 163);  // inside inner
    FeedKey(VK_SHIFT, true);
    FeedMouseMove(136, 164);
    FeedKey(VK_SHIFT, false);
    Pump();
    const TLogged* rd = Find(child, WM_RBUTTONDOWN);
    ASSERT_NE(rd, nullptr);
    EXPECT_EQ(LParamToPoint(rd->LParam), (TPoint{35, 17}));
    EXPECT_EQ(rd->WParam, MK_RBUTTON);
    EXPECT_NE(Find(child, WM_CONTEXTMENU), nullptr) << "DefWindowProc turns the right click into WM_CONTEXTMENU";
    const TLogged* ld = Find(inner, WM_LBUTTONDOWN);
    ASSERT_NE(ld, nullptr);
    EXPECT_EQ(LParamToPoint(ld->LParam), (TPoint{5, 5}));
    ASSERT_EQ(Count(inner, WM_MOUSEMOVE), 2u);  // the press moved the pointer there first
    EXPECT_EQ(Find(inner, WM_MOUSEMOVE, 0)->WParam, 0u);
    EXPECT_EQ(Find(inner, WM_MOUSEMOVE, 1)->WParam, MK_LBUTTON | MK_SHIFT);
    FeedMouseButton(mbLeftButton, false, 136, 164);
    // The frame: non-client messages with the hit code and screen points.
    Log().clear();
    FeedMouseMove(100, 200);
    Pump();  // (unread moves are merged)
    FeedMouseMove(250, 110);
    Pump();
    const TLogged* l = Find(top, WM_NCMOUSEMOVE);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->WParam, WPARAM(HTLEFT));
    EXPECT_EQ(LParamToPoint(l->LParam), (TPoint{100, 200}));
    EXPECT_EQ(Find(top, WM_NCMOUSEMOVE, 1)->WParam, WPARAM(HTCAPTION));
}

TEST_F(WinInput, TransparentAndDisabledWindowsPassClicksOn) {
    HWND top = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 300, 200));
    HWND below = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 100, 100), top);
    HWND glass = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 100, 100), top);  // on top of below
    HWND off = MakeWindow(WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, Bounds(150, 0, 100, 100), top);
    SetHandler(glass, [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_NCHITTEST) return false;
        r = HTTRANSPARENT;
        return true;
    });
    Log().clear();
    FeedMouseButton(mbLeftButton, true, 10, 10);
    FeedMouseButton(mbLeftButton, false, 10, 10);
    FeedMouseButton(mbLeftButton, true, 160, 10);
    FeedMouseButton(mbLeftButton, false, 160, 10);
    Pump();
    EXPECT_EQ(Count(glass, WM_LBUTTONDOWN), 0u);
    EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 1u);
    EXPECT_EQ(Count(off, WM_LBUTTONDOWN), 0u);
    const TLogged* d = Find(top, WM_LBUTTONDOWN);
    ASSERT_NE(d, nullptr) << "the parent gets a disabled child's click";
    EXPECT_EQ(LParamToPoint(d->LParam), (TPoint{160, 10}));
    // A disabled top-level window gets no click, only WM_SETCURSOR with HTERROR.
    EnableWindow(top, FALSE);
    Log().clear();
    const uint32_t beeps = MessageBeepCount();
    FeedMouseButton(mbLeftButton, true, 200, 150);
    FeedMouseButton(mbLeftButton, false, 200, 150);
    Pump();
    EXPECT_EQ(Count(top, WM_LBUTTONDOWN), 0u);
    ASSERT_NE(Find(top, WM_SETCURSOR), nullptr);
    EXPECT_EQ(short(LOWORD(uintptr_t(Find(top, WM_SETCURSOR)->LParam))), HTERROR);
    EXPECT_EQ(MessageBeepCount(), beeps + 1);
}

struct TDblCase {
    const char* Name;
    const char* Class;
    uint64_t PauseMs;
    int MoveX;
    UINT Second;
};

class WinDoubleClick : public TWinTest, public ::testing::WithParamInterface<TDblCase> {};

TEST_P(WinDoubleClick, SecondPress) {
    const TDblCase c = GetParam();
    Clock::UseVirtualTime(true);
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 200, 200), nullptr, "", c.Class);
    Log().clear();
    FeedMouseButton(mbLeftButton, true, 50, 50);
    FeedMouseButton(mbLeftButton, false, 50, 50);
    Pump();
    Clock::Advance(c.PauseMs * 1000000);
    FeedMouseButton(mbLeftButton, true, 50 + c.MoveX, 50);
    FeedMouseButton(mbLeftButton, false, 50 + c.MoveX, 50);
    Pump();
    const auto downs = MessagesOf(h, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0], WM_LBUTTONDOWN);
    EXPECT_EQ(downs[1], c.Second);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WinDoubleClick,
    ::testing::Values(TDblCase{"Quick", "WinTestLog", 100, 0, WM_LBUTTONDBLCLK},
                      TDblCase{"AtTheLimit", "WinTestLog", 500, 2, WM_LBUTTONDBLCLK},
                      TDblCase{"TooSlow", "WinTestLog", 501, 0, WM_LBUTTONDOWN},
                      TDblCase{"TooFar", "WinTestLog", 100, 3, WM_LBUTTONDOWN},
                      TDblCase{"ClassWithoutDblClks", "WinTestPlain", 100, 0, WM_LBUTTONDOWN}),
    [](const ::testing::TestParamInfo<TDblCase>& I) { return std::string(I.param.Name); });

TEST_F(WinInput, KeysGoToTheFocusOrTheActiveWindow) {
    HWND top = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 300, 200));
    HWND edit = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 50, 50), top);
    SetFocus(edit);
    Log().clear();
    FeedKey('X', true);
    EXPECT_TRUE(GetAsyncKeyState('X') & 0x8000);
    EXPECT_FALSE(GetKeyState('X') & 0x8000) << "the state follows the messages read";
    FeedKey('X', true);  // auto-repeat
    FeedKey('X', false);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, edit);
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(m.wParam, WPARAM('X'));
    EXPECT_EQ(m.lParam & 0xFFFF, 1);
    EXPECT_EQ((m.lParam >> 16) & 0xFF, 45) << "the scan code of X";
    EXPECT_FALSE(m.lParam & (LPARAM(1) << 30));
    EXPECT_TRUE(GetKeyState('X') & 0x8000);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_TRUE(m.lParam & (LPARAM(1) << 30)) << "the repeat shows the key was down";
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYUP);
    EXPECT_TRUE(uint32_t(m.lParam) & (1u << 31));
    EXPECT_FALSE(GetKeyState('X') & 0x8000);
    // Alt makes system keys.
    FeedKey(VK_MENU, true);
    FeedKey('F', true);
    FeedKey('F', false);
    FeedKey(VK_MENU, false);
    Log().clear();
    Pump();
    EXPECT_EQ(MessagesOf(edit, {WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP, WM_SYSCHAR}),
              (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_SYSKEYUP}));
    EXPECT_EQ(Find(edit, WM_SYSCHAR)->WParam, WPARAM('f'));
    // Without a focus window the active window gets WM_SYSKEYDOWN.
    SetFocus(nullptr);
    Log().clear();
    FeedKey(VK_F2, true);
    FeedKey(VK_F2, false);
    Pump();
    EXPECT_EQ(MessagesOf(top, {WM_KEYDOWN, WM_SYSKEYDOWN}), (std::vector<UINT>{WM_SYSKEYDOWN}));
    // Typed characters.
    SetFocus(edit);
    Log().clear();
    FeedChar(0x20AC);
    Pump();
    ASSERT_NE(Find(edit, WM_CHAR), nullptr);
    EXPECT_EQ(Find(edit, WM_CHAR)->WParam, 0x20ACu);
    // Alt+F4 closes the top-level window.
    FeedKey(VK_MENU, true);
    FeedKey(VK_F4, true);
    FeedKey(VK_F4, false);
    FeedKey(VK_MENU, false);
    Pump();
    EXPECT_FALSE(IsWindow(top));
}

TEST_F(WinInput, CursorShapeFromWmSetCursor) {
    HWND top = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    Log().clear();
    FeedMouseMove(200, 200);
    Pump();
    const TLogged* sc = Find(top, WM_SETCURSOR);
    ASSERT_NE(sc, nullptr);
    EXPECT_EQ(LOWORD(uintptr_t(sc->LParam)), HTCLIENT);
    EXPECT_EQ(HIWORD(uintptr_t(sc->LParam)), WM_MOUSEMOVE);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_IBEAM)) << "the class cursor";
    FeedMouseMove(101, 200);
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZEWE));
    FeedMouseMove(398, 298);
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZENWSE));
    FeedMouseMove(200, 110);
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
    // A handler that sets its own cursor wins.
    HCURSOR cross = LoadCursor(nullptr, IDC_CROSS);
    SetHandler(top, [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_SETCURSOR) return false;
        SetCursor(cross);
        r = TRUE;
        return true;
    });
    FeedMouseMove(200, 200);
    Pump();
    EXPECT_EQ(GetCursor(), cross);
    EXPECT_EQ(LoadCursor(nullptr, IDC_CROSS), cross) << "the predefined cursors are shared";
    EXPECT_EQ(LoadCursor(nullptr, "NoSuchCursor"), nullptr);
}

TEST_F(WinInput, WheelGoesToTheFocusAndUpToTheParent) {
    HWND top = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 300, 200));
    HWND c = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 50, 50), top);
    SetFocus(c);
    Log().clear();
    FeedMouseWheel(-240, 250, 150);
    Pump();
    const TLogged* w = Find(c, WM_MOUSEWHEEL);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(w->WParam), -240);
    EXPECT_EQ(LParamToPoint(w->LParam), (TPoint{250, 150}));
    EXPECT_NE(Find(top, WM_MOUSEWHEEL), nullptr);
}

TEST_F(WinInput, MouseLeaveIsPostedOnce) {
    HWND top = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 300, 200));
    HWND c = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(10, 10, 50, 50), top);
    FeedMouseMove(20, 20);
    Pump();
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_LEAVE;
    t.hwndTrack = c;
    ASSERT_TRUE(TrackMouseEvent(&t));
    Log().clear();
    for (TPoint p : {TPoint{30, 30}, TPoint{100, 100}, TPoint{20, 20}, TPoint{101, 101}}) {
        FeedMouseMove(p.X, p.Y);
        Pump();
    }
    EXPECT_EQ(Count(c, WM_MOUSELEAVE), 1u);
    // Asked while the pointer is elsewhere, the leave comes at once.
    t.hwndTrack = c;
    TrackMouseEvent(&t);
    Pump();
    EXPECT_EQ(Count(c, WM_MOUSELEAVE), 2u);
}

// --- The modal loops -----------------------------------------------------

TEST_F(WinInput, DraggingTheCaptionMovesTheWindow) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    std::vector<TRect> moving;
    SetHandler(h, [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_MOVING) moving.push_back(*reinterpret_cast<TRect*>(lp));
        return false;
    });
    Log().clear();
    FeedMouseButton(mbLeftButton, true, 200, 110);
    FeedMouseMove(210, 130);
    FeedMouseMove(230, 150);
    FeedMouseButton(mbLeftButton, false, 230, 150);
    Pump();
    TRect r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, Bounds(130, 140, 300, 200));
    EXPECT_NE(Find(h, WM_NCLBUTTONDOWN), nullptr);
    const ptrdiff_t enter = IndexOf(h, WM_ENTERSIZEMOVE), exit = IndexOf(h, WM_EXITSIZEMOVE);
    ASSERT_GE(enter, 0);
    EXPECT_LT(enter, IndexOf(h, WM_MOVING));
    EXPECT_LT(IndexOf(h, WM_MOVE), exit);
    EXPECT_EQ(IndexOf(h, WM_GETMINMAXINFO) < enter, true);
    ASSERT_FALSE(moving.empty());
    EXPECT_EQ(moving.back(), Bounds(130, 140, 300, 200));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WinInput, SizingHonoursTrackSizesAndTheSizingHandler) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 400, 200));
    std::vector<std::pair<UINT, TRect>> sizing;
    SetHandler(h, [&](HWND, UINT m, WPARAM wp, LPARAM lp, LRESULT&) {
        if (m == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize.X = 300;
        if (m == WM_SIZING) {
            auto* r = reinterpret_cast<TRect*>(lp);
            sizing.emplace_back(UINT(wp), *r);
            r->Bottom = r->Top + 250;  // the handler changes the rectangle
        }
        return false;
    });
    // Drag the right border (x 498) to the left by 250: stops at 300 wide.
    FeedMouseButton(mbLeftButton, true, 498, 200);
    FeedMouseMove(350, 200);
    FeedMouseMove(248, 200);
    FeedMouseButton(mbLeftButton, false, 248, 200);
    Pump();
    ASSERT_FALSE(sizing.empty());
    for (auto& [edge, rect] : sizing) {
        EXPECT_EQ(edge, WMSZ_RIGHT);
        EXPECT_GE(rect.Width(), 300);
        EXPECT_EQ(rect.Left, 100);
    }
    TRect r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, Bounds(100, 100, 300, 250));
}

TEST_F(WinInput, EscapeCancelsADrag) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    FeedMouseButton(mbLeftButton, true, 200, 110);
    FeedMouseMove(260, 170);
    FeedKey(VK_ESCAPE, true);
    FeedKey(VK_ESCAPE, false);
    FeedMouseButton(mbLeftButton, false, 260, 170);
    Pump();
    TRect r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, Bounds(100, 100, 300, 200));
}

struct TButtonCase {
    const char* Name;
    int DX;        // from the window's right edge to the pressed point
    int ReleaseDX; // where the button is let go
    int Expect;    // 0 nothing, 1 closed, 2 maximized, 3 minimized
};

class WinCaptionButtons : public TWinTest, public ::testing::WithParamInterface<TButtonCase> {};

TEST_P(WinCaptionButtons, PressAndRelease) {
    const TButtonCase c = GetParam();
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    const int y = 100 + 4 + 8;  // the middle of the buttons
    FeedMouseButton(mbLeftButton, true, 400 - c.DX, y);
    FeedMouseMove(400 - c.ReleaseDX, y);
    FeedMouseButton(mbLeftButton, false, 400 - c.ReleaseDX, y);
    Pump();
    switch (c.Expect) {
        case 0:
            EXPECT_TRUE(IsWindow(h));
            EXPECT_FALSE(IsZoomed(h));
            EXPECT_FALSE(IsIconic(h));
            break;
        case 1: EXPECT_FALSE(IsWindow(h)); break;
        case 2: EXPECT_TRUE(IsZoomed(h)); break;
        case 3: EXPECT_TRUE(IsIconic(h)); break;
    }
}

// Buttons (window coordinates, width 300): close 278..294, max 260..276, min 244..260.
INSTANTIATE_TEST_SUITE_P(Buttons, WinCaptionButtons,
                         ::testing::Values(TButtonCase{"Close", 12, 12, 1}, TButtonCase{"Maximize", 30, 30, 2},
                                           TButtonCase{"Minimize", 46, 46, 3},
                                           TButtonCase{"CloseReleasedElsewhere", 12, 150, 0}),
                         [](const ::testing::TestParamInfo<TButtonCase>& I) { return std::string(I.param.Name); });

TEST_F(WinInput, ACaptionButtonPressedButNotReleasedDoesNothing) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    FeedMouseButton(mbLeftButton, true, 388, 112);  // the close button; the input ends there
    Pump();
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(GetCapture(), nullptr);
    FeedMouseButton(mbLeftButton, false, 388, 112);
    Pump();
    EXPECT_TRUE(IsWindow(h)) << "a release without its press does not close";
}

TEST_F(WinInput, DoubleClickOnTheCaptionMaximizes) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    FeedMouseButton(mbLeftButton, true, 200, 110);
    FeedMouseButton(mbLeftButton, false, 200, 110);
    FeedMouseButton(mbLeftButton, true, 200, 110);
    FeedMouseButton(mbLeftButton, false, 200, 110);
    Pump();
    EXPECT_TRUE(IsZoomed(h));
}

TEST_F(WinInput, ScrollBarPressSendsScrollMessages) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE | WS_VSCROLL, 0, Bounds(0, 0, 200, 200));
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 95;
    EXPECT_EQ(SetScrollInfo(h, SB_VERT, &si, TRUE), 90) << "the position stops at max - page + 1";
    SCROLLINFO back;
    back.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &back));
    EXPECT_EQ(back.nPos, 90);
    EXPECT_EQ(back.nPage, 10u);
    SetScrollPos(h, SB_VERT, 0, TRUE);
    Log().clear();
    FeedMouseButton(mbLeftButton, true, 190, 195);  // the down arrow
    FeedMouseButton(mbLeftButton, false, 190, 195);
    FeedMouseButton(mbLeftButton, true, 190, 150);  // the track below the thumb
    FeedMouseButton(mbLeftButton, false, 190, 150);
    Pump();
    std::vector<WORD> codes;
    for (const TLogged& l : Log())
        if (l.Wnd == h && l.Msg == WM_VSCROLL) codes.push_back(LOWORD(l.WParam));
    EXPECT_EQ(codes, (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}));
}

}  // namespace
