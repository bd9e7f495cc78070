// Counts the registry, file and version calls of the program's code (every
// call of these functions goes through the wrappers that the benchmark's link
// puts in front of the import table) and, while recording, notes what was read:
// which keys were opened or found missing, which were listed, which values
// were queried and which folders were listed. From that record the floor is
// worked out: the least work that gives the same results.
#pragma once
#include <windows.h>

#include <array>
#include <map>
#include <set>
#include <string>

enum TracedApi {
    kRegOpenKeyEx,
    kRegCloseKey,
    kRegQueryValueEx,
    kRegEnumValue,
    kRegEnumKeyEx,
    kRegQueryInfoKey,
    kFindFirstFile,
    kFindNextFile,
    kGetFileAttributes,
    kGetFileAttributesEx,
    kCreateFile,
    kGetEnvironmentVariable,
    kGetFileVersionInfoSize,
    kGetFileVersionInfo,
    kVerQueryValue,
    kSHGetFileInfo,
    kTracedApiCount
};

const char *TracedApiName(int api);

using CallCounts = std::array<long, kTracedApiCount>;

// A key as opened: its root and the path below it.
struct KeyName {
    HKEY root = nullptr;
    std::string path;
    bool operator<(const KeyName &o) const { return root != o.root ? root < o.root : path < o.path; }
};

struct KeyUse {
    bool listedValues = false;
    bool listedSubKeys = false;
    std::set<std::string> values; // names queried one by one
    int opens = 0;
};

struct ApiRecord {
    CallCounts calls{};
    std::map<KeyName, KeyUse> opened;
    std::map<KeyName, int> missing;      // and how often the program tried it
    std::set<std::string> listedFolders; // search patterns ending in "*"
    std::set<std::string> probedFiles;   // other searches and attribute reads, lower-cased
};

// Starts counting (and, with record, noting) from zero; Stop ends it.
void StartTrace(bool record);
ApiRecord StopTrace();
