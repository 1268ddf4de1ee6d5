// The reply assembly and the single-reply rules, fed bytes directly.
#include "engine/FtpReplyAssembler.h"
#include "engine/FtpReplyRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Status = FtpReplyAssembler::Status;

struct Assembled {
    Status status;
    std::vector<FtpReply> replies;
};

// Feeds `pieces` one after another and takes every reply out after each.
Assembled Assemble(const std::vector<std::string>& pieces)
{
    FtpReplyAssembler assembler;
    Assembled result{Status::Incomplete, {}};
    for (const std::string& piece : pieces) {
        assembler.Feed(piece.data(), piece.size());
        FtpReply reply;
        while ((result.status = assembler.Next(reply)) == Status::Complete)
            result.replies.push_back(reply);
        if (result.status != Status::Incomplete)
            return result;
    }
    return result;
}

std::string Lines(const std::string& line, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line + "\r\n";
    return text;
}

TEST(FtpReplyRules, PassivePortsFromPasvAndEpsv)
{
    struct Case {
        int code;
        const char* text;
        bool parsed;
        unsigned port;
    };
    const Case pasv[] = {
        {227, "227 Entering Passive Mode (127,0,0,1,195,80)", true, 50000},
        {227, "227 Entering Passive Mode 10,1,2,3,0,21", true, 21},   // no parentheses
        {227, "227 =203,0,113,9,255,255", true, 65535},
        {227, "227 Entering Passive Mode (1,2,3,4,0,0)", false, 0},  // port 0
        {227, "227 Entering Passive Mode (1,2,3,256,4,1)", false, 0},
        {227, "227 Entering Passive Mode (1,2,3,4,1)", false, 0},
        {227, "227 Entering Passive Mode (1,2,3,4,1,99999999999999999999)", false, 0},
        {227, "227 Entering Passive Mode", false, 0},
        {227, "227-Entering\n227 (1,2,3,4,5,6)", false, 0},  // only the first line answers
        {229, "229 Entering Passive Mode (127,0,0,1,195,80)", false, 0},
    };
    for (const Case& c : pasv) {
        unsigned port = 0;
        EXPECT_EQ(ParsePasvReply(FtpReply{c.code, c.text}, port), c.parsed) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
    const Case epsv[] = {
        {229, "229 Entering Extended Passive Mode (|||50000|)", true, 50000},
        {229, "229 ok (!!!1!)", true, 1},
        {229, "229 Entering Extended Passive Mode (|||65536|)", false, 0},
        {229, "229 Entering Extended Passive Mode (|||0|)", false, 0},
        {229, "229 Entering Extended Passive Mode (|||50000)", false, 0},
        {229, "229 Entering Extended Passive Mode (|2|::1|50000|)", false, 0},
        {229, "229 Entering Extended Passive Mode (11150001)", false, 0},  // a digit is no delimiter
        {229, "229 Entering Extended Passive Mode (|||", false, 0},
        {229, "229 (", false, 0},
        {227, "227 Entering Extended Passive Mode (|||50000|)", false, 0},
    };
    for (const Case& c : epsv) {
        unsigned port = 0;
        EXPECT_EQ(ParseEpsvReply(FtpReply{c.code, c.text}, port), c.parsed) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
}

}  // namespace

TEST(FtpReplyAssembler, AssemblesReplies)
{
    struct Case {
        const char* what;
        std::vector<std::string> pieces;
        std::vector<int> codes;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"one line", {"220 Ready\r\n"}, {220}, {"220 Ready"}},
        {"bare LF and bare code", {"230\n"}, {230}, {"230"}},
        {"two replies in one read", {"331 Pass\r\n230 In\r\n"}, {331, 230}, {"331 Pass", "230 In"}},
        {"split inside the line end", {"220 Rea", "dy\r", "\n"}, {220}, {"220 Ready"}},
        {"multi-line ends on the same code and a space",
         {"211-Features:\r\n EPRT\r\n211-still going\r\n  211 not at the start\r\n212 other code\r\n211 End\r\n"},
         {211},
         {"211-Features:\n EPRT\n211-still going\n  211 not at the start\n212 other code\n211 End"}},
        {"multi-line split across reads", {"120-Wait\r\n", "120 Ready\r\n220 Go\r\n"}, {120, 220},
         {"120-Wait\n120 Ready", "220 Go"}},
    };
    for (const Case& c : cases) {
        const Assembled result = Assemble(c.pieces);
        EXPECT_EQ(result.status, Status::Incomplete) << c.what;
        ASSERT_EQ(result.replies.size(), c.codes.size()) << c.what;
        for (std::size_t i = 0; i < c.codes.size(); ++i) {
            EXPECT_EQ(result.replies[i].code, c.codes[i]) << c.what;
            EXPECT_EQ(result.replies[i].text, c.texts[i]) << c.what;
        }
    }
}

TEST(FtpReplyAssembler, RefusesWhatBreaksTheProtocol)
{
    // The bound counts every byte before the LF, a CR included.
    const std::string longest(FtpReplyAssembler::maxLineLength - 5, 'x');
    struct Case {
        const char* what;
        std::string bytes;
        Status status;
        std::size_t replies;
    };
    const Case cases[] = {
        {"no code", "hello\r\n", Status::NotAReply, 0},
        {"code glued to text", "220Ready\r\n", Status::NotAReply, 0},
        {"two digits", "22 x\r\n", Status::NotAReply, 0},
        {"longest line", "220 " + longest + "\r\n", Status::Incomplete, 1},
        {"one byte longer", "220 " + longest + "x\r\n", Status::LineTooLong, 0},
        {"no line end yet, over the bound", "220 " + longest + "xx", Status::LineTooLong, 0},
        {"no line end yet, at the bound", "220 " + longest + "x", Status::Incomplete, 0},
        {"1000 lines", "211-a\r\n" + Lines(" x", 998) + "211 End\r\n", Status::Incomplete, 1},
        {"1001 lines", "211-a\r\n" + Lines(" x", 999) + "211 End\r\n", Status::TooManyLines, 0},
    };
    for (const Case& c : cases) {
        const Assembled result = Assemble({c.bytes});
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.replies.size(), c.replies) << c.what;
    }
}

TEST(FtpReplyAssembler, AbandonedReplyLeavesTheFollowingBytes)
{
    FtpReplyAssembler assembler;
    const std::string first = "211-begun\r\n";
    assembler.Feed(first.data(), first.size());
    FtpReply reply;
    ASSERT_EQ(assembler.Next(reply), Status::Incomplete);
    assembler.AbandonReply();
    const std::string rest = "226 Done\r\n";
    assembler.Feed(rest.data(), rest.size());
    ASSERT_EQ(assembler.Next(reply), Status::Complete);
    EXPECT_EQ(reply.code, 226);
    EXPECT_EQ(reply.text, "226 Done");
    assembler.Feed(rest.data(), rest.size());
    assembler.Clear();
    EXPECT_FALSE(assembler.HasBufferedInput());
}

TEST(ParsePwdReply, QuotedPathOf257Only)
{
    struct Case {
        int code;
        const char* text;
        bool parsed;
        const char* path;
    };
    const Case cases[] = {
        {257, "257 \"/home/user\" is the current directory.", true, "/home/user"},
        {257, "257 \"/a \"\"b\"\" c\"", true, "/a \"b\" c"},
        {257, "257 \"\"", true, ""},
        {257, "257 \"/unclosed", false, ""},
        {257, "257 \"/ends in doubled\"\"", false, ""},
        {257, "257 /no/quotes", false, ""},
        {250, "250 \"/x\"", false, ""},
    };
    for (const Case& c : cases) {
        std::string path;
        EXPECT_EQ(ParsePwdReply(FtpReply{c.code, c.text}, path), c.parsed) << c.text;
        if (c.parsed) {
            EXPECT_EQ(path, c.path) << c.text;
        }
    }
}

TEST(FtpReplyRules, FeatureNamesAndEprtOutcome)
{
    EXPECT_EQ(FeatureNames("211-Features:\n mlst type*;size*;\n  utf8\n\n EPRT\n211 End"),
              (std::vector<std::string>{"MLST", "UTF8", "EPRT"}));
    EXPECT_TRUE(FeatureNames("211 No features").empty());
    EXPECT_EQ(ReadEprtReply(FtpReply{200, "200 OK"}), EprtOutcome::Accepted);
    EXPECT_EQ(ReadEprtReply(FtpReply{500, "500 ?"}), EprtOutcome::TryPort);
    EXPECT_EQ(ReadEprtReply(FtpReply{502, "502 No"}), EprtOutcome::TryPort);
    EXPECT_EQ(ReadEprtReply(FtpReply{522, "522 Use (1)"}), EprtOutcome::Refused);
    EXPECT_EQ(ReadEprtReply(FtpReply{421, "421 Bye"}), EprtOutcome::Refused);
}

TEST(FtpReplyRules, FeaturesOfferTlsOnlyForTheTlsMechanism)
{
    struct Case {
        const char* reply;
        bool offered;
    };
    const Case cases[] = {
        {"211-Features:\n AUTH TLS\n PBSZ\n PROT\n211 End", true},
        {"211-Features:\n auth tls\n211 End", true},
        {"211-Features:\n AUTH SSL;TLS-C;TLS ;TLS-P;\n211 End", true},
        {"211-Features:\n AUTH TLS-C;TLS-P\n211 End", false},
        {"211-Features:\n AUTH SSL\n211 End", false},
        {"211-Features:\n MLST type*;\n TLS\n211 End", false},
        {"211-Features:\n AUTHTLS\n211 End", false},
        {"211 No features", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FeaturesOfferTls(c.reply), c.offered) << c.reply;
}

TEST(FtpReplyRules, TheStrongestHashCommandAFeatReplyLists)
{
    struct Case {
        const char* feat;
        HashCommand command;
    };
    const Case cases[] = {
        {"211-Features:\n HASH CRC32;MD5;SHA-1*;SHA-256;SHA-512;\n XSHA256\n211 End", HashCommand::HashSha256},
        {"211-Features:\n hash sha-1*;md5\n XSHA256\n211 End", HashCommand::HashSha1},
        {"211-Features:\n HASH MD5*;CRC32\n XSHA256\n XSHA1\n211 End", HashCommand::XSha256},
        {"211-Features:\n XSHA1\n XMD5\n211 End", HashCommand::XSha1},
        {"211-Features:\n XMD5\n211 End", HashCommand::XMd5},
        {"211-Features:\n SIZE\n REST STREAM\n211 End", HashCommand::None},
        // The closing line is no feature, whatever it says.
        {"211-Features:\n SIZE\n211 XSHA256", HashCommand::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.command, BestHashCommand(c.feat)) << c.feat;
}

TEST(FtpReplyRules, TheDigestOfAHashReply)
{
    const std::string sha1 = "63bd507c378dbebd59f77853dea6c4c2c39f7ed7";
    struct Case {
        int code;
        const char* text;
        bool parsed;
    };
    const Case cases[] = {
        {213, "213-Computing SHA-1 digest\n213 SHA-1 0-1100 63bd507c378dbebd59f77853dea6c4c2c39f7ed7 a.bin", true},
        {250, "250-Computing SHA1 digest\n250 63BD507C378DBEBD59F77853DEA6C4C2C39F7ED7", true},
        {250, "250 63bd507c378dbebd59f77853dea6c4c2c39f7ed", false},   // one digit short
        {250, "250 63bd507c378dbebd59f77853dea6c4c2c39f7edx", false},  // not hex
        {550, "550 63bd507c378dbebd59f77853dea6c4c2c39f7ed7", false},  // a refusal
    };
    for (const Case& c : cases) {
        std::string hex;
        EXPECT_EQ(c.parsed, ParseDigestReply(FtpReply{c.code, c.text}, 40, hex)) << c.text;
        EXPECT_EQ(c.parsed ? sha1 : "", hex) << c.text;
    }
}
