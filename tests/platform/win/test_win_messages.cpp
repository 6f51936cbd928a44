// Sending, posting, the quit message, retrieval order and filters, threads.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "test_win_support.h"

using namespace wintest;

namespace {

class WinMessages : public TWinTest {};

TEST_F(WinMessages, SendIsSynchronousAndReentrant) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    SetHandler(h, [](HWND w, UINT m, WPARAM wp, LPARAM, LRESULT& r) {
        if (m == WM_USER) {
            r = SendMessage(w, WM_USER + 1, wp + 1, 0) * 10;  // nested send from inside a handler
            return true;
        }
        if (m == WM_USER + 1) {
            r = LRESULT(wp);
            return true;
        }
        return false;
    });
    Log().clear();
    EXPECT_EQ(SendMessage(h, WM_USER, 4, 0), 50);
    EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_USER, WM_USER + 1}));
    EXPECT_FALSE(InSendMessage()) << "a send within the thread is not an inter-thread send";
}

TEST_F(WinMessages, PostedMessagesComeInOrderAndSentOnesAtOnce) {
    HWND a = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    HWND b = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    Log().clear();
    PostMessage(a, WM_USER + 1, 0, 0);
    PostMessage(b, WM_USER + 2, 0, 0);
    PostMessage(a, WM_USER + 3, 0, 0);
    SendMessage(b, WM_USER + 4, 0, 0);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].Msg, WM_USER + 4u);
    Pump();
    std::vector<UINT> order;
    for (const TLogged& l : Log()) order.push_back(l.Msg);
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 4, WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    // A thread message (no window) keeps its place among them.
    PostMessage(a, WM_USER + 5, 0, 0);
    PostThreadMessage(GetCurrentThreadId(), WM_USER + 6, 7, 8);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 5u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 6u);
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(DispatchMessage(&m), 0);
}

TEST_F(WinMessages, PeekFiltersAndNoRemove) {
    HWND top = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 50, 50));
    HWND child = MakeWindow(WS_CHILD, 0, Bounds(0, 0, 10, 10), top);
    HWND other = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    PostMessage(other, WM_USER + 1, 0, 0);
    PostMessage(child, WM_USER + 2, 0, 0);
    PostMessage(top, WM_USER + 3, 0, 0);
    PostThreadMessage(GetCurrentThreadId(), WM_USER + 4, 0, 0);
    MSG m;
    // A window filter takes the window's children too.
    ASSERT_TRUE(PeekMessage(&m, top, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, child);
    ASSERT_TRUE(PeekMessage(&m, top, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, child) << "PM_NOREMOVE leaves the message";
    ASSERT_TRUE(PeekMessage(&m, top, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.hwnd, top);
    // (HWND)-1 takes thread messages only.
    ASSERT_TRUE(PeekMessage(&m, reinterpret_cast<HWND>(intptr_t(-1)), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 4u);
    EXPECT_FALSE(PeekMessage(&m, reinterpret_cast<HWND>(intptr_t(-1)), 0, 0, PM_REMOVE));
    // What is left comes in order.
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 2u);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    // A filter window that is dead or of another kind is an error.
    DestroyWindow(other);
    EXPECT_FALSE(PeekMessage(&m, other, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessage(&m, other, 0, 0), -1);
}

TEST_F(WinMessages, PostingToADeadWindowFails) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    DestroyWindow(h);
    SetLastError(0);
    EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WinMessages, MessagesOfADestroyedWindowAreNeverDelivered) {
    HWND a = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    HWND b = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    HWND c = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    // b's handler destroys a while a still has a message queued behind it.
    SetHandler(b, [a](HWND, UINT m, WPARAM, LPARAM, LRESULT&) {
        if (m == WM_USER) DestroyWindow(a);
        return false;
    });
    PostMessage(a, WM_USER + 1, 0, 0);
    PostMessage(b, WM_USER, 0, 0);
    PostMessage(a, WM_USER + 2, 0, 0);
    PostMessage(c, WM_USER + 3, 0, 0);
    PostMessage(c, WM_USER + 4, 0, 0);
    DestroyWindow(c);
    Log().clear();
    Pump();
    EXPECT_EQ(Count(a, WM_USER + 1), 1u);
    EXPECT_EQ(Count(a, WM_USER + 2), 0u) << "queued for a window destroyed before delivery";
    EXPECT_EQ(Count(c, WM_USER + 3), 0u);
    EXPECT_EQ(Count(c, WM_USER + 4), 0u);
}

struct TQuitCase {
    int Before;
    int After;
};

class WinQuit : public TWinTest, public ::testing::WithParamInterface<TQuitCase> {};

TEST_P(WinQuit, QuitComesAfterEarlierPostsAndIsKept) {
    const TQuitCase c = GetParam();
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    for (int i = 0; i < c.Before; ++i) PostMessage(h, WM_USER, WPARAM(i), 0);
    PostQuitMessage(17);
    for (int i = 0; i < c.After; ++i) PostMessage(h, WM_USER + 1, WPARAM(i), 0);
    MSG m;
    int before = 0;
    for (;;) {
        const BOOL r = GetMessage(&m, nullptr, 0, 0);
        if (r == 0) break;
        ASSERT_EQ(r, TRUE);
        ASSERT_EQ(m.message, WM_USER) << "a message posted after the quit came first";
        ++before;
        DispatchMessage(&m);
    }
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(int(m.wParam), 17);
    EXPECT_EQ(before, c.Before);
    // The later messages are still there, once each.
    int after = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_EQ(m.message, WM_USER + 1);
        EXPECT_EQ(int(m.wParam), after);
        ++after;
    }
    EXPECT_EQ(after, c.After);
}

INSTANTIATE_TEST_SUITE_P(Orders, WinQuit,
                         ::testing::Values(TQuitCase{0, 0}, TQuitCase{3, 0}, TQuitCase{0, 3}, TQuitCase{2, 5}));

TEST_F(WinMessages, QuitIsNotFilteredAndPrecedesPaintAndTimers) {
    HWND h = MakeWindow(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 20, 20));
    InvalidateRect(h, nullptr, TRUE);
    PostQuitMessage(3);
    PostQuitMessage(4);  // the code is the last one, the message stays single
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, h, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(int(m.wParam), 4);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
}

TEST_F(WinMessages, RegisteredMessages) {
    const UINT a = RegisterWindowMessage("Corvane.Test.Message");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessage("CORVANE.test.MESSAGE"), a);
    const UINT b = RegisterWindowMessage("Corvane.Test.Other");
    EXPECT_NE(a, b);
    EXPECT_GE(b, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
    EXPECT_EQ(RegisterWindowMessage(nullptr), 0u);
}

TEST_F(WinMessages, PostsFromSeveralThreadsAreDeliveredOnceInOrder) {
    constexpr int Threads = 4, PerThread = 1500;
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    std::vector<std::vector<int>> got(Threads + 1);
    SetHandler(h, [&](HWND, UINT m, WPARAM wp, LPARAM lp, LRESULT&) {
        if (m == WM_USER) got[size_t(wp)].push_back(int(lp));
        return false;
    });
    const DWORD mainThread = GetCurrentThreadId();
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t)
        workers.emplace_back([=] {
            for (int i = 0; i < PerThread; ++i) {
                // Half to the window, half to the thread, all counted by the window.
                if (i % 2)
                    while (!PostMessage(h, WM_USER, WPARAM(t), LPARAM(i))) std::this_thread::yield();
                else
                    while (!PostThreadMessage(mainThread, WM_APP, WPARAM(t), LPARAM(i))) std::this_thread::yield();
            }
        });
    int received = 0;
    MSG m;
    while (received < Threads * PerThread && GetMessage(&m, nullptr, 0, 0) > 0) {
        if (m.message == WM_APP) {
            got[size_t(m.wParam)].push_back(int(m.lParam));
            ++received;
        } else if (m.message == WM_USER) {
            ++received;
            DispatchMessage(&m);
        } else {
            DispatchMessage(&m);
        }
    }
    for (std::thread& w : workers) w.join();
    for (int t = 0; t < Threads; ++t) {
        ASSERT_EQ(got[size_t(t)].size(), size_t(PerThread)) << "thread " << t;
        // Each thread's messages arrive in the order it posted them
        // (window and thread messages share one queue).
        for (int i = 0; i < PerThread; ++i) EXPECT_EQ(got[size_t(t)][size_t(i)], i);
    }
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WinMessages, SendToAnotherThreadWaitsAndAnswersNestedSends) {
    HWND mine = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    SetHandler(mine, [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT& r) {
        if (m != WM_USER + 9) return false;
        r = LRESULT(wp) * 2;
        return true;
    });
    std::mutex mx;
    std::condition_variable cv;
    HWND theirs = nullptr;
    bool inSend = false;
    std::thread worker([&] {
        RegisterTestClasses();
        HWND w = CreateWindowEx(0, "WinTestPlain", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtr(w, GWLP_WNDPROC, WndProcToLong([](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                             if (m == WM_USER) {
                                 // Asks the waiting sender's thread in turn.
                                 HWND back = reinterpret_cast<HWND>(lp);
                                 const LRESULT x = SendMessage(back, WM_USER + 9, wp, 0);
                                 return x + (InSendMessage() ? 1000 : 0);
                             }
                             if (m == WM_USER + 1) {
                                 PostQuitMessage(0);
                                 return 0;
                             }
                             return DefWindowProc(h, m, wp, lp);
                         }));
        {
            std::lock_guard<std::mutex> g(mx);
            theirs = w;
        }
        cv.notify_all();
        MSG m;
        while (GetMessage(&m, nullptr, 0, 0) > 0) DispatchMessage(&m);
        DestroyWindow(w);
    });
    {
        std::unique_lock<std::mutex> g(mx);
        cv.wait(g, [&] { return theirs != nullptr; });
    }
    (void)inSend;
    EXPECT_EQ(SendMessage(theirs, WM_USER, 21, reinterpret_cast<LPARAM>(mine)), 1042);
    EXPECT_EQ(GetWindowThreadProcessId(theirs, nullptr), GetWindowThreadProcessId(theirs, nullptr));
    EXPECT_NE(GetWindowThreadProcessId(theirs, nullptr), GetCurrentThreadId());
    MSG probe{};
    probe.hwnd = theirs;
    probe.message = WM_USER;
    EXPECT_EQ(DispatchMessage(&probe), 0) << "no dispatching to another thread's window";
    EXPECT_FALSE(DestroyWindow(theirs)) << "only the owning thread destroys";
    PostMessage(theirs, WM_USER + 1, 0, 0);
    worker.join();
    EXPECT_FALSE(IsWindow(theirs));
    EXPECT_EQ(SendMessage(theirs, WM_USER, 1, 0), 0);
}

TEST_F(WinMessages, AThreadsWindowsEndWithIt) {
    HWND left = nullptr;
    DWORD tid = 0;
    std::thread worker([&] {
        RegisterTestClasses();
        left = CreateWindowEx(0, "WinTestPlain", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
        tid = GetCurrentThreadId();
    });
    worker.join();
    ASSERT_NE(left, nullptr);
    EXPECT_FALSE(IsWindow(left));
    EXPECT_FALSE(PostMessage(left, WM_USER, 0, 0));
    EXPECT_FALSE(PostThreadMessage(tid, WM_USER, 0, 0));
    EXPECT_EQ(SendMessage(left, WM_USER, 0, 0), 0) << "no wait for a thread that is gone";
}

TEST_F(WinMessages, GetMessageWakesForAPostFromAnotherThread) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    std::thread poster([h] { PostMessage(h, WM_USER + 7, 1, 2); });
    MSG m;
    ASSERT_GT(GetMessage(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.message, WM_USER + 7u);
    EXPECT_EQ(m.hwnd, h);
    poster.join();
}

TEST_F(WinMessages, WaitMessageReturnsWhenSomethingArrives) {
    HWND h = MakeWindow(WS_POPUP, 0, Bounds(0, 0, 10, 10));
    std::thread poster([h] { PostMessage(h, WM_USER + 8, 0, 0); });
    EXPECT_TRUE(WaitMessage());
    poster.join();
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 8u);
    EXPECT_EQ(GetMessageTime(), LONG(m.time));
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
}

struct TKeyCase {
    std::vector<std::pair<int, bool>> Keys;  // fed in order
    std::vector<uint32_t> Chars;             // WM_CHAR codes expected
};

class WinTranslate : public TWinTest, public ::testing::WithParamInterface<TKeyCase> {};

TEST_P(WinTranslate, KeyDownGivesTheCharacter) {
    HWND h = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(10, 10, 100, 100));
    ASSERT_EQ(GetFocus(), h);
    Log().clear();
    for (auto [vk, down] : GetParam().Keys) FeedKey(vk, down);
    Pump();
    std::vector<uint32_t> chars;
    for (const TLogged& l : Log())
        if (l.Wnd == h && l.Msg == WM_CHAR) chars.push_back(uint32_t(l.WParam));
    EXPECT_EQ(chars, GetParam().Chars);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, WinTranslate,
    ::testing::Values(TKeyCase{{{'A', true}, {'A', false}}, {'a'}},
                      TKeyCase{{{VK_SHIFT, true}, {'A', true}, {'A', false}, {VK_SHIFT, false}}, {'A'}},
                      // The key state of the message counts, not the later one.
                      TKeyCase{{{VK_SHIFT, true}, {'B', true}, {VK_SHIFT, false}, {'B', false}}, {'B'}},
                      TKeyCase{{{VK_SHIFT, true}, {'1', true}, {VK_SHIFT, false}}, {'!'}},
                      TKeyCase{{{VK_CONTROL, true}, {'C', true}, {VK_CONTROL, false}}, {3}},
                      TKeyCase{{{VK_RETURN, true}, {VK_BACK, true}, {VK_SPACE, true}}, {13, 8, ' '}},
                      TKeyCase{{{VK_CAPITAL, true}, {VK_CAPITAL, false}, {'Q', true}}, {'Q'}},
                      TKeyCase{{{VK_OEM_2, true}, {VK_SHIFT, true}, {VK_OEM_2, true}}, {'/', '?'}},
                      TKeyCase{{{VK_LEFT, true}, {VK_F5, true}, {VK_NUMPAD5, true}}, {}}));

}  // namespace
