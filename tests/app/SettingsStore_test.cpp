// The settings store read from its file and from text: both must read a
// damaged file alike, and a store without a file must never claim it saved.
#include "app/SettingsStore.h"

#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
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
    "nLastUsedDomain=2\n"
    "[settings]\n"
    "openGraphicsPathStr=/opt/caf\xE9/view\n";

// Counts the wx assertions raised while read runs.
int AssertsDuring(const std::function<void()>& read)
{
    static int asserts;
    asserts = 0;
    const wxAssertHandler_t previous = wxSetAssertHandler(
        [](const wxString&, int, const wxString&, const wxString&, const wxString&) { ++asserts; });
    read();
    wxSetAssertHandler(previous);
    return asserts;
}

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

    // One entry of these contents, read from the settings file and from the
    // text, with the assertions raised on the way.
    struct BothReadings {
        std::string fromFile, fromText;
        int asserts = 0;
    };
    static BothReadings ReadBothWays(const std::string& contents, const std::string& entry)
    {
        std::ofstream(SettingsStore::FilePath(), std::ios::binary | std::ios::trunc) << contents;
        BothReadings read;
        read.asserts = AssertsDuring([&] {
            read.fromFile = SettingsStore().GetProfileString(entry, "");
            read.fromText = SettingsStore(contents).GetProfileString(entry, "");
        });
        return read;
    }

    wxInitializer wx;
    std::string home;
};

TEST_F(SettingsText, ReadsADamagedFileExactlyAsTheFileReads)
{
    const SettingsStore file;
    const SettingsStore text{std::string(kDamaged)};
    for (const char* entry : {"nDomains", "nXposition", "nYposition", "nLastUsedDomain", "nMissing"})
        EXPECT_EQ(file.GetProfileInt(entry, 7), text.GetProfileInt(entry, 7)) << entry;
    for (const char* entry : {"domainStr_0", "asciiFileExt", "openTextPathStr", "openGraphicsPathStr"})
        EXPECT_EQ(file.GetProfileString(entry, "none"), text.GetProfileString(entry, "none")) << entry;
    EXPECT_EQ(file.IndexedEntryLimit("domainStr_"), text.IndexedEntryLimit("domainStr_"));
    EXPECT_EQ(7, text.GetProfileInt("nXposition", 7)) << "a number beyond an int reads as the default";
    EXPECT_EQ("/opt/caf\xC3\xA9/view", text.GetProfileString("openGraphicsPathStr", ""))
        << "a file that is not UTF-8 reads as Latin-1";
    EXPECT_EQ("\"ftp.example.org\" \"anna\" \"pw\" \"/\" \"21\" \"\" \"/\" \"/\"", text.GetProfileString("domainStr_0", ""));
}

// wx reports the nameless line through its assert handler; at start-up that
// would be an assert box in front of the window.
TEST_F(SettingsText, ANamelessLineRaisesNoAssert)
{
    std::unique_ptr<SettingsStore> file;
    EXPECT_EQ(0, AssertsDuring([&] {
        file = std::make_unique<SettingsStore>();
        const SettingsStore text{std::string(kDamaged)};
    }));
    EXPECT_EQ(2, file->GetProfileInt("nLastUsedDomain", 0)) << "the lines after it still read";
}

// A file saved as UTF-32 (its byte-order mark says so) is decoded without
// checking the values: a lone surrogate or a value past U+10FFFF must read
// as U+FFFD, not raise wx's assertion when the text is turned into bytes.
TEST_F(SettingsText, CharactersNoUtf8CanHoldReadAsReplacementsWithoutAnAssert)
{
    std::string utf32 = "\xFF\xFE";
    utf32 += std::string(2, '\0');
    for (const char32_t c : std::u32string(U"[settings]\nopenTextPathStr=a") + char32_t(0xD800) + U"b" +
                                char32_t(0x110000) + U"\u00E9\U0001F600\n") {
        for (int shift = 0; shift < 32; shift += 8)
            utf32 += static_cast<char>(c >> shift & 0xFF);
    }
    const BothReadings read = ReadBothWays(utf32, "openTextPathStr");
    EXPECT_EQ(0, read.asserts);
    EXPECT_EQ("a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xC3\xA9\xF0\x9F\x98\x80", read.fromText);
    EXPECT_EQ(read.fromText, read.fromFile);
}

// Plain bytes can do the same: wx's UTF-8 reader takes four-byte sequences
// up to U+1FFFFF (the fuzzer's find was F4 9B 90 92, past U+10FFFF).
TEST_F(SettingsText, AFourByteSequencePastUnicodeReadsAsAReplacementWithoutAnAssert)
{
    const BothReadings read = ReadBothWays("[settings]\nasciiFileExt=b\xF4\x9B\x90\x92\"\n", "asciiFileExt");
    EXPECT_EQ(0, read.asserts);
    EXPECT_EQ("b\xEF\xBF\xBD\"", read.fromText);
    EXPECT_EQ(read.fromText, read.fromFile);
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
