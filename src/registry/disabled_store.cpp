#include "registry/disabled_store.h"

#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "registry/access.h"
#include "registry/hives.h"
#include "registry/names.h"
#include "registry/values.h"
#include "system/log.h"

namespace {

// Where RestoreKeyFromFile keeps the earlier content of a key while it works.
const std::string kRestoreCopyBase = "SOFTWARE\\Fernhollowsys\\Quillmara";

// ---- The seam: every registry call of this module passes here. ----

StoreFault &Fault() {
    static StoreFault fault;
    return fault;
}

LONG Injected(const char *call) { return Fault() ? static_cast<LONG>(Fault()(call)) : ERROR_SUCCESS; }

// Opens root\path into out; ERROR_FILE_NOT_FOUND when it does not exist.
LONG Open(HKEY root, const std::string &path, REGSAM access, ScopedKey &out) {
    out.reset();
    if (const LONG rc = Injected("RegOpenKeyExA"))
        return rc;
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(root, path.c_str(), 0, access, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    TrackKey(key, kTrackOpened, RootName(root) + path);
    out.reset(key);
    return ERROR_SUCCESS;
}

// Creates or opens parent\sub for writing; created tells which.
LONG Create(HKEY parent, const std::string &sub, const std::string &trackName, ScopedKey &out, bool &created) {
    out.reset();
    created = false;
    if (const LONG rc = Injected("RegCreateKeyExA"))
        return rc;
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG rc = RegCreateKeyExA(parent, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess, nullptr,
                                    &key, &disposition);
    if (rc != ERROR_SUCCESS)
        return rc;
    TrackKey(key, kTrackOpened, trackName);
    out.reset(key);
    created = disposition == REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

// Reads a value whole; ERROR_FILE_NOT_FOUND when it does not exist.
LONG Read(HKEY key, const std::string &name, RegValue &out) {
    out = RegValue{};
    if (const LONG rc = Injected("RegQueryValueExA"))
        return rc;
    out = ReadValue(key, name);
    if (out.present)
        return ERROR_SUCCESS;
    const LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    return rc == ERROR_SUCCESS ? ERROR_MORE_DATA : rc; // it changed while it was read
}

LONG Write(HKEY key, const std::string &name, DWORD type, const std::string &data) {
    if (const LONG rc = Injected("RegSetValueExA"))
        return rc;
    return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()),
                          static_cast<DWORD>(data.size()));
}

LONG DeleteValue(HKEY key, const std::string &name) {
    if (const LONG rc = Injected("RegDeleteValueA"))
        return rc;
    return RegDeleteValueA(key, name.c_str());
}

// Deletes a key that has no subkeys.
LONG DeleteKey(HKEY parent, const std::string &sub) {
    if (const LONG rc = Injected("RegDeleteKeyA"))
        return rc;
    return RegDeleteKeyA(parent, sub.c_str());
}

LONG Counts(HKEY key, DWORD &subKeys, DWORD &values) {
    subKeys = values = 0;
    if (const LONG rc = Injected("RegQueryInfoKeyA"))
        return rc;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr);
}

// Copies the values and subkeys of source\sub (source itself when sub is
// empty) into target, on top of what target holds.
LONG CopyTree(HKEY source, const std::string &sub, HKEY target) {
    if (const LONG rc = Injected("SHCopyKeyA"))
        return rc;
    return static_cast<LONG>(SHCopyKeyA(source, sub.empty() ? nullptr : sub.c_str(), target, 0));
}

// Deletes root\path with its whole subtree.
LONG DeleteTree(HKEY root, const std::string &path) {
    if (const LONG rc = Injected("SHDeleteKeyA"))
        return rc;
    return static_cast<LONG>(SHDeleteKeyA(root, path.c_str()));
}

// Deletes every value and subkey of the key, keeping the key.
LONG ClearKey(HKEY key) {
    if (const LONG rc = Injected("RegDeleteTreeA"))
        return rc;
    return RegDeleteTreeA(key, nullptr);
}

LONG Flush(HKEY key) {
    if (const LONG rc = Injected("RegFlushKey"))
        return rc;
    return RegFlushKey(key);
}

LONG Load(HKEY root, const std::string &name, const std::string &file) {
    if (const LONG rc = Injected("RegLoadKeyA"))
        return rc;
    return RegLoadKeyA(root, name.c_str(), file.c_str());
}

LONG Unload(HKEY root, const std::string &name) {
    if (const LONG rc = Injected("RegUnLoadKeyA"))
        return rc;
    return RegUnLoadKeyA(root, name.c_str());
}

LONG SaveOver(HKEY key, const std::string &file) {
    if (const LONG rc = Injected("RegSaveKeyA"))
        return rc;
    std::string what;
    return static_cast<LONG>(SaveKeyOverFile(key, file, what));
}

// ---- Building blocks ----

std::string Parent(const std::string &path) {
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool Same(const RegValue &a, const RegValue &b) { return a.type == b.type && a.data == b.data; }

// Puts a value back as it was before: rewritten, or deleted when it was absent.
LONG PutBack(HKEY key, const std::string &name, const RegValue &before) {
    return before.present ? Write(key, name, before.type, before.data) : DeleteValue(key, name);
}

std::string DwordData(DWORD value) { return std::string(reinterpret_cast<const char *>(&value), sizeof value); }

bool ReadDword(const RegValue &value, DWORD &out) {
    if (value.type != REG_DWORD || value.data.size() != sizeof(DWORD))
        return false;
    std::copy(value.data.begin(), value.data.end(), reinterpret_cast<char *>(&out));
    return true;
}

// Deletes parent\name when it holds neither values nor subkeys. True when it
// is gone or still holds something; false when a step failed.
bool RemoveIfEmpty(HKEY parent, const std::string &name, ScopedKey &child) {
    DWORD subKeys = 0, values = 0;
    if (Counts(child.get(), subKeys, values) != ERROR_SUCCESS)
        return false;
    if (subKeys != 0 || values != 0)
        return true;
    child.reset();
    return DeleteKey(parent, name) == ERROR_SUCCESS;
}

// The same for root\path, opened here (a key that is not there is gone).
bool RemovePathIfEmpty(HKEY root, const std::string &path) {
    ScopedKey key;
    const LONG rc = Open(root, path, KEY_READ, key);
    if (rc != ERROR_SUCCESS)
        return rc == ERROR_FILE_NOT_FOUND;
    DWORD subKeys = 0, values = 0;
    if (Counts(key.get(), subKeys, values) != ERROR_SUCCESS)
        return false;
    key.reset();
    if (subKeys != 0 || values != 0)
        return true;
    return DeleteKey(root, path) == ERROR_SUCCESS;
}

// Creates root\path with every missing key on the way; made lists the keys
// this call created, deepest first.
LONG CreatePath(HKEY root, const std::string &path, ScopedKey &out, std::vector<std::string> &made) {
    made.clear();
    for (std::string walk = path; !walk.empty(); walk = Parent(walk)) {
        ScopedKey probe;
        const LONG rc = Open(root, walk, KEY_READ, probe);
        if (rc == ERROR_SUCCESS)
            break;
        if (rc != ERROR_FILE_NOT_FOUND)
            return rc;
        made.push_back(walk);
    }
    bool created = false;
    const LONG rc = Create(root, path, path, out, created);
    if (rc == ERROR_SUCCESS && !created && !made.empty())
        made.clear(); // someone else made it in between: it is not ours to remove
    return rc;
}

// Removes what CreatePath made: the key itself with whatever was put in it,
// the keys above it only while they are empty.
bool RemoveMade(HKEY root, const std::vector<std::string> &made) {
    for (size_t i = 0; i < made.size(); ++i) {
        bool removed;
        if (i == 0) {
            const LONG rc = DeleteTree(root, made[i]);
            removed = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
        } else {
            removed = RemovePathIfEmpty(root, made[i]);
        }
        if (!removed)
            return false;
    }
    return true;
}

// Moves value name from source to target with its type and data. On failure
// the target is put back as it was; a value of that name already in the
// target is never replaced by a different one.
bool MoveOneValue(HKEY source, HKEY target, const std::string &name) {
    RegValue value, before;
    if (Read(source, name, value) != ERROR_SUCCESS)
        return false;
    const LONG rc = Read(target, name, before);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return false;
    if (before.present && !Same(before, value))
        return false;
    if (Write(target, name, value.type, value.data) != ERROR_SUCCESS)
        return false;
    if (DeleteValue(source, name) != ERROR_SUCCESS) {
        PutBack(target, name, before);
        return false;
    }
    return true;
}

// ---- Lists ----

std::string JoinList(const std::vector<std::string> &items) {
    std::string data;
    for (const auto &item : items) {
        data += item;
        data.push_back('\0');
    }
    data.push_back('\0');
    return data;
}

// The items without every copy of item; found tells whether there was one.
std::vector<std::string> Without(const std::vector<std::string> &items, const std::string &item, bool &found) {
    std::vector<std::string> rest;
    found = false;
    for (const auto &piece : items) {
        if (piece == item)
            found = true;
        else
            rest.push_back(piece);
    }
    return rest;
}

bool IsList(const RegValue &value) { return value.type == REG_MULTI_SZ; }

// Moves every item equal to item out of list name of source and once into
// the list of the same name in target.
bool MoveListItem(HKEY source, HKEY target, const std::string &name, const std::string &item, bool &emptied) {
    emptied = false;
    RegValue from, to;
    if (Read(source, name, from) != ERROR_SUCCESS || !IsList(from))
        return false;
    bool found = false;
    const auto rest = Without(SplitMultiStringData(from.data), item, found);
    if (!found)
        return false;
    const LONG rc = Read(target, name, to);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return false;
    if (to.present && !IsList(to))
        return false;
    auto items = to.present ? SplitMultiStringData(to.data) : std::vector<std::string>{};
    if (std::find(items.begin(), items.end(), item) == items.end())
        items.push_back(item);
    if (Write(target, name, REG_MULTI_SZ, JoinList(items)) != ERROR_SUCCESS)
        return false;
    if (Write(source, name, REG_MULTI_SZ, JoinList(rest)) != ERROR_SUCCESS) {
        PutBack(target, name, to);
        return false;
    }
    emptied = rest.empty();
    return true;
}

// RestoreKeyFromFile without the privileges.
bool RestoreContent(HKEY root, const std::string &key, const std::string &file) {
    // Emptying the key needs more than write access.
    ScopedKey target;
    if (Open(root, key, kWriteAccess | KEY_READ | DELETE, target) != ERROR_SUCCESS)
        return false;

    static std::atomic<unsigned> counter{0};
    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    const std::string hive = "QuillmaraRestore-" + unique;
    if (Load(HKEY_USERS, hive, file) != ERROR_SUCCESS) {
        // Not a hive, or not readable: nothing touched. Wine leaves an empty
        // key of the name behind, which its unload removes.
        ScopedKey left;
        if (Open(HKEY_USERS, hive, KEY_READ, left) == ERROR_SUCCESS) {
            left.reset();
            Unload(HKEY_USERS, hive);
        }
        return false;
    }
    ScopedKey source;
    auto unloadHive = [&] {
        source.reset();
        return Unload(HKEY_USERS, hive) == ERROR_SUCCESS;
    };
    if (Open(HKEY_USERS, hive, KEY_READ, source) != ERROR_SUCCESS) {
        unloadHive();
        return false;
    }

    // A copy of the key as it is, to put back when any later step fails.
    const std::string copyPath = kRestoreCopyBase + "\\RestoreCopy-" + unique;
    ScopedKey copy;
    std::vector<std::string> made;
    if (CreatePath(HKEY_LOCAL_MACHINE, copyPath, copy, made) != ERROR_SUCCESS || made.empty() ||
        CopyTree(target.get(), "", copy.get()) != ERROR_SUCCESS) {
        copy.reset();
        RemoveMade(HKEY_LOCAL_MACHINE, made);
        unloadHive();
        return false;
    }

    bool done = ClearKey(target.get()) == ERROR_SUCCESS && CopyTree(source.get(), "", target.get()) == ERROR_SUCCESS &&
                Flush(target.get()) == ERROR_SUCCESS;
    done = unloadHive() && done;
    if (!done) {
        const bool restored = ClearKey(target.get()) == ERROR_SUCCESS &&
                              CopyTree(copy.get(), "", target.get()) == ERROR_SUCCESS &&
                              Flush(target.get()) == ERROR_SUCCESS;
        if (!restored) {
            WriteLog("RestoreKeyFromFile the earlier content of " + RootName(root) + key + " is kept in " +
                     RootName(HKEY_LOCAL_MACHINE) + copyPath);
            return false;
        }
    }
    copy.reset();
    if (!RemoveMade(HKEY_LOCAL_MACHINE, made))
        WriteLog("RestoreKeyFromFile could not remove " + RootName(HKEY_LOCAL_MACHINE) + copyPath);
    return done;
}

} // namespace

void SetStoreFault(StoreFault fault) { Fault() = std::move(fault); }

bool MoveValue(HKEY root, const std::string &key, const std::string &name, bool enable) {
    ScopedKey k, d;
    if (Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    if (enable) {
        if (Open(root, key + "\\" + kDisabledName, kWriteAccess, d) != ERROR_SUCCESS)
            return false;
        if (!MoveOneValue(d.get(), k.get(), name))
            return false;
        // The store goes once it holds nothing else (values or subkeys).
        return RemoveIfEmpty(k.get(), kDisabledName, d);
    }
    bool created = false;
    if (Create(k.get(), kDisabledName, RootName(root) + key + "\\" + kDisabledName, d, created) != ERROR_SUCCESS)
        return false;
    if (MoveOneValue(k.get(), d.get(), name))
        return true;
    if (created)
        RemoveIfEmpty(k.get(), kDisabledName, d);
    return false;
}

bool MoveSingleValue(HKEY root, const std::string &key, const std::string &name, bool enable) {
    return MoveValue(root, key, name, enable);
}

bool DeleteNamedValue(HKEY root, const std::string &key, const std::string &name, bool disabled) {
    ScopedKey k, d;
    if (Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    if (!disabled)
        return DeleteValue(k.get(), name) == ERROR_SUCCESS;
    if (Open(root, key + "\\" + kDisabledName, kWriteAccess, d) != ERROR_SUCCESS)
        return false;
    if (DeleteValue(d.get(), name) != ERROR_SUCCESS)
        return false;
    return RemoveIfEmpty(k.get(), kDisabledName, d);
}

bool DeleteValueEverywhere(HKEY root, const std::string &key, const std::string &name, bool disabled) {
    return DeleteNamedValue(root, key, name, disabled);
}

bool MoveMultiSzItem(HKEY root, const std::string &key, const std::string &name, const std::string &item, bool enable) {
    ScopedKey k, d;
    if (Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    bool emptied = false;
    if (enable) {
        if (Open(root, key + "\\" + kDisabledName, kWriteAccess, d) != ERROR_SUCCESS)
            return false;
        if (!MoveListItem(d.get(), k.get(), name, item, emptied))
            return false;
        if (!emptied)
            return true;
        // The other lists of the key keep their disabled items there.
        if (DeleteValue(d.get(), name) != ERROR_SUCCESS)
            return false;
        return RemoveIfEmpty(k.get(), kDisabledName, d);
    }
    bool created = false;
    if (Create(k.get(), kDisabledName, RootName(root) + key + "\\" + kDisabledName, d, created) != ERROR_SUCCESS)
        return false;
    if (MoveListItem(k.get(), d.get(), name, item, emptied))
        return true;
    if (created)
        RemoveIfEmpty(k.get(), kDisabledName, d);
    return false;
}

bool DeleteMultiSzItem(HKEY root, const std::string &key, const std::string &name, const std::string &item,
                       bool disabled) {
    ScopedKey k, d;
    if (Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    if (disabled && Open(root, key + "\\" + kDisabledName, kWriteAccess, d) != ERROR_SUCCESS)
        return false;
    const HKEY list = disabled ? d.get() : k.get();
    RegValue value;
    if (Read(list, name, value) != ERROR_SUCCESS || !IsList(value))
        return false;
    bool found = false;
    const auto rest = Without(SplitMultiStringData(value.data), item, found);
    if (!found)
        return false;
    if (Write(list, name, REG_MULTI_SZ, JoinList(rest)) != ERROR_SUCCESS)
        return false;
    if (!disabled || !rest.empty())
        return true;
    if (DeleteValue(d.get(), name) != ERROR_SUCCESS)
        return false;
    return RemoveIfEmpty(k.get(), kDisabledName, d);
}

bool DeleteListedProgram(HKEY root, const std::string &key, const std::string &name, const std::string &program,
                         const std::string &separator, bool disabled) {
    ScopedKey k, d;
    if (separator.empty() || Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    if (disabled && Open(root, key + "\\" + kDisabledName, kWriteAccess, d) != ERROR_SUCCESS)
        return false;
    const HKEY place = disabled ? d.get() : k.get();
    RegValue value;
    if (Read(place, name, value) != ERROR_SUCCESS || (value.type != REG_SZ && value.type != REG_EXPAND_SZ))
        return false;
    const std::string text = value.Text();
    std::vector<std::string> programs;
    for (size_t start = 0;;) {
        const size_t at = text.find(separator, start);
        programs.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            break;
        start = at + separator.size();
    }
    bool found = false;
    const auto rest = Without(programs, program, found);
    if (!found)
        return false;
    if (rest.empty()) {
        if (DeleteValue(place, name) != ERROR_SUCCESS)
            return false;
        return !disabled || RemoveIfEmpty(k.get(), kDisabledName, d);
    }
    std::string joined;
    for (size_t i = 0; i < rest.size(); ++i)
        joined += (i == 0 ? "" : separator) + rest[i];
    joined.push_back('\0');
    return Write(place, name, value.type, joined) == ERROR_SUCCESS;
}

bool MoveKey(HKEY root, const std::string &from, const std::string &to, bool dropParent) {
    ScopedKey target;
    std::vector<std::string> made;
    if (CreatePath(root, to, target, made) != ERROR_SUCCESS) {
        RemoveMade(root, made);
        return false;
    }
    if (made.empty()) {
        target.reset();
        WriteLog("Key already exixts.");
        return false;
    }
    if (CopyTree(root, from, target.get()) != ERROR_SUCCESS) {
        WriteLog("Failed to copy the subkey");
        target.reset();
        RemoveMade(root, made); // a retry must not find a half-made target
        return false;
    }
    target.reset();
    if (DeleteTree(root, from) != ERROR_SUCCESS) {
        WriteLog("Failed to delete the old subkey");
        // The old subtree may be partly gone: complete it from the copy, and
        // drop the copy only once that worked.
        ScopedKey old;
        bool created = false;
        if (Create(root, from, RootName(root) + from, old, created) == ERROR_SUCCESS &&
            CopyTree(root, to, old.get()) == ERROR_SUCCESS) {
            old.reset();
            RemoveMade(root, made);
        }
        return false;
    }
    if (dropParent) {
        // The parent goes only when nothing at all is left in it.
        const std::string parent = Parent(from);
        if (!parent.empty())
            RemovePathIfEmpty(root, parent);
    }
    return true;
}

bool DeleteKeyAndEmptyParent(HKEY root, const std::string &key, const std::string &, bool dropParent) {
    {
        ScopedKey h;
        if (Open(root, key, kWriteAccess, h) != ERROR_SUCCESS)
            return false;
        DWORD subKeys = 0, values = 0;
        if (Counts(h.get(), subKeys, values) != ERROR_SUCCESS || subKeys != 0)
            return false; // an entry with subkeys of its own is not deleted
    }
    if (DeleteKey(root, key) != ERROR_SUCCESS)
        return false;
    if (!dropParent)
        return true;
    const std::string parent = Parent(key);
    return parent.empty() || RemovePathIfEmpty(root, parent);
}

bool CopySubKey(HKEY root, const std::string &from, const std::string &to) {
    ScopedKey target;
    std::vector<std::string> made;
    if (CreatePath(root, to, target, made) != ERROR_SUCCESS) {
        RemoveMade(root, made);
        return false;
    }
    if (CopyTree(root, from, target.get()) == ERROR_SUCCESS)
        return true;
    WriteLog("CopySubKey failed.");
    target.reset();
    RemoveMade(root, made);
    return false;
}

bool MoveStartValue(HKEY root, const std::string &serviceKey, bool enable, bool isService) {
    ScopedKey s;
    if (Open(root, serviceKey, kWriteAccess, s) != ERROR_SUCCESS)
        return false;
    RegValue start, saved;
    DWORD value = 0;
    if (!enable) {
        if (Read(s.get(), "Start", start) != ERROR_SUCCESS || !ReadDword(start, value))
            return false;
        // A start type saved earlier is never overwritten.
        const LONG rc = Read(s.get(), kDisabledName, saved);
        if (rc != ERROR_FILE_NOT_FOUND)
            return false;
        if (isService && value == SERVICE_AUTO_START)
            value = SERVICE_SYSTEM_START;
        // The saved start type is written first, so it is never lost.
        if (Write(s.get(), kDisabledName, REG_DWORD, DwordData(value)) != ERROR_SUCCESS)
            return false;
        if (Write(s.get(), "Start", REG_DWORD, DwordData(SERVICE_DISABLED)) != ERROR_SUCCESS) {
            DeleteValue(s.get(), kDisabledName);
            return false;
        }
        return true;
    }
    if (Read(s.get(), kDisabledName, saved) != ERROR_SUCCESS || !ReadDword(saved, value))
        return false;
    const LONG rc = Read(s.get(), "Start", start);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return false;
    if (isService && value == SERVICE_SYSTEM_START)
        value = SERVICE_AUTO_START;
    if (Write(s.get(), "Start", REG_DWORD, DwordData(value)) != ERROR_SUCCESS)
        return false;
    if (DeleteValue(s.get(), kDisabledName) != ERROR_SUCCESS) {
        PutBack(s.get(), "Start", start);
        return false;
    }
    return true;
}

bool SetStartDisabled(HKEY root, const std::string &serviceKey, bool wasDisabled) {
    ScopedKey s;
    if (Open(root, serviceKey, kWriteAccess, s) != ERROR_SUCCESS)
        return false;
    if (Write(s.get(), "Start", REG_DWORD, DwordData(SERVICE_DISABLED)) != ERROR_SUCCESS)
        return false;
    return !wasDisabled || DeleteValue(s.get(), kDisabledName) == ERROR_SUCCESS;
}

bool SaveKeyToFile(const std::string &key, const std::string &file, HKEY root) {
    EnablePrivileges();
    bool saved = false;
    {
        ScopedKey h;
        if (Open(root, key, KEY_READ, h) == ERROR_SUCCESS)
            saved = SaveOver(h.get(), file) == ERROR_SUCCESS;
    }
    DisablePrivileges();
    return saved;
}

bool RestoreKeyFromFile(const std::string &key, const std::string &file, HKEY root) {
    EnablePrivileges();
    const bool restored = RestoreContent(root, key, file);
    DisablePrivileges();
    return restored;
}

bool SetExeOpenDefault(HKEY root, const std::string &key, const std::string &, const std::string &) {
    ScopedKey k;
    if (Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    return Write(k.get(), "", REG_SZ, "\"%1\" %*") == ERROR_SUCCESS;
}
