// Exceptions.h - the platform's exception classes.
#pragma once

#include <exception>
#include <string>

namespace vcl {

// The base of every exception the platform and the pack raise.
class Exception : public std::exception {
public:
    explicit Exception(std::string Msg) : FMessage(std::move(Msg)) {}
    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string Msg) { FMessage = std::move(Msg); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

#define VCL_DECLARE_EXCEPTION(Name, Base)      \
    class Name : public Base {                 \
    public:                                    \
        using Base::Base;                      \
    };

// Silent exception: an operation was cancelled on purpose.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    using Exception::Exception;
};

VCL_DECLARE_EXCEPTION(EConvertError, Exception)
VCL_DECLARE_EXCEPTION(EListError, Exception)
VCL_DECLARE_EXCEPTION(EStringListError, Exception)
VCL_DECLARE_EXCEPTION(EInvalidOperation, Exception)
VCL_DECLARE_EXCEPTION(EInvalidCast, Exception)
VCL_DECLARE_EXCEPTION(EOutOfMemory, Exception)
VCL_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory)
VCL_DECLARE_EXCEPTION(EInOutError, Exception)
VCL_DECLARE_EXCEPTION(EIntError, Exception)
VCL_DECLARE_EXCEPTION(EDivByZero, EIntError)
VCL_DECLARE_EXCEPTION(ERangeError, EIntError)
VCL_DECLARE_EXCEPTION(EIntOverflow, EIntError)
VCL_DECLARE_EXCEPTION(EMathError, Exception)
VCL_DECLARE_EXCEPTION(EInvalidOp, EMathError)
VCL_DECLARE_EXCEPTION(EZeroDivide, EMathError)
VCL_DECLARE_EXCEPTION(EOverflow, EMathError)
VCL_DECLARE_EXCEPTION(EUnderflow, EMathError)
VCL_DECLARE_EXCEPTION(EStreamError, Exception)
VCL_DECLARE_EXCEPTION(EFCreateError, EStreamError)
VCL_DECLARE_EXCEPTION(EFOpenError, EStreamError)
VCL_DECLARE_EXCEPTION(EFilerError, EStreamError)
VCL_DECLARE_EXCEPTION(EReadError, EFilerError)
VCL_DECLARE_EXCEPTION(EWriteError, EFilerError)
VCL_DECLARE_EXCEPTION(EClassNotFound, EFilerError)
VCL_DECLARE_EXCEPTION(EComponentError, Exception)
VCL_DECLARE_EXCEPTION(EPropertyError, Exception)
VCL_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
VCL_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
VCL_DECLARE_EXCEPTION(EResNotFound, Exception)
VCL_DECLARE_EXCEPTION(EThread, Exception)

}  // namespace vcl
