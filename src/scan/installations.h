// The installations list: the drives of the machine and, as record 0 of
// ScanLocations(), the running system (entry 0) and one entry per drive with
// the Windows folder found there through boot.ini or Boot\BCD.
#pragma once
#include <string>


// A variable of the running program's environment, whole ("" when unset).
std::string EnvironmentText(const char *name);

// Fills Drives() with the drive roots ("C:\") in the system's order; leaves it
// as it was when the system lists none.
void GetDriveList();
// Builds record 0 of ScanLocations() (made when missing) and its entries,
// numbered from 0: entry 0 always exists, then one entry per element of Drives().
void LoadEnvironment();
// The Windows folder of the installation on drive Drives()[driveIndex] ("" when
// there is none) and its family text ("2000 / XP", "Vista / Windows 7" or "").
std::string FindWindowsDir(int driveIndex, std::string &family);
// The "default" line of the "boot loader" section of the drive's boot.ini, or "".
std::string BootIniDefault(int driveIndex);
// The Windows folder name found in a Boot\BCD file, or "". Opens it for
// reading only.
std::string BcdWinDir(const std::string &filePath);

// Family texts of the installations list.
inline constexpr const char *kFamilyXP = "2000 / XP";
inline constexpr const char *kFamilyVista = "Vista / Windows 7";
inline constexpr const char *kFamilyUnknown = "Unknown";
