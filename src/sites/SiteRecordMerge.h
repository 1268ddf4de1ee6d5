#pragma once
#include <string>
#include <vector>

// Several windows may run on one settings store, each with the site list it
// read at its start. At its close a window merges its list into what the
// store holds by then, so that no window undoes another's work.

// Puts records into the site box's order: by site name, ignoring case,
// records of the same name kept in the order given.
void SortSiteRecords(std::vector<std::string>& records);

// The site list to store, in the site box's order. A site is its name
// (ignoring case) and its user. The sites this window added, changed or
// removed since it started (`atStart` against `atClose`) are as this window
// has them; every other site is as `inStore` has it, so what another window
// added, changed or removed meanwhile stays. Records that carry the
// placeholder's name anywhere are never stored, from any of the lists.
std::vector<std::string> MergeSiteRecords(const std::vector<std::string>& atStart,
                                          const std::vector<std::string>& atClose,
                                          const std::vector<std::string>& inStore);

// The index the next start gives `current` in the site box: `stored` (as
// MergeSiteRecords returns it) with the placeholder item added at its place.
// The same record, else the same site in another window's version, else the
// placeholder item.
int IndexAtNextStart(const std::vector<std::string>& stored, const std::string& current);
