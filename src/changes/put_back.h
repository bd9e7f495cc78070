// Undoing the removal of one registry startup entry from the loaded snapshot
// hives: only that entry comes back (its subkey with the whole subtree, its
// value with type and data, or its item of a list value), from the key of its
// pass or that key's "AutorunsDisabled" subkey, wherever the snapshot holds
// it. Everything else in the live key stays as it is.
#pragma once
#include <windows.h>

#include <string>

#include "scan/records.h"

// keyPath: the live key of the entry's pass below root; its snapshot twin is
// "_REMOTE_" & keyPath. valueName: the location's own value name ("(Default)"
// for the unnamed value). True when the entry was put back.
bool PutBackEntry(HKEY root, const std::string &keyPath, const std::string &valueName, const StartupEntry &entry);

// The items of a list value that name the entry: equal to name, or whose first
// word is name (a boot command is named by its first word).
bool ListItemNames(const std::string &item, const std::string &name);
