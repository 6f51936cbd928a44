// TThread, Synchronize, interruptible sleeps and events, mostly on virtual
// time: Clock::Advance lets every platform thread run up to its next wait, so
// the checks after an Advance are deterministic.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "Exceptions.h"
#include "Sleep.h"
#include "Thread.h"

using namespace vcl;

namespace {

constexpr uint64_t kMs = 1000000;

// A thread whose Execute runs a function given by the test.
class TLambdaThread : public TThread {
public:
    using TBody = std::function<void(TLambdaThread&)>;
    TLambdaThread(bool CreateSuspended, TBody Body) : TThread(CreateSuspended), FBody(std::move(Body)) {}
    ~TLambdaThread() override { Shutdown(); }

    using TThread::SetReturnValue;
    using TThread::SuspendPoint;
    using TThread::Synchronize;

protected:
    void Execute() override {
        // A copy: the object may be destroyed while the body runs.
        const TBody body = FBody;
        body(*this);
    }

private:
    TBody FBody;
};

using TThreadPtr = std::unique_ptr<TLambdaThread>;

TThreadPtr StartThread(TLambdaThread::TBody Body) {
    return TThreadPtr(NewThread<TLambdaThread>(false, std::move(Body)));
}

TThreadPtr SuspendedThread(TLambdaThread::TBody Body) {
    return TThreadPtr(NewThread<TLambdaThread>(true, std::move(Body)));
}

class VirtualTime : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(true);
        T0 = Clock::NowNs();
    }
    void TearDown() override { Clock::UseVirtualTime(false); }
    static void Advance(uint64_t Ms) { Clock::Advance(Ms * kMs); }
    uint64_t ElapsedMs() const { return (Clock::NowNs() - T0) / kMs; }

    uint64_t T0 = 0;
};

// Serves Synchronize calls until Done() holds (bounded, so that a fault
// fails the test instead of hanging it).
bool ServeUntil(const std::function<bool()>& Done) {
    for (int round = 0; round < 3000; ++round) {
        if (Done()) return true;
        CheckSynchronize(20);
    }
    return Done();
}

}  // namespace

// ---------------------------------------------------------------------------
// Life cycle

TEST(ThreadLife, ExecuteRunsOnItsOwnThreadAndWaitForReturnsReturnValue) {
    uint32_t seenId = 0;
    bool sawMain = true;
    TThread* seenCurrent = nullptr;
    auto t = StartThread([&](TLambdaThread& self) {
        seenId = CurrentThreadID();
        sawMain = IsMainThread();
        seenCurrent = TThread::CurrentThread();
        self.SetReturnValue(42);
    });
    EXPECT_EQ(t->WaitFor(), 42u);
    EXPECT_EQ(t->ReturnValue(), 42);
    EXPECT_TRUE(t->Finished());
    EXPECT_FALSE(t->Suspended());
    EXPECT_FALSE(sawMain);
    EXPECT_EQ(seenCurrent, t.get());
    EXPECT_EQ(seenId, t->ThreadID());
    EXPECT_NE(t->ThreadID(), MainThreadID());
    EXPECT_NE(t->Handle(), 0u);
    EXPECT_FALSE(t->FatalException());
    EXPECT_TRUE(IsMainThread());
    EXPECT_EQ(TThread::CurrentThread(), nullptr);
}

TEST(ThreadLife, ThreadIdsAreNeverReused) {
    auto a = StartThread([](TLambdaThread&) {});
    a->WaitFor();
    const uint32_t first = a->ThreadID();
    a.reset();
    auto b = StartThread([](TLambdaThread&) {});
    b->WaitFor();
    EXPECT_GT(b->ThreadID(), first);
}

TEST_F(VirtualTime, CreatedSuspendedRunsOnlyAfterStart) {
    std::atomic<int> runs{0};
    auto t = SuspendedThread([&](TLambdaThread&) { ++runs; });
    EXPECT_TRUE(t->Suspended());
    EXPECT_EQ(t->ThreadID(), 0u);
    EXPECT_EQ(t->Handle(), 0u);
    Advance(0);  // would let a started thread run to its end
    EXPECT_EQ(runs, 0);
    t->Start();
    t->WaitFor();
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(t->Start(), EThread);
    t->Resume();  // a finished thread: nothing happens
    EXPECT_EQ(runs, 1);
}

TEST_F(VirtualTime, ThreadNotCreatedSuspendedStartsAtAfterConstruction) {
    std::atomic<int> runs{0};
    TThreadPtr t(new TLambdaThread(false, [&](TLambdaThread&) { ++runs; }));
    Advance(0);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(t->ThreadID(), 0u);
    t->AfterConstruction();
    t->WaitFor();
    EXPECT_EQ(runs, 1);
    t->AfterConstruction();  // started once only
    Advance(0);
    EXPECT_EQ(runs, 1);
}

TEST_F(VirtualTime, ResumeStartsAThreadThatWasNeverStarted) {
    std::atomic<int> runs{0};
    auto t = SuspendedThread([&](TLambdaThread&) { ++runs; });
    t->Resume();
    t->WaitFor();
    EXPECT_EQ(runs, 1);
}

TEST(ThreadLife, TerminatedBeforeStartSkipsExecuteButRunsOnTerminate) {
    bool executed = false;
    int terminated = 0;
    auto t = SuspendedThread([&](TLambdaThread&) { executed = true; });
    t->SetOnTerminate([&](TObject* Sender) {
        EXPECT_EQ(Sender, t.get());
        ++terminated;
    });
    t->Terminate();
    t->Start();
    t->WaitFor();
    EXPECT_FALSE(executed);
    EXPECT_EQ(terminated, 1);
}

TEST(ThreadLife, OnTerminateRunsOnTheMainThreadBeforeWaitForReturns) {
    bool onMain = false;
    int calls = 0;
    auto t = SuspendedThread([](TLambdaThread& self) { self.SetReturnValue(7); });
    t->SetOnTerminate([&](TObject*) {
        onMain = IsMainThread();
        ++calls;
    });
    t->Start();
    EXPECT_EQ(t->WaitFor(), 7u);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(onMain);
}

TEST(ThreadLife, ExceptionEscapingExecuteIsKeptInFatalException) {
    int terminated = 0;
    auto t = SuspendedThread([](TLambdaThread&) { throw EConvertError("'x' is not a valid integer value"); });
    t->SetOnTerminate([&](TObject*) { ++terminated; });
    t->Start();
    t->WaitFor();
    EXPECT_TRUE(t->Finished());
    EXPECT_EQ(terminated, 1);
    const std::exception_ptr fatal = t->FatalException();
    ASSERT_TRUE(fatal);
    try {
        std::rethrow_exception(fatal);
        FAIL() << "nothing raised";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
    }
}

TEST(ThreadLife, ExceptionInOnTerminateIsKeptWhenExecuteRaisedNone) {
    auto t = SuspendedThread([](TLambdaThread&) {});
    t->SetOnTerminate([](TObject*) { throw EAbort(); });
    t->Start();
    t->WaitFor();
    const std::exception_ptr fatal = t->FatalException();
    ASSERT_TRUE(fatal);
    EXPECT_THROW(std::rethrow_exception(fatal), EAbort);
}

TEST(ThreadLife, MisuseRaisesEThread) {
    // WaitFor on a thread never started.
    auto idle = SuspendedThread([](TLambdaThread&) {});
    EXPECT_THROW(idle->WaitFor(), EThread);

    // WaitFor on a FreeOnTerminate thread.
    auto selfFreeing = SuspendedThread([](TLambdaThread&) {});
    selfFreeing->SetFreeOnTerminate(true);
    EXPECT_THROW(selfFreeing->WaitFor(), EThread);
    selfFreeing->SetFreeOnTerminate(false);

    // WaitFor by the thread itself and CheckSynchronize off the main thread.
    bool selfWait = false;
    bool offMain = false;
    auto t = StartThread([&](TLambdaThread& self) {
        try {
            self.WaitFor();
        } catch (const EThread&) {
            selfWait = true;
        }
        try {
            CheckSynchronize(0);
        } catch (const EThread&) {
            offMain = true;
        }
    });
    t->WaitFor();
    EXPECT_TRUE(selfWait);
    EXPECT_TRUE(offMain);

    // WaitFor inside one of the thread's own Synchronize calls.
    bool nestedWait = false;
    TLambdaThread* waited = nullptr;
    auto nested = StartThread([&](TLambdaThread& self) {
        self.Synchronize([&] {
            try {
                waited->WaitFor();
            } catch (const EThread&) {
                nestedWait = true;
            }
        });
    });
    waited = nested.get();
    nested->WaitFor();
    EXPECT_TRUE(nestedWait);

    EXPECT_THROW(t->SetPriority(static_cast<TThreadPriority>(7)), EThread);
    EXPECT_THROW(t->SetPriority(static_cast<TThreadPriority>(-1)), EThread);
}

TEST(ThreadLife, PriorityIsKept) {
    auto t = SuspendedThread([](TLambdaThread&) {});
    EXPECT_EQ(t->Priority(), tpNormal);
    for (TThreadPriority p : {tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical}) {
        t->SetPriority(p);
        EXPECT_EQ(t->Priority(), p);
    }
    EXPECT_EQ(EnumInfoOf<TThreadPriority>().Count(), 7);
    EXPECT_EQ(EnumInfoOf<TThreadPriority>().NameOf(tpTimeCritical), "tpTimeCritical");
}

// ---------------------------------------------------------------------------
// FreeOnTerminate and destruction

namespace {

struct TFreeLog {
    std::atomic<bool> OnTerminateRan{false};
    std::atomic<bool> DestroyedAfterOnTerminate{false};
    std::atomic<bool> DestroyedOnWorker{false};
    TEvent Destroyed;
};

class TSelfFreeingThread : public TThread {
public:
    explicit TSelfFreeingThread(TFreeLog& Log) : TThread(true), FLog(Log) {}
    ~TSelfFreeingThread() override {
        Shutdown();
        FLog.DestroyedAfterOnTerminate = FLog.OnTerminateRan.load();
        FLog.DestroyedOnWorker = !IsMainThread();
        FLog.Destroyed.SetEvent();
    }

protected:
    void Execute() override {}

private:
    TFreeLog& FLog;
};

}  // namespace

TEST(ThreadFree, FreeOnTerminateDeletesItselfOnItsThreadAfterOnTerminate) {
    TFreeLog log;
    auto* t = new TSelfFreeingThread(log);
    t->SetFreeOnTerminate(true);
    t->SetOnTerminate([&](TObject*) { log.OnTerminateRan = true; });
    t->Start();
    EXPECT_TRUE(ServeUntil([&] { return log.Destroyed.WaitFor(0) == wrSignaled; }));
    EXPECT_TRUE(log.DestroyedAfterOnTerminate);
    EXPECT_TRUE(log.DestroyedOnWorker);
}

TEST(ThreadFree, FreeOnTerminateThreadNeverStartedIsDeletedByItsOwner) {
    TFreeLog log;
    auto* t = new TSelfFreeingThread(log);
    t->SetFreeOnTerminate(true);
    delete t;
    EXPECT_EQ(log.Destroyed.WaitFor(0), wrSignaled);
    EXPECT_FALSE(log.DestroyedOnWorker);
    EXPECT_FALSE(log.OnTerminateRan);
}

TEST(ThreadFree, DeletingARunningThreadTerminatesAndWaits) {
    std::atomic<int> sleeps{0};
    std::atomic<bool> ended{false};
    TEvent running;
    auto t = StartThread([&](TLambdaThread& self) {
        do {
            ++sleeps;
            running.SetEvent();
            TThread::Sleep(600000);  // ten minutes, cut short by the destructor
        } while (!self.Terminated());
        ended = true;
    });
    running.WaitFor();
    t.reset();
    EXPECT_TRUE(ended);
    EXPECT_EQ(sleeps, 1);
}

TEST_F(VirtualTime, DeletingAThreadWaitingInSynchronizeDropsTheCall) {
    std::atomic<bool> ran{false};
    std::atomic<bool> refused{false};
    auto t = StartThread([&](TLambdaThread& self) {
        try {
            self.Synchronize([&] { ran = true; });
        } catch (const EThread&) {
            refused = true;
        }
    });
    Advance(0);  // the thread now waits in Synchronize
    t.reset();   // no deadlock: the queued call is dropped
    EXPECT_FALSE(ran);
    EXPECT_TRUE(refused);
    EXPECT_FALSE(CheckSynchronize(0));
}

TEST_F(VirtualTime, SynchronizeAfterShutdownRaisesInsteadOfRunning) {
    std::atomic<bool> ran{false};
    std::atomic<bool> refused{false};
    auto t = StartThread([&](TLambdaThread& self) {
        TThread::Sleep(1000);
        try {
            self.Synchronize([&] { ran = true; });
        } catch (const EThread&) {
            refused = true;
        }
    });
    Advance(0);
    t->Shutdown();
    EXPECT_TRUE(t->Finished());
    EXPECT_TRUE(t->Terminated());
    EXPECT_FALSE(ran);
    EXPECT_TRUE(refused);
    EXPECT_THROW(t->Start(), EThread);
}

TEST(ThreadFree, DeletingTheThreadFromItsOwnSynchronizeCallDoesNotDeadlock) {
    std::atomic<bool> abandoned{false};
    std::atomic<bool> deleted{false};
    TEvent done;
    TLambdaThread* t = nullptr;
    t = NewThread<TLambdaThread>(true, [&](TLambdaThread& self) {
        try {
            self.Synchronize([&] {
                delete t;
                deleted = true;
            });
        } catch (const EThread&) {
            abandoned = true;
        }
        done.SetEvent();
    });
    t->Start();
    EXPECT_TRUE(ServeUntil([&] { return deleted.load(); }));
    EXPECT_EQ(done.WaitFor(INFINITE), wrSignaled);
    EXPECT_TRUE(abandoned);
}

// ---------------------------------------------------------------------------
// Synchronize

TEST(ThreadSync, SynchronizeOnTheMainThreadRunsDirectly) {
    int runs = 0;
    TThread::Synchronize(nullptr, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw EAbort(); }), EAbort);
    EXPECT_FALSE(CheckSynchronize(0));
}

TEST(ThreadSync, ExceptionInASynchronizedMethodIsRaisedInTheWorker) {
    bool methodOnMain = false;
    std::string caught;
    bool caughtOnWorker = false;
    auto t = StartThread([&](TLambdaThread& self) {
        try {
            self.Synchronize([&] {
                methodOnMain = IsMainThread();
                throw EConvertError("raised on the main thread");
            });
        } catch (const EConvertError& e) {
            caught = e.Message();
            caughtOnWorker = !IsMainThread();
        }
    });
    t->WaitFor();
    EXPECT_TRUE(methodOnMain);
    EXPECT_EQ(caught, "raised on the main thread");
    EXPECT_TRUE(caughtOnWorker);
    EXPECT_FALSE(t->FatalException());
}

TEST(ThreadSync, WaitForServesSynchronizeCalls) {
    std::vector<int> order;  // touched on the main thread only
    bool allOnMain = true;
    auto t = StartThread([&](TLambdaThread& self) {
        for (int i = 0; i < 3; ++i)
            self.Synchronize([&, i] {
                allOnMain = allOnMain && IsMainThread();
                order.push_back(i);
            });
        self.SetReturnValue(3);
    });
    EXPECT_EQ(t->WaitFor(), 3u);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(allOnMain);
}

TEST(ThreadSync, SeveralWorkersAreServedByCheckSynchronize) {
    constexpr int kThreads = 4;
    constexpr int kCalls = 50;
    std::atomic<int> wakeups{0};
    SetSynchronizeWakeup([&] { ++wakeups; });
    int total = 0;  // main thread only
    bool allOnMain = true;
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<TThreadPtr> threads;
    for (int n = 0; n < kThreads; ++n)
        threads.push_back(StartThread([&, n](TLambdaThread& self) {
            for (int i = 0; i < kCalls; ++i)
                self.Synchronize([&, n, i] {
                    allOnMain = allOnMain && IsMainThread();
                    seen[n].push_back(i);
                    ++total;
                });
        }));
    EXPECT_TRUE(ServeUntil([&] { return total == kThreads * kCalls; }));
    for (auto& t : threads) t->WaitFor();
    SetSynchronizeWakeup(nullptr);
    EXPECT_EQ(total, kThreads * kCalls);
    EXPECT_TRUE(allOnMain);
    for (int n = 0; n < kThreads; ++n) {
        ASSERT_EQ(seen[n].size(), static_cast<size_t>(kCalls));
        for (int i = 0; i < kCalls; ++i) EXPECT_EQ(seen[n][i], i);
    }
    EXPECT_EQ(wakeups, kThreads * kCalls);
}

TEST_F(VirtualTime, SleepingWorkerDeliversItsTicksThroughSynchronize) {
    int ticks = 0;
    std::vector<uint64_t> at;
    auto t = StartThread([&](TLambdaThread& self) {
        while (TThread::Sleep(1000)) self.Synchronize([&] {
                ++ticks;
                at.push_back(ElapsedMs());
            });
    });
    Advance(1000);
    EXPECT_TRUE(CheckSynchronize(0));  // queued before Advance returned
    EXPECT_EQ(ticks, 1);
    Advance(999);
    EXPECT_FALSE(CheckSynchronize(0));
    Advance(1);
    EXPECT_TRUE(CheckSynchronize(0));
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(at, (std::vector<uint64_t>{1000, 2000}));
    t.reset();
    EXPECT_EQ(ticks, 2);
}

// ---------------------------------------------------------------------------
// Interruptible sleeps, Terminate, Suspend and Resume

TEST_F(VirtualTime, TerminateEndsASleepAtOnce) {
    std::atomic<int> first{-1};
    std::atomic<int> second{-1};
    std::atomic<uint64_t> wokeAt{0};
    auto t = StartThread([&](TLambdaThread&) {
        first = TThread::Sleep(10000);
        wokeAt = ElapsedMs();
        second = TThread::Sleep(10000);  // a terminated thread does not sleep
    });
    Advance(5000);
    EXPECT_FALSE(t->Finished());
    t->Terminate();
    t->WaitFor();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(wokeAt, 5000u);
    EXPECT_EQ(ElapsedMs(), 5000u);
}

TEST_F(VirtualTime, SleepEndsExactlyAtItsDueTime) {
    std::atomic<bool> woke{false};
    std::atomic<int> result{-1};
    auto t = StartThread([&](TLambdaThread&) {
        result = TThread::Sleep(250);
        woke = true;
    });
    Advance(249);
    EXPECT_FALSE(woke);
    Advance(1);
    EXPECT_TRUE(woke);
    EXPECT_EQ(result, 1);
}

TEST_F(VirtualTime, SuspendInsideASleepKeepsTheRestOfTheInterval) {
    std::atomic<bool> woke{false};
    std::atomic<uint64_t> wokeAt{0};
    auto t = StartThread([&](TLambdaThread&) {
        TThread::Sleep(1000);
        wokeAt = ElapsedMs();
        woke = true;
    });
    Advance(300);
    t->Suspend();
    EXPECT_TRUE(t->Suspended());
    Advance(5000);
    EXPECT_FALSE(woke);
    t->Resume();
    EXPECT_FALSE(t->Suspended());
    Advance(699);
    EXPECT_FALSE(woke);
    Advance(1);
    EXPECT_TRUE(woke);
    EXPECT_EQ(wokeAt, 6000u);
}

TEST_F(VirtualTime, SuspendBeforeASleepParksTheThreadBeforeItBegins) {
    TEvent go;
    std::atomic<bool> woke{false};
    auto t = StartThread([&](TLambdaThread&) {
        go.WaitFor();
        TThread::Sleep(1000);
        woke = true;
    });
    Advance(0);
    t->Suspend();
    go.SetEvent();
    Advance(3000);
    EXPECT_FALSE(woke);
    t->Resume();
    Advance(999);
    EXPECT_FALSE(woke);
    Advance(1);
    EXPECT_TRUE(woke);
}

TEST_F(VirtualTime, ThreadSuspendingItselfWaitsForResume) {
    std::atomic<bool> resumed{false};
    auto t = StartThread([&](TLambdaThread& self) {
        self.Suspend();
        resumed = true;
    });
    Advance(100);
    EXPECT_TRUE(t->Suspended());
    EXPECT_FALSE(resumed);
    t->Resume();
    t->WaitFor();
    EXPECT_TRUE(resumed);
}

TEST_F(VirtualTime, SuspendPointParksUntilResume) {
    std::atomic<int> passes{0};
    TEvent next(false);
    auto t = StartThread([&](TLambdaThread& self) {
        while (!self.Terminated()) {
            next.WaitFor();
            self.SuspendPoint();
            ++passes;
        }
    });
    next.SetEvent();
    Advance(0);
    EXPECT_EQ(passes, 1);
    t->Suspend();
    next.SetEvent();
    Advance(0);
    EXPECT_EQ(passes, 1);
    t->Resume();
    Advance(0);
    EXPECT_EQ(passes, 2);
    t->Terminate();
    next.SetEvent();
    t->WaitFor();
}

TEST_F(VirtualTime, TerminateDoesNotWakeASuspendedSleepUntilResume) {
    std::atomic<int> result{-1};
    auto t = StartThread([&](TLambdaThread&) { result = TThread::Sleep(1000); });
    Advance(300);
    t->Suspend();
    t->Terminate();
    Advance(0);
    EXPECT_FALSE(t->Finished());
    t->Resume();
    t->WaitFor();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ElapsedMs(), 300u);
}

TEST_F(VirtualTime, DeletingASuspendedThreadRunsNoFurtherTick) {
    std::atomic<int> ticks{0};
    auto t = StartThread([&](TLambdaThread&) {
        while (TThread::Sleep(1000)) ++ticks;
    });
    Advance(2500);
    EXPECT_EQ(ticks, 2);
    t->Suspend();
    Advance(5000);
    EXPECT_EQ(ticks, 2);
    t.reset();
    EXPECT_EQ(ticks, 2);
}

TEST_F(VirtualTime, SleepGoesOnInRealTimeWhenTheClockSwitchesBack) {
    std::atomic<int> result{-1};
    auto t = StartThread([&](TLambdaThread&) { result = TThread::Sleep(20); });
    Advance(0);
    Clock::UseVirtualTime(false);
    t->WaitFor();
    EXPECT_EQ(result, 1);
}

// ---------------------------------------------------------------------------
// TEvent

class EventKinds : public VirtualTime, public ::testing::WithParamInterface<bool> {};

TEST_P(EventKinds, WaitTimesOutOnThePlatformClock) {
    TEvent ev(GetParam());
    std::atomic<int> result{-1};
    auto t = StartThread([&](TLambdaThread&) { result = ev.WaitFor(100); });
    Advance(99);
    EXPECT_FALSE(t->Finished());
    Advance(1);
    EXPECT_TRUE(t->Finished());
    EXPECT_EQ(result, wrTimeout);
}

TEST_P(EventKinds, SetEventWakesAWaiter) {
    TEvent ev(GetParam());
    std::atomic<int> result{-1};
    auto t = StartThread([&](TLambdaThread&) { result = ev.WaitFor(); });
    Advance(0);
    EXPECT_FALSE(t->Finished());
    ev.SetEvent();
    t->WaitFor();
    EXPECT_EQ(result, wrSignaled);
    // A manual-reset event stays signalled, an auto-reset one was used up.
    EXPECT_EQ(ev.WaitFor(0), GetParam() ? wrSignaled : wrTimeout);
    ev.ResetEvent();
    EXPECT_EQ(ev.WaitFor(0), wrTimeout);
}

TEST_P(EventKinds, ReleasesOneWaiterPerSetWhenAutoReset) {
    const bool manual = GetParam();
    TEvent ev(manual);
    std::atomic<int> through{0};
    auto body = [&](TLambdaThread&) {
        if (ev.WaitFor() == wrSignaled) ++through;
    };
    auto a = StartThread(body);
    auto b = StartThread(body);
    Advance(0);
    ev.SetEvent();
    Advance(0);
    EXPECT_EQ(through, manual ? 2 : 1);
    ev.SetEvent();
    a->WaitFor();
    b->WaitFor();
    EXPECT_EQ(through, 2);
}

TEST_P(EventKinds, DestroyingTheEventAbandonsTheWait) {
    auto ev = std::make_unique<TEvent>(GetParam());
    std::atomic<int> result{-1};
    auto t = StartThread([&](TLambdaThread&) { result = ev->WaitFor(); });
    Advance(0);
    ev.reset();
    t->WaitFor();
    EXPECT_EQ(result, wrAbandoned);
}

INSTANTIATE_TEST_SUITE_P(Thread, EventKinds, ::testing::Values(true, false),
                         [](const auto& Info) { return Info.param ? "Manual" : "Auto"; });

TEST(EventState, InitialStateAndZeroTimeout) {
    TEvent on(true, true);
    EXPECT_EQ(on.WaitFor(0), wrSignaled);
    EXPECT_EQ(on.WaitFor(0), wrSignaled);
    TEvent once(false, true);
    EXPECT_EQ(once.WaitFor(0), wrSignaled);
    EXPECT_EQ(once.WaitFor(0), wrTimeout);
    TEvent off;
    EXPECT_EQ(off.WaitFor(0), wrTimeout);
}
