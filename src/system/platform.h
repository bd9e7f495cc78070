// What the program needs to know about the platform it runs on, and the
// event pump that long scans call between files.
//
// Every place where Windows versions, or Windows and Wine, need different
// ways asks one trait below by name; the traits are decided here alone.
#pragma once
#include <functional>
#include <optional>

// True when running under Wine (ntdll exports wine_get_version).
bool RunningOnWine();

struct PlatformTraits {
    // A change made in a loaded hive reaches its file only when the program
    // writes it back itself (Wine keeps loaded hives in memory).
    bool hiveChangesNeedWriteBack = false;
    // Unloading a name deletes any key of that name, hive or not, so the
    // program must tell its own hives first (Wine).
    bool hiveUnloadTakesAnyKey = false;
    // RegRestoreKey reports success without restoring (Wine): a key is put
    // back by loading its saved file and copying instead.
    bool registryRestoreIgnored = false;
    // Owners and permissions set on folders and files are kept and can be
    // checked (not under Wine, which drops them).
    bool fileSecurityKept = true;
    // A link can be removed without touching what it points to (Wine's
    // links are Unix links that its file calls follow).
    bool linksRemovable = true;
    // The registry editor reads the key to open from its last-key value
    // without the root's "Computer\" name (Wine's editor).
    bool regeditTakesBareKey = false;
    // A 32-bit program on 64-bit Windows, which sees the registry's and the
    // system folder's 32-bit copies.
    bool wow64 = false;
};

// The traits of Windows, or of Wine (wow64 aside, which is asked of the
// running system). Windows 2000 to 7 do each of these alike; where a call came
// with a later Windows, the late-call layer (late_calls.h) chooses the way.
PlatformTraits TraitsFor(bool wine);

// The running platform's traits, decided once.
const PlatformTraits &Platform();
// Puts other traits in place of the running platform's (nullopt: the
// running platform's again).
void OverridePlatform(std::optional<PlatformTraits> traits);

// Makes every DLL loaded by name alone come from the system folder only
// (SetDefaultDllDirectories where the platform has it), so that a DLL planted
// beside the program or in the current folder is never loaded. Called first
// thing at start; true when set.
bool RestrictDllSearch();

// Lets pending window events run. The main window installs the pump; until
// then (and in tests) it does nothing.
void DoEvents();
void SetEventPump(std::function<void()> pump);
// True while DoEvents lets events run: the event handled now came in the
// middle of a longer task, which goes on once its handler returns.
bool InsideDoEvents();
