// The handlers LoadData dispatches to, one per group of categories. Each
// receives the pass context with the pass's key already open (null for a
// folder location) and appends the entries it finds with AppendEntry.
#pragma once
#include "scan/scanner.h"

// Logon registry locations 1 to 17 and 20 to 28.
void ScanLogonLocation(PassContext &ctx);
// Explorer and Internet Explorer, locations 29 to 46.
void ScanExplorerLocation(PassContext &ctx);
// Services and drivers, locations 48 and 49.
void ScanServiceLocation(PassContext &ctx);
// LSA packages, BootExecute and KnownDlls: locations 50, 56 and 66 to 68.
void ScanListLocation(PassContext &ctx);
// WinLogon, image hijacks and AppInit: locations 51 to 55 and 57 to 63.
void ScanWinlogonLocation(PassContext &ctx);
// Winsock providers and print monitors: locations 64 and 65.
void ScanProviderLocation(PassContext &ctx);
// Startup folders (18, 19) and scheduled tasks (47).
void ScanFolderLocation(PassContext &ctx);

// The snapshot's copies of a folder location: the copy folders "<n>(<pass>)"
// and "AutorunsDisabled\<n>(<pass>)" below SnapshotPath(), one pass each.
void ScanStartupFolders(HKEY MainKey, const std::string &KeyPath, std::vector<StartupEntry> &Entries, int Category,
                        int LocIndex, const std::string &ValueName, int Scope, std::vector<ScanPass> &Passes,
                        const InstallContext &install);
