// The scan's output as text, one line per pass and per entry with every field
// the scan and the file-information walk fill, so that two scans can be
// compared entry by entry.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "scan/records.h"

// Which entries to write (location number, entry); null writes all.
using EntryFilter = std::function<bool(int location, const StartupEntry &entry)>;

// The passes and entries of locations 1 to the end, in order. Dates are
// written only as "dated" or not, since they depend on when files were made.
std::string DumpScan(const std::vector<ScanLocation> &locations, const EntryFilter &filter = nullptr);

// The first line where two dumps differ, with both versions ("" when equal).
std::string FirstDifference(const std::string &expected, const std::string &actual);
