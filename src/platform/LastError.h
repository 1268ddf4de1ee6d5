#pragma once
#include <string>

// The calling thread's last error, in place of the Windows one: a code and,
// for an error reply of the server, the server's last response text.
//
// Codes: errno values for system failures; the engine's own failures use the
// Windows Internet numbers below.
enum InternetError : int {
    ERROR_INTERNET_TIMEOUT = 12002,
    ERROR_INTERNET_EXTENDED_ERROR = 12003,   // the server sent an error reply
    ERROR_INTERNET_INTERNAL_ERROR = 12004,
    ERROR_INTERNET_INVALID_URL = 12005,
    ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
    ERROR_INTERNET_PROTOCOL_NOT_FOUND = 12008,
    ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019, // another operation is open
    ERROR_INTERNET_CANNOT_CONNECT = 12029,
    ERROR_INTERNET_CONNECTION_ABORTED = 12030,
    ERROR_INTERNET_CONNECTION_RESET = 12031,
    ERROR_INTERNET_INVALID_ARGUMENT = 12009,  // a name holding CR, LF or NUL
    ERROR_FTP_TRANSFER_IN_PROGRESS = 12110,
    ERROR_FTP_DROPPED = 12111,
    ERROR_INTERNET_BAD_REPLY = 12152,         // a reply that breaks the protocol
    ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157,  // TLS could not be set up or went wrong
    ERROR_INTERNET_INVALID_CA = 12045,        // a certificate the user did not trust
    // An enumeration that found nothing, which is no failure. Windows gives
    // this 18, which is an errno value (EXDEV) here.
    ERROR_NO_MORE_FILES = 12900,
    ERROR_LOCAL_FILE_SHRANK = 12901,          // an upload's file ended before its size at the start
    // Ours, with no Windows counterpart: a download for viewing that ran
    // past the bound its listed size gives it.
    ERROR_FTP_LARGER_THAN_LISTED = 12902,
    // A local path that names a pipe, a device or a socket: only a regular
    // file has contents to upload. No errno value says so.
    ERROR_NOT_A_REGULAR_FILE = 12903,
    // An upload's file written to by another process while it was sent.
    ERROR_LOCAL_FILE_CHANGED = 12904,
};

void SetLastError(int code, std::string response = {});
int GetLastError();

// The server's last response for the current error, as InternetGetLastResponseInfo
// gave it: empty unless the last error came from a server reply.
const std::string& GetLastResponseInfo();

// A plain English text for a code: the system's for errno values, ours for the
// Internet numbers above; empty when there is none.
std::string SystemMessage(int code);
