#include "SysUtils.h"

#include <cerrno>
#include <cstring>
#include <utility>

Exception::Exception(std::string message) : message_(std::move(message)) {}

Exception::~Exception() = default;

void Exception::SetMessage(std::string message) {
    message_ = std::move(message);
}

std::string Exception::ClassName() const {
    return "Exception";
}

ECodedError::ECodedError(std::string message, int errorCode)
    : Exception(std::move(message)), errorCode_(errorCode) {}

EOleSysError::EOleSysError(std::string message, int errorCode)
    : EOleError(std::move(message)), errorCode_(errorCode) {}

EDBEngineError::EDBEngineError(std::string message, std::vector<Entry> errors)
    : Exception(std::move(message)), errors_(std::move(errors)) {}

const EDBEngineError::Entry& EDBEngineError::Errors(int index) const {
    if (index < 0 || index >= ErrorCount()) {
        throw EListError("Error entry index out of bounds (" + std::to_string(index) + ")");
    }
    return errors_[static_cast<std::size_t>(index)];
}

std::string SysErrorMessage(int errorCode) {
    // The GNU strerror_r returns a pointer that may or may not point at the buffer.
    char buffer[256] = {};
    return strerror_r(errorCode, buffer, sizeof buffer);
}

void RaiseLastOSError(const std::string& context) {
    const int code = errno;
    std::string message =
        "System Error.  Code: " + std::to_string(code) + ".\n" + SysErrorMessage(code);
    if (!context.empty()) {
        message = context + ": " + message;
    }
    throw EOSError(std::move(message), code);
}
