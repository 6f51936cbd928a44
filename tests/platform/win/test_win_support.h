// test_win_support.h - shared pieces of the window manager tests: a window
// class that records every message, per-window handlers, and a fixture
// that leaves the (process-wide) window manager clean after each test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Clock.h"
#include "WinBackend.h"
#include "Windows.h"

namespace wintest {

using namespace vcl;

struct TLogged {
    HWND Wnd;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

inline std::vector<TLogged>& Log() {
    static std::vector<TLogged> log;
    return log;
}

// A handler sees a message first; returning true means handled (Result set).
using THandler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

inline std::map<HWND, THandler>& Handlers() {
    static std::map<HWND, THandler> h;
    return h;
}

inline void SetHandler(HWND Wnd, THandler H) { Handlers()[Wnd] = std::move(H); }

inline LRESULT LogProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    Log().push_back(TLogged{Wnd, Msg, WParam, LParam});
    auto it = Handlers().find(Wnd);
    if (it != Handlers().end()) {
        THandler h = it->second;  // the handler may replace itself
        LRESULT r = 0;
        if (h(Wnd, Msg, WParam, LParam, r)) return r;
    }
    return DefWindowProc(Wnd, Msg, WParam, LParam);
}

// Registered once per process: "WinTestLog" (CS_DBLCLKS, white background)
// and "WinTestPlain" (no double clicks, no background brush).
inline void RegisterTestClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASS wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LogProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_WINDOW + 1));
    wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
    wc.lpszClassName = "WinTestLog";
    RegisterClass(&wc);
    WNDCLASS plain;
    plain.lpfnWndProc = LogProc;
    plain.lpszClassName = "WinTestPlain";
    RegisterClass(&plain);
}

inline HWND MakeWindow(DWORD Style, DWORD ExStyle, TRect R, HWND Parent = nullptr, const char* Text = "Test",
                       const char* Class = "WinTestLog", int Id = 0) {
    RegisterTestClasses();
    return CreateWindowEx(ExStyle, Class, Text, Style, R.Left, R.Top, R.Width(), R.Height(), Parent,
                          reinterpret_cast<HMENU>(intptr_t(Id)), nullptr, nullptr);
}

// Dispatches what the queue holds now (WM_QUIT is left alone and reported).
inline int Pump(bool* SawQuit = nullptr) {
    MSG m;
    int n = 0;
    while (n < 100000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        ++n;
        if (m.message == WM_QUIT) {
            if (SawQuit) *SawQuit = true;
            PostQuitMessage(int(m.wParam));
            break;
        }
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
    return n;
}

inline std::vector<UINT> MessagesOf(HWND Wnd, std::initializer_list<UINT> Only = {}) {
    std::vector<UINT> r;
    for (const TLogged& l : Log())
        if (l.Wnd == Wnd && (Only.size() == 0 || std::find(Only.begin(), Only.end(), l.Msg) != Only.end()))
            r.push_back(l.Msg);
    return r;
}

inline const TLogged* Find(HWND Wnd, UINT Msg, size_t Nth = 0) {
    for (const TLogged& l : Log())
        if (l.Wnd == Wnd && l.Msg == Msg && Nth-- == 0) return &l;
    return nullptr;
}

inline size_t Count(HWND Wnd, UINT Msg) {
    size_t n = 0;
    for (const TLogged& l : Log())
        if (l.Wnd == Wnd && l.Msg == Msg) ++n;
    return n;
}

inline ptrdiff_t IndexOf(HWND Wnd, UINT Msg) {
    for (size_t i = 0; i < Log().size(); ++i)
        if (Log()[i].Wnd == Wnd && Log()[i].Msg == Msg) return ptrdiff_t(i);
    return -1;
}

// A pixel of a window as it shows on its top-level surface, window
// coordinates of that top-level window.
inline COLORREF Pixel(HWND TopLevel, int X, int Y) {
    TPixelView v;
    if (!GetWindowSurface(TopLevel, &v) || X < 0 || Y < 0 || X >= v.Width || Y >= v.Height) return CLR_INVALID;
    return ColorRefFromPixel(v.Row(Y)[X]);
}

class TWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        Clean();
        Log().clear();
        Handlers().clear();
    }
    void TearDown() override {
        Clean();
        Log().clear();
        Handlers().clear();
    }
    static void Clean() {
        Handlers().clear();
        std::vector<HWND> mine;
        EnumThreadWindows(GetCurrentThreadId(), [&](HWND h, LPARAM) {
            mine.push_back(h);
            return TRUE;
        }, 0);
        for (HWND h : mine) DestroyWindow(h);
        ReleaseCapture();
        ClipCursor(nullptr);
        for (int vk = 1; vk < 256; ++vk)
            if (GetAsyncKeyState(vk) & 0x8000) {
                if (vk >= VK_LBUTTON && vk <= VK_XBUTTON2 && vk != VK_CANCEL) {
                    const TInputButton b = vk == VK_LBUTTON   ? mbLeftButton
                                           : vk == VK_RBUTTON ? mbRightButton
                                           : vk == VK_MBUTTON ? mbMiddleButton
                                           : vk == VK_XBUTTON1 ? mbXButton1
                                                               : mbXButton2;
                    TPoint p;
                    GetCursorPos(&p);
                    FeedMouseButton(b, false, p.X, p.Y);
                } else {
                    FeedKey(vk, false);
                }
            }
        BYTE none[256] = {};
        SetKeyboardState(none);
        MSG m;
        for (int i = 0; i < 100000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i)
            if (m.message != WM_QUIT) DispatchMessage(&m);
        SetCursorPos(1000, 700);
        for (int i = 0; i < 100000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i)
            if (m.message != WM_QUIT) DispatchMessage(&m);
        SetCursor(nullptr);
        SystemParametersInfo(SPI_SETGRADIENTCAPTIONS, TRUE, nullptr, 0);
        SetDoubleClickTime(0);
        if (Clock::IsVirtual()) Clock::UseVirtualTime(false);
    }
};

}  // namespace wintest
