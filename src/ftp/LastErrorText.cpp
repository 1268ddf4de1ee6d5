#include "ftp/LastErrorText.h"

#include "platform/LastError.h"
#include "platform/TextCase.h"

namespace {

// What the response buffer of the original library held; a longer response
// did not fit and gave no text.
constexpr std::size_t kResponseBufferSize = 1024;

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
    text = TrimBlanks(text);
    if (text.empty())
        text = "Last Error = " + std::to_string(code);
    return text;
}
