// Creation and destruction, geometry and the frame, SetWindowPos and its
// messages, minimizing and maximizing, placement, z-order, text.
#include "test_win_support.h"

using namespace wintest;

namespace {

class WinWindows : public TWinTest {};

TEST_F(WinWindows, CreationSequenceOfAVisibleTopLevelWindow) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(10, 10, 200, 150));
    ASSERT_NE(h, nullptr);
    const std::vector<UINT> expected = {WM_GETMINMAXINFO, WM_NCCREATE,   WM_NCCALCSIZE, WM_CREATE,   WM_SHOWWINDOW,
                                        WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS,
                                        WM_WINDOWPOSCHANGED,  WM_SIZE,        WM_MOVE};
    EXPECT_EQ(MessagesOf(h, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SHOWWINDOW,
                             WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS,
                             WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}),
              expected);
    const TLogged* create = Find(h, WM_CREATE);
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(GetWindowText(h), "Test");
    EXPECT_EQ(GetActiveWindow(), h);
    EXPECT_EQ(GetFocus(), h);
    EXPECT_TRUE(IsWindowVisible(h));
}

TEST_F(WinWindows, HiddenChildGetsSizeAndMoveWhenShown) {
    HWND top = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 200, 200));
    Log().clear();
    HWND c = MakeWindow(WS_CHILD, 0, Bounds(5, 6, 50, 40), top, "kid", "WinTestLog", 3);
    EXPECT_EQ(MessagesOf(c), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    const TLogged* pn = Find(top, WM_PARENTNOTIFY);
    ASSERT_NE(pn, nullptr);
    EXPECT_EQ(LOWORD(pn->WParam), WM_CREATE);
    EXPECT_EQ(HIWORD(pn->WParam), 3);
    EXPECT_EQ(reinterpret_cast<HWND>(pn->LParam), c);
    Log().clear();
    EXPECT_FALSE(ShowWindow(c, SW_SHOW));
    EXPECT_EQ(MessagesOf(c), (std::vector<UINT>{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}));
    const TLogged* size = Find(c, WM_SIZE);
    EXPECT_EQ(size->WParam, SIZE_RESTORED);
    EXPECT_EQ(LOWORD(uintptr_t(size->LParam)), 50);
    EXPECT_EQ(HIWORD(uintptr_t(size->LParam)), 40);
    EXPECT_EQ(LParamToPoint(Find(c, WM_MOVE)->LParam), (TPoint{5, 6}));
    Log().clear();
    EXPECT_TRUE(ShowWindow(c, SW_SHOW));
    EXPECT_TRUE(MessagesOf(c).empty()) << "showing a visible window changes nothing";
}

TEST_F(WinWindows, FailedCreationCleansUp) {
    // WM_NCCREATE refused: only WM_NCDESTROY follows.
    WNDCLASS wc;
    wc.lpszClassName = "WinWindowsRefuse";
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        Log().push_back(TLogged{h, m, w, l});
        if (m == WM_NCCREATE) return FALSE;
        return DefWindowProc(h, m, w, l);
    };
    RegisterClass(&wc);
    Log().clear();
    EXPECT_EQ(CreateWindowEx(0, "WinWindowsRefuse", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].Msg, WM_NCCREATE);
    EXPECT_EQ(Log()[1].Msg, WM_NCDESTROY);
    EXPECT_FALSE(IsWindow(Log()[0].Wnd));
    EXPECT_TRUE(UnregisterClass("WinWindowsRefuse", nullptr)) << "no window of the class is left";
    // WM_CREATE returning -1: the window is destroyed again.
    HWND parent = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 100, 100));
    Log().clear();
    static HWND creating = nullptr;
    WNDCLASS refuse;
    refuse.lpszClassName = "WinWindowsRefuseCreate";
    refuse.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        Log().push_back(TLogged{h, m, w, l});
        if (m == WM_CREATE) {
            creating = h;
            return -1;
        }
        return DefWindowProc(h, m, w, l);
    };
    RegisterClass(&refuse);
    EXPECT_EQ(CreateWindowEx(0, "WinWindowsRefuseCreate", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                             nullptr, nullptr),
              nullptr);
    EXPECT_EQ(MessagesOf(creating), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    EXPECT_TRUE(UnregisterClass("WinWindowsRefuseCreate", nullptr));
}

TEST_F(WinWindows, DestructionOrder) {
    HWND top = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 300, 300));
    HWND c1 = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 50, 50), top);
    HWND g = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 20, 20), c1);
    HWND c2 = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(60, 0, 50, 50), top);
    HWND owned = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(400, 0, 50, 50), top);
    ASSERT_EQ(GetWindow(owned, GW_OWNER), top);
    Log().clear();
    ASSERT_TRUE(DestroyWindow(top));
    for (HWND h : {top, c1, g, c2, owned}) EXPECT_FALSE(IsWindow(h));
    // Owned windows go first, completely.
    EXPECT_LT(IndexOf(owned, WM_NCDESTROY), IndexOf(top, WM_DESTROY));
    // WM_DESTROY parents first, WM_NCDESTROY children first.
    for (HWND c : {c1, g, c2}) {
        EXPECT_LT(IndexOf(top, WM_DESTROY), IndexOf(c, WM_DESTROY));
        EXPECT_LT(IndexOf(c, WM_NCDESTROY), IndexOf(top, WM_NCDESTROY));
        EXPECT_EQ(Count(c, WM_DESTROY), 1u);
        EXPECT_EQ(Count(c, WM_NCDESTROY), 1u);
    }
    EXPECT_LT(IndexOf(c1, WM_DESTROY), IndexOf(g, WM_DESTROY));
    EXPECT_LT(IndexOf(g, WM_NCDESTROY), IndexOf(c1, WM_NCDESTROY));
    // Every window is still there during its parent's WM_DESTROY... and
    // nothing is sent after WM_NCDESTROY.
    for (HWND h : {top, c1, g, c2}) {
        const ptrdiff_t last = IndexOf(h, WM_NCDESTROY);
        for (size_t i = size_t(last) + 1; i < Log().size(); ++i) EXPECT_NE(Log()[i].Wnd, h);
    }
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WinWindows, DestroyingFromOwnHandlers) {
    HWND top = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 100, 100));
    HWND kid = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 10, 10), top);
    BOOL again = TRUE;
    SetHandler(top, [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT&) {
        if (m == WM_USER) DestroyWindow(h);
        if (m == WM_DESTROY) {
            again = DestroyWindow(h);  // re-entry is refused
            DestroyWindow(kid);        // a child going early is fine too
        }
        return false;
    });
    PostMessage(top, WM_USER, 0, 0);
    PostMessage(top, WM_USER + 1, 0, 0);
    Log().clear();
    Pump();
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(kid));
    EXPECT_FALSE(again);
    EXPECT_EQ(Count(top, WM_USER + 1), 0u);
    EXPECT_EQ(Count(kid, WM_NCDESTROY), 1u);
    EXPECT_EQ(Count(top, WM_NCDESTROY), 1u);
}

struct TFrameCase {
    const char* Name;
    DWORD Style;
    DWORD ExStyle;
    int L, T, R, B;  // non-client widths
    bool Adjustable;  // AdjustWindowRectEx knows all of it (no scroll bars)
};

class WinFrames : public TWinTest, public ::testing::WithParamInterface<TFrameCase> {};

TEST_P(WinFrames, ClientRectangleFromTheStyles) {
    const TFrameCase c = GetParam();
    const bool child = (c.Style & WS_CHILD) != 0;
    HWND parent = child ? MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(100, 50, 400, 300)) : nullptr;
    HWND h = MakeWindow(c.Style, c.ExStyle, Bounds(10, 20, 200, 150), parent);
    ASSERT_NE(h, nullptr);
    TRect cr, wr;
    GetClientRect(h, &cr);
    GetWindowRect(h, &wr);
    const TPoint base = child ? TPoint{100, 50} : TPoint{0, 0};
    EXPECT_EQ(wr, Bounds(base.X + 10, base.Y + 20, 200, 150));
    EXPECT_EQ(cr, (TRect{0, 0, 200 - c.L - c.R, 150 - c.T - c.B}));
    TPoint p{0, 0};
    ClientToScreen(h, &p);
    EXPECT_EQ(p, (TPoint{wr.Left + c.L, wr.Top + c.T}));
    if (c.Adjustable) {
        TRect r = cr;
        ASSERT_TRUE(AdjustWindowRectEx(&r, c.Style, FALSE, c.ExStyle));
        EXPECT_EQ(r.Width(), 200);
        EXPECT_EQ(r.Height(), 150);
        EXPECT_EQ(r.Left, -c.L);
        EXPECT_EQ(r.Top, -c.T);
    }
    // The hit test agrees: the client area, and the outer pixel of the window.
    EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, PointToLParam(TPoint{wr.Left + c.L, wr.Top + c.T})), HTCLIENT);
    if (c.L > 0) {
        EXPECT_NE(SendMessage(h, WM_NCHITTEST, 0, PointToLParam(TPoint{wr.Left, wr.Top + 75})), HTCLIENT);
    }
    EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, PointToLParam(TPoint{wr.Right, wr.Top})), HTNOWHERE);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, WinFrames,
    ::testing::Values(TFrameCase{"Popup", WS_POPUP, 0, 0, 0, 0, 0, true},
                      TFrameCase{"Border", WS_POPUP | WS_BORDER, 0, 1, 1, 1, 1, true},
                      TFrameCase{"ChildBorderClientEdge", WS_CHILD | WS_BORDER, WS_EX_CLIENTEDGE, 3, 3, 3, 3, true},
                      TFrameCase{"Overlapped", WS_OVERLAPPEDWINDOW, 0, 4, 22, 4, 4, true},
                      TFrameCase{"OverlappedClientEdge", WS_OVERLAPPEDWINDOW, WS_EX_CLIENTEDGE, 6, 24, 6, 6, true},
                      TFrameCase{"Dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 3, 21, 3, 3, true},
                      TFrameCase{"DlgFrame", WS_POPUP | WS_DLGFRAME, 0, 3, 3, 3, 3, true},
                      TFrameCase{"ModalFrame", WS_POPUP, WS_EX_DLGMODALFRAME, 3, 3, 3, 3, true},
                      TFrameCase{"ToolWindow", WS_POPUP | WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW, 4, 19, 4, 4, true},
                      TFrameCase{"StaticEdge", WS_POPUP | WS_BORDER, WS_EX_STATICEDGE, 2, 2, 2, 2, true},
                      TFrameCase{"ScrollBars", WS_CHILD | WS_VSCROLL | WS_HSCROLL, 0, 0, 0, 16, 16, false},
                      TFrameCase{"ThickOnly", WS_POPUP | WS_THICKFRAME, 0, 4, 4, 4, 4, true}),
    [](const ::testing::TestParamInfo<TFrameCase>& I) { return std::string(I.param.Name); });

TEST_F(WinWindows, AStyleChangeShowsAfterFrameChanged) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 200, 100));
    SetWindowLongPtr(h, GWL_STYLE, LONG_PTR(int32_t(WS_POPUP | WS_VISIBLE | WS_CAPTION)));
    TRect c;
    GetClientRect(h, &c);
    EXPECT_EQ(c, (TRect{0, 0, 200, 100})) << "not before SWP_FRAMECHANGED";
    Log().clear();
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    GetClientRect(h, &c);
    EXPECT_EQ(c, (TRect{0, 0, 194, 76}));
    EXPECT_EQ(Count(h, WM_NCCALCSIZE), 1u);
    const TLogged* size = Find(h, WM_SIZE);
    ASSERT_NE(size, nullptr) << "the client size changed";
    EXPECT_EQ(LOWORD(uintptr_t(size->LParam)), 194);
    // A handler may give the client area any place inside the window.
    SetHandler(h, [](HWND, UINT m, WPARAM wp, LPARAM lp, LRESULT& r) {
        if (m != WM_NCCALCSIZE || !wp) return false;
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp);
        p->rgrc[0].Top += 30;
        r = 0;
        return true;
    });
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    GetClientRect(h, &c);
    EXPECT_EQ(c, (TRect{0, 0, 200, 70}));
    EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, PointToLParam(TPoint{100, 40})), HTCLIENT);
}

TEST_F(WinWindows, CoordinateMapping) {
    HWND top = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 50, 400, 300));
    HWND mid = MakeWindow(WS_CHILD | WS_VISIBLE | WS_BORDER, 0, Bounds(-10, 20, 100, 100), top);
    HWND inner = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(5, 7, 30, 30), mid);
    TPoint p{1, 2};
    ASSERT_TRUE(ClientToScreen(inner, &p));
    // 100 + 4 (frame) - 10 + 1 (border) + 5 + 1; 50 + 22 + 20 + 1 + 7 + 2
    EXPECT_EQ(p, (TPoint{101, 102}));
    ASSERT_TRUE(ScreenToClient(inner, &p));
    EXPECT_EQ(p, (TPoint{1, 2}));
    TPoint pts[2] = {{0, 0}, {10, 10}};
    const int packed = MapWindowPoints(inner, top, pts, 2);
    EXPECT_EQ(pts[0], (TPoint{-4, 28}));
    EXPECT_EQ(pts[1], (TPoint{6, 38}));
    EXPECT_EQ(int16_t(LOWORD(uint32_t(packed))), -4);
    EXPECT_EQ(int16_t(HIWORD(uint32_t(packed))), 28);
    TRect r{0, 0, 5, 5};
    MapWindowPoints(top, nullptr, &r);
    EXPECT_EQ(r, (TRect{104, 72, 109, 77}));
    // Child lookup in client coordinates of the parent.
    EXPECT_EQ(ChildWindowFromPoint(top, TPoint{0, 25}), mid);
    EXPECT_EQ(ChildWindowFromPoint(top, TPoint{200, 200}), top);
    EXPECT_EQ(ChildWindowFromPoint(top, TPoint{-1, 5}), nullptr);
    ShowWindow(mid, SW_HIDE);
    EXPECT_EQ(ChildWindowFromPoint(top, TPoint{0, 25}), mid);
    EXPECT_EQ(ChildWindowFromPointEx(top, TPoint{0, 25}, CWP_SKIPINVISIBLE), top);
    ShowWindow(mid, SW_SHOW);
    EnableWindow(mid, FALSE);
    EXPECT_EQ(ChildWindowFromPointEx(top, TPoint{0, 25}, CWP_SKIPDISABLED), top);
    EXPECT_EQ(WindowFromPoint(TPoint{120, 100}), top) << "a disabled child passes the point on";
    EnableWindow(mid, TRUE);
    EXPECT_EQ(WindowFromPoint(TPoint{110, 110}), inner);
    EXPECT_EQ(WindowFromPoint(TPoint{101, 102}), top) << "inner's part over the frame is not inner's";
    EXPECT_EQ(WindowFromPoint(TPoint{1000, 700}), GetDesktopWindow());
}

TEST_F(WinWindows, TrackingSizesFromGetMinMaxInfo) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 400, 300));
    SetHandler(h, [](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_GETMINMAXINFO) {
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
            mmi->ptMinTrackSize = TPoint{300, 200};
            mmi->ptMaxTrackSize = TPoint{500, 400};
        }
        return false;
    });
    struct TCase {
        int W, H, ExpW, ExpH;
    };
    for (TCase c : {TCase{100, 100, 300, 200}, TCase{900, 900, 500, 400}, TCase{350, 250, 350, 250},
                    TCase{0, 1000, 300, 400}}) {
        SetWindowPos(h, nullptr, 0, 0, c.W, c.H, SWP_NOMOVE | SWP_NOZORDER);
        TRect r;
        GetWindowRect(h, &r);
        EXPECT_EQ(r.Width(), c.ExpW) << c.W;
        EXPECT_EQ(r.Height(), c.ExpH) << c.H;
    }
    // The classic defaults for an overlapped window, and none for a popup.
    HWND o = MakeWindow(WS_OVERLAPPEDWINDOW, 0, Bounds(0, 0, 400, 300));
    MINMAXINFO seen{};
    SetHandler(o, [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_GETMINMAXINFO) seen = *reinterpret_cast<MINMAXINFO*>(lp);
        return false;
    });
    SetWindowPos(o, nullptr, 0, 0, 5, 5, SWP_NOMOVE | SWP_NOZORDER);
    TRect r;
    GetWindowRect(o, &r);
    EXPECT_EQ(r.Width(), GetSystemMetrics(SM_CXMINTRACK));
    EXPECT_EQ(r.Height(), GetSystemMetrics(SM_CYMINTRACK));
    EXPECT_EQ(seen.ptMaxPosition, (TPoint{-4, -4}));
    EXPECT_EQ(seen.ptMaxSize, (TPoint{1024 + 8, 768 + 8}));
    EXPECT_EQ(seen.ptMaxTrackSize, (TPoint{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)}));
    HWND p = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 400, 300));
    SetWindowPos(p, nullptr, 0, 0, 5, 5, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(p, &r);
    EXPECT_EQ(r.Width(), 5);
}

TEST_F(WinWindows, SetWindowPosMessages) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 300, 200));
    Log().clear();
    SetWindowPos(h, nullptr, 10, 20, 320, 210, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(MessagesOf(h, {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
                             WM_SIZE}),
              (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
                                 WM_SIZE}));
    Log().clear();
    UINT flags = 0;
    SetHandler(h, [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_WINDOWPOSCHANGED) flags = reinterpret_cast<WINDOWPOS*>(lp)->flags;
        return false;
    });
    MoveWindow(h, 30, 40, 320, 210, TRUE);  // a move only
    EXPECT_EQ(MessagesOf(h, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
              (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
    EXPECT_TRUE(flags & SWP_NOSIZE);
    EXPECT_TRUE(flags & SWP_NOCLIENTSIZE);
    EXPECT_FALSE(flags & SWP_NOMOVE);
    // A WM_WINDOWPOSCHANGING handler has the last word.
    SetHandler(h, [](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_WINDOWPOSCHANGING) {
            auto* p = reinterpret_cast<WINDOWPOS*>(lp);
            p->x = 77;
            p->cx = 250;
        }
        return false;
    });
    SetWindowPos(h, nullptr, 1, 2, 400, 300, SWP_NOZORDER);
    TRect r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (TRect{77, 2, 327, 302}));
}

TEST_F(WinWindows, MovePacksTheClientOriginAsSignedWords) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(10, 10, 200, 150));
    Log().clear();
    MoveWindow(h, -50, -30, 200, 150, TRUE);
    const TLogged* mv = Find(h, WM_MOVE);
    ASSERT_NE(mv, nullptr);
    EXPECT_EQ(GET_X_LPARAM(mv->LParam), -46);
    EXPECT_EQ(GET_Y_LPARAM(mv->LParam), -8);
    EXPECT_EQ(LOWORD(uintptr_t(mv->LParam)), WORD(int16_t(-46)));
    TMessage msg{WM_MOVE, 0, mv->LParam, 0};
    EXPECT_EQ(TWMMove(msg).XPos(), -46);
    EXPECT_EQ(TWMMove(msg).YPos(), -8);
}

TEST_F(WinWindows, MinimizeMaximizeRestoreAndPlacement) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(50, 60, 300, 200));
    Log().clear();
    ShowWindow(h, SW_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(h));
    TRect r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (TRect{-4, -4, 1028, 772}));
    ASSERT_NE(Find(h, WM_SIZE), nullptr);
    EXPECT_EQ(Find(h, WM_SIZE)->WParam, SIZE_MAXIMIZED);
    WINDOWPLACEMENT wp;
    ASSERT_TRUE(GetWindowPlacement(h, &wp));
    EXPECT_EQ(wp.showCmd, UINT(SW_SHOWMAXIMIZED));
    EXPECT_EQ(wp.rcNormalPosition, Bounds(50, 60, 300, 200));
    Log().clear();
    ShowWindow(h, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(h));
    EXPECT_FALSE(IsZoomed(h));
    EXPECT_EQ(Find(h, WM_SIZE)->WParam, SIZE_MINIMIZED);
    TRect cr;
    GetClientRect(h, &cr);
    EXPECT_TRUE(cr.IsEmpty());
    EXPECT_NE(GetActiveWindow(), h);
    ASSERT_TRUE(GetWindowPlacement(h, &wp));
    EXPECT_EQ(wp.showCmd, UINT(SW_SHOWMINIMIZED));
    EXPECT_TRUE(wp.flags & WPF_RESTORETOMAXIMIZED);
    // Restoring a window minimized from maximized maximizes it again.
    ShowWindow(h, SW_RESTORE);
    EXPECT_TRUE(IsZoomed(h));
    ShowWindow(h, SW_RESTORE);
    EXPECT_FALSE(IsZoomed(h));
    GetWindowRect(h, &r);
    EXPECT_EQ(r, Bounds(50, 60, 300, 200));
    EXPECT_EQ(Find(h, WM_SIZE, Count(h, WM_SIZE) - 1)->WParam, SIZE_RESTORED);
    // A placement round trip.
    wp.length = sizeof wp;
    wp.flags = 0;
    wp.showCmd = SW_SHOWMAXIMIZED;
    wp.rcNormalPosition = Bounds(20, 30, 250, 180);
    ASSERT_TRUE(SetWindowPlacement(h, &wp));
    EXPECT_TRUE(IsZoomed(h));
    WINDOWPLACEMENT back;
    ASSERT_TRUE(GetWindowPlacement(h, &back));
    EXPECT_EQ(back.rcNormalPosition, Bounds(20, 30, 250, 180));
    ShowWindow(h, SW_SHOWNORMAL);
    GetWindowRect(h, &r);
    EXPECT_EQ(r, Bounds(20, 30, 250, 180));
    // A wrong length is refused.
    back.length = 12;
    EXPECT_FALSE(GetWindowPlacement(h, &back));
    EXPECT_FALSE(SetWindowPlacement(h, &back));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(WinWindows, ZOrder) {
    HWND a = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 50, 50));
    HWND b = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 50, 50));
    HWND t = MakeWindow(WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, Bounds(0, 0, 50, 50));
    HWND c = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 50, 50));
    auto order = [] {
        std::vector<HWND> r;
        for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) r.push_back(h);
        return r;
    };
    auto pos = [&](HWND h) {
        auto o = order();
        return std::find(o.begin(), o.end(), h) - o.begin();
    };
    EXPECT_EQ(order().front(), t) << "topmost windows stay above";
    EXPECT_LT(pos(c), pos(b));
    EXPECT_LT(pos(b), pos(a));
    SetWindowPos(c, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_GT(pos(c), pos(a));
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(pos(a), 1) << "below the topmost one";
    SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(pos(b), 0);
    EXPECT_TRUE(GetWindowLongPtr(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_FALSE(GetWindowLongPtr(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_GT(pos(b), pos(t));
    // An owned window stays above its owner when the owner comes up.
    HWND owned = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 20, 20), c);
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(pos(owned) + 1, pos(c));
    // Children.
    HWND k1 = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 5, 5), a);
    HWND k2 = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 5, 5), a);
    EXPECT_EQ(GetWindow(a, GW_CHILD), k2);
    SetWindowPos(k2, k1, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(a, GW_CHILD), k1);
    EXPECT_EQ(GetWindow(k1, GW_HWNDNEXT), k2);
    EXPECT_EQ(GetWindow(k2, GW_HWNDPREV), k1);
    EXPECT_EQ(GetWindow(k1, GW_HWNDLAST), k2);
    EXPECT_FALSE(SetWindowPos(k1, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE)) << "not a sibling";
}

TEST_F(WinWindows, ParentsAndOwners) {
    HWND p1 = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 200, 200));
    HWND p2 = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(300, 0, 200, 200));
    HWND k = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(10, 10, 20, 20), p1);
    EXPECT_EQ(GetParent(k), p1);
    EXPECT_TRUE(IsChild(p1, k));
    EXPECT_EQ(SetParent(k, p2), p1);
    EXPECT_EQ(GetParent(k), p2);
    EXPECT_FALSE(IsChild(p1, k));
    TRect r;
    GetWindowRect(k, &r);
    EXPECT_EQ(r, Bounds(310, 10, 20, 20)) << "the position is kept relative to the new parent";
    EXPECT_EQ(SetParent(p2, k), nullptr) << "no cycles";
    EXPECT_EQ(GetParent(p1), nullptr);
    HWND ov = MakeWindow(WS_OVERLAPPED, 0, Bounds(0, 0, 200, 200), p1);
    EXPECT_EQ(GetWindow(ov, GW_OWNER), p1);
    EXPECT_EQ(GetParent(ov), nullptr) << "only popups report their owner as parent";
    std::vector<HWND> kids;
    HWND g = MakeWindow(WS_CHILD, 0, Bounds(0, 0, 5, 5), k);
    EnumChildWindows(p2, [&](HWND h, LPARAM l) {
        EXPECT_EQ(l, 5);
        kids.push_back(h);
        return TRUE;
    }, 5);
    EXPECT_EQ(kids, (std::vector<HWND>{k, g}));
    kids.clear();
    EnumChildWindows(p2, [&](HWND h, LPARAM) {
        kids.push_back(h);
        DestroyWindow(h);  // destroys g with it: g is skipped
        return TRUE;
    }, 0);
    EXPECT_EQ(kids, (std::vector<HWND>{k}));
}

TEST_F(WinWindows, TextAndEnabling) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 200, 100), nullptr, "");
    ASSERT_TRUE(SetWindowText(h, "Gr\xC3\xBC\xC3\x9F" "e"));  // "Grüße"
    EXPECT_EQ(GetWindowTextLength(h), 7);
    EXPECT_EQ(GetWindowText(h), "Gr\xC3\xBC\xC3\x9F" "e");
    char buf[4];
    EXPECT_EQ(GetWindowText(h, buf, 4), 2) << "never half a character";
    EXPECT_STREQ(buf, "Gr");
    EXPECT_EQ(FindWindow("wintestlog", "GR\xC3\xBC\xC3\x9F" "E"), h) << "titles compare without regard to case";
    EXPECT_EQ(FindWindow("wintestlog", "Gr\xC3\xBC\xC3\x9F" "e"), h);
    EXPECT_EQ(FindWindow("WinTestPlain", "Gr\xC3\xBC\xC3\x9F" "e"), nullptr);
    EXPECT_EQ(FindWindow(nullptr, "nothing like it"), nullptr);
    HWND k = MakeWindow(WS_CHILD | WS_VISIBLE, 0, Bounds(0, 0, 10, 10), h);
    SetFocus(k);
    Log().clear();
    EXPECT_FALSE(EnableWindow(k, FALSE));
    EXPECT_FALSE(IsWindowEnabled(k));
    EXPECT_EQ(GetFocus(), nullptr) << "a disabled window loses the focus";
    EXPECT_EQ(Find(k, WM_ENABLE)->WParam, WPARAM(FALSE));
    EXPECT_EQ(SetFocus(k), nullptr);
    EXPECT_TRUE(EnableWindow(k, TRUE));
    EXPECT_EQ(Count(k, WM_ENABLE), 2u);
    EXPECT_FALSE(EnableWindow(k, TRUE));
    EXPECT_EQ(Count(k, WM_ENABLE), 2u) << "no message without a change";
}

TEST_F(WinWindows, SysCommandsAndClose) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 200, 100));
    SendMessage(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(h));
    SendMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(h));
    SendMessage(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(h));
    SendMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(h));
    // A WM_CLOSE handler may refuse; DefWindowProc destroys.
    bool refuse = true;
    SetHandler(h, [&](HWND, UINT m, WPARAM, LPARAM, LRESULT&) { return m == WM_CLOSE && refuse; });
    SendMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(h));
    refuse = false;
    SendMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(WinWindows, WindowsOfTheScreenSize) {
    SetScreenSize(800, 600);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    TRect wa;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0));
    EXPECT_EQ(wa, (TRect{0, 0, 800, 600}));
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(0, 0, 200, 100));
    ShowWindow(h, SW_MAXIMIZE);
    TRect r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (TRect{-4, -4, 804, 604}));
    SetScreenSize(1024, 768);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    struct TM {
        int Index, Value;
    };
    for (TM m : {TM{SM_CYCAPTION, 18}, TM{SM_CXFRAME, 4}, TM{SM_CXBORDER, 1}, TM{SM_CXDLGFRAME, 3}, TM{SM_CXEDGE, 2},
                 TM{SM_CXSIZE, 18}, TM{SM_CXSMICON, 16}, TM{SM_CXICON, 32}, TM{SM_CYMENU, 19}, TM{SM_CXVSCROLL, 16},
                 TM{SM_CXDOUBLECLK, 4}, TM{SM_CYSMCAPTION, 15}, TM{SM_CXMINTRACK, 112}, TM{SM_CYMINTRACK, 27}})
        EXPECT_EQ(GetSystemMetrics(m.Index), m.Value) << m.Index;
    EXPECT_EQ(GetSystemMetrics(12345), 0);
}

}  // namespace
