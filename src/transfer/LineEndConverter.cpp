#include "transfer/LineEndConverter.h"

#include <cstring>

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Copies [from, to) to `out` in one call and returns the end of the copy.
char* CopyRun(const char* from, const char* to, char* out)
{
    const auto size = static_cast<std::size_t>(to - from);
    std::memcpy(out, from, size);
    return out + size;
}

} // namespace

// The scanning jumps from line end to line end with memchr and copies the
// runs between them whole into a buffer sized once for the largest chunk,
// so nothing per line checks for room or grows a string.
std::string_view LineEndConverter::Convert(std::string_view chunk)
{
    const bool download = direction == TransferDirection::Download;
    // A download adds at most the CR held back from the chunk before, an
    // upload at most a CR for every byte.
    char* out = Room(download ? chunk.size() + 1 : chunk.size() * 2);
    const char* in = chunk.data();
    const char* end = in + chunk.size();
    char* written = download ? ConvertDownload(in, end, out) : ConvertUpload(in, end, out);
    return {out, static_cast<std::size_t>(written - out)};
}

std::string LineEndConverter::Finish()
{
    const bool pendingCr = afterCr && direction == TransferDirection::Download;
    afterCr = false;
    return pendingCr ? std::string(1, kCr) : std::string();
}

char* LineEndConverter::Room(std::size_t bytes)
{
    if (bytes > capacity) {
        // The old bytes are no longer wanted, so nothing is copied or zeroed.
        buffer = std::make_unique_for_overwrite<char[]>(bytes);
        capacity = bytes;
    }
    return buffer.get();
}

char* LineEndConverter::ConvertDownload(const char* in, const char* end, char* out)
{
    // An empty chunk leaves a held CR held.
    if (afterCr && in < end) {
        afterCr = false;
        if (*in != kLf)
            *out++ = kCr;
    }
    while (in < end) {
        const auto* cr = static_cast<const char*>(std::memchr(in, kCr, static_cast<std::size_t>(end - in)));
        if (!cr)
            return CopyRun(in, end, out);
        out = CopyRun(in, cr, out);
        in = cr + 1;
        if (in == end) {
            afterCr = true;
            return out;
        }
        if (*in != kLf)
            *out++ = kCr;
    }
    return out;
}

char* LineEndConverter::ConvertUpload(const char* in, const char* end, char* out)
{
    if (in == end)
        return out;
    const char* begin = in;
    while (in < end) {
        const auto* lf = static_cast<const char*>(std::memchr(in, kLf, static_cast<std::size_t>(end - in)));
        if (!lf) {
            out = CopyRun(in, end, out);
            break;
        }
        out = CopyRun(in, lf, out);
        const bool hasCr = lf > begin ? lf[-1] == kCr : afterCr;
        if (!hasCr)
            *out++ = kCr;
        *out++ = kLf;
        in = lf + 1;
    }
    afterCr = end[-1] == kCr;
    return out;
}
