// corvane-wincgi - runs a Windows CGI program behind a web server that
// speaks CGI/1.1.
//
//   corvane-wincgi [PROGRAM [IGNORED...]]
//
// PROGRAM is the Windows CGI program; without it the bridge takes
// $CORVANE_WINCGI_PROGRAM.  A web server that maps a file extension to an
// interpreter starts the bridge with the script as PROGRAM; words a server
// adds after it (the search words of an ISINDEX query) are ignored, the
// program finds them in "Query String".
//
// Environment:
//   CORVANE_WINCGI_PROGRAM   the program when none is given on the command line
//   CORVANE_WINCGI_MAX_BODY  largest request body in bytes (default 16 MiB);
//                            a larger one is answered with 413 and nothing runs
//   CORVANE_WINCGI_TIMEOUT   time limit of the program in seconds (default 30);
//                            past it the program's process group is ended and
//                            the answer is 504
//   TMPDIR                   where the private request directory is made
//
// See WinCgi.h for the profile the program gets and the response rules.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include <unistd.h>

#include "WinCgiBridge.h"

int main(int argc, char** argv) {
    using namespace corvane::wincgi;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "usage: corvane-wincgi [PROGRAM]\n"
            "Runs the Windows CGI program PROGRAM (or $CORVANE_WINCGI_PROGRAM) for the\n"
            "CGI/1.1 request in the environment and on stdin, and writes the CGI/1.1\n"
            "response to stdout.  Settings: CORVANE_WINCGI_MAX_BODY (bytes, default\n"
            "16777216), CORVANE_WINCGI_TIMEOUT (seconds, default 30), TMPDIR.\n");
        return 0;
    }
    InstallSignalHandlers();
    std::vector<std::string> args(argv, argv + argc);
    int rc;
    try {
        rc = RunBridge(args, STDIN_FILENO, STDOUT_FILENO);
    } catch (const std::exception& e) {
        // Only resource exhaustion gets here; every file of the request is
        // already gone (the directory object removed them on the way out).
        std::fprintf(stderr, "corvane-wincgi: %s\n", e.what());
        const std::string r = ErrorResponse(500, ReasonPhrase(500), "The bridge ran out of resources.");
        rc = ::write(STDOUT_FILENO, r.data(), r.size()) == static_cast<ssize_t>(r.size()) ? 0 : 1;
    }
    if (rc == 2 && StopSignal()) {
        const int sig = StopSignal();
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
    return rc;
}
