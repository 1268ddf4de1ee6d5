// Pure rules of the engine: reply classes, error texts, the local download file.
#include "engine/FtpReply.h"
#include "platform/LastError.h"
#include "engine/LocalDownloadFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

class LocalDownload : public ::testing::Test {
protected:
    LocalDownload()
    {
        char pattern[] = "/tmp/vantrel-download-XXXXXX";
        directory = ::mkdtemp(pattern);
    }
    ~LocalDownload() override { std::filesystem::remove_all(directory); }

    std::string Contents() const
    {
        std::ifstream in(Path(), std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::string Path() const { return directory + "/file"; }

    // Writes the chunks in ASCII mode and returns the file's bytes.
    std::string Converted(const std::vector<std::string>& chunks)
    {
        LocalDownloadFile file(true);
        EXPECT_TRUE(file.Open(Path(), false));
        for (const std::string& chunk : chunks)
            EXPECT_TRUE(file.Write(chunk.data(), chunk.size()));
        EXPECT_TRUE(file.Finish());
        return Contents();
    }

    std::string directory;
};

TEST_F(LocalDownload, AsciiTurnsCrLfIntoLfAcrossChunkEnds)
{
    struct Case {
        std::vector<std::string> chunks;
        std::string expected;
    };
    const Case cases[] = {
        {{"a\r\nb\r\n"}, "a\nb\n"},
        {{"a\r", "\nb"}, "a\nb"},
        {{"a\r", "b"}, "a\rb"},
        {{"a\r", "\r", "\n"}, "a\r\n"},
        {{"end\r"}, "end\r"},
        {{"lone\rcr"}, "lone\rcr"},
        {{"\n\n"}, "\n\n"},
        {{"a\r", "", "\n"}, "a\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Converted(c.chunks), c.expected);
}

TEST_F(LocalDownload, BinaryKeepsEveryByteAndReplacesOldContents)
{
    std::ofstream(Path()) << "a much longer earlier content";
    LocalDownloadFile file(false);
    ASSERT_TRUE(file.Open(Path(), false));
    ASSERT_TRUE(file.Write("x\r\ny", 4));
    ASSERT_TRUE(file.Finish());
    EXPECT_EQ(Contents(), "x\r\ny");
}

TEST_F(LocalDownload, NewFileIsPrivate)
{
    LocalDownloadFile file(false);
    ASSERT_TRUE(file.Open(Path(), true));
    ASSERT_TRUE(file.Finish());
    EXPECT_EQ(std::filesystem::status(Path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(LocalDownload, ExistingFileWithFailIfExists)
{
    std::ofstream(Path()) << "keep";
    LocalDownloadFile file(false);
    EXPECT_FALSE(file.Open(Path(), true));
    EXPECT_EQ(GetLastError(), EEXIST);
    EXPECT_EQ(Contents(), "keep");
}

}  // namespace
