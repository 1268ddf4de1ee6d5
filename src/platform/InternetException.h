#pragma once
#include <stdexcept>
#include <string>

// Thrown by InternetSession::GetFtpConnection when a connection cannot be made;
// the message says why in words the user can act on.
class InternetException : public std::runtime_error {
public:
    InternetException(int code, const std::string& message)
        : std::runtime_error(message), errorCode(code) {}

    int GetErrorCode() const { return errorCode; }
    std::string GetErrorMessage() const { return what(); }

private:
    int errorCode;
};
