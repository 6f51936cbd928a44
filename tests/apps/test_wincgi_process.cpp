// corvane-wincgi as a process: it runs the fake Windows CGI program
// (tests/e2e/wincgi/fake_wincgi.cpp) for CGI/1.1 requests, and after every
// request - answered, refused, timed out, crashed or stopped by a signal -
// its temporary directory is gone and no process of the program is left.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "WinCgiBridge.h"

#ifndef CORVANE_WINCGI_BRIDGE
#error "CORVANE_WINCGI_BRIDGE (the path of corvane-wincgi) must be defined"
#endif
#ifndef CORVANE_WINCGI_FAKE
#error "CORVANE_WINCGI_FAKE (the path of fake-wincgi) must be defined"
#endif

namespace fs = std::filesystem;
using corvane::wincgi::Environment;

namespace {

const std::string kBridge = CORVANE_WINCGI_BRIDGE;
const std::string kFake = CORVANE_WINCGI_FAKE;

std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string MakeTempDir(const char* Tag) {
    std::string base = "/tmp";
#ifdef CORVANE_TEST_TMP
    const std::string t = CORVANE_TEST_TMP;
    if (t.find_first_of(" \t\r\n") == std::string::npos && fs::is_directory(t)) base = t;
#endif
    std::string templ = base + "/" + Tag + ".XXXXXX";
    if (!mkdtemp(templ.data())) return {};
    return templ;
}

// True once the process is gone or a zombie nobody reaps.
bool Gone(pid_t Pid) {
    std::ifstream in("/proc/" + std::to_string(Pid) + "/stat");
    if (!in) return true;
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z';
}

// Waits (boundedly) for a killed process to disappear.
bool WaitGone(pid_t Pid) {
    for (int i = 0; i < 1000; ++i) {
        if (Gone(Pid)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

struct Result {
    int Status = 0;  // as waitpid gives it
    std::string Out;
    std::string Err;

    bool ExitedWith(int Code) const { return WIFEXITED(Status) && WEXITSTATUS(Status) == Code; }
    std::string StatusLine() const { return Out.substr(0, Out.find("\r\n")); }
    std::string Body() const {
        const std::size_t end = Out.find("\r\n\r\n");
        return end == std::string::npos ? std::string() : Out.substr(end + 4);
    }
    std::string Head() const { return Out.substr(0, Out.find("\r\n\r\n") + 2); }
};

class WinCgiBridgeProcess : public ::testing::Test {
protected:
    void SetUp() override {
        FTmp = MakeTempDir("wincgi-tmp");
        FIo = MakeTempDir("wincgi-io");
        ASSERT_FALSE(FTmp.empty());
        ASSERT_FALSE(FIo.empty());
    }

    void TearDown() override {
        // Whatever happened, the bridge left nothing behind.
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(FTmp)) left.push_back(e.path().string());
        EXPECT_TRUE(left.empty()) << "left behind: " << (left.empty() ? "" : left.front());
        std::error_code ec;
        fs::remove_all(FTmp, ec);
        fs::remove_all(FIo, ec);
    }

    Environment Request(const std::string& PathInfo, const std::string& Method = "GET") const {
        Environment env = {{"TMPDIR", FTmp},          {"REQUEST_METHOD", Method},
                           {"SERVER_PROTOCOL", "HTTP/1.1"}, {"SERVER_SOFTWARE", "test-server/1"},
                           {"SERVER_NAME", "localhost"},   {"SERVER_PORT", "8080"},
                           {"SCRIPT_NAME", "/app"},        {"REMOTE_ADDR", "127.0.0.1"},
                           {"SERVER_ADMIN", "admin@example.test"}};
        if (!PathInfo.empty()) env["PATH_INFO"] = PathInfo;
        // A sanitizer build runs the bridge and the program with the test's settings.
        for (const char* var : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* v = getenv(var)) env[var] = v;
        return env;
    }

    static Environment Post(Environment Env, const std::string& Body) {
        Env["REQUEST_METHOD"] = "POST";
        Env["CONTENT_TYPE"] = "application/x-www-form-urlencoded";
        Env["CONTENT_LENGTH"] = std::to_string(Body.size());
        return Env;
    }

    // Starts the bridge with Args, Env and Body on stdin; stdout goes to OutFd
    // when given, else to a file.
    pid_t Start(const std::vector<std::string>& Args, const Environment& Env, const std::string& Body,
                int OutFd = -1, bool IgnoreSigchld = false) {
        {
            std::ofstream in(FIo + "/stdin", std::ios::binary | std::ios::trunc);
            in << Body;
        }
        std::vector<std::string> envStrings;
        for (const auto& [k, v] : Env) envStrings.push_back(k + "=" + v);
        std::vector<char*> argv, envp;
        for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const std::string& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const std::string in = FIo + "/stdin", out = FIo + "/stdout", err = FIo + "/stderr";
        const pid_t pid = fork();
        if (pid == 0) {
            const int i = open(in.c_str(), O_RDONLY);
            const int o = OutFd >= 0 ? OutFd : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (i < 0 || o < 0 || e < 0) _exit(120);
            dup2(i, 0);
            dup2(o, 1);
            dup2(e, 2);
            if (IgnoreSigchld) signal(SIGCHLD, SIG_IGN);  // inherited through exec
            execve(argv[0], argv.data(), envp.data());
            _exit(121);
        }
        return pid;
    }

    Result Finish(pid_t Pid) {
        Result r;
        waitpid(Pid, &r.Status, 0);
        r.Out = ReadFile(FIo + "/stdout");
        r.Err = ReadFile(FIo + "/stderr");
        return r;
    }

    Result Run(const Environment& Env, const std::string& Body = "", std::vector<std::string> Args = {}) {
        if (Args.empty()) Args = {kBridge, kFake};
        return Finish(Start(Args, Env, Body));
    }

    // The pid the fake program reports on stderr when it starts sleeping.
    pid_t WaitForFakePid() const {
        for (int i = 0; i < 1000; ++i) {
            const std::string err = ReadFile(FIo + "/stderr");
            const std::size_t at = err.find("fake-wincgi pid=");
            if (at != std::string::npos && err.find('\n', at) != std::string::npos)
                return static_cast<pid_t>(std::stol(err.substr(at + 16)));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    }

    std::string FTmp;  // the TMPDIR given to the bridge
    std::string FIo;   // stdin, stdout and stderr of the bridge
};

}  // namespace

TEST_F(WinCgiBridgeProcess, GetRequestReachesTheProgram) {
    Environment env = Request("");
    env["QUERY_STRING"] = "a=1&b=%41";
    env["HTTP_X_TRACE"] = "t-1";
    env["HTTP_PROXY"] = "http://evil.test/";
    const Result r = Run(env);
    ASSERT_TRUE(r.ExitedWith(0)) << r.Err;
    EXPECT_EQ(r.StatusLine(), "Status: 200 OK");
    EXPECT_NE(r.Head().find("Content-Type: text/plain\r\n"), std::string::npos);
    EXPECT_NE(r.Head().find("Content-Length: " + std::to_string(r.Body().size()) + "\r\n"), std::string::npos);
    const std::string body = r.Body();
    EXPECT_NE(body.find("method=GET\n"), std::string::npos);
    EXPECT_NE(body.find("query=a=1&b=%41\n"), std::string::npos);
    EXPECT_NE(body.find("header.X-Trace=t-1\n"), std::string::npos);
    EXPECT_NE(body.find("cgi.Remote Adress=127.0.0.1\n"), std::string::npos);
    EXPECT_NE(body.find("system.Output File=" + FTmp + "/corvane-wincgi."), std::string::npos);
    EXPECT_EQ(body.find("literal."), std::string::npos);  // a query string is not decoded
    // The program runs in its own directory.
    EXPECT_NE(body.find("cwd=" + fs::path(kFake).parent_path().string() + "\n"), std::string::npos) << body;
}

TEST_F(WinCgiBridgeProcess, PostedFormReachesTheProgram) {
    const std::string text(300, 't');
    const std::string huge(70000, 'h');
    const std::string body = "name=Anna+B%C3%A4r&name=Zweite&text=" + text + "&ml=a%0D%0Ab&huge=" + huge;
    const Result r = Run(Post(Request(""), body), body);
    ASSERT_TRUE(r.ExitedWith(0)) << r.Err;
    const std::string b = r.Body();
    EXPECT_NE(b.find("literal.name=Anna B\xC3\xA4r\n"), std::string::npos) << b.substr(0, 2000);
    EXPECT_NE(b.find("literal.name_1=Zweite\n"), std::string::npos);
    EXPECT_NE(b.find("external.text=300:" + text + "\n"), std::string::npos);
    EXPECT_NE(b.find("external.ml=4:a\\x0D\\x0Ab\n"), std::string::npos);
    EXPECT_NE(b.find("huge.huge=70000:" + huge + "\n"), std::string::npos);
    EXPECT_NE(b.find("cgi.Content Length=" + std::to_string(body.size()) + "\n"), std::string::npos);
}

TEST_F(WinCgiBridgeProcess, ProgramOutcomes) {
    struct Case {
        const char* Path;
        const char* Timeout;
        const char* StatusLine;
        const char* InBody;  // text the body must hold
    } cases[] = {
        // The time limits leave the fake program time to start and report its pid.
        {"/html", nullptr, "Status: 200 OK", "<H1>Hallo</H1>"},
        {"/lf", nullptr, "Status: 200 OK", "plain LF response"},
        {"/error", nullptr, "Status: 500 Internal Error", "Error in /app"},  // exit code 1, page passed on
        {"/crash", nullptr, "Status: 502 Bad Gateway", "no response"},
        {"/nothing", nullptr, "Status: 502 Bad Gateway", "no response"},
        {"/empty", nullptr, "Status: 502 Bad Gateway", "empty response"},
        {"/partial", nullptr, "Status: 502 Bad Gateway", "incomplete response"},
        {"/sleep", "2", "Status: 504 Gateway Timeout", "did not answer in time"},
        {"/sleep-stubborn", "2", "Status: 504 Gateway Timeout", "did not answer in time"},
    };
    for (const Case& c : cases) {
        Environment env = Request(c.Path);
        if (c.Timeout) env["CORVANE_WINCGI_TIMEOUT"] = c.Timeout;
        const Result r = Run(env);
        EXPECT_TRUE(r.ExitedWith(0)) << c.Path << ": " << r.Err;
        EXPECT_EQ(r.StatusLine(), c.StatusLine) << c.Path << ": " << r.Err;
        EXPECT_NE(r.Body().find(c.InBody), std::string::npos) << c.Path << ": " << r.Out;
        if (c.Timeout) {
            const std::size_t at = r.Err.find("fake-wincgi pid=");
            ASSERT_NE(at, std::string::npos) << r.Err;
            const pid_t fake = static_cast<pid_t>(std::stol(r.Err.substr(at + 16)));
            EXPECT_TRUE(WaitGone(fake)) << c.Path;
        }
    }
}

TEST_F(WinCgiBridgeProcess, RedirectOfTheComponent) {
    Environment env = Request("/redirect");
    env["QUERY_STRING"] = "http://example.test/next";
    const Result r = Run(env);
    ASSERT_TRUE(r.ExitedWith(0)) << r.Err;
    EXPECT_EQ(r.Out, "Status: 302 Found\r\nLocation: http://example.test/next\r\nContent-Length: 0\r\n\r\n");
}

TEST_F(WinCgiBridgeProcess, LeftoverProcessesOfTheProgramAreKilled) {
    const Result r = Run(Request("/orphan"));
    ASSERT_TRUE(r.ExitedWith(0)) << r.Err;
    ASSERT_EQ(r.StatusLine(), "Status: 200 OK");
    const pid_t orphan = static_cast<pid_t>(std::stol(r.Body()));
    ASSERT_GT(orphan, 1);
    EXPECT_TRUE(WaitGone(orphan));
}

TEST_F(WinCgiBridgeProcess, RequestBodyChecks) {
    struct Case {
        const char* Name;
        const char* ContentLength;
        std::string Body;
        const char* MaxBody;
        const char* StatusLine;
    } cases[] = {
        {"over the limit", "11", "0123456789a", "10", "Status: 413 Content Too Large"},
        {"at the limit", "10", "a=12345678", "10", "Status: 200 OK"},
        {"over the default limit", "16777217", "", nullptr, "Status: 413 Content Too Large"},
        {"malformed length", "12x", "abc", nullptr, "Status: 400 Bad Request"},
        {"negative length", "-1", "abc", nullptr, "Status: 400 Bad Request"},
        {"body shorter than its length", "10", "abc", nullptr, "Status: 400 Bad Request"},
    };
    for (const Case& c : cases) {
        Environment env = Post(Request("/sleep"), c.Body);
        env["CONTENT_LENGTH"] = c.ContentLength;
        env["CORVANE_WINCGI_TIMEOUT"] = "0.3";  // /sleep answers 504 if it ever runs
        if (c.MaxBody) env["CORVANE_WINCGI_MAX_BODY"] = c.MaxBody;
        if (std::string(c.StatusLine) == "Status: 200 OK") env["PATH_INFO"] = "/html";
        const Result r = Run(env, c.Body);
        EXPECT_TRUE(r.ExitedWith(0)) << c.Name;
        EXPECT_EQ(r.StatusLine(), c.StatusLine) << c.Name << ": " << r.Err;
        if (std::string(c.StatusLine) != "Status: 200 OK") {
            EXPECT_EQ(r.Err.find("fake-wincgi"), std::string::npos) << c.Name << ": the program ran";
        }
    }
    // A form with too many fields is refused before the program runs.
    std::string many;
    for (int i = 0; i <= 10000; ++i) many += "f=1&";
    Environment env = Post(Request("/sleep"), many);
    env["CORVANE_WINCGI_TIMEOUT"] = "0.3";
    const Result r = Run(env, many);
    EXPECT_EQ(r.StatusLine(), "Status: 413 Content Too Large") << r.Err;
}

TEST_F(WinCgiBridgeProcess, ProgramSettings) {
    const std::string notExecutable = FIo + "/plain.txt";
    std::ofstream(notExecutable) << "not a program";
    chmod(notExecutable.c_str(), 0644);
    const std::string notAProgram = FIo + "/garbage.wcgi";  // executable, but no format execve knows
    std::ofstream(notAProgram) << "\x01\x02 not a program";
    chmod(notAProgram.c_str(), 0755);
    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        const char* EnvProgram;
        const char* StatusLine;
    } cases[] = {
        {"from the command line", {kBridge, kFake}, nullptr, "Status: 200 OK"},
        {"from the environment", {kBridge}, kFake.c_str(), "Status: 200 OK"},
        {"the command line wins", {kBridge, kFake}, "/nonexistent/program", "Status: 200 OK"},
        {"extra words are ignored", {kBridge, kFake, "word1", "word2"}, nullptr, "Status: 200 OK"},
        {"none", {kBridge}, nullptr, "Status: 500 Internal Server Error"},
        {"missing", {kBridge, "/nonexistent/program"}, nullptr, "Status: 500 Internal Server Error"},
        {"not executable", {kBridge, notExecutable}, nullptr, "Status: 500 Internal Server Error"},
        {"a directory", {kBridge, "/"}, nullptr, "Status: 500 Internal Server Error"},
        {"exec fails", {kBridge, notAProgram}, nullptr, "Status: 502 Bad Gateway"},
    };
    for (const Case& c : cases) {
        Environment env = Request("/html");
        if (c.EnvProgram) env["CORVANE_WINCGI_PROGRAM"] = c.EnvProgram;
        const Result r = Run(env, "", c.Args);
        EXPECT_TRUE(r.ExitedWith(0)) << c.Name;
        EXPECT_EQ(r.StatusLine(), c.StatusLine) << c.Name << ": " << r.Err;
        if (std::string(c.StatusLine) == "Status: 502 Bad Gateway") {
            EXPECT_NE(r.Body().find("could not be started"), std::string::npos) << c.Name << ": " << r.Out;
        }
    }
}

TEST_F(WinCgiBridgeProcess, StopSignalsEndTheProgramAndCleanUp) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        Environment env = Request("/sleep");
        env["CORVANE_WINCGI_TIMEOUT"] = "600";
        const pid_t bridge = Start({kBridge, kFake}, env, "");
        const pid_t fake = WaitForFakePid();
        ASSERT_GT(fake, 0) << strsignal(sig) << ": " << ReadFile(FIo + "/stderr");
        kill(bridge, sig);
        const Result r = Finish(bridge);
        EXPECT_TRUE(WIFSIGNALED(r.Status) && WTERMSIG(r.Status) == sig) << strsignal(sig) << ": " << r.Err;
        EXPECT_EQ(r.Out, "") << strsignal(sig);
        EXPECT_TRUE(WaitGone(fake)) << strsignal(sig);
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(FTmp)) left.push_back(e.path().string());
        EXPECT_TRUE(left.empty()) << strsignal(sig);
    }
}

TEST_F(WinCgiBridgeProcess, ExitStatusSeenWhenTheServerIgnoresSigchld) {
    const Result r = Finish(Start({kBridge, kFake}, Request("/error"), "", -1, true));
    ASSERT_TRUE(r.ExitedWith(0)) << r.Err;
    EXPECT_EQ(r.StatusLine(), "Status: 500 Internal Error");
    EXPECT_NE(r.Err.find("ended with exit code 1"), std::string::npos) << r.Err;
}

TEST_F(WinCgiBridgeProcess, ClosedStdoutIsAnErrorNotACrash) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    close(pipeFds[0]);  // nobody reads: writing raises SIGPIPE / EPIPE
    const pid_t bridge = Start({kBridge, kFake}, Request("/html"), "", pipeFds[1]);
    close(pipeFds[1]);
    const Result r = Finish(bridge);
    EXPECT_TRUE(r.ExitedWith(1)) << r.Err;
    EXPECT_NE(r.Err.find("cannot write the response"), std::string::npos) << r.Err;
}

// ------------------------------------------------------------ TempDir

TEST(WinCgiTempDir, PrivateAndRemovedWithEverythingInIt) {
    const std::string base = MakeTempDir("wincgi-td");
    ASSERT_FALSE(base.empty());
    const std::string outside = base + "/outside.txt";
    std::ofstream(outside) << "keep me";
    std::string path;
    {
        corvane::wincgi::TempDir dir;
        std::string error;
        ASSERT_TRUE(dir.Create({{"TMPDIR", base + "/"}}, &error)) << error;
        path = dir.Path();
        EXPECT_EQ(path.rfind(base + "/corvane-wincgi.", 0), 0u) << path;
        struct stat st{};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        // What a program may leave: a read-only directory with a file, and a
        // link to a file outside that must survive.
        fs::create_directories(path + "/sub/deeper");
        std::ofstream(path + "/sub/deeper/file") << "x";
        chmod((path + "/sub/deeper").c_str(), 0500);
        chmod((path + "/sub").c_str(), 0500);
        fs::create_symlink(outside, path + "/link");
        fs::create_directory_symlink(base, path + "/dirlink");
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ReadFile(outside), "keep me");
    std::error_code ec;
    fs::remove_all(base, ec);
}

TEST(WinCgiTempDir, UnusableTmpdirFallsBackToTmp) {
    // A blank in the directory would split the "path length" of [Form External].
    std::string blank = "/tmp/wincgi with blank.XXXXXX";
    ASSERT_TRUE(mkdtemp(blank.data()));
    for (const std::string& tmpdir : {std::string("/nonexistent/dir"), std::string("relative/dir"), blank,
                                      std::string(""), std::string("/etc/hostname")}) {
        corvane::wincgi::TempDir dir;
        std::string error;
        ASSERT_TRUE(dir.Create({{"TMPDIR", tmpdir}}, &error)) << error;
        EXPECT_EQ(dir.Path().rfind("/tmp/corvane-wincgi.", 0), 0u) << tmpdir << " -> " << dir.Path();
    }
    EXPECT_TRUE(fs::is_empty(blank));
    rmdir(blank.c_str());
}
