// The scan records: one ScanLocation per location (1 to 68; record 0 holds the
// installations list), one ScanPass per pass over a location, one StartupEntry
// per entry found. Every array holds its data from element 1; element 0 is a
// blank placeholder (except the installations list, numbered from 0), so
// UpperBound() of an empty array is 0.
#pragma once
#include <windows.h>

#include <array>
#include <string>
#include <vector>

// Number of the last element of an array kept from element 1.
template <typename T> int UpperBound(const std::vector<T> &v) { return static_cast<int>(v.size()) - 1; }

// Dates as day serials: day 0 is 30 December 1899, so 1.0 (31 December 1899)
// stands for "no date".
using DateSerial = double;
constexpr DateSerial kNoDate = 1.0;

// ItemType of an entry.
enum ItemKind : int {
    kItemOwnValue = 0,  // the location's own value, an item of its list value, or a file
    kItemSubKey = 1,    // a subkey of the location's key
    kItemNamedValue = 2 // a named value of the location's key
};

struct StartupEntry {
    std::string Description;
    bool Disabled = false;
    bool Deleted = false;
    bool HasFile = false;
    std::string ImagePath;
    std::array<std::string, 9> VersionInfo{}; // 1 to 8, in the order of VersionFields()
    DateSerial Created = 0;
    DateSerial Modified = 0;
    std::string ItemName;
    bool IsMicrosoft = false;
    std::string EntryName;
    short PassIndex = 0;
    int ItemType = 0;
    // The name of the subkey, value or file that holds the entry, as the
    // system holds it (UTF-16): what a change of a subkey or named value acts
    // on (in the code page), also where ItemName names something else (a
    // class identifier read from it). Empty for the location's own value and
    // the items of a list. The names shown may differ from it (a NUL shows as
    // "\0", a character the code page lacks as its look-alike).
    std::wstring HeldName;
};

struct ScanPass {
    std::string KeyText;
    std::vector<int> EntryIndexes = std::vector<int>(1);
};

// Scope codes of a location: odd for the running system, one higher for an
// offline installation. HKEY_LOCAL_MACHINE locations make one pass whatever
// their scope; for the others the scope says where the passes come from.
enum ScopeCode : int {
    kScopeEveryProfile = 1, // a folder under every profile (also: any machine key)
    kScopeEveryProfileOffline = 2,
    kScopeUsers = 3, // an HKEY_USERS key once per user
    kScopeUsersOffline = 4,
    kScopeProfilesFolder = 5, // a folder under the profiles folder
    kScopeProfilesFolderOffline = 6,
    kScopeWindowsFolder = 7, // a folder under the Windows folder
    kScopeWindowsFolderOffline = 8
};

struct ScanLocation {
    int Category = 0;
    std::vector<StartupEntry> Entries = std::vector<StartupEntry>(1);
    std::string Path;
    std::string LocalPath;
    HKEY MainKey = nullptr;
    std::string RemotePath;
    int Scope = 0;
    std::string ValueName;
    std::vector<ScanPass> Passes = std::vector<ScanPass>(1);
};

// Categories 0 to 14; the number is also the tab and grid of the main window.
enum Category : int {
    kCatEnvironment = 0,
    kCatLogon = 1,
    kCatExplorer = 2,
    kCatInternetExplorer = 3,
    kCatServices = 4,
    kCatWinLogon = 5,
    kCatWinsock = 6,
    kCatPrintMonitors = 7,
    kCatLsa = 8,
    kCatDrivers = 9,
    kCatBootExecute = 10,
    kCatImageHijacks = 11,
    kCatAppInit = 12,
    kCatKnownDlls = 13,
    kCatTaskScheduler = 14
};

constexpr int kLocationCount = 68;
