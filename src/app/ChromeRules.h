#pragma once
#include <functional>
#include <string>

// Pure rules of the window chrome: clock text, menu placement, titles,
// the documentation address and the mail link.

// The address shown in the About box and used by its mail button.
inline constexpr const char* kContactAddress = "vantrel@example.org";

// "HH:MM:SS" of a span, whole days left out (25 hours show as "01:00:00").
// A negative span (the clock was set back) shows as "00:00:00".
std::string FormatRunTime(long long elapsedSeconds);

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// Where the Help button's menu stands, its right edge on the list's right
// edge, about three quarters down the list (each quotient truncated).
ScreenPoint HelpMenuPoint(int left, int top, int right, int bottom);

// The window title while a site is chosen: " " + domain + " -" + windowTitle.
std::string LoggedInTitle(const std::string& domain, const std::string& windowTitle);

// "mailto:" link to `address` with the program's subject line.
std::string MailLink(const std::string& address);

// file:// address of the guide at `pdfPath` (absolute), opening at page 1
// fitted to the width.
std::string DocumentationAddress(const std::string& pdfPath);

// The guide beside the running program's build tree copy when there is one
// (<folder of the executable>/programs/VantrelDoc.pdf), else the installed
// one, found from the program's folder (VANTREL_DOC_FROM_PROGRAM).
std::string FindDocumentationPdf();

// The rule of FindDocumentationPdf with the program's folder and the guide's
// installed folder relative to it given.
std::string DocumentationPdfIn(const std::string& executableDir, const std::string& docFromProgram);

// Breaks `text` at spaces so that no line is wider than `maxWidth` as
// `width` measures it; a word wider than that stands alone on its line.
std::string WrapToWidth(const std::string& text, int maxWidth,
                        const std::function<int(const std::string&)>& width);
