#include "app/ChromeRules.h"

#include "platform/ProgramFiles.h"

#include <glib.h>

#include <cstdio>

namespace {

constexpr long long kSecondsPerDay = 24 * 60 * 60;
constexpr const char* kGuideInFolder = "programs/VantrelDoc.pdf";
constexpr const char* kGuideView = "#page=1&view=fitH";

std::string WithoutTrailingSpaces(std::string line)
{
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

} // namespace

std::string FormatRunTime(long long elapsedSeconds)
{
    const long long withinDay = elapsedSeconds < 0 ? 0 : elapsedSeconds % kSecondsPerDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", withinDay / 3600, withinDay / 60 % 60,
                  withinDay % 60);
    return text;
}

ScreenPoint HelpMenuPoint(int /*left*/, int top, int right, int bottom)
{
    return {right, (3 * bottom) / 4 + top / 4};
}

std::string LoggedInTitle(const std::string& domain, const std::string& windowTitle)
{
    return " " + domain + " -" + windowTitle;
}

std::string MailLink(const std::string& address)
{
    return "mailto:" + address + "?subject=Concerning your program Vantrel";
}

std::string DocumentationAddress(const std::string& pdfPath)
{
    // Every byte but the unreserved ones and the slashes percent-encoded.
    gchar* path = g_uri_escape_string(pdfPath.c_str(), "/", FALSE);
    const std::string address = std::string("file://") + path + kGuideView;
    g_free(path);
    return address;
}

std::string DocumentationPdfIn(const std::string& executableDir, const std::string& docFromProgram)
{
    return BesideProgramOr(executableDir, kGuideInFolder, docFromProgram);
}

std::string FindDocumentationPdf()
{
    return DocumentationPdfIn(ExecutableDir(), VANTREL_DOC_FROM_PROGRAM);
}

std::string WrapToWidth(const std::string& text, int maxWidth,
                        const std::function<int(const std::string&)>& width)
{
    std::string wrapped;
    std::string line;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(start, end - start);
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && width(WithoutTrailingSpaces(candidate)) > maxWidth) {
            wrapped += WithoutTrailingSpaces(line) + "\n";
            line = word;
        } else {
            line = candidate;
        }
        start = end + 1;
    }
    return wrapped + line;
}
