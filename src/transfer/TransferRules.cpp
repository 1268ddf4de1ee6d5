#include "transfer/TransferRules.h"

#include <algorithm>

namespace {

// The extension buffer of the path splitter holds 256 characters and its end
// mark; longer extensions are cut there.
constexpr std::size_t kMaxExtension = 256;

constexpr std::size_t kMaxLocalName = 255;  // NAME_MAX of Linux file systems

unsigned char Byte(const std::string& text, std::size_t at)
{
    return static_cast<unsigned char>(text[at]);
}

// U+200E, U+200F, U+202A to U+202E and U+2066 to U+2069 at `at`, each three
// bytes in UTF-8.
bool IsDirectionMark(const std::string& text, std::size_t at)
{
    if (at + 2 >= text.size() || Byte(text, at) != 0xE2)
        return false;
    const unsigned second = Byte(text, at + 1);
    const unsigned third = Byte(text, at + 2);
    if (second == 0x80)
        return third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE);
    return second == 0x81 && third >= 0xA6 && third <= 0xA9;
}

// U+0080 to U+009F, the C1 controls, two bytes in UTF-8: terminals act on
// some of them (U+009B opens a control sequence) as on ESC.
bool IsC1Control(const std::string& text, std::size_t at)
{
    return at + 1 < text.size() && Byte(text, at) == 0xC2 && Byte(text, at + 1) >= 0x80 && Byte(text, at + 1) <= 0x9F;
}

// The bytes of the character at `at` that a proposed name replaces by one
// '_' (a direction mark, a C1 or a C0 control, DEL), or 0.
std::size_t UnsafeCharacterBytes(const std::string& text, std::size_t at)
{
    if (IsDirectionMark(text, at))
        return 3;
    if (IsC1Control(text, at))
        return 2;
    return Byte(text, at) < 0x20 || Byte(text, at) == 0x7F ? 1 : 0;
}

} // namespace

std::vector<std::string> ReadExtList(const std::string& text)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    std::size_t space = text.find(' ');
    while (space != std::string::npos && space > 0) {
        entries.push_back(text.substr(start, space - start));
        start = space + 1;
        space = text.find(' ', start);
    }
    return entries;
}

std::string PathExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return "";
    return path.substr(dot + 1, kMaxExtension - 1);
}

TransferType GetTransferType(int transferMode, const std::string& asciiExtList, const std::string& path)
{
    if (transferMode == TRANSFER_MODE_ASCII)
        return FTP_TRANSFER_TYPE_ASCII;
    if (transferMode == TRANSFER_MODE_BINARY)
        return FTP_TRANSFER_TYPE_BINARY;
    const std::string extension = PathExtension(path);
    for (const std::string& entry : ReadExtList(asciiExtList)) {
        if (EqualsNoCase(extension, entry))
            return FTP_TRANSFER_TYPE_ASCII;
    }
    return FTP_TRANSFER_TYPE_BINARY;
}

std::string ProposedLocalName(const std::string& name)
{
    const std::size_t slash = name.rfind('/');
    std::string proposed;
    std::size_t at = slash == std::string::npos ? 0 : slash + 1;
    while (at < name.size()) {
        const std::size_t unsafe = UnsafeCharacterBytes(name, at);
        proposed += unsafe > 0 ? '_' : name[at];
        at += std::max<std::size_t>(unsafe, 1);
    }
    if (proposed == "." || proposed == "..")
        return {};
    if (proposed.size() > kMaxLocalName) {
        std::size_t end = kMaxLocalName;
        while (end > 0 && (Byte(proposed, end) & 0xC0) == 0x80)  // a UTF-8 continuation byte
            --end;
        proposed.resize(end);
    }
    return proposed;
}

ExistingTarget ExistingTargetQuestion(std::optional<std::uint64_t> targetSize, std::uint64_t sourceSize,
    TransferType type)
{
    if (!targetSize)
        return ExistingTarget::Free;
    if (type != FTP_TRANSFER_TYPE_BINARY || *targetSize == 0 || *targetSize >= sourceSize)
        return ExistingTarget::AskReplace;
    return ExistingTarget::AskResume;
}

CheckVerdict JudgeTransfer(std::uint64_t localSize, std::optional<std::uint64_t> remoteSize,
    const FileDigests& digests)
{
    if (remoteSize && *remoteSize != localSize)
        return CheckVerdict::SizeDiffers;
    if (!digests.algorithm.empty() && digests.remote != digests.local)
        return CheckVerdict::PartsDiffer;
    return CheckVerdict::Whole;
}

std::string CheckFailureText(CheckVerdict verdict, const std::string& name, std::uint64_t localSize,
    std::uint64_t remoteSize, const std::string& algorithm)
{
    const std::string quoted = "\"" + name + "\"\n";
    if (verdict == CheckVerdict::PartsDiffer)
        return quoted + "The server's " + algorithm + " of the file differs from this computer's.\n" +
               "The two parts do not belong together: Replace starts over.";
    return quoted + "The server has " + std::to_string(remoteSize) + " bytes, this computer " +
           std::to_string(localSize) + ".\nThe transfer is not whole.";
}

std::string DownloadResumeQuestion(const std::string& name, std::uint64_t localSize, std::uint64_t remoteSize)
{
    return "\"" + name + "\"\nAlready exists here with " + std::to_string(localSize) + " of " +
           std::to_string(remoteSize) + " bytes.\nResume the download ?";
}

std::string DownloadReplaceQuestion(const std::string& name)
{
    return "\"" + name + "\"\nAlready exists here.\nReplace it ?";
}

std::string ResumeRefusedQuestion(const std::string& name, const std::string& serverReply)
{
    return "\"" + name + "\"\nThe server cannot resume it: " + serverReply + "\nReplace it ?";
}

TransferType UploadTransferType(TransferType chosen, RemoteProtocol protocol)
{
    return protocol == RemoteProtocol::Sftp ? FTP_TRANSFER_TYPE_BINARY : chosen;
}
