// The registry names every layer shares: the program's settings key, the
// disabled store's key and value name, the prefix under which an offline
// installation's hives are loaded, and the list of user profiles.
#pragma once
#include <string>

// The program's settings key below HKEY_LOCAL_MACHINE.
constexpr const char *kSettingsKeyPath = "Software\\Fernhollowsys\\Quillmara";

// Below it, the records of key moves that the next start finishes.
inline const std::string kMoveRecordsPath = std::string(kSettingsKeyPath) + "\\Moves";

// The subkey (or, for services and drivers, the value) that holds what was disabled.
inline const std::string kDisabledName = "AutorunsDisabled";
inline const std::wstring kDisabledNameWide = L"AutorunsDisabled";

// Hives of an offline installation hang under HKEY_LOCAL_MACHINE and
// HKEY_USERS with names that begin with this prefix.
inline const std::string kRemotePrefix = "_REMOTE_";
inline const std::string kRemoteSystem = kRemotePrefix + "SYSTEM";
inline const std::string kRemoteSoftware = kRemotePrefix + "SOFTWARE";

// The profile list of the running system and of the loaded offline one,
// below HKEY_LOCAL_MACHINE.
inline const std::string kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
inline const std::string kRemoteProfileList = kRemoteSoftware + "\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// True when name begins with kRemotePrefix (case as written).
inline bool HasRemotePrefix(const std::string &name) {
    return name.compare(0, kRemotePrefix.size(), kRemotePrefix) == 0;
}

// Hive codes: which hive a location's key lies in, as the running system's
// prefix (1 to 3) or the loaded offline installation's (4 to 6); 0 and 7
// mean a location without a hive (a folder, or a key read only live).
enum HiveCode : int {
    kHiveNone = 0,
    kHiveSoftware = 1,
    kHiveSystem = 2,
    kHiveUserSoftware = 3,
    kHiveRemoteSoftware = 4,
    kHiveRemoteSystem = 5,
    kHiveRemoteUserSoftware = 6,
    kHiveRemoteNone = 7
};
