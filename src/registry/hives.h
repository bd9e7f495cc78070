// Loading hive files into the registry under the "_REMOTE_" names, unloading
// them again, the two privileges that hive operations need (restore and
// backup), and the lists of loaded and user hives.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// One hive this program loaded: where it hangs in the registry and the file it
// came from (under Wine the file is written back from the key before unloading).
struct LoadedHive {
    HKEY Root = nullptr;
    std::string SubKey;
    std::string File;
};

// The hives loaded with LoadHive, used from element 1 (element 0 is unused).
std::vector<LoadedHive> &LoadedHives();

// True after EnablePrivileges succeeded, false after DisablePrivileges did.
bool &PrivilegesEnabled();

// Loads file as root\name and lists it; false (one log line) when it fails,
// and for a name that is empty, holds "\" or names a key that exists already.
bool LoadHive(const std::string &file, HKEY root, const std::string &name);
// Unloads root\name (on Wine after writing it back to its file). False when
// the write-back or the unload failed (logged); the list is not changed.
// Under Wine, whose unload deletes a key that is no hive with its content,
// only a hive listed in LoadedHives() is unloaded; any other key is left
// alone (logged as Windows refuses it: 87).
bool UnloadHive(HKEY root, const std::string &name);
// Enables the restore and backup privileges of the process token (once).
void EnablePrivileges();
// Disables the two privileges EnablePrivileges enabled.
void DisablePrivileges();
// Holds the two privileges while it lives and gives back the state it found.
class PrivilegeHold {
  public:
    PrivilegeHold();
    ~PrivilegeHold();
    PrivilegeHold(const PrivilegeHold &) = delete;
    PrivilegeHold &operator=(const PrivilegeHold &) = delete;

  private:
    bool held_;
};
// Unloads "_REMOTE_SYSTEM", "_REMOTE_SOFTWARE" and every "_REMOTE_" key under
// HKEY_USERS through UnloadHive (so under Wine only the listed ones; on
// Windows also hives an earlier run left loaded); each is tried once. False
// when any of them could not be unloaded.
bool UnloadRemoteHives();
// Under Wine a change made in a loaded hive lives only in the registry until
// the hive is unloaded: writes the listed hive that holds root\path back to
// its file, so that the file is current when the process ends. True when
// nothing was to be written (Windows writes hives itself) or it was written.
bool WriteBackLoadedHive(HKEY root, const std::string &path);
// True when both "_REMOTE_SYSTEM" and "_REMOTE_SOFTWARE" exist.
bool RemoteHivesLoaded();
// Saves key as a hive file in place of file: it is written to a temporary file
// beside file, which replaces file only once it is complete, so a failure
// leaves the earlier file as it was. 0 or the system error; what names the
// step that failed.
long SaveKeyOverFile(HKEY key, const std::string &file, std::string &what);
// The check record kept beside a hive file (the file's name with ".check"):
// its length and checksum, so that a file cut short or damaged is known.
std::string CheckRecordFile(const std::string &file);
std::string CheckRecordOf(const std::string &bytes);
// Writes the record of file beside it; false (logged) when it cannot.
bool WriteCheckRecord(const std::string &file);

// "_REMOTE_" and the name of each user key under HKEY_USERS (".DEFAULT" and
// the "...Classes" keys left out), numbered from 1 (element 0 is blank).
std::vector<std::string> ListUserHives();
