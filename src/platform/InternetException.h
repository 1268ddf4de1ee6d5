#pragma once
#include <stdexcept>
#include <string>

// Thrown by InternetSession::GetFtpConnection when a connection cannot be made;
// the message says why in words the user can act on.
class InternetException : public std::runtime_error {
public:
    InternetException(int code, const std::string& message)
        : std::runtime_error(message), errorCode(code), message(message) {}

    int GetErrorCode() const { return errorCode; }
    // Whole, also when a server's bytes in it hold a NUL, where what() ends.
    const std::string& GetErrorMessage() const { return message; }

private:
    int errorCode;
    std::string message;
};
