#pragma once
#include "transfer/TransferStatus.h"

#include <cstddef>
#include <memory>
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
    explicit LineEndConverter(TransferDirection direction) : direction(direction) {}

    // The converted chunk, in the converter's own buffer: valid until the
    // next call, which reuses that buffer.
    std::string_view Convert(std::string_view chunk);

    // What is still held back at the end of the data: a download's final CR
    // that no LF followed.
    std::string Finish();

private:
    // Each writes the converted bytes of [in, end) to `out` and returns
    // the end of what it wrote.
    char* ConvertDownload(const char* in, const char* end, char* out);
    char* ConvertUpload(const char* in, const char* end, char* out);
    char* Room(std::size_t bytes);

    TransferDirection direction;
    // The last byte seen was a CR: a download holds it back until it knows
    // whether an LF follows; an upload knows the next LF needs no CR.
    bool afterCr = false;
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
};
