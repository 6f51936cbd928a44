#include <gtest/gtest.h>

#include <time.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "Clock.h"
#include "Exceptions.h"

using namespace vcl;

namespace {

constexpr uint64_t kMs = 1000000;
constexpr double kNsPerDay = 86400.0e9;

// Every test starts in virtual time and leaves real time and no listeners
// behind.
class ClockVirtual : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(false);
        Clock::UseVirtualTime(true);
    }
    void TearDown() override {
        for (int id : FIds) Clock::RemoveAdvanceListener(id);
        Clock::UseVirtualTime(false);
    }
    int Listen(std::function<void()> f, std::function<uint64_t()> due = {}) {
        const int id = Clock::AddAdvanceListener(std::move(f), std::move(due));
        FIds.push_back(id);
        return id;
    }

private:
    std::vector<int> FIds;
};

// A periodic timer built on the listener hook, as a timer unit would.
struct FakeTimer {
    std::string Name;
    uint64_t Period;
    uint64_t Due;
    std::vector<std::string>* Log;

    void OnAdvance() {
        while (Clock::NowNs() >= Due) {
            Log->push_back(Name + "@" + std::to_string(Due / kMs) + "/" + std::to_string(Clock::NowNs() / kMs));
            Due += Period;
        }
    }
};

}  // namespace

TEST_F(ClockVirtual, TimeStandsStillUntilAdvanced) {
    const uint64_t t0 = Clock::NowNs();
    const uint32_t tick0 = Clock::GetTickCount();
    const double d0 = Clock::NowDateTime();
    EXPECT_EQ(Clock::NowNs(), t0);
    EXPECT_EQ(Clock::NowDateTime(), d0);
    EXPECT_TRUE(Clock::IsVirtual());

    Clock::Advance(1500 * kMs);
    EXPECT_EQ(Clock::NowNs(), t0 + 1500 * kMs);
    EXPECT_EQ(static_cast<uint32_t>(Clock::GetTickCount() - tick0), 1500u);
    EXPECT_NEAR((Clock::NowDateTime() - d0) * 86400.0, 1.5, 1e-5);
}

TEST_F(ClockVirtual, WallClockFollowsTheVirtualStart) {
    Clock::SetVirtualDateTime(45000.5);  // 2023-03-15 12:00
    EXPECT_DOUBLE_EQ(Clock::NowDateTime(), 45000.5);
    Clock::Advance(static_cast<uint64_t>(kNsPerDay / 2));  // 12 hours
    EXPECT_NEAR(Clock::NowDateTime(), 45001.0, 1e-9);
    Clock::Advance(static_cast<uint64_t>(kNsPerDay / 4));
    EXPECT_NEAR(Clock::NowDateTime(), 45001.25, 1e-9);
}

TEST_F(ClockVirtual, WallClockCrossesTheEpochDayBackwardsEncoded) {
    // -1.75 is 1899-12-29 18:00; twelve hours later is 1899-12-30 06:00.
    Clock::SetVirtualDateTime(-1.75);
    Clock::Advance(static_cast<uint64_t>(kNsPerDay / 4));  // 1899-12-30 00:00
    EXPECT_NEAR(Clock::NowDateTime(), 0.0, 1e-9);
    Clock::Advance(static_cast<uint64_t>(kNsPerDay / 4));
    EXPECT_NEAR(Clock::NowDateTime(), 0.25, 1e-9);

    // 1899-12-28 06:00 plus a day is 1899-12-29 06:00 (-1.25, not -0.75).
    Clock::SetVirtualDateTime(-2.25);
    Clock::Advance(static_cast<uint64_t>(kNsPerDay));
    EXPECT_NEAR(Clock::NowDateTime(), -1.25, 1e-9);
}

TEST_F(ClockVirtual, ListenersRunInRegistrationOrder) {
    std::vector<int> calls;
    Listen([&] { calls.push_back(1); });
    const int second = Listen([&] { calls.push_back(2); });
    Listen([&] { calls.push_back(3); });
    Clock::Advance(kMs);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));

    calls.clear();
    Clock::RemoveAdvanceListener(second);
    Clock::Advance(kMs);
    EXPECT_EQ(calls, (std::vector<int>{1, 3}));
}

TEST_F(ClockVirtual, AdvanceStopsAtEveryDueTimeInOrder) {
    std::vector<std::string> log;
    const uint64_t t0 = Clock::NowNs();
    // Work relative to a round start so the log reads in milliseconds.
    Clock::Advance((kMs - t0 % kMs) % kMs);
    const uint64_t base = Clock::NowNs();
    FakeTimer a{"A", 20 * kMs, base + 20 * kMs, &log};
    FakeTimer b{"B", 30 * kMs, base + 30 * kMs, &log};
    Listen([&] { a.OnAdvance(); }, [&] { return a.Due; });
    Listen([&] { b.OnAdvance(); }, [&] { return b.Due; });

    Clock::Advance(60 * kMs);
    const uint64_t b0 = base / kMs;
    auto at = [&](const char* n, uint64_t due) {
        return std::string(n) + "@" + std::to_string(b0 + due) + "/" + std::to_string(b0 + due);
    };
    // Each firing sees the clock standing at its own due time; at 60 ms both
    // are due and run in registration order.
    EXPECT_EQ(log, (std::vector<std::string>{at("A", 20), at("B", 30), at("A", 40), at("A", 60), at("B", 60)}));
    EXPECT_EQ(Clock::NowNs(), base + 60 * kMs);
}

TEST_F(ClockVirtual, WithoutDueTimesAdvanceNotifiesOnceAtTheTarget) {
    std::vector<std::string> log;
    const uint64_t base = Clock::NowNs();
    FakeTimer a{"A", 20 * kMs, base + 20 * kMs, &log};
    Listen([&] { a.OnAdvance(); });
    Clock::Advance(45 * kMs);
    ASSERT_EQ(log.size(), 2u);
    // Both firings happen late, at the target: the reason NextDue exists.
    const std::string end = "/" + std::to_string((base + 45 * kMs) / kMs);
    EXPECT_NE(log[0].find(end), std::string::npos) << log[0];
    EXPECT_NE(log[1].find(end), std::string::npos) << log[1];
}

TEST_F(ClockVirtual, ListenerMayRemoveItselfAndAddOthers) {
    std::vector<int> calls;
    int self = 0;
    self = Listen([&] {
        calls.push_back(1);
        Clock::RemoveAdvanceListener(self);
        Listen([&] { calls.push_back(2); });
    });
    Clock::Advance(kMs);
    EXPECT_EQ(calls, (std::vector<int>{1}));  // one added during a step waits for the next
    Clock::Advance(kMs);
    EXPECT_EQ(calls, (std::vector<int>{1, 2}));
}

TEST_F(ClockVirtual, RemovedLaterInTheSameStepIsNotCalled) {
    std::vector<int> calls;
    int victim = 0;
    Listen([&] {
        calls.push_back(1);
        Clock::RemoveAdvanceListener(victim);
    });
    victim = Listen([&] { calls.push_back(2); });
    Clock::Advance(kMs);
    EXPECT_EQ(calls, (std::vector<int>{1}));
}

TEST_F(ClockVirtual, BackToRealTimeNeverRunsBackwards) {
    Clock::Advance(3600ull * 1000 * kMs);  // an hour ahead of the real clock
    const uint64_t virt = Clock::NowNs();
    Clock::UseVirtualTime(false);
    EXPECT_FALSE(Clock::IsVirtual());
    EXPECT_GE(Clock::NowNs(), virt);
    EXPECT_THROW(Clock::Advance(kMs), EInvalidOperation);
}

TEST_F(ClockVirtual, SwitchingOnAgainKeepsTheVirtualTime) {
    Clock::Advance(5 * kMs);
    const uint64_t t = Clock::NowNs();
    Clock::UseVirtualTime(true);
    EXPECT_EQ(Clock::NowNs(), t);
}

TEST_F(ClockVirtual, ReadersOnOtherThreadsSeeMonotonicTime) {
    std::atomic<bool> stop{false};
    std::atomic<bool> backwards{false};
    std::thread reader([&] {
        uint64_t last = 0;
        while (!stop.load()) {
            const uint64_t now = Clock::NowNs();
            if (now < last) backwards = true;
            last = now;
        }
    });
    const uint64_t start = Clock::NowNs();
    for (int i = 0; i < 20000; ++i) Clock::Advance(kMs);
    stop = true;
    reader.join();
    EXPECT_FALSE(backwards.load());
    EXPECT_EQ(Clock::NowNs(), start + 20000 * kMs);
}

TEST(ClockReal, PendingVirtualStartAppliesOnSwitch) {
    Clock::UseVirtualTime(false);
    Clock::SetVirtualDateTime(40000.25);
    Clock::UseVirtualTime(true);
    EXPECT_DOUBLE_EQ(Clock::NowDateTime(), 40000.25);
    Clock::UseVirtualTime(false);
    // Used once: the next switch starts from the real wall clock again.
    Clock::UseVirtualTime(true);
    EXPECT_GT(Clock::NowDateTime(), 43000.0);
    Clock::UseVirtualTime(false);
    EXPECT_THROW(Clock::SetVirtualDateTime(NAN), EInvalidOperation);
}

TEST(ClockReal, RealTimeMatchesTheSystemClock) {
    Clock::UseVirtualTime(false);
    const uint64_t a = Clock::NowNs();
    const uint64_t b = Clock::NowNs();
    EXPECT_LE(a, b);

    // The local wall time computed independently: the broken-down local time
    // read as if it were UTC gives the local seconds since 1970-01-01, which
    // is day 25569 of TDateTime.
    const time_t t = time(nullptr);
    tm lt{};
    localtime_r(&t, &lt);
    const double expected = static_cast<double>(timegm(&lt)) / 86400.0 + 25569.0;
    const double got = Clock::NowDateTime();
    // Whole seconds against a value with a fraction of a second, taken
    // moments apart: a few seconds of slack.
    EXPECT_NEAR(got, expected, 5.0 / 86400.0);
}
