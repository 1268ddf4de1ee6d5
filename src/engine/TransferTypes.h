#pragma once

// The FTP representation a file is opened with.
enum TransferType : unsigned {
    FTP_TRANSFER_TYPE_ASCII = 1,
    FTP_TRANSFER_TYPE_BINARY = 2,
};

enum class FileAccess {
    Read,   // RETR
    Write,  // STOR
};
