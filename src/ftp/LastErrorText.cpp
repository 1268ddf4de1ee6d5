#include "ftp/LastErrorText.h"

#include "platform/LastError.h"

namespace {

// What the response buffer of the original library held; a longer response
// did not fit and gave no text.
constexpr std::size_t kResponseBufferSize = 1024;

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n\v\f";
    const std::size_t last = text.find_last_not_of(blanks);
    if (last == std::string::npos)
        return {};
    return text.substr(0, last + 1).substr(text.find_first_not_of(blanks));
}

} // namespace

std::string LastErrorText()
{
    const int code = GetLastError();
    std::string text;
    if (code == ERROR_INTERNET_EXTENDED_ERROR) {
        const std::string& response = GetLastResponseInfo();
        if (response.size() < kResponseBufferSize)
            text = response;
    } else {
        text = SystemMessage(code);
    }
    text = Trim(text);
    if (text.empty())
        text = "Last Error = " + std::to_string(code);
    return text;
}
