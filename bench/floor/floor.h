// The floor: the least work any scanner must do for the results of a scan,
// worked out from what the program read while it scanned (api_trace.h):
// every key it opened, opened once, listed once where it was listed and
// otherwise asked once for each value read from it; every key found missing
// tried once, unless the listing of its parent already tells; every folder
// listed once; every file the results depend on looked at once (its
// attributes, or a directory search where the name is a pattern or has a
// form that only a search answers). For the file-information pass: the
// version resource of every distinct file with an entry read once.
#pragma once
#include <string>
#include <vector>

#include "api_trace.h"
#include "scan/records.h"

struct FloorPlan {
    std::vector<std::pair<KeyName, KeyUse>> keys;
    std::vector<KeyName> missing;
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

FloorPlan MakeScanFloor(const ApiRecord &record);
void RunScanFloor(const FloorPlan &plan);

// Distinct (case ignored) image paths of the entries that have a file.
std::vector<std::string> VersionFloorFiles(const std::vector<ScanLocation> &locations);
// Reads each file's version resource: its translation and the eight strings.
void RunVersionFloor(const std::vector<std::string> &files);
