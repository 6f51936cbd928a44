// TCvThreadedTimer: constructed values and stream defaults, ticks on the
// main thread through CheckSynchronize on virtual time, the running rule,
// suspend/resume keeping the rest of the sleep, Reset, freeing the
// component from its own tick or while it sleeps, the exception path, and a
// short run on real time.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Clock.h"
#include "CvThreadedTimer.h"
#include "ExceptionHook.h"
#include "Filer.h"
#include "Thread.h"

using namespace vcl;
using corvane::TCvThreadedTimer;

namespace {

constexpr uint64_t kMs = 1000000;

class ThreadedTimerVirtual : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(true);
        Start = Clock::NowNs();
    }
    void TearDown() override {
        while (CheckSynchronize(0)) {
        }
        Clock::UseVirtualTime(false);
    }
    // Moves the clock and runs the ticks that reached the main thread.
    void Advance(uint64_t Ms) {
        Clock::Advance(Ms * kMs);
        while (CheckSynchronize(0)) {
        }
    }
    uint64_t ElapsedMs() const { return (Clock::NowNs() - Start) / kMs; }

    std::unique_ptr<TCvThreadedTimer> MakeTimer(uint16_t Interval) {
        auto t = std::make_unique<TCvThreadedTimer>(nullptr);
        t->SetInterval(Interval);
        t->SetOnTimer([this](TObject*) {
            EXPECT_TRUE(IsMainThread());
            At.push_back(ElapsedMs());
        });
        return t;
    }
    uint64_t Start = 0;
    std::vector<uint64_t> At;
};

}  // namespace

TEST_F(ThreadedTimerVirtual, ConstructedValuesAndStream) {
    TCvThreadedTimer t(nullptr);
    EXPECT_TRUE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000);
    EXPECT_EQ(t.ThreadPriority(), tpNormal);
    EXPECT_EQ(t.About(), 0);
    ASSERT_NE(t.Thread(), nullptr);
    EXPECT_TRUE(t.Thread()->Suspended());
    t.SetName("ThreadedTimer1");
    t.SetThreadPriority(tpHigher);
    EXPECT_EQ(t.Thread()->Priority(), tpHigher);
    std::string text = ComponentToString(&t);
    for (const char* written : {"About = 0", "Enabled = True", "Interval = 1000", "ThreadPriority = tpHigher"})
        EXPECT_NE(text.find(written), std::string::npos) << written << "\n" << text;

    TCvThreadedTimer b(nullptr);
    t.SetInterval(250);
    t.SetEnabled(false);
    StringToComponent(ComponentToString(&t), &b);
    EXPECT_EQ(b.Interval(), 250);
    EXPECT_FALSE(b.Enabled());
    EXPECT_EQ(b.ThreadPriority(), tpHigher);
    EXPECT_EQ(b.Thread()->Priority(), tpHigher);
    for (const char* name : {"About", "Enabled", "Interval", "ThreadPriority"}) {
        const TPropInfo* p = TCvThreadedTimer::StaticClass().FindProperty(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_FALSE(p->OrdDefault.has_value()) << name;
    }
}

TEST_F(ThreadedTimerVirtual, PeriodicTicksOnTheMainThread) {
    auto t = MakeTimer(100);
    Advance(99);
    EXPECT_TRUE(At.empty());
    Advance(1);
    Advance(100);
    Advance(100);
    EXPECT_EQ(At, (std::vector<uint64_t>{100, 200, 300}));
}

TEST_F(ThreadedTimerVirtual, NotRunningWithoutHandlerOrInterval) {
    int calls = 0;
    {
        TCvThreadedTimer t(nullptr);
        t.SetInterval(50);  // no handler
        Advance(200);
        EXPECT_TRUE(t.Thread()->Suspended());
    }
    {
        TCvThreadedTimer t(nullptr);
        t.SetInterval(0);
        t.SetOnTimer([&](TObject*) { ++calls; });
        Advance(200);
        EXPECT_TRUE(t.Thread()->Suspended());
    }
    EXPECT_EQ(calls, 0);
}

TEST_F(ThreadedTimerVirtual, QueuedTickIsDroppedAfterDisable) {
    auto t = MakeTimer(100);
    Clock::Advance(100 * kMs);  // the tick waits for the main thread
    t->SetEnabled(false);
    Advance(0);
    EXPECT_TRUE(At.empty());
    Advance(500);
    EXPECT_TRUE(At.empty());
}

TEST_F(ThreadedTimerVirtual, SuspendKeepsTheRestOfTheInterval) {
    auto t = MakeTimer(100);
    Advance(30);
    t->SetEnabled(false);
    Advance(1000);
    EXPECT_TRUE(At.empty());
    t->SetEnabled(true);  // 70 ms of the sleep are left
    Advance(69);
    EXPECT_TRUE(At.empty());
    Advance(1);
    EXPECT_EQ(At, (std::vector<uint64_t>{1100}));
    Advance(100);
    EXPECT_EQ(At, (std::vector<uint64_t>{1100, 1200}));
}

TEST_F(ThreadedTimerVirtual, NewIntervalTakesEffectAtTheNextSleep) {
    auto t = MakeTimer(100);
    Advance(50);
    t->SetInterval(300);  // the current sleep keeps its 100 ms
    Advance(50);
    EXPECT_EQ(At, (std::vector<uint64_t>{100}));
    Advance(299);
    EXPECT_EQ(At.size(), 1u);
    Advance(1);
    EXPECT_EQ(At, (std::vector<uint64_t>{100, 400}));
}

TEST_F(ThreadedTimerVirtual, ResetStartsTheSleepOver) {
    auto t = MakeTimer(100);
    Advance(60);
    t->Reset();
    Advance(99);
    EXPECT_TRUE(At.empty());
    Advance(1);
    EXPECT_EQ(At, (std::vector<uint64_t>{160}));
}

TEST_F(ThreadedTimerVirtual, ResetFromInsideTheTick) {
    TCvThreadedTimer t(nullptr);
    t.SetInterval(100);
    t.SetOnTimer([&](TObject*) {
        At.push_back(ElapsedMs());
        if (At.size() == 1) t.Reset();
    });
    Advance(100);
    EXPECT_EQ(At, (std::vector<uint64_t>{100}));
    Advance(99);
    EXPECT_EQ(At.size(), 1u);
    Advance(1);
    EXPECT_EQ(At, (std::vector<uint64_t>{100, 200}));
    Advance(100);
    EXPECT_EQ(At, (std::vector<uint64_t>{100, 200, 300}));
}

TEST_F(ThreadedTimerVirtual, FreedFromInsideTheTick) {
    auto* t = new TCvThreadedTimer(nullptr);
    int calls = 0;
    t->SetInterval(100);
    t->SetOnTimer([&](TObject* Sender) {
        ++calls;
        delete static_cast<TCvThreadedTimer*>(Sender);
    });
    Advance(100);
    EXPECT_EQ(calls, 1);
    Advance(1000);
    EXPECT_EQ(calls, 1);
}

TEST_F(ThreadedTimerVirtual, FreedWhileSleepingALongInterval) {
    auto t = MakeTimer(60000);
    Advance(1000);
    t.reset();  // returns at once: no virtual time passes
    EXPECT_EQ(ElapsedMs(), 1000u);
    Advance(120000);
    EXPECT_TRUE(At.empty());
}

TEST_F(ThreadedTimerVirtual, FreedWithATickWaitingForTheMainThread) {
    auto t = MakeTimer(100);
    Clock::Advance(100 * kMs);
    t.reset();
    Advance(0);
    EXPECT_TRUE(At.empty());
}

TEST_F(ThreadedTimerVirtual, HandlerExceptionGoesToTheApplicationAndTheTimerGoesOn) {
    std::vector<std::string> messages;
    std::vector<TObject*> senders;
    TApplicationExceptionHandler old =
        SetApplicationHandleException([&](TObject* Sender, std::exception_ptr E) {
            senders.push_back(Sender);
            try {
                std::rethrow_exception(E);
            } catch (const std::exception& e) {
                messages.push_back(e.what());
            }
        });
    {
        TCvThreadedTimer t(nullptr);
        t.SetInterval(100);
        int calls = 0;
        t.SetOnTimer([&](TObject*) {
            ++calls;
            throw std::runtime_error("tick " + std::to_string(calls));
        });
        Advance(100);
        Advance(100);
        EXPECT_EQ(calls, 2);
        EXPECT_TRUE(t.Enabled());
        EXPECT_EQ(messages, (std::vector<std::string>{"tick 1", "tick 2"}));
        EXPECT_EQ(senders, (std::vector<TObject*>{&t, &t}));
    }
    SetApplicationHandleException(old);
}

TEST(ThreadedTimerRealTime, DeliversOnTheMainThread) {
    Clock::UseVirtualTime(false);
    TCvThreadedTimer t(nullptr);
    t.SetInterval(5);
    int calls = 0;
    bool onMain = true;
    t.SetOnTimer([&](TObject*) {
        ++calls;
        onMain = onMain && IsMainThread();
    });
    while (calls < 5) CheckSynchronize(1000);
    t.SetEnabled(false);
    EXPECT_EQ(calls, 5);
    EXPECT_TRUE(onMain);
}
