#include "app/ChromeRules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

struct RunTimeCase {
    long long seconds;
    const char* text;
};

TEST(FormatRunTime, ShowsHoursMinutesSecondsWithoutWholeDays)
{
    const RunTimeCase cases[] = {
        {0, "00:00:00"},
        {59, "00:00:59"},
        {60, "00:01:00"},
        {3599, "00:59:59"},
        {3600, "01:00:00"},
        {86399, "23:59:59"},
        {86400, "00:00:00"},
        {25 * 3600, "01:00:00"},
        {3 * 86400 + 4 * 3600 + 5 * 60 + 6, "04:05:06"},
        {-5, "00:00:00"},
    };
    for (const RunTimeCase& c : cases)
        EXPECT_EQ(FormatRunTime(c.seconds), c.text) << c.seconds << " s";
}

struct MenuPointCase {
    int left, top, right, bottom;
    int x, y;
};

TEST(HelpMenuPoint, RightEdgeAndThreeQuartersDownWithEachQuotientTruncated)
{
    const MenuPointCase cases[] = {
        {10, 100, 500, 300, 500, 225 + 25},
        // 3*301/4 = 225 (225.75), 101/4 = 25 (25.25): the parts truncate
        // separately, so 250 and not the 251 of (3*301 + 101)/4.
        {0, 101, 400, 301, 400, 250},
        {0, 3, 50, 3, 50, 2 + 0},
        // Left of the primary screen: truncation goes towards zero.
        {-900, -7, -100, -1, -100, 0 + -1},
        {-900, -103, -100, -5, -100, -3 + -25},
    };
    for (const MenuPointCase& c : cases) {
        const ScreenPoint point = HelpMenuPoint(c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(point.x, c.x) << c.left << "," << c.top << "," << c.right << "," << c.bottom;
        EXPECT_EQ(point.y, c.y) << c.left << "," << c.top << "," << c.right << "," << c.bottom;
    }
}

TEST(LoggedInTitle, IsSpaceDomainSpaceHyphenThenBaseTitle)
{
    EXPECT_EQ(LoggedInTitle("ftp.example.com", " vantrel"), " ftp.example.com - vantrel");
    EXPECT_EQ(LoggedInTitle("", " vantrel"), "  - vantrel");
}

TEST(MailLink, CarriesAddressAndSubject)
{
    EXPECT_EQ(MailLink(kContactAddress), "mailto:vantrel@example.org?subject=Concerning your program Vantrel");
}

struct AddressCase {
    const char* path;
    const char* address;
};

TEST(DocumentationAddress, IsFileUrlOpeningAtPageOneFittedToWidth)
{
    const AddressCase cases[] = {
        {"/usr/local/share/doc/vantrel/programs/VantrelDoc.pdf",
         "file:///usr/local/share/doc/vantrel/programs/VantrelDoc.pdf#page=1&view=fitH"},
        {"/home/a b/build/programs/VantrelDoc.pdf",
         "file:///home/a%20b/build/programs/VantrelDoc.pdf#page=1&view=fitH"},
        {"/srv/#1%/programs/VantrelDoc.pdf", "file:///srv/%231%25/programs/VantrelDoc.pdf#page=1&view=fitH"},
        {"/home/j\xC3\xB8rn/programs/VantrelDoc.pdf",
         "file:///home/j%C3%B8rn/programs/VantrelDoc.pdf#page=1&view=fitH"},
    };
    for (const AddressCase& c : cases)
        EXPECT_EQ(DocumentationAddress(c.path), c.address);
}

class DocumentationPdfTest : public testing::Test {
protected:
    void SetUp() override
    {
        root = std::filesystem::temp_directory_path() /
               ("vantrel-doc-" + std::to_string(getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root / "build");
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::filesystem::path root;
};

TEST_F(DocumentationPdfTest, PrefersTheCopyBesideTheExecutable)
{
    std::filesystem::create_directories(root / "build" / "programs");
    std::ofstream(root / "build" / "programs" / "VantrelDoc.pdf") << "%PDF-1.4\n";
    EXPECT_EQ(DocumentationPdfIn((root / "build").string(), "../share/doc/vantrel"),
              (root / "build" / "programs" / "VantrelDoc.pdf").string());
}

TEST_F(DocumentationPdfTest, FallsBackToTheInstalledCopy)
{
    EXPECT_EQ(DocumentationPdfIn((root / "build").string(), "../share/doc/vantrel"),
              (root / "share/doc/vantrel/programs/VantrelDoc.pdf").string());
    // A folder of that name is not the guide.
    std::filesystem::create_directories(root / "build" / "programs" / "VantrelDoc.pdf");
    EXPECT_EQ(DocumentationPdfIn((root / "build").string(), "../share/doc/vantrel"),
              (root / "share/doc/vantrel/programs/VantrelDoc.pdf").string());
}

TEST(FindDocumentationPdf, EndsInTheProgramsFolder)
{
    const std::string path = FindDocumentationPdf();
    EXPECT_TRUE(path.ends_with("/programs/VantrelDoc.pdf")) << path;
    EXPECT_TRUE(path.starts_with("/")) << path;
}

// Ten pixels a character, so 200 pixels hold 20.
int TenPixelsEach(const std::string& line)
{
    return static_cast<int>(line.size()) * 10;
}

struct WrapCase {
    const char* text;
    const char* wrapped;
};

TEST(WrapToWidth, BreaksAtSpacesBeforeTheLimit)
{
    const WrapCase cases[] = {
        {"", ""},
        {"Abort Up-DownLoad.", "Abort Up-DownLoad."},
        {"exactly twenty chars", "exactly twenty chars"},
        {"exactly twenty chars!", "exactly twenty\nchars!"},
        {"Present Working Directory. This will be the login directory.",
         "Present Working\nDirectory. This will\nbe the login\ndirectory."},
        // Two spaces stay inside a line but leave no space at a break.
        {"the domain's base directory  Alt+F4.", "the domain's base\ndirectory  Alt+F4."},
        {"aaaaaaaaaaaaaaaaaa  bbbbbbbb", "aaaaaaaaaaaaaaaaaa\nbbbbbbbb"},
        {"a_word_much_longer_than_twenty to", "a_word_much_longer_than_twenty\nto"},
        {"x a_word_much_longer_than_twenty", "x\na_word_much_longer_than_twenty"},
    };
    for (const WrapCase& c : cases)
        EXPECT_EQ(WrapToWidth(c.text, 200, TenPixelsEach), c.wrapped) << c.text;
}

} // namespace
