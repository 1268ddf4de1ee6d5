#pragma once
#include <string>

// Whether a remote name can become the last component of a local file name
// as it is: anything else would land in another directory or nowhere.
bool IsValidLocalFileName(const std::string& name);

// The temporary directory named by a TMPDIR value, "/tmp" when it is unset or
// empty.
std::string TempDirFrom(const char* tmpdirValue);

// The temporary directory of this process's environment.
std::string SystemTempDir();

// Where a remote file is put for viewing: the temporary directory, one "/",
// "FTP_TEMP_" and the remote name exactly as listed.
std::string TempViewerPath(const std::string& tempDir, const std::string& remoteName);

enum class LaunchResult { Started, NotFound, Failed };

// Starts the viewer `command` on `file` and does not wait for it. The command
// is the program itself, a full path or a name found on PATH, never a shell
// line: the child gets exactly argv = {program, file}. When one of the stored
// Windows defaults ("notepad.exe", "mspaint.exe", "iexplore.exe") is not on
// PATH the file goes to xdg-open instead, so Open In works out of the box.
//
// On NotFound or Failed, errno holds the reason for SetLastError(errno).
LaunchResult StartViewer(const std::string& command, const std::string& file);
