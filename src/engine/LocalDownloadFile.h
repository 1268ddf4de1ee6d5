#pragma once
#include <cstddef>
#include <string>

// The local file a download writes: created without following a symbolic
// link, and replaced only when it is a regular file of the current user, so
// a name planted in a shared directory cannot redirect the bytes. In ASCII
// mode CRLF becomes LF on the way.
class LocalDownloadFile {
public:
    explicit LocalDownloadFile(bool asciiToLocal) : asciiToLocal(asciiToLocal) {}
    ~LocalDownloadFile();

    LocalDownloadFile(const LocalDownloadFile&) = delete;
    LocalDownloadFile& operator=(const LocalDownloadFile&) = delete;

    bool Open(const std::string& path, bool failIfExists);
    bool Write(const char* bytes, std::size_t size);
    // Writes what is held back and closes; false when any of it failed.
    bool Finish();

private:
    bool WriteAll(const char* bytes, std::size_t size);
    bool Fail();

    bool asciiToLocal;
    int fd = -1;
    bool carriageReturnHeld = false;  // a CR ending the last chunk, LF may follow
    std::string converted;
};
