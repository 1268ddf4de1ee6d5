#pragma once
#include "transfer/TransferStatus.h"

#include <string>
#include <string_view>

// Line ends of an ASCII-type transfer. The wire carries CRLF and the local
// Linux file LF: a download turns CRLF into LF, an upload turns every LF that
// has no CR before it into CRLF (so a local file that already has CRLF lines
// goes out unchanged, never as CR CR LF). A lone CR is data and stays.
//
// The copy runs chunk by chunk, and a CR LF pair may be split between two
// chunks, so the converter keeps what it saw last across calls.
class LineEndConverter {
public:
    explicit LineEndConverter(TransferDirection direction);

    // Replaces `out` with the converted chunk (its capacity is reused).
    void Convert(std::string_view chunk, std::string& out);

    // What is still held back at the end of the data: a download's final CR
    // that no LF followed.
    std::string Finish();

private:
    void ConvertDownload(std::string_view chunk, std::string& out);
    void ConvertUpload(std::string_view chunk, std::string& out);

    TransferDirection direction;
    // The last byte seen was a CR: a download holds it back until it knows
    // whether an LF follows; an upload knows the next LF needs no CR.
    bool afterCr = false;
};
