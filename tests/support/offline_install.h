// An offline Windows installation on a drive letter of its own: boot.ini
// naming "WINDOWS", its SOFTWARE and SYSTEM hives and one user's NTUSER.DAT
// (profile "Ann"), saved from scratch keys, and the files its entries name.
// Test programs using it need the "live-system" marker file.
#pragma once
#include <string>

#include "support/offline_drive.h"
#include "support/testing.h"

struct OfflineInstallation {
    OfflineDrive drive;
    TestKey source;

    OfflineInstallation();
    // Lays out the whole installation; false when any part failed.
    bool Build();
    // The installation's Windows folder ("X:\WINDOWS").
    std::string WindowsFolder() const { return drive / "WINDOWS"; }
};

// Saves the scratch key HKEY_LOCAL_MACHINE\path as a hive file.
bool SaveHiveFile(const std::string &path, const std::string &file);
