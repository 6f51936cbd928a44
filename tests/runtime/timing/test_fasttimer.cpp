// TCvFastTimer: setters and their ranges, stream defaults, delivery of the
// multimedia timer's ticks through the message loop on virtual time, the
// exception path, destruction with ticks in flight, 32-bit timer ids, and a
// short run on real time.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Clock.h"
#include "CvFastTimer.h"
#include "ExceptionHook.h"
#include "Filer.h"
#include "MMSystem.h"
#include "Thread.h"
#include "Windows.h"

using namespace vcl;
using corvane::TCvFastTimer;

namespace {

constexpr uint64_t kMs = 1000000;

int PumpMessages() {
    int n = 0;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessage(&msg);
        ++n;
    }
    return n;
}

// Captures what reaches the application's exception handler.
struct TCaughtExceptions {
    std::vector<std::string> Messages;
    std::vector<TObject*> Senders;
    TApplicationExceptionHandler Old;
    TCaughtExceptions() {
        Old = SetApplicationHandleException([this](TObject* Sender, std::exception_ptr E) {
            Senders.push_back(Sender);
            try {
                std::rethrow_exception(E);
            } catch (const std::exception& e) {
                Messages.push_back(e.what());
            }
        });
    }
    ~TCaughtExceptions() { SetApplicationHandleException(Old); }
};

class FastTimerVirtual : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(true);
        PumpMessages();
    }
    void TearDown() override {
        PumpMessages();
        Clock::UseVirtualTime(false);
    }
    void Advance(uint64_t Ms) { Clock::Advance(Ms * kMs); }

    // A timer with a recording handler, Interval ms, periodic or one-shot.
    std::unique_ptr<TCvFastTimer> MakeTimer(uint32_t Interval, bool AutoRepeat = true) {
        auto t = std::make_unique<TCvFastTimer>(nullptr);
        t->SetInterval(Interval);
        t->SetAutoRepeat(AutoRepeat);
        t->SetOnTimer([this](TObject*, uint32_t Time) { Times.push_back(Time); });
        return t;
    }
    std::vector<uint32_t> Times;
};

}  // namespace

// ---------------------------------------------------------------------------
// Construction, setters and stream defaults

TEST_F(FastTimerVirtual, ConstructedValues) {
    TCvFastTimer t(nullptr);
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof(caps)), TIMERR_NOERROR);
    EXPECT_TRUE(t.Enabled());
    EXPECT_TRUE(t.AutoRepeat());
    EXPECT_EQ(t.Interval(), caps.wPeriodMax);
    // The resolution is the device minimum, not refused against an interval of 0.
    EXPECT_EQ(t.Resolution(), caps.wPeriodMin);
    EXPECT_EQ(t.PendingEvents(), 0);
    EXPECT_EQ(t.About(), 0);
    EXPECT_TRUE(IsWindow(t.WindowHandle()));
    EXPECT_EQ(t.TimerID(), 0u);  // no handler, no timer
    EXPECT_EQ(TimerPeriodInUse(), caps.wPeriodMin);
}

TEST_F(FastTimerVirtual, SystemPeriodLastsForTheComponentsLife) {
    UINT before = TimerPeriodInUse();
    {
        TCvFastTimer t(nullptr);
        EXPECT_EQ(TimerPeriodInUse(), TIMECAPS_PERIOD_MIN);
    }
    EXPECT_EQ(TimerPeriodInUse(), before);
}

TEST_F(FastTimerVirtual, IntervalRange) {
    struct TCase {
        uint32_t Value;
        uint32_t Expected;
    } cases[] = {
        {500, 500},
        {TIMECAPS_PERIOD_MIN, TIMECAPS_PERIOD_MIN},
        {TIMECAPS_PERIOD_MAX, TIMECAPS_PERIOD_MAX},
        {0, 777},                           // below the minimum period
        {TIMECAPS_PERIOD_MAX + 1, 777},     // above the maximum period
        {0xFFFFFFFFu, 777},                 // -1 as a signed number
        {0x80000000u, 777},
    };
    for (const TCase& c : cases) {
        TCvFastTimer t(nullptr);
        t.SetInterval(777);
        t.SetInterval(c.Value);
        EXPECT_EQ(t.Interval(), c.Expected) << c.Value;
    }
}

TEST_F(FastTimerVirtual, ShortIntervalsAreOneShot) {
    TCvFastTimer t(nullptr);
    t.SetInterval(5);
    EXPECT_FALSE(t.AutoRepeat());
    t.SetAutoRepeat(true);
    EXPECT_FALSE(t.AutoRepeat());
    t.SetInterval(10);
    EXPECT_FALSE(t.AutoRepeat());  // not raised again by itself
    t.SetAutoRepeat(true);
    EXPECT_TRUE(t.AutoRepeat());
    t.SetInterval(9);
    EXPECT_FALSE(t.AutoRepeat());
}

TEST_F(FastTimerVirtual, ResolutionRange) {
    struct TCase {
        uint32_t Value;
        uint32_t Expected;
    } cases[] = {
        {100, 100},  // equal to Interval
        {0, 0},
        {50, 50},
        {101, 7},    // above Interval
        {0xFFFFFFFFu, 7},
    };
    for (const TCase& c : cases) {
        TCvFastTimer t(nullptr);
        t.SetInterval(100);
        t.SetResolution(7);
        t.SetResolution(c.Value);
        EXPECT_EQ(t.Resolution(), c.Expected) << c.Value;
    }
}

TEST_F(FastTimerVirtual, StreamWritesEveryStoredPropertyAndNoReadOnlyOne) {
    TCvFastTimer t(nullptr);
    t.SetName("FastTimer1");
    std::string text = ComponentToString(&t);
    for (const char* written : {"About = 0", "Enabled = True", "AutoRepeat = True", "Interval = 1000000",
                                "Resolution = 1"})
        EXPECT_NE(text.find(written), std::string::npos) << written << "\n" << text;
    EXPECT_EQ(text.find("PendingEvents"), std::string::npos) << text;
    EXPECT_EQ(text.find("WindowHandle"), std::string::npos) << text;

    const TPropInfo* about = TCvFastTimer::StaticClass().FindProperty("About");
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(about->OrdDefault.has_value());
}

TEST_F(FastTimerVirtual, StreamRoundTrip) {
    TCvFastTimer a(nullptr);
    a.SetName("FastTimer1");
    a.SetInterval(40);
    a.SetResolution(3);
    a.SetAutoRepeat(false);
    a.SetEnabled(false);
    TCvFastTimer b(nullptr);
    StringToComponent(ComponentToString(&a), &b);
    EXPECT_EQ(b.Interval(), 40u);
    EXPECT_EQ(b.Resolution(), 3u);
    EXPECT_FALSE(b.AutoRepeat());
    EXPECT_FALSE(b.Enabled());
}

// ---------------------------------------------------------------------------
// Delivery

TEST_F(FastTimerVirtual, NoHandlerNoTimer) {
    TCvFastTimer t(nullptr);
    t.SetInterval(20);
    t.SetEnabled(false);
    t.SetEnabled(true);
    EXPECT_EQ(t.TimerID(), 0u);
    t.SetOnTimer([](TObject*, uint32_t) {});
    EXPECT_NE(t.TimerID(), 0u);
    t.SetOnTimer(nullptr);
    EXPECT_EQ(t.TimerID(), 0u);
}

TEST_F(FastTimerVirtual, PeriodicTicksCarryTheirOwnTimeOnTheMainThread) {
    auto t = MakeTimer(50);
    uint32_t start = timeGetTime();
    Advance(150);  // three ticks posted before the loop runs
    EXPECT_TRUE(Times.empty());
    EXPECT_EQ(PumpMessages(), 3);
    EXPECT_EQ(Times, (std::vector<uint32_t>{start + 50, start + 100, start + 150}));
    EXPECT_EQ(t->PendingEvents(), uint16_t(65533));  // lowered per delivered tick, wrapping
    Advance(49);
    PumpMessages();
    EXPECT_EQ(Times.size(), 3u);
    Advance(1);
    PumpMessages();
    EXPECT_EQ(Times.size(), 4u);
    EXPECT_TRUE(t->Enabled());
}

TEST_F(FastTimerVirtual, OneShotDisablesItselfAndIsArmedAgainByEnabled) {
    auto t = MakeTimer(30, false);
    Advance(100);
    PumpMessages();
    ASSERT_EQ(Times.size(), 1u);
    EXPECT_FALSE(t->Enabled());
    Advance(100);
    PumpMessages();
    EXPECT_EQ(Times.size(), 1u);
    uint32_t now = timeGetTime();
    t->SetEnabled(true);
    Advance(30);
    PumpMessages();
    ASSERT_EQ(Times.size(), 2u);
    EXPECT_EQ(Times[1], now + 30);
    EXPECT_FALSE(t->Enabled());
}

TEST_F(FastTimerVirtual, QueuedTicksAreDroppedAfterDisable) {
    auto t = MakeTimer(20);
    Advance(60);  // three ticks queued
    t->SetEnabled(false);
    EXPECT_EQ(t->TimerID(), 0u);
    PumpMessages();
    EXPECT_TRUE(Times.empty());
    Advance(100);
    PumpMessages();
    EXPECT_TRUE(Times.empty());
}

TEST_F(FastTimerVirtual, TicksOfAReplacedTimerAreDropped) {
    auto t = MakeTimer(20);
    Advance(40);          // two ticks of the 20 ms timer queued
    t->SetInterval(30);   // restarts: those ticks belong to the old timer
    uint32_t now = timeGetTime();
    PumpMessages();
    EXPECT_TRUE(Times.empty());
    Advance(30);
    PumpMessages();
    EXPECT_EQ(Times, (std::vector<uint32_t>{now + 30}));
}

TEST_F(FastTimerVirtual, NeverFiresInTheDesigner) {
    TCvFastTimer t(nullptr);
    t.SetDesigning(true);
    t.SetInterval(20);
    t.SetOnTimer([this](TObject*, uint32_t Time) { Times.push_back(Time); });
    EXPECT_EQ(t.TimerID(), 0u);
    Advance(100);
    PumpMessages();
    EXPECT_TRUE(Times.empty());
}

TEST_F(FastTimerVirtual, HandlerExceptionStopsTheSystemTimerAndReachesTheApplication) {
    TCaughtExceptions caught;
    TCvFastTimer t(nullptr);
    t.SetInterval(20);
    int calls = 0;
    t.SetOnTimer([&](TObject*, uint32_t) {
        ++calls;
        throw std::runtime_error("tick failed");
    });
    Advance(20);
    PumpMessages();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.TimerID(), 0u);  // the multimedia timer is gone too
    ASSERT_EQ(caught.Messages.size(), 1u);
    EXPECT_EQ(caught.Messages[0], "tick failed");
    EXPECT_EQ(caught.Senders[0], &t);
    Advance(200);
    EXPECT_EQ(PumpMessages(), 0);  // nothing is posted any more
    EXPECT_EQ(calls, 1);
    // Enabled True starts it again.
    t.SetOnTimer([&](TObject*, uint32_t) { ++calls; });
    t.SetEnabled(true);
    Advance(20);
    PumpMessages();
    EXPECT_EQ(calls, 2);
}

TEST_F(FastTimerVirtual, TickInFlightAtDestructionIsDropped) {
    int calls = 0;
    auto t = std::make_unique<TCvFastTimer>(nullptr);
    t->SetInterval(10);
    t->SetOnTimer([&](TObject*, uint32_t) { ++calls; });
    Advance(30);  // ticks posted, not yet retrieved
    HWND wnd = t->WindowHandle();
    t.reset();
    EXPECT_FALSE(IsWindow(wnd));
    PumpMessages();
    EXPECT_EQ(calls, 0);
}

TEST_F(FastTimerVirtual, HandlerMayFreeTheComponent) {
    TCaughtExceptions caught;
    auto* t = new TCvFastTimer(nullptr);
    int calls = 0;
    t->SetInterval(10);
    t->SetOnTimer([&](TObject* Sender, uint32_t) {
        ++calls;
        delete static_cast<TCvFastTimer*>(Sender);
    });
    Advance(30);
    PumpMessages();
    EXPECT_EQ(calls, 1);
    Advance(30);
    PumpMessages();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(caught.Messages.empty());
}

TEST_F(FastTimerVirtual, TimerIdKeepsAll32Bits) {
    // Use up the 16-bit range of ids first.
    auto noop = [](UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {};
    UINT last = 0;
    while (last <= 0x10000) {
        last = timeSetEvent(1000, 1, noop, 0, TIME_ONESHOT);
        ASSERT_NE(last, 0u);
        timeKillEvent(last);
    }
    auto t = MakeTimer(20);
    EXPECT_GT(t->TimerID(), 0xFFFFu);
    Advance(20);
    PumpMessages();
    EXPECT_EQ(Times.size(), 1u);  // the tick is matched against the full id
    t->SetEnabled(false);          // and the full id is killed
    Advance(100);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(Times.size(), 1u);
}

TEST_F(FastTimerVirtual, OtherMessagesGoToTheDefaultProcedure) {
    TCvFastTimer t(nullptr);
    EXPECT_EQ(SendMessage(t.WindowHandle(), WM_USER + 5, 1, 2), 0);
    EXPECT_TRUE(IsWindow(t.WindowHandle()));
}

TEST(FastTimerMessage, RegisteredOnceByName) {
    EXPECT_GE(corvane::CvFastTimerMessage(), 0xC000u);
    EXPECT_LE(corvane::CvFastTimerMessage(), 0xFFFFu);
    EXPECT_EQ(corvane::CvFastTimerMessage(), RegisterWindowMessage("TCvFastTimer"));
}

// ---------------------------------------------------------------------------
// Real time, briefly: ticks arrive on the main thread through GetMessage.

TEST(FastTimerRealTime, DeliversOnTheMainThread) {
    Clock::UseVirtualTime(false);
    TCvFastTimer t(nullptr);
    t.SetInterval(10);
    int calls = 0;
    bool onMain = true;
    t.SetOnTimer([&](TObject*, uint32_t) {
        ++calls;
        onMain = onMain && IsMainThread();
    });
    MSG msg;
    while (calls < 5 && GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
    t.SetEnabled(false);
    EXPECT_GE(calls, 5);
    EXPECT_LE(calls, 6);
    EXPECT_TRUE(onMain);
    PumpMessages();
}
