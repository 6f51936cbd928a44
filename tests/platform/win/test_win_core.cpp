// Handles, classes, window procedures, subclassing, object instances,
// window values and properties.
#include <set>

#include "SysResources.h"
#include "test_win_support.h"

using namespace wintest;

namespace {

class WinCore : public TWinTest {};

TEST_F(WinCore, HandlesAreNeverReused) {
    std::set<HWND> seen;
    for (int i = 0; i < 50; ++i) {
        HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(seen.insert(h).second) << "handle handed out twice";
        if (i % 2) {
            ASSERT_TRUE(DestroyWindow(h));
        }
    }
    for (HWND h : seen) DestroyWindow(h);
    for (HWND h : seen) EXPECT_FALSE(IsWindow(h));
    HWND fresh = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    EXPECT_EQ(seen.count(fresh), 0u);
}

TEST_F(WinCore, CallsOnDeadOrBogusHandlesAreHarmless) {
    HWND dead = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(10, 10, 200, 100));
    ASSERT_TRUE(DestroyWindow(dead));
    const HWND bogus = reinterpret_cast<HWND>(uintptr_t(0x7654321));
    for (HWND h : {dead, bogus}) {
        SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
        TRect r{1, 2, 3, 4};
        TPoint p{5, 6};
        PAINTSTRUCT ps;
        EXPECT_FALSE(IsWindow(h));
        EXPECT_FALSE(GetWindowRect(h, &r));
        EXPECT_FALSE(GetClientRect(h, &r));
        EXPECT_EQ(r, (TRect{1, 2, 3, 4}));
        EXPECT_FALSE(ClientToScreen(h, &p));
        EXPECT_EQ(SendMessage(h, WM_USER, 1, 2), 0);
        EXPECT_FALSE(PostMessage(h, WM_USER, 1, 2));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_FALSE(DestroyWindow(h));
        EXPECT_FALSE(ShowWindow(h, SW_SHOW));
        EXPECT_FALSE(SetWindowPos(h, nullptr, 0, 0, 10, 10, SWP_NOZORDER));
        EXPECT_FALSE(MoveWindow(h, 0, 0, 1, 1, TRUE));
        EXPECT_FALSE(SetWindowText(h, "x"));
        EXPECT_EQ(GetWindowText(h), "");
        EXPECT_EQ(GetWindowTextLength(h), 0);
        EXPECT_EQ(GetParent(h), nullptr);
        EXPECT_EQ(SetParent(h, nullptr), nullptr);
        EXPECT_EQ(GetWindow(h, GW_CHILD), nullptr);
        EXPECT_EQ(SetFocus(h), nullptr);
        EXPECT_EQ(SetActiveWindow(h), nullptr);
        EXPECT_EQ(SetCapture(h), nullptr);
        EXPECT_EQ(GetWindowLongPtr(h, GWL_STYLE), 0);
        EXPECT_EQ(SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(LogProc)), 0);
        EXPECT_FALSE(InvalidateRect(h, nullptr, TRUE));
        EXPECT_FALSE(UpdateWindow(h));
        EXPECT_EQ(BeginPaint(h, &ps), nullptr);
        EXPECT_EQ(GetDC(h), nullptr);
        EXPECT_EQ(GetWindowDC(h), nullptr);
        EXPECT_EQ(SetTimer(h, 1, 100, nullptr), 0u);
        EXPECT_FALSE(KillTimer(h, 1));
        EXPECT_FALSE(EnableWindow(h, FALSE));
        EXPECT_FALSE(IsWindowVisible(h));
        EXPECT_FALSE(IsWindowEnabled(h));
        EXPECT_EQ(DefWindowProc(h, WM_GETTEXTLENGTH, 0, 0), 0);
        EXPECT_EQ(CallWindowProc(nullptr, h, WM_USER, 0, 0), 0);
        EXPECT_FALSE(SetProp(h, "P", reinterpret_cast<HANDLE>(1)));
        EXPECT_EQ(GetProp(h, "P"), nullptr);
        WINDOWPLACEMENT wp;
        EXPECT_FALSE(GetWindowPlacement(h, &wp));
        EXPECT_FALSE(SaveWindowToPng(h, "/nonexistent/never.png"));
    }
    // A null window where one is needed fails the same way.
    TRect r{};
    PAINTSTRUCT ps;
    EXPECT_FALSE(GetWindowRect(nullptr, &r));
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_FALSE(ShowWindow(nullptr, SW_SHOW));
    EXPECT_FALSE(SetWindowPos(nullptr, nullptr, 0, 0, 1, 1, 0));
    EXPECT_FALSE(SetWindowText(nullptr, "x"));
    EXPECT_EQ(GetWindowTextLength(nullptr), 0);
    EXPECT_EQ(GetWindowLongPtr(nullptr, GWL_STYLE), 0);
    EXPECT_EQ(SendMessage(nullptr, WM_USER, 0, 0), 0);
    EXPECT_EQ(BeginPaint(nullptr, &ps), nullptr);
    EXPECT_FALSE(EndPaint(nullptr, nullptr));
    EXPECT_FALSE(IsWindowVisible(nullptr));
    EXPECT_EQ(GetWindowThreadProcessId(nullptr, nullptr), 0u);
    EXPECT_EQ(DispatchMessage(nullptr), 0);
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(WinCore, ClassRegistration) {
    WNDCLASS wc;
    wc.lpfnWndProc = LogProc;
    wc.cbWndExtra = 16;
    wc.lpszClassName = "WinCoreClassA";
    const ATOM a = RegisterClass(&wc);
    ASSERT_GE(a, 0xC000);
    // Names compare without regard to case.
    wc.lpszClassName = "WINCORECLASSA";
    EXPECT_EQ(RegisterClass(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    WNDCLASS info;
    ASSERT_TRUE(GetClassInfo(nullptr, "wincoreclassa", &info));
    EXPECT_EQ(info.lpfnWndProc, LogProc);
    EXPECT_EQ(info.cbWndExtra, 16);
    ASSERT_TRUE(GetClassInfo(nullptr, MAKEINTATOM(a), &info));
    // Creation by atom, and the class in use cannot go.
    HWND h = CreateWindowEx(0, MAKEINTATOM(a), "x", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetClassName(h), "WinCoreClassA");
    EXPECT_EQ(GetClassLongPtr(h, GCW_ATOM), a);
    EXPECT_FALSE(UnregisterClass("WinCoreClassA", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(h);
    EXPECT_TRUE(UnregisterClass("WinCoreClassA", nullptr));
    EXPECT_FALSE(GetClassInfo(nullptr, "WinCoreClassA", &info));
    EXPECT_EQ(CreateWindowEx(0, "WinCoreClassA", "x", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    // Invalid registrations.
    WNDCLASS bad;
    bad.lpszClassName = "NoProc";
    EXPECT_EQ(RegisterClass(&bad), 0);
    bad.lpfnWndProc = LogProc;
    bad.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClass(&bad), 0);
    bad.lpszClassName = "";
    EXPECT_EQ(RegisterClass(&bad), 0);
    EXPECT_EQ(RegisterClass(nullptr), 0);
    WNDCLASSEX ex;
    ex.cbSize = 3;
    ex.lpfnWndProc = LogProc;
    ex.lpszClassName = "BadSize";
    EXPECT_EQ(RegisterClassEx(&ex), 0);
    // The predefined MDI client class is there and stays.
    EXPECT_TRUE(GetClassInfo(nullptr, "MDIClient", &info));
    EXPECT_FALSE(UnregisterClass("MDICLIENT", nullptr));
}

// --- Subclassing -------------------------------------------------------

std::vector<std::string> gTrace;
WNDPROC gPrevA = nullptr;

LRESULT SubA(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) gTrace.push_back("A");
    return CallWindowProc(gPrevA, h, m, w, l);
}

TEST_F(WinCore, SubclassChainsAndOutOfOrderRemoval) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 20, 20), nullptr, "base");
    gTrace.clear();
    SetHandler(h, [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_USER) return false;
        gTrace.push_back("base");
        r = 42;
        return true;
    });
    const WNDPROC original = LongToWndProc(GetWindowLongPtr(h, GWLP_WNDPROC));
    EXPECT_EQ(original, LogProc);
    gPrevA = LongToWndProc(SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(SubA)));
    EXPECT_EQ(gPrevA, LogProc);
    WNDPROC prevB = nullptr;
    WNDPROC instB = MakeObjectInstance([&](TMessage& m) {
        if (m.Msg == WM_USER) gTrace.push_back("B");
        m.Result = CallWindowProc(prevB, h, m.Msg, m.WParam, m.LParam);
    });
    prevB = LongToWndProc(SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(instB)));
    EXPECT_EQ(prevB, SubA);
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 42);
    EXPECT_EQ(gTrace, (std::vector<std::string>{"B", "A", "base"}));
    // A restores its predecessor while B is still on top: the chain is the
    // original again and B's thunk is still callable.
    SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(gPrevA));
    gTrace.clear();
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 42);
    EXPECT_EQ(gTrace, (std::vector<std::string>{"base"}));
    gTrace.clear();
    EXPECT_EQ(CallWindowProc(instB, h, WM_USER, 0, 0), 42);
    EXPECT_EQ(gTrace, (std::vector<std::string>{"B", "A", "base"}));
    // B now writes back what it saw (SubA) and is freed.
    SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(prevB));
    FreeObjectInstance(instB);
    EXPECT_FALSE(IsObjectInstance(instB));
    gTrace.clear();
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 42);
    EXPECT_EQ(gTrace, (std::vector<std::string>{"A", "base"}));
    // A freed instance passes messages to DefWindowProc, harmlessly.
    EXPECT_EQ(CallWindowProc(instB, h, WM_GETTEXTLENGTH, 0, 0), 4);
    SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(instB));
    EXPECT_EQ(SendMessage(h, WM_GETTEXTLENGTH, 0, 0), 4);
    EXPECT_TRUE(DestroyWindow(h));
    EXPECT_FALSE(IsWindow(h));
}

class TBaseComponent {
public:
    TBaseComponent() : Instance(MakeObjectInstance([this](TMessage& M) { WndProc(M); })) {}
    virtual ~TBaseComponent() { FreeObjectInstance(Instance); }
    virtual void WndProc(TMessage& M) { M.Result = 1; }
    WNDPROC Instance;
};

class TDerivedComponent : public TBaseComponent {
public:
    void WndProc(TMessage& M) override {
        Seen.push_back(M.Msg);
        M.Result = LRESULT(M.WParam + M.LParam);
    }
    std::vector<UINT> Seen;
};

TEST_F(WinCore, ObjectInstancesCallTheMostDerivedMethod) {
    TBaseComponent base;
    TDerivedComponent derived;
    EXPECT_NE(base.Instance, derived.Instance);
    EXPECT_TRUE(IsObjectInstance(base.Instance));
    EXPECT_FALSE(IsObjectInstance(LogProc));
    EXPECT_EQ(CallWindowProc(base.Instance, nullptr, WM_USER, 5, 6), 1);
    EXPECT_EQ(CallWindowProc(derived.Instance, nullptr, WM_USER, 5, 6), 11);
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 5, 5));
    SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(derived.Instance));
    EXPECT_EQ(SendMessage(h, WM_USER + 1, 2, 3), 5);
    PostMessage(h, WM_USER + 2, 4, 4);
    Pump();
    EXPECT_EQ(derived.Seen, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_USER + 2}));
    SetWindowLongPtr(h, GWLP_WNDPROC, WndProcToLong(LogProc));
}

TEST_F(WinCore, InstanceFreedDuringItsOwnCallFinishesSafely) {
    WNDPROC self = nullptr;
    int calls = 0;
    self = MakeObjectInstance([&, text = std::string(1000, 'x')](TMessage& M) {
        ++calls;
        FreeObjectInstance(self);  // the component goes away in its handler
        M.Result = LRESULT(text.size());
    });
    EXPECT_EQ(CallWindowProc(self, nullptr, WM_USER, 0, 0), 1000);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(IsObjectInstance(self));
    WNDPROC next = MakeObjectInstance([](TMessage&) {});
    EXPECT_NE(next, self) << "instance values are never reused";
    FreeObjectInstance(next);
    FreeObjectInstance(next);  // twice is harmless
}

TEST_F(WinCore, AllocateHWndRoutesToTheMethod) {
    std::vector<UINT> seen;
    HWND h = nullptr;
    h = AllocateHWnd([&](TMessage& M) {
        seen.push_back(M.Msg);
        if (M.Msg == WM_USER) {
            M.Result = 7;
            return;
        }
        M.Result = DefWindowProc(h, M.Msg, M.WParam, M.LParam);
    });
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 7);
    EXPECT_TRUE(PostMessage(h, WM_USER + 3, 0, 0));
    Pump();
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_USER + 3), seen.end());
    const uint32_t before = ResourceObjectCount(rtUSER);
    seen.clear();
    DeallocateHWnd(h);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_DESTROY), seen.end()) << "the method sees its window go";
    EXPECT_EQ(ResourceObjectCount(rtUSER), before - 1);
}

TEST_F(WinCore, WindowValuesAndStyleChangeMessages) {
    WNDCLASS wc;
    wc.lpfnWndProc = LogProc;
    wc.cbWndExtra = 16;
    wc.lpszClassName = "WinCoreExtra";
    RegisterClass(&wc);
    HWND h = CreateWindowEx(0, "WinCoreExtra", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SetWindowLongPtr(h, 0, 0x1122334455667788), 0);
    EXPECT_EQ(SetWindowLongPtr(h, 8, -5), 0);
    EXPECT_EQ(GetWindowLongPtr(h, 0), 0x1122334455667788);
    EXPECT_EQ(GetWindowLongPtr(h, 8), -5);
    EXPECT_EQ(GetWindowLongPtr(h, 16), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    EXPECT_EQ(GetWindowLongPtr(h, -100), 0);
    EXPECT_EQ(SetWindowLongPtr(h, GWLP_USERDATA, 99), 0);
    EXPECT_EQ(GetWindowLongPtr(h, GWLP_USERDATA), 99);
    // WM_STYLECHANGING may change the new style.
    SetHandler(h, [](HWND, UINT m, WPARAM w, LPARAM l, LRESULT&) {
        if (m == WM_STYLECHANGING && LONG_PTR(w) == GWL_STYLE) reinterpret_cast<STYLESTRUCT*>(l)->styleNew |= WS_BORDER;
        return false;
    });
    Log().clear();
    const LONG_PTR old = SetWindowLongPtr(h, GWL_STYLE, LONG_PTR(int32_t(WS_POPUP | WS_DLGFRAME)));
    EXPECT_EQ(DWORD(old), WS_POPUP);
    EXPECT_EQ(DWORD(GetWindowLongPtr(h, GWL_STYLE)), WS_POPUP | WS_DLGFRAME | WS_BORDER);
    EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
    // The owner of a top-level window.
    HWND owner = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    SetWindowLongPtr(h, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    EXPECT_EQ(GetWindow(h, GW_OWNER), owner);
    EXPECT_EQ(GetParent(h), owner) << "a popup's parent is its owner";
    // An owner loop is refused.
    SetWindowLongPtr(owner, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(h));
    EXPECT_EQ(GetWindow(owner, GW_OWNER), nullptr);
    DestroyWindow(h);
    DestroyWindow(owner);
    UnregisterClass("WinCoreExtra", nullptr);
}

TEST_F(WinCore, PropertiesAndChildIds) {
    HWND top = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 100, 100));
    HWND c1 = MakeWindow(WS_CHILD, 0, Bounds(0, 0, 10, 10), top, "", "WinTestLog", 11);
    HWND c2 = MakeWindow(WS_CHILD, 0, Bounds(0, 0, 10, 10), top, "", "WinTestLog", 12);
    EXPECT_EQ(GetDlgCtrlID(c1), 11);
    EXPECT_EQ(GetDlgItem(top, 12), c2);
    EXPECT_EQ(GetDlgItem(top, 13), nullptr);
    EXPECT_TRUE(SetProp(c1, "Owner", reinterpret_cast<HANDLE>(0x55)));
    EXPECT_EQ(GetProp(c1, "OWNER"), reinterpret_cast<HANDLE>(0x55));
    EXPECT_EQ(GetProp(c2, "Owner"), nullptr);
    EXPECT_EQ(RemoveProp(c1, "owner"), reinterpret_cast<HANDLE>(0x55));
    EXPECT_EQ(GetProp(c1, "Owner"), nullptr);
    EXPECT_EQ(GetAncestor(c1, GA_PARENT), top);
    EXPECT_EQ(GetAncestor(c1, GA_ROOT), top);
    EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
    TRect screen;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &screen));
    EXPECT_EQ(screen, (TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
}

TEST_F(WinCore, WindowsAndTimersCountAsUserObjects) {
    const uint32_t before = ResourceObjectCount(rtUSER);
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    HWND c = MakeWindow(WS_CHILD, 0, Bounds(0, 0, 5, 5), h);
    ASSERT_NE(c, nullptr);
    SetTimer(h, 1, 100, nullptr);
    const UINT_PTR t = SetTimer(nullptr, 0, 100, nullptr);
    EXPECT_EQ(ResourceObjectCount(rtUSER), before + 4);
    DestroyWindow(h);  // the child and the window's timer go too
    EXPECT_EQ(ResourceObjectCount(rtUSER), before + 1);
    KillTimer(nullptr, t);
    EXPECT_EQ(ResourceObjectCount(rtUSER), before);
}

}  // namespace
