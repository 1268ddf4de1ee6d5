#include "app/SettingsStore.h"

#include "platform/AtomicFile.h"
#include "platform/Text.h"

#include <wx/convauto.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/utils.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>

namespace {

const char kSection[] = "/settings/";

std::string& VendorKey()
{
    static std::string key = "Quillmarsh";
    return key;
}

std::string ConfigHome()
{
    wxString home;
    if (wxGetEnv("XDG_CONFIG_HOME", &home) && home.StartsWith("/"))
        return ToUtf8(home);
    return ToUtf8(wxGetHomeDir()) + "/.config";
}

wxString Key(const std::string& entry)
{
    return kSection + FromUtf8(entry);
}

// wxFileConfig asserts on a line it cannot name (such as "=value") and then
// reads on. In a damaged settings file that is bad data, not a programming
// error, and must not bring up an assert box before the window shows.
class QuietAsserts {
public:
    QuietAsserts() : previous(wxSetAssertHandler(Ignore)) {}
    ~QuietAsserts() { wxSetAssertHandler(previous); }

    QuietAsserts(const QuietAsserts&) = delete;
    QuietAsserts& operator=(const QuietAsserts&) = delete;

private:
    static void Ignore(const wxString&, int, const wxString&, const wxString&, const wxString&) {}

    wxAssertHandler_t previous;
};

} // namespace

void SettingsStore::SetRegistryKey(const std::string& vendorKey)
{
    VendorKey() = vendorKey;
}

std::string SettingsStore::FilePath()
{
    return Folder() + "/Vantrel.ini";
}

std::string SettingsStore::Folder()
{
    return ConfigHome() + "/" + VendorKey();
}

bool SettingsStore::MakeFolder(std::string& error)
{
    const std::string folder = Folder();
    wxLogNull quiet;  // the failure is reported by the caller, in words of ours
    if (!wxFileName::Mkdir(FromUtf8(folder), 0700, wxPATH_MKDIR_FULL) && !wxDirExists(FromUtf8(folder))) {
        error = "Cannot create the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (chmod(folder.c_str(), 0700) != 0) {
        error = "Cannot make the folder " + folder + " private: " + std::strerror(errno);
        return false;
    }
    return true;
}

SettingsStore::SettingsStore() : filePath(FilePath())
{
    // A damaged or unreadable file must not break the start: wx would log
    // each problem in a box of its own; the entries then read as defaults.
    wxLogNull quiet;
    QuietAsserts damagedLinesAreData;
    config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, FromUtf8(filePath), wxEmptyString,
                                            wxCONFIG_USE_LOCAL_FILE);
    config->SetUmask(0077);
    // wxFileConfig expands $NAME, ${NAME} and $(NAME) in what it reads: a
    // password or a folder holding '$' would come back as something else,
    // and a lone "$(" would log a warning box at start-up.
    config->SetExpandEnvVars(false);
}

SettingsStore::SettingsStore(const std::string& contents)
{
    wxLogNull quiet;
    QuietAsserts damagedLinesAreData;
    // Decoded whole, as the file is (a byte-order mark, else UTF-8, else the
    // fallback): wx's stream reader, left to decode, reads a UTF-16 or
    // UTF-32 text as empty although the same file reads fine.
    const std::string utf8 = ToUtf8(wxString(contents.data(), wxConvAuto(), contents.size()));
    wxMemoryInputStream text(utf8.data(), utf8.size());
    config = std::make_unique<wxFileConfig>(text, wxConvUTF8);
    config->SetExpandEnvVars(false);  // as for the file
}

SettingsStore::~SettingsStore()
{
    // Only Flush writes; leaving unsaved is the caller's decision.
    config->DisableAutoSave();
}

int SettingsStore::GetProfileInt(const std::string& entry, int defaultValue) const
{
    long value = defaultValue;
    if (!config->Read(Key(entry), &value) || value < INT_MIN || value > INT_MAX)
        return defaultValue;
    return static_cast<int>(value);
}

std::string SettingsStore::GetProfileString(const std::string& entry, const std::string& defaultValue) const
{
    wxString value;
    if (!config->Read(Key(entry), &value))
        return defaultValue;
    return ToUtf8(value);
}

std::vector<std::pair<int, wxString>> SettingsStore::IndexedEntries(const std::string& prefix) const
{
    const wxString path = config->GetPath();
    config->SetPath("/settings");
    std::vector<std::pair<int, wxString>> entries;
    wxString name;
    long cookie = 0;
    for (bool more = config->GetFirstEntry(name, cookie); more; more = config->GetNextEntry(name, cookie)) {
        long index = 0;
        if (name.StartsWith(FromUtf8(prefix)) && name.Mid(prefix.size()).ToLong(&index) && index >= 0 &&
            index < INT_MAX)
            entries.emplace_back(static_cast<int>(index), name);
    }
    config->SetPath(path);
    return entries;
}

int SettingsStore::IndexedEntryLimit(const std::string& prefix) const
{
    int limit = 0;
    for (const auto& entry : IndexedEntries(prefix))
        limit = std::max(limit, entry.first + 1);
    return limit;
}

void SettingsStore::DeleteIndexedEntriesFrom(const std::string& prefix, int first)
{
    for (const auto& entry : IndexedEntries(prefix))
        if (entry.first >= first && config->DeleteEntry(kSection + entry.second, false))
            changed = true;
}

void SettingsStore::WriteProfileInt(const std::string& entry, int value)
{
    config->Write(Key(entry), static_cast<long>(value));
    changed = true;
}

void SettingsStore::WriteProfileString(const std::string& entry, const std::string& value)
{
    config->Write(Key(entry), FromUtf8(value));
    changed = true;
}

bool SettingsStore::Flush(std::string& error)
{
    if (filePath.empty()) {
        error = "These settings were read from text and have no file to be saved to.";
        return false;
    }
    if (!changed)
        return true;
    if (!MakeFolder(error))
        return false;
    wxLogNull quiet;
    // wx's own Flush removes the old file before it renames the new one in:
    // a kill between the two would leave no settings at all.
    wxMemoryOutputStream text;
    if (!config->Save(text, wxConvUTF8)) {
        error = "Cannot write the settings file " + filePath + ": the settings could not be put into text";
        return false;
    }
    const wxStreamBuffer& bytes = *text.GetOutputStreamBuffer();
    if (!AtomicFile::Write(filePath,
                           std::string(static_cast<const char*>(bytes.GetBufferStart()), bytes.GetIntPosition()),
                           error))
        return false;
    changed = false;
    return true;
}
