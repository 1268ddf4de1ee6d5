// Pure rules of the engine: reply classes, error texts, the thread's last
// error, the server notes' text.
#include "engine/FtpReply.h"
#include "engine/FtpServerNotes.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

namespace {

TEST(ClassifyReply, ByFirstDigit)
{
    const std::pair<int, ReplyClass> cases[] = {
        {99, ReplyClass::Invalid},        {100, ReplyClass::Preliminary}, {150, ReplyClass::Preliminary},
        {200, ReplyClass::Complete},      {257, ReplyClass::Complete},    {331, ReplyClass::Intermediate},
        {350, ReplyClass::Intermediate},  {421, ReplyClass::Transient},   {452, ReplyClass::Transient},
        {530, ReplyClass::Permanent},     {599, ReplyClass::Permanent},   {600, ReplyClass::Invalid},
        {0, ReplyClass::Invalid},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(ClassifyReply(code), expected) << code;
}

TEST(SystemMessage, PlainTextsForOurCodesAndTheSystemsForErrno)
{
    EXPECT_EQ(SystemMessage(ERROR_INTERNET_TIMEOUT), "The operation timed out");
    EXPECT_EQ(SystemMessage(ERROR_INTERNET_NAME_NOT_RESOLVED), "The server name could not be resolved");
    EXPECT_EQ(SystemMessage(ERROR_INTERNET_CANNOT_CONNECT), "A connection with the server could not be established");
    EXPECT_EQ(SystemMessage(ERROR_INTERNET_CONNECTION_ABORTED), "The connection with the server was terminated");
    EXPECT_EQ(SystemMessage(ENOENT), "No such file or directory");
    EXPECT_EQ(SystemMessage(EACCES), "Permission denied");
    EXPECT_EQ(SystemMessage(0), "");
    EXPECT_EQ(SystemMessage(99999), "");
    EXPECT_EQ(SystemMessage(4000), "");
}

TEST(LastError, BelongsToTheThread)
{
    SetLastError(ERROR_INTERNET_EXTENDED_ERROR, "550 No such file or directory.");
    std::thread([] {
        EXPECT_EQ(GetLastError(), 0);
        EXPECT_EQ(GetLastResponseInfo(), "");
        SetLastError(ENOENT);
    }).join();
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetLastResponseInfo(), "550 No such file or directory.");
    SetLastError(ENOENT);
    EXPECT_EQ(GetLastResponseInfo(), "");
}

// What FEAT listed for the checks comes back from the notes' text as it
// went in, so a login that skips FEAT still checks; a list written before
// the checks (opened by '-') is no list, so FEAT is asked again.
TEST(ServerNotesTest, SizeAndTheHashCommandComeBackFromTheText)
{
    for (const HashCommand hash : {HashCommand::None, HashCommand::HashSha256, HashCommand::HashSha1,
                                   HashCommand::XSha256, HashCommand::XSha1, HashCommand::XMd5}) {
        for (const bool size : {false, true}) {
            FtpServerNotes notes;
            notes.features.emplace();
            notes.features->size = size;
            notes.features->hash = hash;
            const FtpServerNotes back = ParseServerNotes(FormatServerNotes(notes));
            ASSERT_TRUE(back.features) << FormatServerNotes(notes);
            EXPECT_EQ(size, back.features->size) << FormatServerNotes(notes);
            EXPECT_EQ(hash, back.features->hash) << FormatServerNotes(notes);
        }
    }
    EXPECT_FALSE(ParseServerNotes("tls=1 mode=active feat=-,mlsd,tls").features);
    EXPECT_EQ("tls=0 feat=+,size,xsha256", FormatServerNotes({false, std::nullopt, FtpFeatures{false, false, false, true,
                                                                                            HashCommand::XSha256}}));
}

}  // namespace
