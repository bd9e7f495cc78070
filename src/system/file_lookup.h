// What a directory search for a name finds, answered as cheaply as the name
// allows: from the name's attributes where they give the same answer as the
// search (a full path "X:\..." without wildcards whose last part is a plain
// name), by the search itself otherwise (patterns, relative and bare names,
// names ending in "\", "." or a blank, drive-relative names, and any name
// whose attributes cannot be read for another reason than its absence).
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_set>

struct FileLookup {
    bool found = false; // a file, a folder or, for a pattern, any match
    bool file = false;  // a match that is not a folder
    // Times of the file (of the first match of a pattern); zero when not found.
    FILETIME created{};
    FILETIME modified{};
};

// A name LookUpRefused refuses is not found, and the system is not asked.
FileLookup LookUpFile(const std::string &name);

// True for a full path on a drive letter ("X:\..." or "X:/...") whose drive
// is not a network drive: the only names looked up while look-ups are
// limited. Every other name (a UNC or device path, "\\??\\UNC\\..." and the
// object manager's other names, a relative or drive-relative name) may reach
// another machine, and looking it up would log the program on to that
// machine with the administrator's credentials.
bool IsLocalDrivePath(const std::string &name);
// While one lives (with limit true), only local drive paths are looked up:
// the names then come from where a standard user or an offline installation
// wrote them. A drive's type is asked once while the outermost one lives.
class RemoteLookupsRefused {
  public:
    explicit RemoteLookupsRefused(bool limit);
    ~RemoteLookupsRefused();
    RemoteLookupsRefused(const RemoteLookupsRefused &) = delete;
    RemoteLookupsRefused &operator=(const RemoteLookupsRefused &) = delete;

  private:
    bool before_;
};
// True when LookUpFile would refuse the name now.
bool LookUpRefused(const std::string &name);
// Tests see every name LookUpFile asks the system about (an empty function:
// none is recorded).
void SetLookUpRecorder(std::function<void(const std::string &)> recorder);

// True when the attributes of the name answer as a directory search would.
bool AttributesAnswerFor(const std::string &name);

// The names in one folder, folded for comparison without regard to case, to
// answer that a plain name is not there without asking the file system for
// each name. Only absence is answered from a listing: a name found in it is
// still looked up, so that its attributes and times are the system's own.
struct FolderNames {
    bool usable = false; // the folder was listed (or is missing altogether)
    std::unordered_set<std::string> names;
};
FolderNames ListFolderNames(const std::string &folder);

// Splits a name whose presence a listing of its folder can answer: a full
// path that AttributesAnswerFor accepts, or a plain name without any folder
// (in the current folder, "."), whose last part is plain ASCII and names no
// device ("nul", "com1.exe") and no short name ("~"). The leaf comes back
// folded as the listing's names are.
bool SplitForListing(const std::string &name, std::string &folder, std::string &leaf);
