// The scan driver: SetScope chooses between the offline installation (its
// hives loaded under the "_REMOTE_" names) and the running system and scans
// every location; RelayUsers turns one location into its passes (machine,
// per user, per profile folder, profiles folder, Windows folder) and calls
// LoadData once per pass; GetProfilesDir finds the profiles folder.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "scan/pathops.h"
#include "scan/records.h"

// Scans locations 1 to the end of ScanLocations(). Returns false (and scans
// nothing) when another scan is already running.
bool SetScope(bool ForceLocal);

// The passes of one location of the installation install.
void RelayUsers(HKEY MainKey, const std::string &KeyPath, std::vector<StartupEntry> &Entries, int Category,
                int LocIndex, const std::string &ValueName, int Scope, std::vector<ScanPass> &Passes,
                const InstallContext &install);

// The profiles folder of the scanned installation, ending in "\"; "" when none
// was found. Cached in ProfilesDir(). Without an installation: the one
// ScannedInstallation() gives now.
std::string GetProfilesDir(const InstallContext &install);
std::string GetProfilesDir();

// Marks which entries' image files exist (a file, not a folder), trying the path without
// "\system32" when the file is not found where it is named.
void TestImageFiles(std::vector<StartupEntry> &entries);

// Scans every location of an array with RelayUsers, from the given prefixes
// (offline: RemotePath, else LocalPath), then tests the image files.
void ScanAllLocations(std::vector<ScanLocation> &locations, bool offline, const InstallContext &install);
