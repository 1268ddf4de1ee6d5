#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The numbers double as the context values the remote file is opened with.
enum class TransferDirection { Upload = 2, Download = 3 };

// The texts a transfer shows on the progress bar and in the minimised title,
// and the numbers behind them. Sizes are 64-bit so that files beyond 2 GB
// still get a right estimate and rate.

// Bytes per chunk: a twentieth of the expected size, kept within
// 1000 .. 1000000, so a file reports about twenty times.
std::int64_t ChunkSize(std::int64_t expectedBytes);

// Seconds left, extrapolated from the time the copied bytes took. The
// expected size is only the listed one, so a file larger than listed gives a
// negative estimate, shown as it comes. Nothing copied yet gives 0. A
// resumed transfer counts the whole file from `resumedAt`, where this run's
// bytes began: only those took the time.
double SecondsLeft(std::int64_t elapsedMs, std::int64_t totalBytes, std::int64_t copiedBytes,
    std::int64_t resumedAt = 0);

// The bytes the final rate is reckoned on: the expected size, or for a
// resumed transfer the bytes this run moved.
std::int64_t RateBytes(std::int64_t totalBytes, std::int64_t resumedAt, std::int64_t copiedBytes);

// Kilobits per second for the expected size over the measured time.
double RateKbps(std::int64_t totalBytes, std::int64_t elapsedMs);

// "downlaoding name" / "uplaoding name": the bar's text when a transfer starts.
std::string StartText(TransferDirection direction, const std::string& name);

// The line after each chunk, with the time left.
std::string ProgressLine(TransferDirection direction, const std::string& name, double secondsLeft);

// The line of a copy that ran to the end: time taken and rate.
std::string FinalLine(TransferDirection direction, const std::string& name, std::int64_t elapsedMs,
    std::int64_t totalBytes);

std::string AbortedLine(TransferDirection direction, const std::string& name);

// The line of a copy that stopped because a read or a write failed in the
// middle: it must not look like a finished transfer.
std::string FailedLine(TransferDirection direction, const std::string& name);

// The title of the minimised main window, e.g. "Dn 8% ftp.example.org - Vantrel";
// windowTitle already starts with its space. No title for the final message
// (0 bytes) or an unknown total, which leave the title as it was.
std::optional<std::string> MinimisedTitle(TransferDirection direction, std::int64_t bytes, std::int64_t totalBytes,
    const std::string& domain, const std::string& windowTitle);
