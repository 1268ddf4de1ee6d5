#include "transfer/LineEndConverter.h"

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

} // namespace

LineEndConverter::LineEndConverter(TransferDirection direction)
    : direction(direction)
{
}

void LineEndConverter::Convert(std::string_view chunk, std::string& out)
{
    out.clear();
    if (direction == TransferDirection::Download)
        ConvertDownload(chunk, out);
    else
        ConvertUpload(chunk, out);
}

std::string LineEndConverter::Finish()
{
    const bool pendingCr = afterCr && direction == TransferDirection::Download;
    afterCr = false;
    return pendingCr ? std::string(1, kCr) : std::string();
}

void LineEndConverter::ConvertDownload(std::string_view chunk, std::string& out)
{
    if (chunk.empty())
        return;
    out.reserve(chunk.size() + 1);
    std::size_t start = 0;
    if (afterCr) {
        afterCr = false;
        if (chunk.front() != kLf)
            out.push_back(kCr);
    }
    while (start < chunk.size()) {
        const std::size_t cr = chunk.find(kCr, start);
        if (cr == std::string_view::npos) {
            out.append(chunk.substr(start));
            return;
        }
        out.append(chunk.substr(start, cr - start));
        if (cr + 1 == chunk.size()) {
            afterCr = true;
            return;
        }
        if (chunk[cr + 1] != kLf)
            out.push_back(kCr);
        start = cr + 1;
    }
}

void LineEndConverter::ConvertUpload(std::string_view chunk, std::string& out)
{
    if (chunk.empty())
        return;
    out.reserve(chunk.size() + chunk.size() / 16 + 1);
    std::size_t start = 0;
    while (start < chunk.size()) {
        const std::size_t lf = chunk.find(kLf, start);
        if (lf == std::string_view::npos) {
            out.append(chunk.substr(start));
            break;
        }
        out.append(chunk.substr(start, lf - start));
        const bool hasCr = lf > 0 ? chunk[lf - 1] == kCr : afterCr;
        if (!hasCr)
            out.push_back(kCr);
        out.push_back(kLf);
        start = lf + 1;
    }
    afterCr = chunk.back() == kCr;
}
