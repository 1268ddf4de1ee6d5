#include "transfer/LineEndConverter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Runs the chunks through one converter and returns everything it produced.
std::string ConvertChunks(TransferDirection direction, const std::vector<std::string>& chunks)
{
    LineEndConverter converter(direction);
    std::string all;
    std::string out;
    for (const std::string& chunk : chunks) {
        converter.Convert(chunk, out);
        all += out;
    }
    return all + converter.Finish();
}

struct ConvertCase {
    std::vector<std::string> chunks;
    const char* converted;
};

class DownloadLineEndTest : public testing::TestWithParam<ConvertCase> {};

TEST_P(DownloadLineEndTest, CrLfBecomesLf)
{
    EXPECT_EQ(GetParam().converted, ConvertChunks(TransferDirection::Download, GetParam().chunks));
}

INSTANTIATE_TEST_SUITE_P(Chunks, DownloadLineEndTest,
    testing::Values(ConvertCase{{"a\r\nb\r\n"}, "a\nb\n"}, ConvertCase{{"no ends"}, "no ends"},
        ConvertCase{{"a\nb"}, "a\nb"}, ConvertCase{{"a\rb"}, "a\rb"}, ConvertCase{{"a\r\r\nb"}, "a\r\nb"},
        // The pair split over a chunk boundary.
        ConvertCase{{"a\r", "\nb"}, "a\nb"}, ConvertCase{{"a\r", "b"}, "a\rb"},
        ConvertCase{{"a\r", "\r", "\n"}, "a\r\n"}, ConvertCase{{"a\r", "", "\nb"}, "a\nb"},
        // A CR that ends the data is flushed as it is.
        ConvertCase{{"a\r"}, "a\r"}, ConvertCase{{"\r"}, "\r"}, ConvertCase{{}, ""},
        ConvertCase{{"\r\n\r\n"}, "\n\n"}, ConvertCase{{"\r", "\n", "\r", "\n"}, "\n\n"}));

class UploadLineEndTest : public testing::TestWithParam<ConvertCase> {};

TEST_P(UploadLineEndTest, LoneLfBecomesCrLf)
{
    EXPECT_EQ(GetParam().converted, ConvertChunks(TransferDirection::Upload, GetParam().chunks));
}

INSTANTIATE_TEST_SUITE_P(Chunks, UploadLineEndTest,
    testing::Values(ConvertCase{{"a\nb\n"}, "a\r\nb\r\n"}, ConvertCase{{"\n"}, "\r\n"},
        ConvertCase{{"\n\n"}, "\r\n\r\n"}, ConvertCase{{"no ends"}, "no ends"},
        // Lines that already end in CRLF are not doubled up.
        ConvertCase{{"a\r\nb"}, "a\r\nb"}, ConvertCase{{"a\r", "\nb"}, "a\r\nb"},
        ConvertCase{{"a\r", "", "\nb"}, "a\r\nb"}, ConvertCase{{"a", "\nb"}, "a\r\nb"},
        ConvertCase{{"a\rb"}, "a\rb"}, ConvertCase{{"a\r"}, "a\r"}, ConvertCase{{"a\r", "b\n"}, "a\rb\r\n"},
        ConvertCase{{}, ""}));

TEST(LineEndConverterTest, EveryChunkSplitGivesTheWholeResult)
{
    const std::string local = "one\ntwo\r\nthree\r\rfour\n\n\r";
    const std::string wire = "one\r\ntwo\r\nthree\r\rfour\r\n\r\n\r";
    for (std::size_t cut = 0; cut <= local.size(); ++cut) {
        EXPECT_EQ(wire, ConvertChunks(TransferDirection::Upload, {local.substr(0, cut), local.substr(cut)}))
            << "upload cut at " << cut;
    }
    const std::string downloaded = "one\ntwo\nthree\r\rfour\n\n\r";
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        EXPECT_EQ(downloaded, ConvertChunks(TransferDirection::Download, {wire.substr(0, cut), wire.substr(cut)}))
            << "download cut at " << cut;
    }
}

TEST(LineEndConverterTest, MillionByteChunksRoundTrip)
{
    std::string local;
    while (local.size() < 3000000)
        local += "a line of text\n";
    std::string wire;
    std::string out;
    LineEndConverter up(TransferDirection::Upload);
    for (std::size_t at = 0; at < local.size(); at += 1000000) {
        up.Convert(std::string_view(local).substr(at, 1000000), out);
        wire += out;
    }
    EXPECT_EQ(local.size() + local.size() / 15, wire.size());
    EXPECT_EQ(local, ConvertChunks(TransferDirection::Download, {wire.substr(0, 1234567), wire.substr(1234567)}));
}

TEST(LineEndConverterTest, ConvertReplacesTheOutput)
{
    LineEndConverter converter(TransferDirection::Download);
    std::string out = "left over";
    converter.Convert("x\r\n", out);
    EXPECT_EQ("x\n", out);
    converter.Convert("", out);
    EXPECT_EQ("", out);
}

} // namespace
