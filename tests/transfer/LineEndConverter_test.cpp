#include "transfer/LineEndConverter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Runs the chunks through one converter and returns everything it produced.
std::string ConvertChunks(TransferDirection direction, const std::vector<std::string>& chunks)
{
    LineEndConverter converter(direction);
    std::string all;
    for (const std::string& chunk : chunks)
        all += converter.Convert(chunk);
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
    LineEndConverter up(TransferDirection::Upload);
    for (std::size_t at = 0; at < local.size(); at += 1000000)
        wire += up.Convert(std::string_view(local).substr(at, 1000000));
    EXPECT_EQ(local.size() + local.size() / 15, wire.size());
    EXPECT_EQ(local, ConvertChunks(TransferDirection::Download, {wire.substr(0, 1234567), wire.substr(1234567)}));
}

// The rules one byte at a time over the whole text, as a reference for the
// chunked, scanning converter.
std::string ReferenceConversion(TransferDirection direction, const std::string& text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char byte = text[at];
        if (direction == TransferDirection::Download && byte == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
            continue;
        if (direction == TransferDirection::Upload && byte == '\n' && (at == 0 || text[at - 1] != '\r'))
            out += '\r';
        out += byte;
    }
    return out;
}

// Text of mixed line lengths with CRs, LFs and CRLFs packed close together,
// cut at random points: every chunk edge falls at or beside a line end in
// some cut, and runs of every length reach the bulk copy.
TEST(LineEndConverterTest, RandomCutsOfMixedTextMatchTheByteRule)
{
    std::mt19937 random(17);
    const std::string bytes = "\r\n\r\nab x";  // half of them line ends
    for (int text = 0; text < 200; ++text) {
        std::string input;
        const std::size_t size = random() % 300;
        for (std::size_t at = 0; at < size; ++at) {
            input += bytes[random() % bytes.size()];
            if (random() % 20 == 0)
                input += std::string(random() % 90, 'y');
        }
        std::vector<std::string> chunks;
        for (std::size_t at = 0; at < input.size();) {
            const std::size_t length = std::min<std::size_t>(random() % 12, input.size() - at);
            chunks.push_back(input.substr(at, length));
            at += length;
        }
        for (const TransferDirection direction : {TransferDirection::Download, TransferDirection::Upload}) {
            EXPECT_EQ(ReferenceConversion(direction, input), ConvertChunks(direction, chunks))
                << "text " << text << (direction == TransferDirection::Upload ? " upload" : " download");
        }
    }
}

// A later chunk larger than any before needs a larger buffer; what an
// earlier call gave back is no longer read, but the held CR must survive.
TEST(LineEndConverterTest, ALargerChunkAfterAHeldCrKeepsIt)
{
    LineEndConverter converter(TransferDirection::Download);
    EXPECT_EQ("a", converter.Convert("a\r"));
    const std::string big = "\n" + std::string(100000, 'z') + "\r\n";
    EXPECT_EQ("\n" + std::string(100000, 'z') + "\n", converter.Convert(big));
    EXPECT_EQ("", converter.Finish());
}

TEST(LineEndConverterTest, ConvertReplacesTheOutput)
{
    LineEndConverter converter(TransferDirection::Download);
    EXPECT_EQ("x\n", converter.Convert("x\r\n"));
    EXPECT_EQ("", converter.Convert(""));
}

} // namespace
