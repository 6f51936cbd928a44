// Tests of ShellExecute and the detached launcher: what reaches the opener,
// the error results, and that real programs are started and reaped.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ShellApi.h"

using namespace vcl;

namespace {

int Code(HINSTANCE H) { return int(reinterpret_cast<uintptr_t>(H)); }

std::string MakeTempDir() {
    std::string base = "/tmp";
    if (const char* t = std::getenv("CORVANE_TEST_TMP"); t && *t) base = t;
    mkdir(base.c_str(), 0755);
    std::string templ = base + "/shellapi-XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    return templ;
}

void WriteFile(const std::string& Path, const std::string& Text, mode_t Mode) {
    std::ofstream(Path, std::ios::binary) << Text;
    chmod(Path.c_str(), Mode);
}

// Waits until a detached program has produced File (it runs on its own, so
// there is nothing to join); false when it never appears.
bool WaitForFile(const std::string& File) {
    for (int i = 0; i < 2000; ++i) {
        if (access(File.c_str(), F_OK) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Installs a launcher that records what it is asked to run.
class ShellExecuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPrevious = SetShellLauncher([this](const std::vector<std::string>& Argv) {
            FCalls.push_back(Argv);
            if (FThrow) throw std::runtime_error("launcher broke");
            return FSucceed;
        });
    }
    void TearDown() override { SetShellLauncher(FPrevious); }

    TShellLauncher FPrevious;
    std::vector<std::vector<std::string>> FCalls;
    bool FSucceed = true;
    bool FThrow = false;
};

TEST_F(ShellExecuteTest, TargetReachesOpenerAsOneUnchangedArgument) {
    const struct {
        const char* File;
        const char* Directory;
        std::string Expected;
    } cases[] = {
        {"http://example.org/a b?q=\"x\";y='z'&c=$(rm -rf ~)`id`|w>v", nullptr,
         "http://example.org/a b?q=\"x\";y='z'&c=$(rm -rf ~)`id`|w>v"},
        {"mailto:someone@example.org", nullptr, "mailto:someone@example.org"},
        {"wais", nullptr, "wais"},
        {"/home/u/my file.txt", nullptr, "/home/u/my file.txt"},
        {"doc; ls.txt", "/data/docs", "/data/docs/doc; ls.txt"},
        {"doc.txt", "/data/docs/", "/data/docs/doc.txt"},
        {"/abs/doc.txt", "/data/docs", "/abs/doc.txt"},
        {"http://example.org/", "/data/docs", "http://example.org/"},
        {"C:\\docs\\a.txt", "/data/docs", "C:\\docs\\a.txt"},
        {"--help", nullptr, "./--help"},
        {"-x.txt", "", "./-x.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        FCalls.clear();
        EXPECT_GT(Code(ShellExecute(nullptr, "open", c.File, nullptr, c.Directory, 1)), 32);
        ASSERT_EQ(FCalls.size(), 1u);
        EXPECT_EQ(FCalls[0], (std::vector<std::string>{"xdg-open", c.Expected}));
    }
}

TEST_F(ShellExecuteTest, OperationsAndMissingFiles) {
    const struct {
        const char* Operation;
        const char* File;
        int Expected;  // 0: success
    } cases[] = {
        {nullptr, "http://x/", 0}, {"open", "http://x/", 0}, {"Open", "http://x/", 0}, {"", "http://x/", 0},
        {"print", "a.txt", SE_ERR_NOASSOC}, {"edit", "a.txt", SE_ERR_NOASSOC},
        {"open", nullptr, SE_ERR_FNF}, {"open", "", SE_ERR_FNF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Operation ? c.Operation : "(null)") + " " + (c.File ? c.File : "(null)"));
        FCalls.clear();
        const int r = Code(ShellExecute(nullptr, c.Operation, c.File, "ignored params", nullptr, 1));
        if (c.Expected == 0) {
            EXPECT_GT(r, 32);
            EXPECT_EQ(FCalls.size(), 1u);
        } else {
            EXPECT_EQ(r, c.Expected);
            EXPECT_TRUE(FCalls.empty());
        }
    }
}

TEST_F(ShellExecuteTest, LauncherFailureIsReportedAsError) {
    FSucceed = false;
    EXPECT_EQ(Code(ShellExecute(nullptr, "open", "http://x/", nullptr, nullptr, 1)), SE_ERR_NOASSOC);
    FThrow = true;
    EXPECT_EQ(Code(ShellExecute(nullptr, "open", "http://x/", nullptr, nullptr, 1)), SE_ERR_NOASSOC);
    EXPECT_EQ(FCalls.size(), 2u);
}

TEST_F(ShellExecuteTest, SetShellLauncherReturnsPreviousAndEmptyRestoresDefault) {
    std::vector<std::string> seen;
    TShellLauncher mine = SetShellLauncher([&](const std::vector<std::string>& A) {
        seen = A;
        return true;
    });
    ASSERT_TRUE(mine);
    // The fixture's launcher came back: putting it in place again uses it.
    TShellLauncher second = SetShellLauncher(mine);
    ShellExecute(nullptr, nullptr, "a", nullptr, nullptr, 1);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(FCalls.size(), 1u);
    second({"x", "y"});
    EXPECT_EQ(seen, (std::vector<std::string>{"x", "y"}));

    // An empty launcher restores the default, which is handed back as a
    // callable that really spawns.
    SetShellLauncher(nullptr);
    TShellLauncher def = SetShellLauncher(mine);
    ASSERT_TRUE(def);
    EXPECT_FALSE(def({"/nonexistent/program"}));
    EXPECT_TRUE(def({"true"}));
}

// ---------------------------------------------------------------------------
// The default launcher

TEST(SpawnDetachedTest, RunsProgramWithArgumentsFromPath) {
    const std::string dir = MakeTempDir();
    const std::string marker = dir + "/a b;$(x)";
    ASSERT_TRUE(SpawnDetached({"touch", marker}));
    EXPECT_TRUE(WaitForFile(marker));
}

TEST(SpawnDetachedTest, LeavesNoChildBehind) {
    ASSERT_TRUE(SpawnDetached({"true"}));
    // The program is not a child of ours (so it can never be our zombie),
    // and the intermediate process has been reaped.
    int status = 0;
    errno = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(SpawnDetachedTest, FailsWhenProgramCannotBeRun) {
    const std::string dir = MakeTempDir();
    WriteFile(dir + "/not-executable", "#!/bin/sh\n", 0644);
    // Executable bits but no format the kernel can run: the exec itself fails.
    WriteFile(dir + "/garbage", std::string("\x01\x02\x03\x04 no program", 15), 0755);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {""},
        {"/nonexistent/program"},
        {"corvane-no-such-program-anywhere"},
        {dir + "/not-executable"},
        {dir},
        {dir + "/garbage"},
    };
    for (const auto& argv : cases) {
        SCOPED_TRACE(argv.empty() ? "(empty)" : argv[0]);
        EXPECT_FALSE(SpawnDetached(argv));
    }
}

// ShellExecute with the default launcher runs the xdg-open found in PATH.
TEST(ShellExecuteDefaultTest, RunsOpenerFromPathWithTargetIntact) {
    const std::string dir = MakeTempDir();
    WriteFile(dir + "/xdg-open",
              "#!/bin/sh\nprintf '%s' \"$1\" > \"" + dir + "/got.tmp\" && mv \"" + dir + "/got.tmp\" \"" + dir +
                  "/got\"\n",
              0755);
    struct PathGuard {
        std::string Saved = std::getenv("PATH") ? std::getenv("PATH") : "";
        ~PathGuard() { setenv("PATH", Saved.c_str(), 1); }
    } path;
    setenv("PATH", (dir + ":" + path.Saved).c_str(), 1);
    TShellLauncher previous = SetShellLauncher(nullptr);
    const std::string url = "http://example.org/?a=1;b=\"2\" $(touch " + dir + "/pwned) `x`";
    const int r = Code(ShellExecute(nullptr, "open", url.c_str(), nullptr, nullptr, 1));
    SetShellLauncher(previous);
    EXPECT_GT(r, 32);
    ASSERT_TRUE(WaitForFile(dir + "/got"));
    EXPECT_EQ(ReadFile(dir + "/got"), url);
    EXPECT_NE(access((dir + "/pwned").c_str(), F_OK), 0);

    // Without an opener in PATH the call reports the failure.
    setenv("PATH", "/nonexistent", 1);
    previous = SetShellLauncher(nullptr);
    EXPECT_EQ(Code(ShellExecute(nullptr, nullptr, "http://x/", nullptr, nullptr, 1)), SE_ERR_NOASSOC);
    SetShellLauncher(previous);
}

}  // namespace
