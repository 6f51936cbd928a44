// ProcessControl.h - the program's command line and its end.
//
// ParamCount and ParamStr give the command-line arguments.  By default they
// are read once from /proc/self/cmdline; ParamStr(0) is then the path of the
// running program (the target of /proc/self/exe, or the first word of the
// command line when that cannot be read).  SetCommandLine replaces the whole
// command line (word 0 included) for an application that builds its own or
// for a test; ResetCommandLine goes back to the real one.
//
// Halt ends the program.  It first calls the halt handler when one is
// installed; when there is none, or the handler returns, the process ends
// with std::exit(ExitCode), which flushes the C and C++ streams and runs the
// atexit handlers.  A handler that must keep the process alive (a test, a
// host running several programs in one process) raises instead of
// returning; THaltInterceptor installs one that raises EHalt.
//
// All functions are thread-safe.  The handler runs without any lock held.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "System.h"

namespace vcl {

// The number of arguments after the program's path.
Integer ParamCount();
// Argument Index: 0 is the program's path, 1 .. ParamCount() the arguments;
// any other index gives the empty string.
std::string ParamStr(Integer Index);
// Replaces the command line; Args[0] stands for the program's path.  An
// empty vector leaves no program path and no arguments.
void SetCommandLine(std::vector<std::string> Args);
// Goes back to the command line the process was started with.
void ResetCommandLine();

using THaltHandler = std::function<void(int ExitCode)>;

// Installs the handler Halt calls (an empty function removes it) and
// returns the one installed before.
THaltHandler SetHaltHandler(THaltHandler Handler);

// Ends the program with ExitCode (see above).
[[noreturn]] void Halt(int ExitCode = 0);

// Raised by the handler of THaltInterceptor in place of ending the process.
class EHalt : public Exception {
public:
    explicit EHalt(int AExitCode);
    int ExitCode() const noexcept { return FExitCode; }

private:
    int FExitCode;
};

// While it lives, Halt raises EHalt instead of ending the process; the
// destructor puts back the handler that was installed before.  Interceptors
// nest; each must be destroyed in the reverse order of creation.
class THaltInterceptor {
public:
    THaltInterceptor();
    ~THaltInterceptor();
    THaltInterceptor(const THaltInterceptor&) = delete;
    THaltInterceptor& operator=(const THaltInterceptor&) = delete;

private:
    THaltHandler FPrevious;
};

}  // namespace vcl
