// Disabling, enabling and deleting one startup entry. Every kind of entry (a
// file of a startup folder, the location's own value, an item of a list
// value, a named value, a subkey, a service or driver key, ...) has one line
// in a table naming what each command does with it; the registry is changed
// only through the "AutorunsDisabled" store and files only through the
// shell's file operations. Refusals and failures are told through ChangeUi;
// nothing here shows a window.
#pragma once
#include <string>

#include "changes/change_ui.h"
#include "changes/entry_address.h"

enum class EntryKind {
    None,        // nothing the commands can work on
    File,        // a file of a folder location
    OpenCommand, // the open command of executable files: reset, never disabled
    PackageItem, // an item of an LSA package list
    BootItem,    // an item of the boot command list
    ProgramList, // one program of a value that names several ("AppSetup")
    OwnValue,    // the location's own value
    NamedValue,  // a named value of the location's key
    Service,     // a service key: its start type is parked
    Driver,      // a driver key: its start type is parked
    Provider,    // a Winsock provider key: deleted, never disabled
    SubKey       // any other subkey, moved with its whole subtree
};
EntryKind KindOf(const EntryAddress &a);

enum class ToggleResult { Unchanged, Disabled, Enabled };

// Disables the entry when its record is enabled, enables it when it is
// disabled. On success the record's Disabled (and a file's ItemName) follow;
// a refusal or failure is told through ui and leaves the record as it was.
ToggleResult ToggleEntry(EntryAddress &a, ChangeUi &ui);

// The question asked before an entry is deleted.
std::string DeletePrompt(const StartupEntry &entry);

// Deletes the entry from its live or its "AutorunsDisabled" place (the open
// command of executables is reset, a service or driver gets start type 4).
// True when done; a failure is told through ui.
bool DeleteEntry(const EntryAddress &a, ChangeUi &ui);

// DeleteEntry for entry `entry` of location `location` of the latest watch
// re-scan (WatchLocations()), its key taken from the entry's own pass.
bool DeleteAddedEntry(int location, int entry, ChangeUi &ui);
