// The multimedia timer: capabilities, periods, delivery on virtual time
// (deterministic: Clock::Advance returns after the timer thread has run the
// callbacks due on the way) and a short run on real time.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "Clock.h"
#include "MMSystem.h"
#include "Sleep.h"
#include "Thread.h"

using namespace vcl;

namespace {

constexpr uint64_t kMs = 1000000;

struct TTick {
    UINT Id;
    DWORD Time;  // timeGetTime in the callback
    bool operator==(const TTick& o) const { return Id == o.Id && Time == o.Time; }
};

std::ostream& operator<<(std::ostream& os, const TTick& t) { return os << "{" << t.Id << " @" << t.Time << "}"; }

// What a test wants its callback to do; the timer's user value points to it.
struct TTarget {
    std::mutex Mutex;
    std::vector<TTick> Ticks;
    std::set<std::thread::id> Threads;
    bool SawBadArgs = false;
    std::function<void(UINT Id)> Action;  // runs after the tick is logged

    size_t Count() {
        std::lock_guard<std::mutex> lock(Mutex);
        return Ticks.size();
    }
    std::vector<TTick> Log() {
        std::lock_guard<std::mutex> lock(Mutex);
        return Ticks;
    }
};

void RecordTick(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2) {
    auto* target = reinterpret_cast<TTarget*>(dwUser);
    {
        std::lock_guard<std::mutex> lock(target->Mutex);
        target->Ticks.push_back({uTimerID, timeGetTime()});
        target->Threads.insert(std::this_thread::get_id());
        if (uMsg != 0 || dw1 != 0 || dw2 != 0) target->SawBadArgs = true;
    }
    if (target->Action) target->Action(uTimerID);
}

DWORD_PTR User(TTarget& Target) { return reinterpret_cast<DWORD_PTR>(&Target); }

class MMTimer : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(true);
        T0 = timeGetTime();
    }
    void TearDown() override {
        for (UINT id : Made) timeKillEvent(id);
        Clock::UseVirtualTime(false);
    }
    static void Advance(uint64_t Ms) { Clock::Advance(Ms * kMs); }
    UINT Set(UINT Delay, TTarget& Target, UINT Flags) {
        const UINT id = timeSetEvent(Delay, 1, RecordTick, User(Target), Flags);
        if (id) Made.push_back(id);
        return id;
    }
    TTick At(UINT Id, DWORD Ms) const { return {Id, T0 + Ms}; }

    DWORD T0 = 0;
    std::vector<UINT> Made;
};

// A thread running a function, for the tests that need a second caller.
class TFuncThread : public TThread {
public:
    explicit TFuncThread(std::function<void()> Body) : TThread(true), FBody(std::move(Body)) {}
    ~TFuncThread() override { Shutdown(); }

protected:
    void Execute() override { FBody(); }

private:
    std::function<void()> FBody;
};

}  // namespace

// ---------------------------------------------------------------------------
// Capabilities and periods

TEST(MMCaps, DevCapsReportTheRangeOfPeriods) {
    TIMECAPS tc{0, 0};
    EXPECT_EQ(timeGetDevCaps(&tc, sizeof(tc)), TIMERR_NOERROR);
    EXPECT_EQ(tc.wPeriodMin, 1u);
    EXPECT_EQ(tc.wPeriodMax, 1000000u);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof(tc)), TIMERR_NOCANDO);
    EXPECT_EQ(timeGetDevCaps(&tc, sizeof(tc) - 1), TIMERR_NOCANDO);
}

TEST(MMCaps, BeginAndEndPeriodAcceptOnlyTheDeviceRange) {
    struct {
        UINT Period;
        MMRESULT Result;
    } cases[] = {{0, TIMERR_NOCANDO},
                 {1, TIMERR_NOERROR},
                 {15, TIMERR_NOERROR},
                 {1000000, TIMERR_NOERROR},
                 {1000001, TIMERR_NOCANDO},
                 {0xFFFFFFFFu, TIMERR_NOCANDO}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Period);
        EXPECT_EQ(timeBeginPeriod(c.Period), c.Result);
        EXPECT_EQ(timeEndPeriod(c.Period), c.Result);
        EXPECT_EQ(TimerPeriodInUse(), 0u);
    }
}

TEST(MMCaps, PeriodsAreCountedAndTheFinestIsInUse) {
    ASSERT_EQ(TimerPeriodInUse(), 0u);
    EXPECT_EQ(timeEndPeriod(10), TIMERR_NOCANDO);  // never requested
    EXPECT_EQ(timeBeginPeriod(10), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(TimerPeriodInUse(), 1u);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(TimerPeriodInUse(), 1u);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(TimerPeriodInUse(), 10u);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOCANDO);  // more ends than begins
    EXPECT_EQ(timeEndPeriod(10), TIMERR_NOERROR);
    EXPECT_EQ(TimerPeriodInUse(), 0u);
}

TEST_F(MMTimer, TimeGetTimeIsTheTickCountOfThePlatformClock) {
    EXPECT_EQ(timeGetTime(), Clock::GetTickCount());
    Advance(1234);
    EXPECT_EQ(timeGetTime(), T0 + 1234);
    EXPECT_EQ(timeGetTime(), Clock::GetTickCount());
}

// ---------------------------------------------------------------------------
// Setting and killing

TEST_F(MMTimer, BadArgumentsMakeNoTimer) {
    TTarget target;
    struct {
        const char* What;
        UINT Delay;
        LPTIMECALLBACK Proc;
        UINT Flags;
    } cases[] = {
        {"delay 0", 0, RecordTick, TIME_PERIODIC},
        {"delay above the maximum", 1000001, RecordTick, TIME_ONESHOT},
        {"no callback", 10, nullptr, TIME_PERIODIC},
        {"event callback", 10, RecordTick, TIME_PERIODIC | TIME_CALLBACK_EVENT_SET},
        {"event pulse", 10, RecordTick, TIME_ONESHOT | TIME_CALLBACK_EVENT_PULSE},
        {"unknown flag", 10, RecordTick, 0x0002},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(timeSetEvent(c.Delay, 1, c.Proc, User(target), c.Flags), 0u);
    }
    Advance(2000);
    EXPECT_EQ(target.Count(), 0u);
}

TEST_F(MMTimer, KillRejectsIdsOfNoRunningTimer) {
    TTarget target;
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(0xFFFFFFF0u), MMSYSERR_INVALPARAM);
    const UINT id = Set(10, target, TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_NOERROR);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

TEST_F(MMTimer, TimersFireInDueOrderOnTheTimerThread) {
    TTarget target;
    const UINT periodic = Set(10, target, TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
    const UINT shortOnce = Set(10, target, TIME_ONESHOT);  // same due time as the periodic one
    const UINT longOnce = Set(25, target, TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
    ASSERT_TRUE(periodic && shortOnce && longOnce);
    EXPECT_LT(periodic, shortOnce);
    EXPECT_LT(shortOnce, longOnce);

    Advance(9);
    EXPECT_EQ(target.Count(), 0u);
    Advance(31);
    EXPECT_EQ(target.Log(), (std::vector<TTick>{At(periodic, 10), At(shortOnce, 10), At(periodic, 20),
                                                At(longOnce, 25), At(periodic, 30), At(periodic, 40)}));
    EXPECT_FALSE(target.SawBadArgs);
    ASSERT_EQ(target.Threads.size(), 1u);
    EXPECT_NE(*target.Threads.begin(), std::this_thread::get_id());

    // A one-shot timer is gone once its callback has returned.
    EXPECT_EQ(timeKillEvent(shortOnce), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(periodic), MMSYSERR_NOERROR);
}

TEST_F(MMTimer, PeriodicTimerKeepsItsGrid) {
    TTarget target;
    const UINT id = Set(7, target, TIME_PERIODIC);
    Advance(7000);
    const std::vector<TTick> log = target.Log();
    ASSERT_EQ(log.size(), 1000u);
    for (size_t k = 0; k < log.size(); ++k) ASSERT_EQ(log[k], At(id, static_cast<DWORD>(7 * (k + 1)))) << k;
}

TEST_F(MMTimer, KillStopsDelivery) {
    TTarget target;
    const UINT id = Set(10, target, TIME_PERIODIC);
    Advance(30);
    EXPECT_EQ(target.Count(), 3u);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_NOERROR);
    Advance(100);
    EXPECT_EQ(target.Count(), 3u);
}

TEST_F(MMTimer, CallbackCanKillItsOwnTimer) {
    TTarget target;
    std::atomic<UINT> killResult{0xFFFF};
    target.Action = [&](UINT Id) {
        if (target.Count() == 3) killResult = timeKillEvent(Id);
    };
    Set(10, target, TIME_PERIODIC);
    Advance(100);
    EXPECT_EQ(target.Count(), 3u);
    EXPECT_EQ(killResult, MMSYSERR_NOERROR);
}

TEST_F(MMTimer, CallbackCanKillATimerDueAtTheSameTime) {
    TTarget first;
    TTarget second;
    std::atomic<UINT> victim{0};
    first.Action = [&](UINT) { timeKillEvent(victim); };
    Set(10, first, TIME_ONESHOT);
    victim = Set(10, second, TIME_PERIODIC);
    Advance(50);
    EXPECT_EQ(first.Count(), 1u);
    EXPECT_EQ(second.Count(), 0u);
}

TEST_F(MMTimer, CallbackCanStartATimer) {
    TTarget outer;
    TTarget inner;
    outer.Action = [&](UINT) { Set(5, inner, TIME_ONESHOT); };
    const UINT id = Set(10, outer, TIME_ONESHOT);
    Advance(14);
    EXPECT_EQ(outer.Log(), (std::vector<TTick>{At(id, 10)}));
    EXPECT_EQ(inner.Count(), 0u);
    Advance(1);
    ASSERT_EQ(inner.Count(), 1u);
    EXPECT_EQ(inner.Log()[0].Time, T0 + 15);
}

TEST_F(MMTimer, KillFromAnotherThreadWaitsForTheRunningCallback) {
    TTarget target;
    TEvent release;
    std::atomic<bool> callbackDone{false};
    target.Action = [&](UINT) {
        release.WaitFor();
        callbackDone = true;
    };
    const UINT id = Set(10, target, TIME_PERIODIC);
    Advance(10);  // the callback now waits for `release`
    ASSERT_EQ(target.Count(), 1u);

    std::atomic<MMRESULT> result{0xFFFF};
    std::atomic<bool> doneWhenKillReturned{false};
    auto killer = std::make_unique<TFuncThread>([&] {
        result = timeKillEvent(id);
        doneWhenKillReturned = callbackDone.load();
    });
    killer->Start();
    Advance(0);  // the killer now waits inside timeKillEvent
    EXPECT_FALSE(killer->Finished());
    release.SetEvent();
    killer->WaitFor();
    EXPECT_EQ(result, MMSYSERR_NOERROR);
    EXPECT_TRUE(doneWhenKillReturned);
    Advance(100);
    EXPECT_EQ(target.Count(), 1u);
}

TEST_F(MMTimer, LateTimerDeliversOneTickAndDropsTheMissedOnes) {
    TTarget target;
    TEvent release;
    target.Action = [&](UINT) {
        if (target.Count() == 1) release.WaitFor();  // the first callback runs long
    };
    const UINT id = Set(10, target, TIME_PERIODIC);
    Advance(10);
    Advance(25);  // the timer thread is stuck in the first callback meanwhile
    release.SetEvent();
    Advance(0);
    EXPECT_EQ(target.Log(), (std::vector<TTick>{At(id, 10), At(id, 35)}));
    Advance(5);
    Advance(10);
    EXPECT_EQ(target.Log(), (std::vector<TTick>{At(id, 10), At(id, 35), At(id, 40), At(id, 50)}));
}

TEST_F(MMTimer, IdsAreNeverReusedAndGoBeyond16Bits) {
    TTarget target;
    UINT last = 0;
    UINT id = 0;
    do {
        id = timeSetEvent(1000, 0, RecordTick, User(target), TIME_ONESHOT);
        ASSERT_GT(id, last);
        ASSERT_EQ(timeKillEvent(id), MMSYSERR_NOERROR);
        last = id;
    } while (id <= 0x10000);
    const UINT big = Set(10, target, TIME_PERIODIC);
    EXPECT_GT(big, 0x10000u);
    Advance(20);
    EXPECT_EQ(target.Log(), (std::vector<TTick>{At(big, 10), At(big, 20)}));
    // The low 16 bits name no timer.
    EXPECT_EQ(timeKillEvent(big & 0xFFFF), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(big), MMSYSERR_NOERROR);
}

// ---------------------------------------------------------------------------
// Real time

TEST(MMRealTime, PeriodicOneMillisecondTimerNeitherBurstsNorRunsEarly) {
    ASSERT_FALSE(Clock::IsVirtual());
    TTarget target;
    const DWORD start = timeGetTime();
    const UINT id = timeSetEvent(1, 1, RecordTick, User(target), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    ClockSleep(50);
    ASSERT_EQ(timeKillEvent(id), MMSYSERR_NOERROR);
    const DWORD end = timeGetTime();
    const std::vector<TTick> log = target.Log();
    // Tick k lies on the grid (no earlier than start + k); ticks never pile
    // up (at most one per elapsed millisecond); most ticks arrive.
    for (size_t k = 0; k < log.size(); ++k) EXPECT_GE(log[k].Time, start + k + 1) << k;
    EXPECT_LE(log.size(), static_cast<size_t>(end - start) + 1);
    EXPECT_GE(log.size(), static_cast<size_t>(end - start) / 10);
    const size_t after = log.size();
    ClockSleep(5);
    EXPECT_EQ(target.Count(), after);
}

TEST(MMRealTime, TimersMadeAndKilledFromManyThreadsNeverCallBackAfterKill) {
    ASSERT_FALSE(Clock::IsVirtual());
    struct TSlot {
        TTarget Target;
        std::atomic<bool> Killed{false};
        std::atomic<bool> CalledAfterKill{false};
    };
    constexpr int kThreads = 4;
    constexpr int kRounds = 40;
    std::vector<std::unique_ptr<TSlot>> slots;
    for (int i = 0; i < kThreads * kRounds; ++i) {
        slots.push_back(std::make_unique<TSlot>());
        TSlot* slot = slots.back().get();
        slot->Target.Action = [slot](UINT) {
            if (slot->Killed) slot->CalledAfterKill = true;
        };
    }
    std::atomic<int> badKills{0};
    std::vector<std::unique_ptr<TFuncThread>> threads;
    for (int n = 0; n < kThreads; ++n) {
        threads.push_back(std::make_unique<TFuncThread>([&, n] {
            for (int r = 0; r < kRounds; ++r) {
                TSlot& slot = *slots[n * kRounds + r];
                const UINT id = timeSetEvent(1, 0, RecordTick, User(slot.Target), TIME_PERIODIC);
                if (!id) {
                    ++badKills;
                    continue;
                }
                ClockSleep(r % 3);
                if (timeKillEvent(id) != MMSYSERR_NOERROR) ++badKills;
                slot.Killed = true;
            }
        }));
        threads.back()->Start();
    }
    for (auto& t : threads) t->WaitFor();
    ClockSleep(5);
    EXPECT_EQ(badKills, 0);
    for (const auto& slot : slots) EXPECT_FALSE(slot->CalledAfterKill);
}
