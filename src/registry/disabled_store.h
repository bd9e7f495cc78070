// The "AutorunsDisabled" store: disabling moves a startup entry into the
// location's "AutorunsDisabled" subkey (or, for services and drivers, parks
// the start type in a value of that name), enabling moves it back, deleting
// removes it for good. Also the hive-file backup and restore of a key, the
// copy of a subkey, and the repair of the executables' open command.
//
// Nothing handed to these operations may be lost: a value is moved with its
// type and all its bytes, a step that fails undoes the steps before it where
// it can (an entry ends up in exactly one place, in both when the undo fails
// too, never in neither), and True means every step was done.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// A value N of key K (the location's own value or a named value).
bool MoveValue(HKEY root, const std::string &key, const std::string &name, bool enable);
bool MoveSingleValue(HKEY root, const std::string &key, const std::string &name, bool enable);
bool DeleteNamedValue(HKEY root, const std::string &key, const std::string &name, bool disabled);
bool DeleteValueEverywhere(HKEY root, const std::string &key, const std::string &name, bool disabled);

// One item of the list value N of K.
bool MoveMultiSzItem(HKEY root, const std::string &key, const std::string &name, const std::string &item, bool enable);
bool DeleteMultiSzItem(HKEY root, const std::string &key, const std::string &name, const std::string &item,
                       bool disabled);

// One program of the text value N of K that names several programs divided
// by separator: the value is written back without it (every copy), with its
// type, and deleted when no program is left (the "AutorunsDisabled" subkey
// too when that leaves it empty). False when the program is not in it.
bool DeleteListedProgram(HKEY root, const std::string &key, const std::string &name, const std::string &program,
                         const std::string &separator, bool disabled);

// A subkey with its whole subtree.
bool MoveKey(HKEY root, const std::string &from, const std::string &to, bool dropParent);
bool DeleteKeyAndEmptyParent(HKEY root, const std::string &key, const std::string &unused, bool dropParent);
bool CopySubKey(HKEY root, const std::string &from, const std::string &to);

// The start type of a service or driver key.
bool MoveStartValue(HKEY root, const std::string &serviceKey, bool enable, bool isService);
bool SetStartDisabled(HKEY root, const std::string &serviceKey, bool wasDisabled);

// Backup and restore of a key as a hive file. Beside each file it saves,
// SaveKeyToFile writes a check record (CheckRecordFile: the file's length and
// checksum, registry/hives.h); RestoreKeyFromFile refuses a file that does not match its record
// (cut short or damaged: the key stays untouched). A file without a record
// is restored as it is.
bool SaveKeyToFile(const std::string &key, const std::string &file, HKEY root);
bool RestoreKeyFromFile(const std::string &key, const std::string &file, HKEY root);
// How RestoreKeyFromFile replaces a key's content, inside the same guard (a
// copy of the key kept, and put back when a step fails). On Windows the
// platform's key restore with the force flag, which keeps every key's
// security and writes protected keys under the restore privilege. Under Wine,
// whose key restore does nothing and reports success, the file is loaded as a
// temporary hive and copied into the emptied key.
enum class KeyRestoreMethod { PlatformRestore, LoadAndCopy };
KeyRestoreMethod KeyRestoreMethodFor(bool wine);
// The method of this process (the one place the choice is made).
KeyRestoreMethod ChosenKeyRestore();
// A test stands in for the platform's key restore (RegRestoreKeyA) with call,
// which gets the key, the file and the flags; while it is set the platform
// method is chosen whatever the platform. An empty function removes it.
using PlatformKeyRestore = std::function<long(HKEY key, const std::string &file, DWORD flags)>;
void SetPlatformKeyRestore(PlatformKeyRestore call);
// Finishes what a process that died in the middle of a restore left: first
// makes the settings key that holds the records one to trust
// (SecureRecordKey), then puts
// back each kept copy of a key whose process no longer runs, removes such
// copies and unloads the temporary hives, one log line each. Called once at
// start-up before any scan. False when something could not be done.
bool RecoverInterruptedChanges();

// Sets the key's unnamed value to the standard open command of executables.
bool SetExeOpenDefault(HKEY root, const std::string &key, const std::string &unusedName, const std::string &unused);

// The registry (and hive file) calls of the operations above all pass through
// one seam. A test installs a fault: it is asked before every call with the
// call's name and returns 0 to let it run or the error code it should fail
// with. An empty function removes the fault.
using StoreFault = std::function<long(const char *call)>;
void SetStoreFault(StoreFault fault);
