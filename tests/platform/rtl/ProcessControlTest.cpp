// The command line and the end of the program.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ProcessControl.h"

using namespace vcl;

namespace {

// Every test leaves the real command line and no halt handler behind.
class ProcessControl : public ::testing::Test {
protected:
    void TearDown() override {
        ResetCommandLine();
        SetHaltHandler({});
    }
};

}  // namespace

TEST_F(ProcessControl, SetCommandLineReplacesEveryWord) {
    SetCommandLine({"/srv/cgi/app", "/tmp/req dir/request.ini", ""});
    EXPECT_EQ(ParamCount(), 2);
    EXPECT_EQ(ParamStr(0), "/srv/cgi/app");
    EXPECT_EQ(ParamStr(1), "/tmp/req dir/request.ini");
    EXPECT_EQ(ParamStr(2), "");
    EXPECT_EQ(ParamStr(3), "");
    EXPECT_EQ(ParamStr(-1), "");

    SetCommandLine({});
    EXPECT_EQ(ParamCount(), 0);
    EXPECT_EQ(ParamStr(0), "");
}

TEST_F(ProcessControl, ResetGoesBackToTheRealCommandLine) {
    const Integer count = ParamCount();
    const std::string program = ParamStr(0);
    SetCommandLine({"x", "y", "z", "w"});
    ResetCommandLine();
    EXPECT_EQ(ParamCount(), count);
    EXPECT_EQ(ParamStr(0), program);
}

// The program path is the running executable, whatever the caller passed
// as the first word.
TEST_F(ProcessControl, ParamStrZeroIsTheRunningProgram) {
    const std::filesystem::path program = ParamStr(0);
    ASSERT_TRUE(program.is_absolute()) << program;
    EXPECT_TRUE(std::filesystem::equivalent(program, "/proc/self/exe"));
}

// A death test in the "threadsafe" style runs this program again with extra
// arguments of gtest's own; the child sees them through ParamStr.
TEST_F(ProcessControl, ReadsTheRealArguments) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool found = false;
            for (Integer i = 1; i <= ParamCount(); ++i)
                if (ParamStr(i).rfind("--gtest_internal_run_death_test", 0) == 0) found = true;
            std::_Exit(found && ParamStr(ParamCount() + 1).empty() ? 7 : 1);
        },
        ::testing::ExitedWithCode(7), "");
}

TEST_F(ProcessControl, HaltWithoutHandlerExitsAndFlushesStreams) {
    const std::string file = ::testing::TempDir() + "halt_flush_" + std::to_string(::getpid());
    std::remove(file.c_str());
    EXPECT_EXIT(
        {
            FILE* f = std::fopen(file.c_str(), "w");
            std::fputs("buffered text", f);  // still in the stdio buffer
            Halt(3);
        },
        ::testing::ExitedWithCode(3), "");
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "buffered text");
    std::remove(file.c_str());
}

TEST_F(ProcessControl, HaltEndsTheProcessWhenTheHandlerReturns) {
    EXPECT_EXIT(
        {
            SetHaltHandler([](int) { std::fputs("handler ran\n", stderr); });
            Halt(5);
        },
        ::testing::ExitedWithCode(5), "handler ran");
}

TEST_F(ProcessControl, InterceptorTurnsHaltIntoEHaltAndRestores) {
    int seen = -1;
    SetHaltHandler([&](int Code) { seen = Code; });
    {
        THaltInterceptor outer;
        {
            THaltInterceptor inner;
            try {
                Halt(42);
                ADD_FAILURE() << "Halt returned";
            } catch (const EHalt& e) {
                EXPECT_EQ(e.ExitCode(), 42);
                EXPECT_EQ(e.Message(), "Program halted with exit code 42");
            }
        }
        EXPECT_THROW(Halt(0), EHalt);  // the outer interceptor is back
    }
    // The handler installed before the interceptors is back.
    const THaltHandler mine = SetHaltHandler({});
    ASSERT_TRUE(mine);
    mine(9);
    EXPECT_EQ(seen, 9);
}

TEST_F(ProcessControl, SetHaltHandlerReturnsThePreviousOne) {
    EXPECT_FALSE(SetHaltHandler([](int) {}));
    int called = 0;
    const THaltHandler first = SetHaltHandler([&](int) { ++called; });
    ASSERT_TRUE(first);
    const THaltHandler second = SetHaltHandler({});
    ASSERT_TRUE(second);
    second(0);
    EXPECT_EQ(called, 1);
}
