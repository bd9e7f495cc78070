// The empty hives a snapshot starts from. The program carries only their key
// lists (resources IDR_HIVE_*); each hive is built at run time under a scratch
// key of the settings key and saved with the platform's own hive format, so
// the file loads wherever the program runs. The scratch key is removed again
// on every path.
#pragma once
#include <string>
#include <vector>

// The keys of a hive's key list (one a line; blank lines and lines starting
// with ";" left out), with a leading "ControlSet001" replaced by controlSet
// when that is not empty. rootValue tells whether a line "@" asks for an empty
// unnamed text value on the hive's root.
std::vector<std::string> SkeletonKeys(const std::string &listText, const std::string &controlSet, bool &rootValue);

// The key list of resource id as text; "" when the program has no such
// resource.
std::string SkeletonListText(int id);

// Writes the empty hive of resource id (IDR_HIVE_SOFTWARE, _SYSTEM, _USER) to
// path; the SYSTEM hive gets the running control set and a "Select" key naming
// it. True when the file was written; a failure is logged.
bool WriteHiveResToFile(const std::string &path, int id);
