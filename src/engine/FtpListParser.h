#pragma once
#include "engine/FtpListEntry.h"

#include <ctime>
#include <optional>
#include <string_view>
#include <vector>

// Reads directory listings as servers send them. Everything here is pure:
// no sockets, no clock (the caller passes "now"), no locale.

// One line of a LIST reply: the Unix "ls -l" form or the DOS/IIS form.
// Dates without a year fall in the year of `now`, or the year before when
// that would put them more than a day into the future. Times are UTC.
// Returns nullopt for lines that are not entries ("total 12", junk, ...).
std::optional<FtpListEntry> ParseListLine(std::string_view line, std::time_t now);

// One line of an MLSD reply: "fact=value;...; name". The "cdir" and "pdir"
// entries come back as the directories "." and "..", as a LIST would show them.
std::optional<FtpListEntry> ParseMlsdLine(std::string_view line);

// A whole reply: lines end in LF (a CR before it is dropped); lines that do
// not parse are left out.
std::vector<FtpListEntry> ParseListing(std::string_view text, bool machineFormat, std::time_t now);
