#pragma once
#include <optional>
#include <string>

// Whether a remote name can become the last component of a local file name
// as it is: anything else would land in another directory or nowhere.
bool IsValidLocalFileName(const std::string& name);

// The temporary directory named by a TMPDIR value, "/tmp" when it is unset or
// empty.
std::string TempDirFrom(const char* tmpdirValue);

// Where a remote file is put for viewing: the temporary directory, one "/",
// "FTP_TEMP_" and the remote name exactly as listed.
std::string TempViewerPath(const std::string& tempDir, const std::string& remoteName);

// The content type whose desktop handler stands in for one of the stored
// Windows defaults: "text/plain" for "notepad.exe", "image/png" for
// "mspaint.exe", the web browser ("x-scheme-handler/http") for
// "iexplore.exe"; none for any other command.
std::optional<std::string> StandInContentType(const std::string& command);

enum class LaunchResult { Started, NotFound, Failed };

// Starts the viewer `command` on `file` and does not wait for it. The command
// is the program itself, a full path or a name found on PATH, never a shell
// line: the child gets exactly argv = {program, file}. When one of the stored
// Windows defaults is not on PATH, the desktop's program for its stand-in
// type gets the file, so Open In works out of the box and the file's own
// name or contents never pick what runs.
//
// On NotFound or Failed, errno holds the reason for SetLastError(errno).
LaunchResult StartViewer(const std::string& command, const std::string& file);
