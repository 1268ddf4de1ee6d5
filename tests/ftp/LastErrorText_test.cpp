// The one error text every failure box shows.
#include "ftp/LastErrorText.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace {

TEST(LastErrorText, AnErrorReplyGivesTheServersResponseTrimmed)
{
    SetLastError(ERROR_INTERNET_EXTENDED_ERROR, "  550 No such file or directory.\r\n");
    EXPECT_EQ("550 No such file or directory.", LastErrorText());
    SetLastError(ERROR_INTERNET_EXTENDED_ERROR, "530-Login incorrect.\n530 Bye.\r\n");
    EXPECT_EQ("530-Login incorrect.\n530 Bye.", LastErrorText());
}

TEST(LastErrorText, AResponseTooLongForTheBufferGivesTheCode)
{
    SetLastError(ERROR_INTERNET_EXTENDED_ERROR, std::string(1024, 'x'));
    EXPECT_EQ("Last Error = 12003", LastErrorText());
    SetLastError(ERROR_INTERNET_EXTENDED_ERROR, std::string(1023, 'x'));
    EXPECT_EQ(std::string(1023, 'x'), LastErrorText());
}

TEST(LastErrorText, SystemAndEngineCodesGiveTheirTexts)
{
    SetLastError(ENOSPC);
    EXPECT_EQ("No space left on device", LastErrorText());
    SetLastError(ERROR_INTERNET_TIMEOUT);
    EXPECT_NE(std::string::npos, LastErrorText().find("timed out"));
    SetLastError(987654);
    EXPECT_EQ("Last Error = 987654", LastErrorText());
    SetLastError(-3);
    EXPECT_EQ("Last Error = -3", LastErrorText());
}

TEST(LastErrorText, EachThreadHasItsOwnLastError)
{
    SetLastError(ENOENT);
    std::thread([] {
        SetLastError(EACCES);
        EXPECT_EQ("Permission denied", LastErrorText());
    }).join();
    EXPECT_EQ("No such file or directory", LastErrorText());
}

} // namespace
