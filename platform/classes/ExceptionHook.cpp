#include "ExceptionHook.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "Exceptions.h"

namespace vcl {

namespace {

std::mutex& HookLock() {
    static std::mutex m;
    return m;
}

TApplicationExceptionHandler& Hook() {
    static TApplicationExceptionHandler h;
    return h;
}

std::string DescribeException(std::exception_ptr Error) {
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

bool IsAbort(std::exception_ptr Error) {
    try {
        std::rethrow_exception(Error);
    } catch (const EAbort&) {
        return true;
    } catch (...) {
        return false;
    }
}

void DefaultHandler(TObject* Sender, std::exception_ptr Error) {
    if (IsAbort(Error)) return;
    std::string text = DescribeException(Error);
    if (Sender != nullptr)
        std::fprintf(stderr, "%s: %s\n", Sender->ClassName().c_str(), text.c_str());
    else
        std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

}  // namespace

TApplicationExceptionHandler SetApplicationHandleException(TApplicationExceptionHandler Handler) {
    std::lock_guard<std::mutex> lock(HookLock());
    TApplicationExceptionHandler old = std::move(Hook());
    Hook() = std::move(Handler);
    return old;
}

TApplicationExceptionHandler ApplicationHandleException() {
    std::lock_guard<std::mutex> lock(HookLock());
    return Hook();
}

void HandleApplicationException(TObject* Sender, std::exception_ptr Error) {
    if (!Error) return;
    TApplicationExceptionHandler handler = ApplicationHandleException();
    try {
        if (handler)
            handler(Sender, Error);
        else
            DefaultHandler(Sender, Error);
    } catch (...) {
        std::fprintf(stderr, "exception in the application's exception handler: %s\n",
                     DescribeException(std::current_exception()).c_str());
        std::fflush(stderr);
    }
}

void HandleApplicationException(TObject* Sender) {
    HandleApplicationException(Sender, std::current_exception());
}

}  // namespace vcl
