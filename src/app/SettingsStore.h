#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

class wxFileConfig;

// The per-user settings store: one section "settings" of integer and string
// entries, in $XDG_CONFIG_HOME/<vendor>/Vantrel.ini. It holds passwords, so
// its folder is 0700 and the file 0600 from the first write.
class SettingsStore {
public:
    // Names the vendor folder (the application's start-up does this once).
    static void SetRegistryKey(const std::string& vendorKey);
    static std::string FilePath();
    // The folder of the file, where other private files of the program live.
    static std::string Folder();
    // Creates that folder private to the user, or makes it so; on failure
    // `error` says why.
    static bool MakeFolder(std::string& error);

    // Reads the file. A missing, unreadable or damaged file reads as empty,
    // so every entry gives its default.
    SettingsStore();
    // Reads `contents` as the file's text, through the same parser; such a
    // store has no file, and Flush refuses to pretend it saved anything.
    explicit SettingsStore(const std::string& contents);
    ~SettingsStore();

    // A stored number that does not fit an int reads as the default.
    int GetProfileInt(const std::string& entry, int defaultValue) const;
    std::string GetProfileString(const std::string& entry, const std::string& defaultValue) const;
    // One more than the highest N of the stored entries named prefix + N, so
    // a damaged count cannot make a reader walk millions of missing entries.
    int IndexedEntryLimit(const std::string& prefix) const;

    // Deletes every stored entry named prefix + N with N at or above `first`.
    void DeleteIndexedEntriesFrom(const std::string& prefix, int first);

    void WriteProfileInt(const std::string& entry, int value);
    void WriteProfileString(const std::string& entry, const std::string& value);

    // Writes the file whole, if anything was written or deleted since it
    // was read or last written; on failure `error` says why in plain words
    // and the file is left as it was.
    bool Flush(std::string& error);

private:
    // Every stored entry named prefix + N: N and the name as stored.
    std::vector<std::pair<int, wxString>> IndexedEntries(const std::string& prefix) const;

    std::unique_ptr<wxFileConfig> config;
    std::string filePath;  // empty for a store read from text
    bool changed = false;
};
