#pragma once
#include <string>

// The site name of the placeholder item that the site list always holds and
// that is never saved.
inline constexpr char PLACEHOLDER_SITE[] = "* Enter a new FTP domain *";

// The two-line info shown while logged out.
inline constexpr char INFO_TEXT[] = "To enter or change a FTP domain,\ntype over the info and then Login.";

// One saved site: the eight fields of a record, in record order.
struct SiteProfile {
    std::string domain;
    std::string userName;
    std::string password;
    std::string workingDir;
    int port = 0;
    std::string uploadFileName;
    std::string uploadFolder;
    std::string downloadFolder;

    bool operator==(const SiteProfile&) const = default;
};

// The record text: eight double-quoted fields separated by one space.
std::string FormatSiteRecord(const SiteProfile& site);

// Reads a record text by the record's reading rule, which never fails: a
// damaged text gives whatever fields the rule finds.
SiteProfile LoadSiteRecord(const std::string& record);

std::string RecordDomain(const std::string& record);
std::string RecordUser(const std::string& record);

// The record of the placeholder site, byte for byte as stored records expect.
std::string PlaceholderRecord();

// The record has no escape for a double quote, so a field holding one would
// shift every later field when read back. Returns the name of the first such
// field as the user knows it ("Domain", "User", ...), or empty.
std::string FieldHoldingQuote(const SiteProfile& site);

// The upload file name and the two folders come from local paths the user
// chose, and may hold a quote the user can neither see nor remove: each such
// field goes back to its default (no name, the folder "/").
void ResetQuotedHiddenFields(SiteProfile& site);

// The host name to connect to: leading white space dropped, cut before the
// first space or tab (the rest of the site name is a remark).
std::string HostFromSiteName(const std::string& siteName);

// atoi: leading white space, an optional sign, digits up to the first other
// character; no digits give 0. Saturates instead of overflowing.
int ParseLeadingInt(const std::string& text);
