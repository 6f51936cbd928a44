// ExceptionHook.h - where components send exceptions they cannot pass on.
//
// A component whose code runs from the message loop or from another
// thread's Synchronize call (a timer tick, a notification) has nobody to
// raise an exception to.  It catches the exception and hands it to the
// application's exception handler:
//
//     try {
//         FOnTimer(this);
//     } catch (...) {
//         vcl::HandleApplicationException(this);
//     }
//
// The application object installs its handler with
// SetApplicationHandleException when it is created.  Until then (and after
// it is removed again) the default handler writes the exception's message
// to stderr, one line "Sender class: message", and returns; the caller goes
// on.  EAbort is silent in both cases, as the classic application does.
#pragma once

#include <exception>
#include <functional>

#include "System.h"

namespace vcl {

using TApplicationExceptionHandler = std::function<void(TObject* Sender, std::exception_ptr Error)>;

// Installs the application-wide handler; an empty function restores the
// default.  Thread-safe.  Returns the handler that was installed before.
TApplicationExceptionHandler SetApplicationHandleException(TApplicationExceptionHandler Handler);
// The installed handler, or an empty function when the default is in use.
TApplicationExceptionHandler ApplicationHandleException();

// Passes Error to the installed handler, or to the default one.  A handler
// that raises itself is not allowed to stop the caller: what it raises is
// written to stderr and dropped.
void HandleApplicationException(TObject* Sender, std::exception_ptr Error);
// The same for the exception being handled; call it inside a catch block.
// Outside of one it does nothing.
void HandleApplicationException(TObject* Sender);

}  // namespace vcl
