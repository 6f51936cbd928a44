// Timers on the platform clock in virtual time.
#include <atomic>
#include <thread>

#include "test_win_support.h"

using namespace wintest;

namespace {

constexpr uint64_t Ms = 1000000;

class WinTimers : public TWinTest {
protected:
    void SetUp() override {
        TWinTest::SetUp();
        Clock::UseVirtualTime(true);
        Start = Clock::GetTickCount64();
    }
    void Record(HWND Wnd) {
        SetHandler(Wnd, [this](HWND, UINT m, WPARAM wp, LPARAM, LRESULT&) {
            if (m == WM_TIMER) Fired.emplace_back(UINT_PTR(wp), Clock::GetTickCount64() - Start);
            return false;
        });
    }
    void Step(uint64_t Total, uint64_t Each) {
        for (uint64_t t = 0; t < Total; t += Each) {
            Clock::Advance(Each * Ms);
            Pump();
        }
    }
    uint64_t Start = 0;
    // (timer id, milliseconds since the start when it was dispatched)
    std::vector<std::pair<UINT_PTR, uint64_t>> Fired;
};

TEST_F(WinTimers, FireInDueOrderWithTheirPeriods) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    Record(h);
    SetTimer(h, 1, 30, nullptr);
    SetTimer(h, 2, 20, nullptr);
    SetTimer(h, 3, 50, nullptr);
    Step(100, 10);
    const std::vector<std::pair<UINT_PTR, uint64_t>> expected = {
        {2, 20}, {1, 30}, {2, 40}, {3, 50}, {1, 60}, {2, 60}, {2, 80}, {1, 90}, {2, 100}, {3, 100}};
    EXPECT_EQ(Fired, expected);
}

TEST_F(WinTimers, TicksAreCoalescedAndLowPriority) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    Record(h);
    SetTimer(h, 5, 100, nullptr);
    Clock::Advance(1000 * Ms);  // ten periods pass without the queue being read
    EXPECT_TRUE(GetQueueStatus(QS_TIMER) & QS_TIMER);
    PostMessage(h, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER) << "posted messages come before WM_TIMER";
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 5u);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "one tick for ten periods";
    // The next period is counted from when the timer became due.
    Clock::Advance(99 * Ms);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    Clock::Advance(1 * Ms);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_TIMER);
}

TEST_F(WinTimers, KillTimerDropsThePendingTick) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    SetTimer(h, 1, 50, nullptr);
    SetTimer(h, 2, 50, nullptr);
    Clock::Advance(60 * Ms);
    EXPECT_TRUE(KillTimer(h, 1));
    EXPECT_FALSE(KillTimer(h, 1));
    Log().clear();
    Pump();
    EXPECT_EQ(Count(h, WM_TIMER), 1u);
    ASSERT_NE(Find(h, WM_TIMER), nullptr);
    EXPECT_EQ(Find(h, WM_TIMER)->WParam, 2u);
}

TEST_F(WinTimers, PaintComesBeforeTimers) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 10, 10));
    Pump();
    SetTimer(h, 1, 10, nullptr);
    Clock::Advance(10 * Ms);
    InvalidateRect(h, nullptr, FALSE);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
    DispatchMessage(&m);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_TIMER);
}

UINT_PTR gProcId = 0;
HWND gProcWnd = nullptr;
int gProcCalls = 0;
void TimerProc(HWND Wnd, UINT Msg, UINT_PTR Id, DWORD) {
    if (Msg == WM_TIMER) {
        gProcId = Id;
        gProcWnd = Wnd;
        ++gProcCalls;
    }
}

TEST_F(WinTimers, TimerProcsAndThreadTimers) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    gProcCalls = 0;
    EXPECT_EQ(SetTimer(h, 7, 40, TimerProc), 7u);
    Clock::Advance(40 * Ms);
    Log().clear();
    Pump();
    EXPECT_EQ(gProcCalls, 1);
    EXPECT_EQ(gProcId, 7u);
    EXPECT_EQ(gProcWnd, h);
    EXPECT_EQ(Count(h, WM_TIMER), 0u) << "the procedure gets the tick instead of the window";
    KillTimer(h, 7);
    // A thread timer gets an id of its own.
    const UINT_PTR a = SetTimer(nullptr, 0, 25, TimerProc);
    const UINT_PTR b = SetTimer(nullptr, 0, 25, TimerProc);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    gProcCalls = 0;
    Clock::Advance(25 * Ms);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.hwnd, nullptr);
    DispatchMessage(&m);
    Pump();
    EXPECT_EQ(gProcCalls, 2);
    EXPECT_EQ(gProcWnd, nullptr);
    KillTimer(nullptr, a);
    KillTimer(nullptr, b);
}

TEST_F(WinTimers, ReplacingAndMinimumInterval) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    Record(h);
    SetTimer(h, 1, 0, nullptr);  // raised to the minimum of 10 ms
    Step(10, 10);
    EXPECT_EQ(Fired, (std::vector<std::pair<UINT_PTR, uint64_t>>{{1, 10}}));
    Fired.clear();
    Clock::Advance(5 * Ms);
    SetTimer(h, 1, 100, nullptr);  // same id: replaced, counting anew
    Step(100, 10);
    EXPECT_EQ(Fired, (std::vector<std::pair<UINT_PTR, uint64_t>>{{1, 115}}));
}

TEST_F(WinTimers, DestroyingTheWindowEndsItsTimers) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    SetTimer(h, 1, 10, nullptr);
    Clock::Advance(10 * Ms);
    DestroyWindow(h);
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(h, 1));
}

TEST_F(WinTimers, GetMessageWakesWhenTimeIsAdvancedElsewhere) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    SetTimer(h, 9, 100, nullptr);
    std::thread advancer([] { Clock::Advance(100 * Ms); });
    MSG m;
    ASSERT_GT(GetMessage(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 9u);
    advancer.join();
}

TEST_F(WinTimers, TimersOfOtherWindowsAreRefused) {
    std::atomic<HWND> made{nullptr};
    std::thread t([&] {
        HWND w = CreateWindowEx(0, "WinTestPlain", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
        made = w;
        MSG m;
        // Keep the window alive until the main thread has tried.
        while (GetMessage(&m, nullptr, 0, 0) > 0) DispatchMessage(&m);
        DestroyWindow(w);
    });
    while (!made.load()) std::this_thread::yield();
    HWND h = made.load();
    EXPECT_EQ(SetTimer(h, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    PostThreadMessage(GetWindowThreadProcessId(h, nullptr), WM_QUIT, 0, 0);
    t.join();
}

}  // namespace
