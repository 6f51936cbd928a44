// ShellApi.h - opening documents and addresses through the desktop shell.
//
// ShellExecute hands a file, folder or URL to the desktop's opener,
// `xdg-open`, started with an argument vector: the address reaches the
// opener as one argument exactly as given, whatever blanks, quotes, `;`,
// `$(...)` or backquotes it holds, because no shell ever sees it.  The call
// does not wait for the viewer; the opener runs detached and is reaped, so
// it leaves no zombie behind.
//
// Hosts and tests can put their own launcher in place of the opener (a
// desktop backend that opens URLs itself, a test that records them).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Messages.h"

namespace vcl {

// The classic results of ShellExecute: values up to 32 are errors.
constexpr int SE_ERR_FNF = 2;             // the file was not found (or none was given)
constexpr int SE_ERR_PNF = 3;             // the path was not found
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_SHARE = 26;
constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
constexpr int SE_ERR_DDETIMEOUT = 28;
constexpr int SE_ERR_DDEFAIL = 29;
constexpr int SE_ERR_DDEBUSY = 30;
constexpr int SE_ERR_NOASSOC = 31;        // no application for the operation, or it could not be started
constexpr int SE_ERR_DLLNOTFOUND = 32;

// Starts the launcher for an argument vector; true when the program was
// started.  Argv[0] is the program.
using TShellLauncher = std::function<bool(const std::vector<std::string>& Argv)>;

// Replaces the launcher ShellExecute uses and returns the one in place
// before (the default one is returned as a callable too, so it can be put
// back).  An empty function restores the default launcher, SpawnDetached.
// Safe to call from any thread.
TShellLauncher SetShellLauncher(TShellLauncher Launcher);

// Runs Argv[0] (looked up in PATH unless it contains a '/') with Argv as its
// arguments, detached: the call returns once the program has been executed
// and never waits for it to end, and the program is not left as a zombie.
// False when Argv is empty or holds an empty program name, when the program
// is not found or cannot be executed, or when no process can be made.
bool SpawnDetached(const std::vector<std::string>& Argv);

// Opens File with the desktop's opener: the launcher gets
// {"xdg-open", File}.  Operation is "open" (any case) or nullptr; File is a
// path or an address ("http://...", "mailto:...").
//  - A relative path is taken relative to Directory when one is given.
//  - A path that starts with '-' is passed as "./-..." so that the opener
//    never mistakes it for an option.
//  - Parameters and ShowCmd are not passed on: the opener takes one target.
// Returns a value above 32 on success, otherwise (cast to HINSTANCE)
// SE_ERR_FNF when File is null or empty, SE_ERR_NOASSOC for any other
// operation or when the launcher could not start the opener, SE_ERR_OOM
// when memory ran out.  Never throws; Parent may be null.
HINSTANCE ShellExecute(HWND Parent, const char* Operation, const char* File, const char* Parameters,
                       const char* Directory, int ShowCmd);

}  // namespace vcl
