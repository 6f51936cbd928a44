// TTimer: published defaults, the running rule, WM_TIMER delivery through
// the message loop on virtual time, restarts, the exception path and a
// handler that frees the timer.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Clock.h"
#include "ExceptionHook.h"
#include "ExtCtrls.h"
#include "Filer.h"
#include "Windows.h"

using namespace vcl;

namespace {

constexpr uint64_t kMs = 1000000;

class TTimerVirtual : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::UseVirtualTime(true);
        Start = Clock::NowNs();
        Pump();
    }
    void TearDown() override {
        Pump();
        Clock::UseVirtualTime(false);
    }
    static void Pump() {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    }
    void Advance(uint64_t Ms) {
        Clock::Advance(Ms * kMs);
        Pump();
    }
    uint64_t ElapsedMs() const { return (Clock::NowNs() - Start) / kMs; }
    std::unique_ptr<TTimer> MakeTimer(uint32_t Interval) {
        auto t = std::make_unique<TTimer>(nullptr);
        t->SetInterval(Interval);
        t->SetOnTimer([this](TObject*) { At.push_back(ElapsedMs()); });
        return t;
    }
    uint64_t Start = 0;
    std::vector<uint64_t> At;
};

}  // namespace

TEST_F(TTimerVirtual, DefaultsAndStream) {
    TTimer t(nullptr);
    EXPECT_TRUE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000u);
    EXPECT_FALSE(t.Active());
    t.SetName("Timer1");
    std::string text = ComponentToString(&t);
    EXPECT_EQ(text.find("Enabled"), std::string::npos) << text;
    EXPECT_EQ(text.find("Interval"), std::string::npos) << text;
    t.SetEnabled(false);
    t.SetInterval(250);
    text = ComponentToString(&t);
    EXPECT_NE(text.find("Enabled = False"), std::string::npos) << text;
    EXPECT_NE(text.find("Interval = 250"), std::string::npos) << text;
    TTimer b(nullptr);
    StringToComponent(text, &b);
    EXPECT_FALSE(b.Enabled());
    EXPECT_EQ(b.Interval(), 250u);
}

TEST_F(TTimerVirtual, RunningRule) {
    struct TCase {
        bool Enabled;
        uint32_t Interval;
        bool Handler;
        bool Designing;
        bool Active;
    } cases[] = {
        {true, 100, true, false, true},   {false, 100, true, false, false}, {true, 0, true, false, false},
        {true, 100, false, false, false}, {true, 100, true, true, false},
    };
    for (const TCase& c : cases) {
        TTimer t(nullptr);
        if (c.Designing) t.SetDesigning(true);
        t.SetEnabled(c.Enabled);
        t.SetInterval(c.Interval);
        int calls = 0;
        if (c.Handler) t.SetOnTimer([&](TObject*) { ++calls; });
        EXPECT_EQ(t.Active(), c.Active);
        Advance(300);
        EXPECT_EQ(calls > 0, c.Active) << c.Enabled << c.Interval << c.Handler << c.Designing;
    }
}

TEST_F(TTimerVirtual, TicksThroughTheMessageLoop) {
    auto t = MakeTimer(100);
    Advance(99);
    EXPECT_TRUE(At.empty());
    Advance(1);
    Advance(100);
    EXPECT_EQ(At, (std::vector<uint64_t>{100, 200}));
}

TEST_F(TTimerVirtual, ChangingIntervalOrEnabledRestarts) {
    auto t = MakeTimer(100);
    Advance(60);
    t->SetInterval(50);
    Advance(50);
    EXPECT_EQ(At, (std::vector<uint64_t>{110}));
    Advance(20);
    t->SetEnabled(false);
    Advance(500);
    EXPECT_EQ(At.size(), 1u);
    t->SetEnabled(true);  // a full interval from now
    Advance(50);
    EXPECT_EQ(At, (std::vector<uint64_t>{110, 680}));
}

TEST_F(TTimerVirtual, ReadyTickIsDroppedAfterDisable) {
    auto t = MakeTimer(100);
    Clock::Advance(100 * kMs);  // WM_TIMER ready, not retrieved
    t->SetEnabled(false);
    Pump();
    EXPECT_TRUE(At.empty());
}

TEST_F(TTimerVirtual, ExceptionGoesToTheApplicationAndTheTimerGoesOn) {
    std::vector<std::string> messages;
    TApplicationExceptionHandler old = SetApplicationHandleException([&](TObject*, std::exception_ptr E) {
        try {
            std::rethrow_exception(E);
        } catch (const std::exception& e) {
            messages.push_back(e.what());
        }
    });
    TTimer t(nullptr);
    t.SetInterval(100);
    t.SetOnTimer([](TObject*) { throw std::runtime_error("boom"); });
    Advance(100);
    Advance(100);
    EXPECT_EQ(messages, (std::vector<std::string>{"boom", "boom"}));
    EXPECT_TRUE(t.Active());
    SetApplicationHandleException(old);
}

TEST_F(TTimerVirtual, HandlerMayFreeTheTimer) {
    auto* t = new TTimer(nullptr);
    int calls = 0;
    t->SetInterval(100);
    t->SetOnTimer([&](TObject* Sender) {
        ++calls;
        delete static_cast<TTimer*>(Sender);
    });
    Advance(100);
    Advance(500);
    EXPECT_EQ(calls, 1);
}

TEST(ExceptionHookDefault, WritesTheMessageToStderrAndReturns) {
    TApplicationExceptionHandler old = SetApplicationHandleException(nullptr);
    TTimer sender(nullptr);
    testing::internal::CaptureStderr();
    try {
        throw EConvertError("not a number");
    } catch (...) {
        HandleApplicationException(&sender);
    }
    try {
        throw EAbort();
    } catch (...) {
        HandleApplicationException(&sender);
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "TTimer: not a number\n");
    SetApplicationHandleException(old);
}

TEST(ExceptionHookDefault, AFailingHandlerDoesNotEscape) {
    TApplicationExceptionHandler old =
        SetApplicationHandleException([](TObject*, std::exception_ptr) { throw std::runtime_error("handler"); });
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(HandleApplicationException(nullptr, std::make_exception_ptr(std::runtime_error("x"))));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("handler"), std::string::npos);
    SetApplicationHandleException(old);
}
