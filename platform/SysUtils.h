// The error classes of the platform. Every error the module raises or catches derives from
// Exception, which carries a message and the name of its class (used by error reports).
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

class Exception : public std::exception {
public:
    explicit Exception(std::string message);
    ~Exception() override;

    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message);

    // The name of the most derived error class, e.g. "EConvertError".
    virtual std::string ClassName() const;

    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Declares an error class that only adds its name.
#define STEWARD_DECLARE_EXCEPTION(Name, Base)                                                      \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        std::string ClassName() const override { return #Name; }                                   \
    }

// A silent error: it unwinds like any other but is never shown or logged.
STEWARD_DECLARE_EXCEPTION(EAbort, Exception);
// A text that is not a number, date or other value it is read as.
STEWARD_DECLARE_EXCEPTION(EConvertError, Exception);
// Variants: a value that cannot become the asked kind, a bad array index.
STEWARD_DECLARE_EXCEPTION(EVariantError, Exception);
STEWARD_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
STEWARD_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
// A number too large for the asked kind (e.g. 3e9 read as a 32-bit integer).
STEWARD_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
// Automation: unknown class, unknown member, wrong argument count, a failing server call.
STEWARD_DECLARE_EXCEPTION(EOleError, Exception);
// The platform's general error for misuse of a control or form (a control that cannot take
// focus, a modal form shown twice, ...).
STEWARD_DECLARE_EXCEPTION(EInvalidOperation, Exception);
// A registry value that is missing or not of the asked kind.
STEWARD_DECLARE_EXCEPTION(ERegistryException, Exception);
// A list or string list index out of range.
STEWARD_DECLARE_EXCEPTION(EListError, Exception);

// An error that carries a numeric code beside its message.
class ECodedError : public Exception {
public:
    ECodedError(std::string message, int errorCode);

    int ErrorCode() const noexcept { return errorCode_; }
    std::string ClassName() const override { return "ECodedError"; }

private:
    int errorCode_;
};

// A failed file operation; the code is the system's error number.
class EInOutError : public ECodedError {
public:
    using ECodedError::ECodedError;
    std::string ClassName() const override { return "EInOutError"; }
};

// A failed operating-system call; the code is the system's error number.
class EOSError : public ECodedError {
public:
    using ECodedError::ECodedError;
    std::string ClassName() const override { return "EOSError"; }
};
// The older name callers and logs use for the same error.
using EWin32Error = EOSError;

// A failed automation call that reports a status code (HRESULT-like).
class EOleSysError : public EOleError {
public:
    EOleSysError(std::string message, int errorCode);

    int ErrorCode() const noexcept { return errorCode_; }
    std::string ClassName() const override { return "EOleSysError"; }

private:
    int errorCode_;
};

// A database error with the engine's list of (code, message) entries.
class EDBEngineError : public Exception {
public:
    struct Entry {
        int errorCode = 0;
        std::string message;
    };

    EDBEngineError(std::string message, std::vector<Entry> errors);

    int ErrorCount() const noexcept { return static_cast<int>(errors_.size()); }
    const Entry& Errors(int index) const;
    std::string ClassName() const override { return "EDBEngineError"; }

private:
    std::vector<Entry> errors_;
};

// The text of the system error number (strerror), for EOSError/EInOutError messages.
std::string SysErrorMessage(int errorCode);

// Raises EOSError for the current errno with the given context prefixed.
[[noreturn]] void RaiseLastOSError(const std::string& context = {});
