// MDI frames: the client window, its children and their activation, the
// arrangements, and a component filling the client's background by
// subclassing it.
#include "test_win_support.h"

using namespace wintest;

namespace {

HWND gClient = nullptr;

LRESULT FrameProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    Log().push_back(TLogged{h, m, w, l});
    return DefFrameProc(h, gClient, m, w, l);
}

LRESULT ChildProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    Log().push_back(TLogged{h, m, w, l});
    return DefMDIChildProc(h, m, w, l);
}

class WinMdi : public TWinTest {
protected:
    void SetUp() override {
        TWinTest::SetUp();
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASS f;
            f.lpfnWndProc = FrameProc;
            f.lpszClassName = "WinMdiFrame";
            RegisterClass(&f);
            WNDCLASS c;
            c.lpfnWndProc = ChildProc;
            c.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_WINDOW + 1));
            c.lpszClassName = "WinMdiChild";
            RegisterClass(&c);
        }
        Frame = CreateWindowEx(0, "WinMdiFrame", "Frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                               640, 480, nullptr, nullptr, nullptr, nullptr);
        CLIENTCREATESTRUCT ccs;
        ccs.idFirstChild = 100;
        gClient = Client = CreateWindowEx(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                          WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0, 0, Frame, nullptr, nullptr,
                                          &ccs);
        TRect fc;
        GetClientRect(Frame, &fc);
        SendMessage(Frame, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(fc.Width()), WORD(fc.Height())));
    }
    HWND NewChild(const char* Title) {
        MDICREATESTRUCT m;
        m.szClass = "WinMdiChild";
        m.szTitle = Title;
        m.x = m.y = m.cx = m.cy = CW_USEDEFAULT;
        return reinterpret_cast<HWND>(SendMessage(Client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&m)));
    }
    HWND Active(BOOL* Maximized = nullptr) {
        return reinterpret_cast<HWND>(SendMessage(Client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(Maximized)));
    }
    HWND Frame = nullptr;
    HWND Client = nullptr;
};

TEST_F(WinMdi, TheClientFillsTheFrame) {
    TRect fc, cc;
    GetClientRect(Frame, &fc);
    TRect cw;
    GetWindowRect(Client, &cw);
    EXPECT_EQ(cw.Width(), fc.Width());
    EXPECT_EQ(cw.Height(), fc.Height());
    GetClientRect(Client, &cc);
    EXPECT_EQ(cc.Width(), fc.Width() - 4) << "inside the client edge";
    UpdateWindow(Frame);
    EXPECT_EQ(Pixel(Frame, 320, 240), GetSysColor(COLOR_APPWORKSPACE));
    SetWindowPos(Frame, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(Frame, &fc);
    GetWindowRect(Client, &cw);
    EXPECT_EQ(cw.Width(), fc.Width()) << "DefFrameProc's WM_SIZE resizes the client";
}

TEST_F(WinMdi, ChildrenAreCreatedAndActivated) {
    Log().clear();
    HWND a = NewChild("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetParent(a), Client);
    EXPECT_EQ(GetDlgCtrlID(a), 100);
    EXPECT_TRUE(IsWindowVisible(a));
    EXPECT_EQ(Active(), a);
    EXPECT_EQ(GetFocus(), a);
    const TLogged* ma = Find(a, WM_MDIACTIVATE);
    ASSERT_NE(ma, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(ma->LParam), a);
    // The MDICREATESTRUCT reaches the child's WM_CREATE.
    const TLogged* cr = Find(a, WM_CREATE);
    ASSERT_NE(cr, nullptr);
    HWND b = NewChild("B");
    EXPECT_EQ(GetDlgCtrlID(b), 101);
    EXPECT_EQ(Active(), b);
    TRect ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    EXPECT_NE(ra, rb) << "default positions cascade";
    Log().clear();
    SendMessage(Client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    EXPECT_EQ(Active(), a);
    // Both hear of it: the one going first.
    const TLogged* offB = Find(b, WM_MDIACTIVATE);
    const TLogged* onA = Find(a, WM_MDIACTIVATE);
    ASSERT_NE(offB, nullptr);
    ASSERT_NE(onA, nullptr);
    EXPECT_LT(IndexOf(b, WM_MDIACTIVATE), IndexOf(a, WM_MDIACTIVATE));
    EXPECT_EQ(reinterpret_cast<HWND>(onA->WParam), b);
    EXPECT_EQ(reinterpret_cast<HWND>(onA->LParam), a);
    EXPECT_EQ(Find(b, WM_NCACTIVATE)->WParam, WPARAM(FALSE));
    EXPECT_EQ(GetWindow(Client, GW_CHILD), a) << "the active child comes to the top";
    EXPECT_EQ(GetFocus(), a);
    // WM_MDINEXT cycles; the frame's commands pick a child by id.
    SendMessage(Client, WM_MDINEXT, 0, 0);
    EXPECT_EQ(Active(), b);
    SendMessage(Frame, WM_COMMAND, 100, 0);
    EXPECT_EQ(Active(), a);
    // A click into the inactive child activates it.
    TRect r;
    GetWindowRect(b, &r);
    SendMessage(Client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    GetWindowRect(a, &ra);
    // Find a point of b not covered by a.
    TPoint p{r.Right - 5, r.Bottom - 5};
    ASSERT_FALSE(ra.Contains(p));
    FeedMouseButton(mbLeftButton, true, p.X, p.Y);
    FeedMouseButton(mbLeftButton, false, p.X, p.Y);
    Pump();
    EXPECT_EQ(Active(), b);
}

TEST_F(WinMdi, MaximizedChildrenAndArrangements) {
    HWND a = NewChild("A");
    HWND b = NewChild("B");
    SendMessage(Client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(b), 0);
    BOOL maxed = FALSE;
    EXPECT_EQ(Active(&maxed), b);
    EXPECT_TRUE(maxed);
    TRect cc, bc;
    GetClientRect(Client, &cc);
    GetClientRect(b, &bc);
    EXPECT_EQ(bc.Width(), cc.Width()) << "the maximized child's client fills the MDI client";
    HWND c = NewChild("C");
    EXPECT_TRUE(IsZoomed(c)) << "a new child follows the maximized one";
    EXPECT_FALSE(IsZoomed(b));
    SendMessage(Client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(c), 0);
    EXPECT_FALSE(IsZoomed(c));
    // Tiling side by side.
    SendMessage(Client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(c), 0);
    EXPECT_FALSE(IsWindow(c));
    EXPECT_NE(Active(), nullptr) << "another child took over";
    SendMessage(Client, WM_MDITILE, MDITILE_VERTICAL, 0);
    TRect ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    EXPECT_EQ(ra.Width() + rb.Width(), cc.Width());
    EXPECT_EQ(ra.Height(), cc.Height());
    EXPECT_EQ(ra.Top, rb.Top);
    SendMessage(Client, WM_MDITILE, MDITILE_HORIZONTAL, 0);
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    EXPECT_EQ(ra.Height() + rb.Height(), cc.Height());
    EXPECT_EQ(ra.Left, rb.Left);
    SendMessage(Client, WM_MDICASCADE, 0, 0);
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    EXPECT_EQ(std::abs(ra.Left - rb.Left), step);
    EXPECT_EQ(std::abs(ra.Top - rb.Top), step);
    // Closing a child goes through the client.
    SendMessage(a, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_EQ(Active(), b);
    SendMessage(b, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(Active(), nullptr);
}

TEST_F(WinMdi, AComponentPaintsTheClientBackground) {
    struct TFill {
        WNDPROC Old = nullptr;
        WNDPROC Mine = nullptr;
        HWND Client = nullptr;
        int Erased = 0;
    } fill;
    fill.Client = Client;
    fill.Mine = MakeObjectInstance([&fill](TMessage& M) {
        if (M.Msg == WM_ERASEBKGND) {
            ++fill.Erased;
            TRect r;
            GetClientRect(fill.Client, &r);
            HBRUSH b = CreateSolidBrush(RGB(0, 128, 0));
            FillRect(reinterpret_cast<HDC>(M.WParam), r, b);
            DeleteObject(b);
            M.Result = 1;
            return;
        }
        M.Result = CallWindowProc(fill.Old, fill.Client, M.Msg, M.WParam, M.LParam);
    });
    fill.Old = LongToWndProc(SetWindowLongPtr(Client, GWLP_WNDPROC, WndProcToLong(fill.Mine)));
    InvalidateRect(Client, nullptr, TRUE);
    UpdateWindow(Frame);
    EXPECT_GE(fill.Erased, 1);
    EXPECT_EQ(Pixel(Frame, 320, 240), RGB(0, 128, 0));
    // MDI messages still reach the client's own procedure through the hook.
    HWND a = NewChild("A");
    EXPECT_EQ(Active(), a);
    // Unhooked, the client paints its own background again.
    SetWindowLongPtr(Client, GWLP_WNDPROC, WndProcToLong(fill.Old));
    FreeObjectInstance(fill.Mine);
    DestroyWindow(a);
    InvalidateRect(Client, nullptr, TRUE);
    UpdateWindow(Frame);
    EXPECT_EQ(Pixel(Frame, 320, 240), GetSysColor(COLOR_APPWORKSPACE));
}

}  // namespace
