// ShellApi.cpp - ShellExecute on top of xdg-open.
//
// The default launcher starts the program with a double fork: the caller
// forks a short-lived child, which forks the program and exits at once; the
// caller reaps the child right away and the program, now an orphan, is
// reaped by init.  A close-on-exec pipe tells the caller whether the exec
// succeeded: it reaches end of file when the exec closed it, or carries the
// errno of a failed exec.  Everything the children need (the program's path
// and the argument array) is prepared before the fork, so they call nothing
// but async-signal-safe functions.
#include "ShellApi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace vcl {

namespace {

std::mutex GLauncherLock;
TShellLauncher GLauncher;  // empty: the default, SpawnDetached

bool IsExecutableFile(const std::string& Path) {
    struct stat st;
    return stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(Path.c_str(), X_OK) == 0;
}

// The path of Program as execvp would find it, or "" when there is none.
std::string FindProgram(const std::string& Program) {
    if (Program.find('/') != std::string::npos) return IsExecutableFile(Program) ? Program : std::string();
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(':', start);
        if (end == std::string::npos) end = path.size();
        // An empty entry is the current directory.
        const std::string candidate =
            (end > start ? path.substr(start, end - start) : std::string(1, '.')) + "/" + Program;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return std::string();
}

// Reads up to Size bytes, until end of file; returns how many arrived.
size_t ReadAll(int Fd, void* Buffer, size_t Size) {
    size_t done = 0;
    while (done < Size) {
        const ssize_t n = read(Fd, static_cast<char*>(Buffer) + done, Size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    return done;
}

// A URL-like address: a scheme of two or more characters and a colon.  A
// single letter before the colon is a drive ("C:\...").
bool HasScheme(const std::string& S) {
    size_t i = 0;
    while (i < S.size() && (std::isalnum(static_cast<unsigned char>(S[i])) || S[i] == '+' || S[i] == '-' || S[i] == '.'))
        ++i;
    return i >= 2 && i < S.size() && S[i] == ':' && std::isalpha(static_cast<unsigned char>(S[0]));
}

bool IsRelativePath(const std::string& S) {
    if (S.empty() || S[0] == '/' || S[0] == '\\' || HasScheme(S)) return false;
    return !(S.size() >= 2 && std::isalpha(static_cast<unsigned char>(S[0])) && S[1] == ':');
}

bool EqualsNoCase(const char* A, const char* B) {
    for (; *A && *B; ++A, ++B)
        if (std::tolower(static_cast<unsigned char>(*A)) != std::tolower(static_cast<unsigned char>(*B))) return false;
    return *A == *B;
}

HINSTANCE Result(int Code) { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(Code)); }

}  // namespace

bool SpawnDetached(const std::vector<std::string>& Argv) {
    if (Argv.empty() || Argv[0].empty()) return false;
    const std::string program = FindProgram(Argv[0]);
    if (program.empty()) return false;
    std::vector<char*> args;
    args.reserve(Argv.size() + 1);
    for (const std::string& a : Argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (child == 0) {
        close(fds[0]);
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            const int err = errno;
            (void)!write(fds[1], &err, sizeof err);
            _exit(1);
        }
        if (grandchild == 0) {
            // A new session: the opener outlives a terminal the caller may close.
            setsid();
            execv(program.c_str(), args.data());
            const int err = errno;
            (void)!write(fds[1], &err, sizeof err);
            _exit(127);
        }
        _exit(0);
    }
    close(fds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    const size_t got = ReadAll(fds[0], &err, sizeof err);
    close(fds[0]);
    return got == 0;
}

TShellLauncher SetShellLauncher(TShellLauncher Launcher) {
    std::lock_guard<std::mutex> g(GLauncherLock);
    TShellLauncher previous = std::move(GLauncher);
    GLauncher = std::move(Launcher);
    if (!previous) previous = SpawnDetached;
    return previous;
}

HINSTANCE ShellExecute(HWND /*Parent*/, const char* Operation, const char* File, const char* /*Parameters*/,
                       const char* Directory, int /*ShowCmd*/) {
    try {
        if (Operation && *Operation && !EqualsNoCase(Operation, "open")) return Result(SE_ERR_NOASSOC);
        if (!File || !*File) return Result(SE_ERR_FNF);
        std::string target = File;
        if (Directory && *Directory && IsRelativePath(target)) {
            std::string dir = Directory;
            if (dir.back() != '/') dir += '/';
            target = dir + target;
        }
        if (target[0] == '-') target = "./" + target;

        TShellLauncher launcher;
        {
            std::lock_guard<std::mutex> g(GLauncherLock);
            launcher = GLauncher;
        }
        const std::vector<std::string> argv = {"xdg-open", target};
        const bool started = launcher ? launcher(argv) : SpawnDetached(argv);
        return Result(started ? 42 : SE_ERR_NOASSOC);
    } catch (const std::bad_alloc&) {
        return Result(SE_ERR_OOM);
    } catch (...) {
        // A host's launcher that fails by raising is a launcher that could
        // not start the opener.
        return Result(SE_ERR_NOASSOC);
    }
}

}  // namespace vcl
