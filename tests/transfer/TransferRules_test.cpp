#include "transfer/TransferRules.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kDefaultList =
    "asp bat c cgi cpp css dhtml h htm html js log pas php pl sh shtml txt vbs xml ";

using Entries = std::vector<std::string>;

struct ReadCase {
    const char* text;
    Entries entries;
};

class ReadExtListTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadExtListTest, ReadsEntriesClosedBySpaces)
{
    EXPECT_EQ(GetParam().entries, ReadExtList(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(TextForm, ReadExtListTest,
    testing::Values(ReadCase{"", {}}, ReadCase{"txt ", {"txt"}}, ReadCase{"txt log", {"txt"}},
        ReadCase{"txt", {}}, ReadCase{"txt  log ", {"txt", "", "log"}}, ReadCase{" txt log ", {}},
        ReadCase{"  ", {}}, ReadCase{"HTM htm ", {"HTM", "htm"}}, ReadCase{".x ", {".x"}},
        ReadCase{"txt   ", {"txt", "", ""}}));

TEST(ReadExtListTest, DefaultListHasTwentyEntriesEndingWithXml)
{
    const Entries entries = ReadExtList(kDefaultList);
    ASSERT_EQ(20u, entries.size());
    EXPECT_EQ("asp", entries.front());
    EXPECT_EQ("xml", entries.back());
}

struct ExtensionCase {
    const char* path;
    const char* extension;
};

class PathExtensionTest : public testing::TestWithParam<ExtensionCase> {};

TEST_P(PathExtensionTest, TakesLastComponentFromItsLastDot)
{
    EXPECT_EQ(GetParam().extension, PathExtension(GetParam().path));
}

INSTANTIATE_TEST_SUITE_P(SplitPath, PathExtensionTest,
    testing::Values(ExtensionCase{"index.HTML", "HTML"}, ExtensionCase{"archive.tar.gz", "gz"},
        ExtensionCase{"Makefile", ""}, ExtensionCase{"name.", ""}, ExtensionCase{"/home/u/a.dir/Makefile", ""},
        ExtensionCase{"/home/u/a.dir/notes.txt", "txt"}, ExtensionCase{".bashrc", "bashrc"},
        ExtensionCase{"a..x", "x"}, ExtensionCase{"/tmp/", ""}, ExtensionCase{"", ""},
        ExtensionCase{"r\xC3\xA9sum\xC3\xA9.T\xC3\x89X", "T\xC3\x89X"}));

TEST(PathExtensionTest, CutsAtTheSplitterBufferSize)
{
    EXPECT_EQ(std::string(255, 'e'), PathExtension("f." + std::string(400, 'e')));
}

struct TypeCase {
    int mode;
    const char* list;
    const char* path;
    TransferType type;
};

class GetTransferTypeTest : public testing::TestWithParam<TypeCase> {};

TEST_P(GetTransferTypeTest, DecidesByModeThenExtension)
{
    const TypeCase& c = GetParam();
    EXPECT_EQ(c.type, GetTransferType(c.mode, c.list, c.path)) << c.mode << " '" << c.list << "' " << c.path;
}

constexpr TransferType A = FTP_TRANSFER_TYPE_ASCII;
constexpr TransferType B = FTP_TRANSFER_TYPE_BINARY;

INSTANTIATE_TEST_SUITE_P(Modes, GetTransferTypeTest,
    testing::Values(
        // Auto with the default list: case ignored, only the last extension counts.
        TypeCase{2, kDefaultList, "index.HTML", A}, TypeCase{2, kDefaultList, "README.TXT", A},
        TypeCase{2, kDefaultList, "photo.jpg", B}, TypeCase{2, kDefaultList, "archive.tar.gz", B},
        TypeCase{2, kDefaultList, "Makefile", B}, TypeCase{2, kDefaultList, "name.", B},
        TypeCase{2, kDefaultList, "/srv/page.html/page.bak", B},
        TypeCase{2, kDefaultList, "/srv/www/data.xml", A},
        // No mode chosen yet decides like Auto.
        TypeCase{-1, kDefaultList, "a.txt", A}, TypeCase{-1, kDefaultList, "a.bin", B},
        // The fixed modes never look at the list.
        TypeCase{0, kDefaultList, "photo.jpg", A}, TypeCase{1, kDefaultList, "a.txt", B},
        TypeCase{0, "", "photo.jpg", A},
        // Quirks of the text form.
        TypeCase{2, "txt log", "a.log", B}, TypeCase{2, "txt log", "a.txt", A},
        TypeCase{2, "txt  log ", "Makefile", A}, TypeCase{2, " txt log ", "a.txt", B},
        TypeCase{2, ".x ", "a..x", B}, TypeCase{2, "HTM ", "index.htm", A},
        TypeCase{2, "t\xC3\x89x ", "cv.T\xC3\x89X", A}));

struct CompareCase {
    const char* left;
    const char* right;
    int order;
};

class CompareNoCaseTest : public testing::TestWithParam<CompareCase> {};

TEST_P(CompareNoCaseTest, FoldsAsciiLettersOnly)
{
    const CompareCase& c = GetParam();
    const int order = CompareNoCase(c.left, c.right);
    EXPECT_EQ(c.order, (order > 0) - (order < 0)) << c.left << " vs " << c.right;
}

INSTANTIATE_TEST_SUITE_P(Order, CompareNoCaseTest,
    testing::Values(CompareCase{"cfg", "cgi", -1}, CompareCase{"Cfg", "cgi", -1}, CompareCase{"HTM", "htm", 0},
        CompareCase{"h", "htm", -1}, CompareCase{"html", "htm", 1}, CompareCase{"", "a", -1},
        CompareCase{"Z", "a", 1}, CompareCase{"_", "a", -1},
        // Bytes of multibyte characters are above every ASCII letter.
        CompareCase{"\xC3\xA9", "z", 1}, CompareCase{"\xC3\x89", "\xC3\xA9", -1}));

TEST(StartsWithNoCaseTest, MatchesPrefixesIgnoringCase)
{
    EXPECT_TRUE(StartsWithNoCase("html", "HT"));
    EXPECT_TRUE(StartsWithNoCase("HTML", "html"));
    EXPECT_TRUE(StartsWithNoCase("h", ""));
    EXPECT_FALSE(StartsWithNoCase("h", "ht"));
    EXPECT_FALSE(StartsWithNoCase("dhtml", "h"));
}

TEST(AsciiLowerTest, LowersAsciiAndKeepsOtherBytes)
{
    EXPECT_EQ("html", AsciiLower("HtMl"));
    EXPECT_EQ("t\xC3\x89x", AsciiLower("T\xC3\x89X"));
}

// Resume only where the bytes of a part count: binary, something there,
// and less than the source.
TEST(ExistingTargetQuestionTest, ResumeOnlyForAShorterBinaryPart)
{
    struct Case {
        std::optional<std::uint64_t> target;
        std::uint64_t source;
        TransferType type;
        ExistingTarget question;
    };
    const Case cases[] = {
        {std::nullopt, 100, FTP_TRANSFER_TYPE_BINARY, ExistingTarget::Free},
        {std::nullopt, 100, FTP_TRANSFER_TYPE_ASCII, ExistingTarget::Free},
        {40, 100, FTP_TRANSFER_TYPE_BINARY, ExistingTarget::AskResume},
        {99, 100, FTP_TRANSFER_TYPE_BINARY, ExistingTarget::AskResume},
        {40, 100, FTP_TRANSFER_TYPE_ASCII, ExistingTarget::AskReplace},
        {0, 100, FTP_TRANSFER_TYPE_BINARY, ExistingTarget::AskReplace},
        {100, 100, FTP_TRANSFER_TYPE_BINARY, ExistingTarget::AskReplace},
        {101, 100, FTP_TRANSFER_TYPE_BINARY, ExistingTarget::AskReplace},
        {5000000000ull, 5000000001ull, FTP_TRANSFER_TYPE_BINARY, ExistingTarget::AskResume},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.question, ExistingTargetQuestion(c.target, c.source, c.type))
            << c.target.value_or(-1) << " of " << c.source << " type " << c.type;
}

TEST(JudgeTransferTest, SizeFirstThenTheHashOfAResumedFile)
{
    const FileDigests none;
    const FileDigests same{"SHA-256", "ab12", "ab12"};
    const FileDigests differ{"SHA-256", "ab12", "cd34"};
    struct Case {
        std::optional<std::uint64_t> remoteSize;
        FileDigests digests;
        CheckVerdict verdict;
    };
    const Case cases[] = {
        {std::nullopt, none, CheckVerdict::Whole},    // nothing the server can tell
        {1000, none, CheckVerdict::Whole},
        {999, none, CheckVerdict::SizeDiffers},
        {1001, same, CheckVerdict::SizeDiffers},
        {1000, same, CheckVerdict::Whole},
        {1000, differ, CheckVerdict::PartsDiffer},
        {std::nullopt, differ, CheckVerdict::PartsDiffer},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.verdict, JudgeTransfer(1000, c.remoteSize, c.digests)) << c.remoteSize.value_or(0);
    EXPECT_EQ("\"a.bin\"\nThe server has 999 bytes, this computer 1000.\nThe transfer is not whole.",
              CheckFailureText(CheckVerdict::SizeDiffers, "a.bin", 1000, 999, ""));
}

}  // namespace
