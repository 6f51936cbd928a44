// WinCgiBridge.cpp - temporary directory, program runner and the request.
#include "WinCgiBridge.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

extern char** environ;

namespace corvane::wincgi {

namespace {

volatile std::sig_atomic_t gStopSignal = 0;

void OnStopSignal(int Sig) {
    if (!gStopSignal) gStopSignal = Sig;
}

void Log(const char* Format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* Format, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, Format);
    std::vsnprintf(buf, sizeof buf, Format, ap);
    va_end(ap);
    std::fprintf(stderr, "corvane-wincgi: %s\n", buf);
}

bool WriteAll(int Fd, const char* Data, std::size_t Size) {
    while (Size > 0) {
        const ssize_t n = ::write(Fd, Data, Size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        Data += n;
        Size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteNewFile(const std::string& Path, std::string_view Data) {
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, Data.data(), Data.size());
    return ::close(fd) == 0 && ok;
}

double MonotonicSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

timespec ToTimespec(double Seconds) {
    if (Seconds < 0) Seconds = 0;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(Seconds);
    ts.tv_nsec = static_cast<long>((Seconds - static_cast<double>(ts.tv_sec)) * 1e9);
    if (ts.tv_nsec >= 1000000000L) ts.tv_nsec = 999999999L;
    return ts;
}

bool HasExited(pid_t Pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(Pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD;  // nothing left to wait for
    return info.si_pid == Pid;
}

// Waits until Pid has exited (not reaped) or Seconds have passed; a stop
// signal received meanwhile is recorded.  True when it exited.
bool WaitForExit(pid_t Pid, const sigset_t& Set, double Seconds, bool StopOnSignal, int* Stop) {
    const double deadline = MonotonicSeconds() + Seconds;
    for (;;) {
        if (HasExited(Pid)) return true;
        const double left = deadline - MonotonicSeconds();
        if (left <= 0) return false;
        const timespec ts = ToTimespec(left);
        siginfo_t si{};
        const int sig = ::sigtimedwait(&Set, &si, &ts);
        if (sig == SIGTERM || sig == SIGINT || sig == SIGHUP) {
            if (!gStopSignal) gStopSignal = sig;
            if (Stop) *Stop = sig;
            if (StopOnSignal) return false;
        }
    }
}

// The response for the bridge's own errors.
int Answer(int OutFd, int Status, std::string_view Message) {
    Log("%d %.*s", Status, static_cast<int>(Message.size()), Message.data());
    const std::string r = ErrorResponse(Status, ReasonPhrase(Status), Message);
    if (!WriteAll(OutFd, r.data(), r.size())) {
        Log("cannot write the response: %s", std::strerror(errno));
        return 1;
    }
    return 0;
}

std::string DescribeResult(const RunResult& R) {
    switch (R.Outcome) {
        case RunResult::Exited: return "exit code " + std::to_string(R.ExitCode);
        case RunResult::Signalled: return std::string("signal ") + ::strsignal(R.Signal);
        case RunResult::TimedOut: return "time limit";
        case RunResult::Interrupted: return "stopped";
        case RunResult::StartFailed: return std::string("start failed: ") + std::strerror(R.Error);
    }
    return {};
}

}  // namespace

Environment CurrentEnvironment() {
    Environment env;
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (!eq) continue;
        env.emplace(std::string(*e, static_cast<std::size_t>(eq - *e)), std::string(eq + 1));
    }
    return env;
}

// ---------------------------------------------------------------- TempDir

TempDir::~TempDir() { Remove(); }

bool TempDir::Create(const Environment& Env, std::string* Error) {
    std::string base = "/tmp";
    const auto it = Env.find("TMPDIR");
    if (it != Env.end() && !it->second.empty() && it->second.front() == '/') {
        bool clean = true;
        for (char ch : it->second) {
            const unsigned char c = static_cast<unsigned char>(ch);
            if (c <= ' ' || c == 0x7F) clean = false;
        }
        struct stat st{};
        if (clean && ::stat(it->second.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) base = it->second;
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::string templ = (base == "/" ? "" : base) + "/corvane-wincgi.XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) {
        if (Error) *Error = "cannot make a directory in " + base + ": " + std::strerror(errno);
        return false;
    }
    FPath = buf.data();
    return true;
}

void TempDir::Remove() {
    if (FPath.empty()) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    // The program may have left directories without write permission.
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(FPath, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code e2;
        if (it->is_directory(e2) && !it->is_symlink(e2))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, e2);
    }
    ec.clear();
    fs::remove_all(FPath, ec);
    if (ec) Log("cannot remove %s: %s", FPath.c_str(), ec.message().c_str());
    FPath.clear();
}

// ------------------------------------------------------------------ runner

void InstallSignalHandlers() {
    struct sigaction sa{};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a blocking read ends with EINTR
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    struct sigaction ign{};
    ign.sa_handler = SIG_IGN;
    sigemptyset(&ign.sa_mask);
    ::sigaction(SIGPIPE, &ign, nullptr);
    // A server that ignores SIGCHLD passes that on through exec; the program
    // would then be reaped by the kernel and its exit status lost.
    struct sigaction dfl{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(SIGCHLD, &dfl, nullptr);
}

int StopSignal() { return gStopSignal; }

RunResult RunProgram(const std::vector<std::string>& Argv, const std::vector<std::string>& Env,
                     const std::string& WorkDir, double TimeoutSeconds) {
    RunResult result;
    if (Argv.empty()) {
        result.Outcome = RunResult::StartFailed;
        result.Error = EINVAL;
        return result;
    }

    // Everything the child needs is ready before fork: it only calls
    // async-signal-safe functions.
    std::vector<char*> argv;
    for (const std::string& a : Argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : Env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    sigset_t waitSet;
    sigemptyset(&waitSet);
    sigaddset(&waitSet, SIGCHLD);
    sigaddset(&waitSet, SIGTERM);
    sigaddset(&waitSet, SIGINT);
    sigaddset(&waitSet, SIGHUP);
    sigset_t oldMask;
    ::pthread_sigmask(SIG_BLOCK, &waitSet, &oldMask);
    struct MaskRestore {
        const sigset_t& Mask;
        ~MaskRestore() { ::pthread_sigmask(SIG_SETMASK, &Mask, nullptr); }
    } restore{oldMask};

    if (gStopSignal) {
        result.Outcome = RunResult::Interrupted;
        result.Signal = gStopSignal;
        return result;
    }

    int errPipe[2];
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        result.Outcome = RunResult::StartFailed;
        result.Error = errno;
        return result;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.Outcome = RunResult::StartFailed;
        result.Error = errno;
        ::close(errPipe[0]);
        ::close(errPipe[1]);
        return result;
    }
    if (pid == 0) {
        ::close(errPipe[0]);
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0) {
            ::dup2(devNull, 0);
            if (devNull > 2) ::close(devNull);
        }
        ::dup2(2, 1);
        int err = 0;
        if (!WorkDir.empty() && ::chdir(WorkDir.c_str()) != 0) err = errno;
        if (!err) {
            ::execve(argv[0], argv.data(), envp.data());
            err = errno;
        }
        [[maybe_unused]] const ssize_t n = ::write(errPipe[1], &err, sizeof err);
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // also from here, so the group exists before any kill
    ::close(errPipe[1]);

    // The start is not waited for: a failed exec shows as an errno in the
    // pipe once the child has ended.
    int stop = 0;
    const bool exited = WaitForExit(pid, waitSet, TimeoutSeconds, true, &stop);
    if (!exited) {
        result.Outcome = stop ? RunResult::Interrupted : RunResult::TimedOut;
        result.Signal = stop;
        ::kill(-pid, SIGTERM);
        WaitForExit(pid, waitSet, 1.0, false, nullptr);
    }
    // The leader is a zombie (or still running) here, so its process group
    // id cannot have been reused: kill whatever is left in the group.
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // Every writer of the pipe is gone now (it is closed on exec), so this
    // does not block: an errno when the start failed, end of file otherwise.
    int err = 0;
    ssize_t got;
    do {
        got = ::read(errPipe[0], &err, sizeof err);
    } while (got < 0 && errno == EINTR);
    ::close(errPipe[0]);
    if (got == static_cast<ssize_t>(sizeof err)) {
        result.Outcome = RunResult::StartFailed;
        result.Error = err;
        return result;
    }
    if (exited) {
        if (WIFEXITED(status)) {
            result.Outcome = RunResult::Exited;
            result.ExitCode = WEXITSTATUS(status);
        } else {
            result.Outcome = RunResult::Signalled;
            result.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        }
    }
    if (gStopSignal && result.Outcome != RunResult::Interrupted) {
        // A stop signal came in while the program was ending.
        result.Outcome = RunResult::Interrupted;
        result.Signal = gStopSignal;
    }
    return result;
}

// ----------------------------------------------------------------- request

int RunBridge(const std::vector<std::string>& Args, int InFd, int OutFd) {
    const Environment env = CurrentEnvironment();
    const Config config = ReadConfig(env);
    for (const std::string& w : config.Warnings) Log("%s", w.c_str());

    // The program.
    std::string program;
    if (Args.size() > 1) {
        program = Args[1];
    } else if (const auto it = env.find("CORVANE_WINCGI_PROGRAM"); it != env.end()) {
        program = it->second;
    }
    if (program.empty())
        return Answer(OutFd, 500, "No Windows CGI program is configured for this address.");
    char resolved[PATH_MAX];
    if (!::realpath(program.c_str(), resolved) || ::access(resolved, X_OK) != 0) {
        Log("program %s: %s", program.c_str(), std::strerror(errno));
        return Answer(OutFd, 500, "The Windows CGI program is missing or cannot be run.");
    }
    program = resolved;
    struct stat pst{};
    if (::stat(program.c_str(), &pst) != 0 || !S_ISREG(pst.st_mode))
        return Answer(OutFd, 500, "The Windows CGI program is not a file.");
    const std::string workDir = std::filesystem::path(program).parent_path().string();

    // The request body.
    std::uint64_t length = 0;
    if (const auto it = env.find("CONTENT_LENGTH"); it != env.end() && !it->second.empty()) {
        const std::string& s = it->second;
        bool ok = s.size() <= 19;
        for (char c : s) {
            if (c < '0' || c > '9') ok = false;
            else length = length * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (!ok) return Answer(OutFd, 400, "The request has a malformed Content-Length.");
    }
    if (length > config.MaxBody)
        return Answer(OutFd, 413,
                      "The request body of " + std::to_string(length) +
                          " bytes is larger than the limit of " + std::to_string(config.MaxBody) +
                          " bytes.");
    std::string body;
    body.resize(static_cast<std::size_t>(length));
    std::size_t have = 0;
    while (have < body.size()) {
        const ssize_t n = ::read(InFd, body.data() + have, body.size() - have);
        if (n < 0 && errno == EINTR) {
            if (gStopSignal) return 2;
            continue;
        }
        if (n < 0) {
            Log("reading the request body: %s", std::strerror(errno));
            return Answer(OutFd, 400, "The request body could not be read.");
        }
        if (n == 0) return Answer(OutFd, 400, "The request body is shorter than its Content-Length.");
        have += static_cast<std::size_t>(n);
    }
    if (gStopSignal) return 2;

    // The profile and its files.
    TempDir dir;
    std::string error;
    if (!dir.Create(env, &error)) {
        Log("%s", error.c_str());
        return Answer(OutFd, 500, "The request files could not be made.");
    }
    const ProfilePlan plan =
        BuildProfile(env, body, dir.Path(), LocalGmtOffset(static_cast<std::int64_t>(std::time(nullptr))));
    if (plan.TooManyFields)
        return Answer(OutFd, 413,
                      "The form has more than " + std::to_string(kMaxFormFields) + " fields.");
    for (const std::string& note : plan.Notes) Log("%s", note.c_str());
    bool written = WriteNewFile(plan.ContentPath, body);
    for (const ProfileFile& f : plan.Externals) written = written && WriteNewFile(f.Path, f.Data);
    written = written && WriteNewFile(plan.ProfilePath, plan.Text);
    if (!written) {
        Log("writing the request files in %s: %s", dir.Path().c_str(), std::strerror(errno));
        return Answer(OutFd, 500, "The request files could not be written.");
    }
    body.clear();
    body.shrink_to_fit();

    // The program, with the environment less HTTP_PROXY (a client-chosen
    // value that HTTP libraries would take for their proxy).
    std::vector<std::string> childEnv;
    for (const auto& [name, value] : env)
        if (name != "HTTP_PROXY") childEnv.push_back(name + "=" + value);
    const RunResult run = RunProgram({program, plan.ProfilePath}, childEnv, workDir, config.TimeoutSeconds);
    switch (run.Outcome) {
        case RunResult::Interrupted:
            Log("stopped by signal %d; program ended", run.Signal);
            return 2;
        case RunResult::StartFailed:
            Log("cannot start %s: %s", program.c_str(), std::strerror(run.Error));
            return Answer(OutFd, 502, "The Windows CGI program could not be started.");
        case RunResult::TimedOut:
            Log("%s ran longer than %g s and was ended", program.c_str(), config.TimeoutSeconds);
            return Answer(OutFd, 504, "The Windows CGI program did not answer in time.");
        case RunResult::Exited:
        case RunResult::Signalled:
            break;
    }
    const bool failed = !(run.Outcome == RunResult::Exited && run.ExitCode == 0);

    // The output file.
    const int fd = ::open(plan.OutputPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        Log("%s wrote no output file (%s)", program.c_str(), DescribeResult(run).c_str());
        return Answer(OutFd, 502, "The Windows CGI program wrote no response.");
    }
    struct FdCloser {
        int Fd;
        ~FdCloser() { ::close(Fd); }
    } closer{fd};
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Answer(OutFd, 502, "The Windows CGI program's response is not a file.");
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (size == 0) {
        Log("%s wrote an empty output file (%s)", program.c_str(), DescribeResult(run).c_str());
        return Answer(OutFd, 502, "The Windows CGI program wrote an empty response.");
    }
    const std::size_t headSize = static_cast<std::size_t>(size < kMaxResponseHead ? size : kMaxResponseHead);
    std::string start(headSize, '\0');
    std::size_t got = 0;
    while (got < headSize) {
        const ssize_t n = ::pread(fd, start.data() + got, headSize - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    start.resize(got);
    const ResponseHead head = ParseResponseHead(start, got == size);
    if (!head.Ok) {
        Log("unusable output of %s (%s): %s", program.c_str(), DescribeResult(run).c_str(),
            head.Error.c_str());
        return Answer(OutFd, 502, "The Windows CGI program wrote a malformed response.");
    }
    const auto bodyLength = BodyLengthToSend(head, size);
    if (!bodyLength) {
        Log("output of %s (%s) is shorter than its Content-Length", program.c_str(),
            DescribeResult(run).c_str());
        return Answer(OutFd, 502, "The Windows CGI program wrote an incomplete response.");
    }
    for (const std::string& note : head.Notes) Log("%s", note.c_str());
    if (failed) Log("%s ended with %s; passing on its response", program.c_str(), DescribeResult(run).c_str());
    if (head.DeclaredLength && size - head.BodyOffset > *head.DeclaredLength)
        Log("%s wrote more than its Content-Length; the rest is dropped", program.c_str());

    const std::string cgiHead = FormatCgiHead(head, *bodyLength);
    if (!WriteAll(OutFd, cgiHead.data(), cgiHead.size())) {
        Log("cannot write the response: %s", std::strerror(errno));
        return 1;
    }
    std::vector<char> buf(65536);
    std::uint64_t offset = head.BodyOffset;
    std::uint64_t left = *bodyLength;
    while (left > 0) {
        const std::size_t want = left < buf.size() ? static_cast<std::size_t>(left) : buf.size();
        const ssize_t n = ::pread(fd, buf.data(), want, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // The file shrank under us: the response is cut; the server sees a
            // short body against Content-Length and drops the connection.
            Log("reading %s: %s", plan.OutputPath.c_str(), n < 0 ? std::strerror(errno) : "file shrank");
            return 1;
        }
        if (!WriteAll(OutFd, buf.data(), static_cast<std::size_t>(n))) {
            Log("cannot write the response: %s", std::strerror(errno));
            return 1;
        }
        offset += static_cast<std::uint64_t>(n);
        left -= static_cast<std::uint64_t>(n);
    }
    return 0;
}

}  // namespace corvane::wincgi
