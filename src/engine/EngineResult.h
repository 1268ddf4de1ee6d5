#pragma once
#include <string>
#include <utility>

// What an engine call reports: success, or a failure with its kind (an errno
// value for a system failure, one of the numbers below for the engine's
// own), the server's reply when the failure is one, and the cause in words
// for the user.
//
// The numbers are those of the Windows Internet library, so that messages
// built from them read as the classic program's did.
enum InternetError : int {
    ERROR_INTERNET_TIMEOUT = 12002,
    ERROR_INTERNET_EXTENDED_ERROR = 12003,   // the server sent an error reply
    ERROR_INTERNET_INTERNAL_ERROR = 12004,
    ERROR_INTERNET_INVALID_URL = 12005,
    ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
    ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019, // another operation is open
    ERROR_INTERNET_CANNOT_CONNECT = 12029,
    ERROR_INTERNET_CONNECTION_ABORTED = 12030,
    ERROR_INTERNET_CONNECTION_RESET = 12031,
    ERROR_INTERNET_INVALID_ARGUMENT = 12009,  // a name holding CR, LF or NUL
    ERROR_FTP_TRANSFER_IN_PROGRESS = 12110,
    ERROR_INTERNET_BAD_REPLY = 12152,         // a reply that breaks the protocol
    ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157,  // TLS could not be set up or went wrong
    ERROR_INTERNET_INVALID_CA = 12045,        // a certificate the user did not trust
    ERROR_LOCAL_FILE_SHRANK = 12901,          // an upload's file ended before its size at the start
    // Ours, with no Windows counterpart: a download for viewing that ran
    // past the bound its listed size gives it.
    ERROR_FTP_LARGER_THAN_LISTED = 12902,
    // A local path that names a pipe, a device or a socket: only a regular
    // file has contents to upload. No errno value says so.
    ERROR_NOT_A_REGULAR_FILE = 12903,
    // An upload's file written to by another process while it was sent.
    ERROR_LOCAL_FILE_CHANGED = 12904,
    // A listing that came slower than the engine's bound.
    ERROR_FTP_TOO_SLOW = 12905,
    // A transfer from an offset that the server will not start there (REST
    // refused, and for an upload APPE too); the response holds its reply.
    ERROR_FTP_RESUME_REFUSED = 12906,
};

// Which end of a transfer a failure came from.
enum class FailedSide { Server, LocalFile };

struct EngineResult {
    int code = 0;           // 0 for success
    std::string response;   // the server's reply, for ERROR_INTERNET_EXTENDED_ERROR
    std::string cause;      // why, in words for the user; may be empty
    FailedSide side = FailedSide::Server;

    bool Ok() const { return code == 0; }
    static EngineResult Failure(int code, std::string cause = {}, FailedSide side = FailedSide::Server)
    {
        return {code, {}, std::move(cause), side};
    }
    static EngineResult ServerReply(const std::string& reply) { return {ERROR_INTERNET_EXTENDED_ERROR, reply, reply}; }
};
