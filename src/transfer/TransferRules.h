#pragma once
#include "engine/TlsTypes.h"
#include "platform/TextCase.h"
#include "engine/RemoteFileSystem.h"
#include "engine/TransferTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The transfer-mode radio group of the main window.
enum TransferMode : int {
    TRANSFER_MODE_ASCII = 0,
    TRANSFER_MODE_BINARY = 1,
    TRANSFER_MODE_AUTO = 2,
};

// The entries of a text-extension list in its stored text form. Every entry
// is closed by one space; whatever follows the last space is not an entry,
// two adjacent spaces close an empty entry, and a text that starts with a
// space reads as no entries at all. The dialog writes lists in this form and
// the settings keep them, so the rule is kept exactly, quirks included.
std::vector<std::string> ReadExtList(const std::string& text);

// The extension of the last path component without its dot: "tar.gz" gives
// "gz", "Makefile" and "name." give "".
std::string PathExtension(const std::string& path);

// ASCII for mode 0, binary for mode 1; any other mode (Auto, or none chosen
// yet) looks the path's extension up in the list, ignoring case.
TransferType GetTransferType(int transferMode, const std::string& asciiExtList, const std::string& path);

// The type an upload goes as. SFTP has no text mode, so the local file's LF
// line ends go as they are: only FTP's ASCII turns them into CRLF.
TransferType UploadTransferType(TransferType chosen, RemoteProtocol protocol);

// The name the save dialog proposes for the remote `name` (valid UTF-8, as
// shown): its last path component, with control characters and the marks
// that turn the shown text around (U+202E and its kin) made '_', cut at a
// character boundary to the longest name a local file may have. Empty for
// "." and "..", so the user types a name of his own.
std::string ProposedLocalName(const std::string& name);

// What to ask before a transfer onto a file that may already be there (the
// local file of a download, a listed name of an upload).
enum class ExistingTarget {
    Free,        // nothing there: no question
    AskReplace,  // there, and only a whole transfer can follow
    AskResume,   // a shorter part of the same length counts: Resume, Replace or Cancel
};

// Resume is offered for a binary transfer onto a part that holds something
// and less than the source: ASCII changes the byte count, and a part as long
// as the source or longer is no part of it. `targetSize` is empty when
// nothing is there.
ExistingTarget ExistingTargetQuestion(std::optional<std::uint64_t> targetSize, std::uint64_t sourceSize,
    TransferType type);

// The check after a binary transfer.
enum class CheckVerdict {
    Whole,        // what could be compared agrees
    SizeDiffers,  // the server's size is not the local one
    PartsDiffer,  // a resumed file whose hashes differ
};

// `remoteSize` is empty where the server counts no sizes; `digests` has no
// algorithm where it offers no hash (or the file was not resumed).
CheckVerdict JudgeTransfer(std::uint64_t localSize, std::optional<std::uint64_t> remoteSize,
    const FileDigests& digests);

// The box for a verdict other than Whole.
std::string CheckFailureText(CheckVerdict verdict, const std::string& name, std::uint64_t localSize,
    std::uint64_t remoteSize, const std::string& algorithm);

// The question before a download onto an existing local file.
std::string DownloadResumeQuestion(const std::string& name, std::uint64_t localSize, std::uint64_t remoteSize);
std::string DownloadReplaceQuestion(const std::string& name);
// A server that will not resume, in its own words, and Replace offered.
std::string ResumeRefusedQuestion(const std::string& name, const std::string& serverReply);
