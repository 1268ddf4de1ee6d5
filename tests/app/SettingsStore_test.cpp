// The settings store read from its file and from text: both must read a
// damaged file alike, and a store without a file must never claim it saved.
#include "app/SettingsStore.h"

#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const char kDamaged[] =
    "[settings]\n"
    "nDomains=3\n"
    "nXposition=99999999999\n"
    "nYposition=-40\n"
    "domainStr_0=\"\\\"ftp.example.org\\\" \\\"anna\\\" \\\"pw\\\" \\\"/\\\" \\\"21\\\" \\\"\\\" \\\"/\\\" \\\"/\\\"\"\n"
    "garbage line without an equals sign\n"
    "asciiFileExt=txt htm \n"
    "=a value without a name\n"
    "[other\n"
    "nLastUsedDomain=2\n";

class SettingsText : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vantrel-settings-XXXXXX";
        home = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        std::filesystem::create_directories(std::filesystem::path(SettingsStore::FilePath()).parent_path());
        std::ofstream(SettingsStore::FilePath()) << kDamaged;
    }

    void TearDown() override { std::filesystem::remove_all(home); }

    wxInitializer wx;
    std::string home;
};

TEST_F(SettingsText, ReadsADamagedFileExactlyAsTheFileReads)
{
    const SettingsStore file;
    const SettingsStore text{std::string(kDamaged)};
    for (const char* entry : {"nDomains", "nXposition", "nYposition", "nLastUsedDomain", "nMissing"})
        EXPECT_EQ(file.GetProfileInt(entry, 7), text.GetProfileInt(entry, 7)) << entry;
    for (const char* entry : {"domainStr_0", "asciiFileExt", "openTextPathStr"})
        EXPECT_EQ(file.GetProfileString(entry, "none"), text.GetProfileString(entry, "none")) << entry;
    EXPECT_EQ(file.IndexedEntryLimit("domainStr_"), text.IndexedEntryLimit("domainStr_"));
    EXPECT_EQ(7, text.GetProfileInt("nXposition", 7)) << "a number beyond an int reads as the default";
    EXPECT_EQ("\"ftp.example.org\" \"anna\" \"pw\" \"/\" \"21\" \"\" \"/\" \"/\"", text.GetProfileString("domainStr_0", ""));
}

// wx reports the nameless line through its assert handler; at start-up that
// would be an assert box in front of the window.
TEST_F(SettingsText, ANamelessLineRaisesNoAssert)
{
    static int asserts = 0;
    const wxAssertHandler_t previous = wxSetAssertHandler(
        [](const wxString&, int, const wxString&, const wxString&, const wxString&) { ++asserts; });
    const SettingsStore file;
    const SettingsStore text{std::string(kDamaged)};
    wxSetAssertHandler(previous);
    EXPECT_EQ(0, asserts);
    EXPECT_EQ(2, file.GetProfileInt("nLastUsedDomain", 0)) << "the lines after it still read";
}

// A password or a folder may hold '$': it must read back as written, not
// with the environment's values put in, and a lone "$(" must log nothing.
TEST_F(SettingsText, DollarsReadBackAsWrittenAndLogNothing)
{
    setenv("VANTREL_TEST_SECRET", "leaked", 1);
    const std::string written = "pa$VANTREL_TEST_SECRET ${VANTREL_TEST_SECRET} $(x $HOME\\$";
    {
        SettingsStore file;
        file.WriteProfileString("openTextPathStr", written);
        std::string error;
        ASSERT_TRUE(file.Flush(error)) << error;
    }
    wxLogBuffer* log = new wxLogBuffer;
    delete wxLog::SetActiveTarget(log);
    const SettingsStore file;
    EXPECT_EQ(written, file.GetProfileString("openTextPathStr", ""));
    const SettingsStore text{"[settings]\nopenTextPathStr=$(x ${VANTREL_TEST_SECRET}\n"};
    EXPECT_EQ("$(x ${VANTREL_TEST_SECRET}", text.GetProfileString("openTextPathStr", ""));
    EXPECT_EQ("", log->GetBuffer().ToStdString()) << "something was logged while reading";
    delete wxLog::SetActiveTarget(nullptr);
}

TEST_F(SettingsText, OnlyAStoreWithAFileSaves)
{
    SettingsStore text{std::string(kDamaged)};
    text.WriteProfileInt("nDomains", 1);
    std::string error;
    EXPECT_FALSE(text.Flush(error));
    EXPECT_FALSE(error.empty());

    SettingsStore file;
    file.WriteProfileInt("nDomains", 1);
    error.clear();
    EXPECT_TRUE(file.Flush(error)) << error;
    EXPECT_EQ(1, SettingsStore().GetProfileInt("nDomains", 0));
}

}  // namespace
