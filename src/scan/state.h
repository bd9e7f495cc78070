// The state that the scanner shares with the main window and the watch code:
// the three arrays of locations and the facts about the installation being
// scanned. One object for the whole run; nothing else keeps scan state.
#pragma once
#include <string>
#include <vector>

#include "scan/pathops.h"
#include "scan/records.h"

struct ScanState {
    std::vector<ScanLocation> scanLocations = std::vector<ScanLocation>(1);
    std::vector<ScanLocation> watchLocations = std::vector<ScanLocation>(1);
    std::vector<ScanLocation> snapshotLocations = std::vector<ScanLocation>(1);
    short selectedOS = 0;            // 0 = running system, n = entry n of the installations list
    std::vector<std::string> drives; // drive roots, numbered from 0
    std::string profilesDir;         // profiles folder of the scanned installation, with "\"
    std::vector<std::string> userHives = std::vector<std::string>(1); // "_REMOTE_..." names, from 1
    std::string currentControlSet;                                    // "ControlSet001" and the like
    std::string snapshotPath;                                         // folder of the watch snapshot, no trailing "\"
    bool ownerPass = false;      // the guard's holder lets its own next scan step through (ScanOwnerPass)
    bool scanInProgress = false; // a scan is running: no other may start inside it
};

ScanState &Scan();

inline std::vector<ScanLocation> &ScanLocations() { return Scan().scanLocations; }
inline std::vector<ScanLocation> &WatchLocations() { return Scan().watchLocations; }
inline std::vector<ScanLocation> &SnapshotLocations() { return Scan().snapshotLocations; }
inline short &SelectedOS() { return Scan().selectedOS; }
inline std::vector<std::string> &Drives() { return Scan().drives; }
inline std::string &ProfilesDir() { return Scan().profilesDir; }
inline std::vector<std::string> &UserHives() { return Scan().userHives; }
inline std::string &CurrentControlSet() { return Scan().currentControlSet; }
inline std::string &SnapshotPath() { return Scan().snapshotPath; }

// The installation being scanned, decoded from entry SelectedOS() of the
// installations list (record 0 of ScanLocations()): its Windows folder and
// drive root, whether it is offline (its drive letter then), and the running
// program's "temp" variable. A scan works it out once and hands it to every
// pass; nothing under the scan reads SelectedOS() itself.
InstallContext ScannedInstallation();

// Resets an array of locations to its single element 0.
inline void ResetLocations(std::vector<ScanLocation> &locations) { locations.assign(1, ScanLocation{}); }
