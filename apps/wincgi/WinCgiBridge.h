// WinCgiBridge.h - the process side of corvane-wincgi: the private temporary
// directory, running the Windows CGI program under a time limit, and the
// whole request from the CGI/1.1 environment to the response on stdout.
#pragma once

#include <string>
#include <vector>

#include "WinCgi.h"

namespace corvane::wincgi {

// The environment of this process.
Environment CurrentEnvironment();

// A private directory (mode 0700) made with mkdtemp under $TMPDIR, or under
// /tmp when TMPDIR is unset, relative, no directory, or holds a blank or a
// control character (a [Form External] value is "path length", split at
// the first blank, so the paths must have none).  The destructor removes it
// with everything in it.
class TempDir {
public:
    TempDir() = default;
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // False, with the reason in Error, when no directory could be made.
    bool Create(const Environment& Env, std::string* Error);
    const std::string& Path() const { return FPath; }
    // Removes the directory tree (symbolic links are removed, not followed);
    // nothing when there is none.
    void Remove();

private:
    std::string FPath;
};

struct RunResult {
    enum Kind { Exited, Signalled, TimedOut, Interrupted, StartFailed };
    Kind Outcome = Exited;
    int ExitCode = 0;  // Exited
    int Signal = 0;    // Signalled: the signal; Interrupted: the stop signal received
    int Error = 0;     // StartFailed: errno of chdir or execve
};

// Runs Argv[0] (an absolute path) with Argv, the environment Env (NAME=value
// strings) and WorkDir as working directory, in a process group of its own,
// with stdin from /dev/null and stdout and stderr on this process's stderr.
// No shell is involved.  When the program is still running after
// TimeoutSeconds, or when this process receives SIGTERM, SIGINT or SIGHUP,
// the group gets SIGTERM and, a second later, SIGKILL.  When the program
// ends, whatever it left in its group is killed.  The program is always
// reaped before this returns.
RunResult RunProgram(const std::vector<std::string>& Argv, const std::vector<std::string>& Env,
                     const std::string& WorkDir, double TimeoutSeconds);

// Handlers for SIGTERM, SIGINT and SIGHUP that only record the signal (so
// blocking calls end with EINTR), SIGPIPE ignored (a closed stdout is a
// write error) and SIGCHLD back to its default.
void InstallSignalHandlers();
// The stop signal received so far, 0 when none.
int StopSignal();

// The whole bridge: Args is the command line (Args[1], when given, is the
// program; else CORVANE_WINCGI_PROGRAM), the request body comes from InFd,
// the CGI/1.1 response goes to OutFd, the log to stderr.  Returns the exit
// code: 0 once a response went out, 1 when it could not be written, 2 when a
// stop signal ended the request (StopSignal() says which).  Everything the
// request made is removed before it returns.
int RunBridge(const std::vector<std::string>& Args, int InFd, int OutFd);

}  // namespace corvane::wincgi
