#include "transfer/TransferStatus.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

constexpr std::int64_t kChunkDivisor = 20;
constexpr std::int64_t kMinChunk = 1000;
constexpr std::int64_t kMaxChunk = 1000000;
constexpr double kMinuteThreshold = 60.0;
constexpr double kSecondsPerTick = 0.001;
constexpr double kBitsPerByte = 8.0;
constexpr double kKilobitsPerBit = 0.001;

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::vector<char> buffer(static_cast<std::size_t>(std::max(length, 0)) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    return std::string(buffer.data(), buffer.size() - 1);
}

bool IsUpload(TransferDirection direction)
{
    return direction == TransferDirection::Upload;
}

} // namespace

std::int64_t ChunkSize(std::int64_t expectedBytes)
{
    return std::clamp(expectedBytes / kChunkDivisor, kMinChunk, kMaxChunk);
}

double SecondsLeft(std::int64_t elapsedMs, std::int64_t totalBytes, std::int64_t copiedBytes, std::int64_t resumedAt)
{
    const std::int64_t moved = copiedBytes - resumedAt;
    if (moved <= 0)
        return 0.0;
    const double perByte = static_cast<double>(elapsedMs) / static_cast<double>(moved);
    return perByte * static_cast<double>(totalBytes - copiedBytes) * kSecondsPerTick;
}

std::int64_t RateBytes(std::int64_t totalBytes, std::int64_t resumedAt, std::int64_t copiedBytes)
{
    return resumedAt > 0 ? copiedBytes - resumedAt : totalBytes;
}

double RateKbps(std::int64_t totalBytes, std::int64_t elapsedMs)
{
    // A transfer that took less than one tick is counted as one tick, so a
    // tiny file still shows a finite rate.
    const double seconds = static_cast<double>(std::max<std::int64_t>(elapsedMs, 1)) * kSecondsPerTick;
    return static_cast<double>(totalBytes) * kBitsPerByte / seconds * kKilobitsPerBit;
}

std::string StartText(TransferDirection direction, const std::string& name)
{
    return (IsUpload(direction) ? "uplaoding " : "downlaoding ") + name;
}

std::string ProgressLine(TransferDirection direction, const std::string& name, double secondsLeft)
{
    // The spellings and the decimals differ between the lines on purpose:
    // they are the texts users know.
    const bool upload = IsUpload(direction);
    if (secondsLeft > kMinuteThreshold)
        return Format("%s   %s   remaining %.1f min", upload ? "Uplaod" : "Downlaod", name.c_str(), secondsLeft / 60.0);
    return Format("%s   %s   remaining %.0f sec", upload ? "Upload" : "Downlaod", name.c_str(), secondsLeft);
}

std::string FinalLine(TransferDirection direction, const std::string& name, std::int64_t elapsedMs,
    std::int64_t totalBytes)
{
    const char* verb = IsUpload(direction) ? "Upload" : "Download";
    const double seconds = static_cast<double>(elapsedMs) * kSecondsPerTick;
    const double rate = RateKbps(totalBytes, elapsedMs);
    if (seconds > kMinuteThreshold)
        return Format("%s   %s   %.1f min   %.0f Kbps", verb, name.c_str(), seconds / 60.0, rate);
    return Format("%s   %s   %.0f sec   %.0f Kbps", verb, name.c_str(), seconds, rate);
}

std::string AbortedLine(TransferDirection direction, const std::string& name)
{
    return IsUpload(direction) ? "Upload   " + name + "   Aborted" : "Download  " + name + "  Aborted";
}

std::string FailedLine(TransferDirection direction, const std::string& name)
{
    return (IsUpload(direction) ? "Upload   " : "Download   ") + name + "   Failed";
}

std::optional<std::string> MinimisedTitle(TransferDirection direction, std::int64_t bytes, std::int64_t totalBytes,
    const std::string& domain, const std::string& windowTitle)
{
    if (bytes == 0 || totalBytes == 0)
        return std::nullopt;
    const double percent = static_cast<double>(bytes) * 100.0 / static_cast<double>(totalBytes);
    return Format("%s %.0f%% %s -%s", IsUpload(direction) ? "Up" : "Dn", percent, domain.c_str(),
        windowTitle.c_str());
}
