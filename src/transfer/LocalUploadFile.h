#pragma once
#include <cstdint>
#include <string>

// The local file of an upload, opened by the window before anything is sent
// to the server: a file that cannot be read then stops the upload before STOR,
// instead of leaving the remote file empty. The worker takes the open
// descriptor over, so the file it copies is the one that was checked.
class LocalUploadFile {
public:
    LocalUploadFile() = default;
    ~LocalUploadFile();

    LocalUploadFile(const LocalUploadFile&) = delete;
    LocalUploadFile& operator=(const LocalUploadFile&) = delete;

    // Opens `path` for reading; only a regular file is accepted. A FIFO is
    // opened without waiting for a writer, so choosing one cannot freeze the
    // window. False with the calling thread's last error set to the cause.
    bool Open(const std::string& path);

    std::int64_t Length() const { return length; }

    // Hands the descriptor over; the caller closes it.
    int Release();

private:
    bool Fail(int code);

    int fd = -1;
    std::int64_t length = 0;
};
