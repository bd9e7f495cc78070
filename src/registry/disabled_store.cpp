#include "registry/disabled_store.h"

#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "registry/access.h"
#include "registry/hives.h"
#include "registry/key_trust.h"
#include "registry/names.h"
#include "registry/values.h"
#include "system/codepage.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/handles.h"
#include "system/late_calls.h"
#include "system/log.h"
#include "system/platform.h"
#include "system/text.h"

namespace {

// The key moves in progress: one value per target key (its root name and
// path), from before the target is made until the source is gone. While the
// copy runs it is the source key as REG_SZ (the target may be partial); once
// the target is whole it is the list of the source key and kTargetWhole, so
// that a move stopped while it deletes its source never copies again.
const std::string &kMoveRecords = kMoveRecordsPath;
const std::string kTargetWhole = "Copied";
// Where RestoreKeyFromFile keeps the earlier content of a key while it works.
const std::string kRestoreCopyBase = kSettingsKeyPath;

// ---- The seam: every registry call of this module passes here. ----

StoreFault &Fault() {
    static StoreFault fault;
    return fault;
}

LONG Injected(const char *call) { return Fault() ? static_cast<LONG>(Fault()(call)) : ERROR_SUCCESS; }

// Opens root\path into out; ERROR_FILE_NOT_FOUND when it does not exist.
// options are RegOpenKeyEx's (the seam names the backup-and-restore one).
LONG Open(HKEY root, const std::string &path, REGSAM access, ScopedKey &out, DWORD options = 0) {
    out.reset();
    if (const LONG rc = Injected((options & REG_OPTION_BACKUP_RESTORE) != 0 ? "RegOpenKeyExA:BackupRestore"
                                                                              : "RegOpenKeyExA"))
        return rc;
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(root, path.c_str(), options, access, &key);
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
    return LateRegDeleteTreeA(key, nullptr);
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

// ---- Values by their wide-character names and exact bytes ----
// Moves read and write values through the wide-character calls, so that no
// code page ever touches a value's data or the items of a list.

// The wide name of the value of key that the program knows as name. False
// when a value whose name the program's code page cannot express reads as
// name: changing the value of that literal name could change another one.
bool WideValueName(HKEY key, const std::string &name, std::wstring &wide) {
    wide = WideText(name);
    std::vector<wchar_t> buffer(16384);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::wstring found(buffer.data(), length);
        if (AnsiText(found) != name)
            continue;
        if (!NameActsExactly(found, NameUse::Value)) {
            WriteLog("The value name " + name + " cannot be expressed in the program's code page; left unchanged");
            return false;
        }
        wide = found;
    }
    return true;
}

LONG ReadWide(HKEY key, const std::wstring &name, RegValue &out) {
    out = RegValue{};
    if (const LONG rc = Injected("RegQueryValueExA"))
        return rc;
    out = ReadValueWide(key, name);
    if (out.present)
        return ERROR_SUCCESS;
    const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    return rc == ERROR_SUCCESS ? ERROR_MORE_DATA : rc; // it changed while it was read
}

LONG WriteWide(HKEY key, const std::wstring &name, DWORD type, const std::string &data) {
    if (const LONG rc = Injected("RegSetValueExA"))
        return rc;
    return RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()),
                          static_cast<DWORD>(data.size()));
}

LONG DeleteWide(HKEY key, const std::wstring &name) {
    if (const LONG rc = Injected("RegDeleteValueA"))
        return rc;
    return RegDeleteValueW(key, name.c_str());
}

LONG PutBackWide(HKEY key, const std::wstring &name, const RegValue &before) {
    return before.present ? WriteWide(key, name, before.type, before.data) : DeleteWide(key, name);
}

// The items of a list value's exact (UTF-16) data, empty pieces dropped.
std::vector<std::wstring> WideItems(const std::string &data) {
    std::vector<std::wstring> items;
    std::wstring piece;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const wchar_t c =
            static_cast<wchar_t>(static_cast<unsigned char>(data[i]) | (static_cast<unsigned char>(data[i + 1]) << 8));
        if (c != L'\0') {
            piece += c;
        } else if (!piece.empty()) {
            items.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty())
        items.push_back(piece);
    return items;
}

std::string WideList(const std::vector<std::wstring> &items) {
    std::string data;
    auto put = [&data](wchar_t c) {
        data.push_back(static_cast<char>(c & 0xFF));
        data.push_back(static_cast<char>((c >> 8) & 0xFF));
    };
    for (const auto &item : items) {
        for (wchar_t c : item)
            put(c);
        put(L'\0');
    }
    put(L'\0');
    return data;
}

// The items without every copy of the item the program knows as item; wide
// receives its exact form. False (logged) when an item that reads as item
// cannot be expressed in the program's code page; found tells whether there
// was one.
bool WithoutItem(const std::vector<std::wstring> &items, const std::string &item, std::vector<std::wstring> &rest,
                 std::wstring &wide, bool &found) {
    rest.clear();
    found = false;
    for (const auto &piece : items) {
        if (AnsiText(piece) != item) {
            rest.push_back(piece);
            continue;
        }
        if (!NameActsExactly(piece, NameUse::Value)) {
            WriteLog("The list item " + item + " cannot be expressed in the program's code page; left unchanged");
            return false;
        }
        found = true;
        wide = piece;
    }
    return true;
}

// ---- Building blocks ----

// Writes a loaded hive that an operation may have changed back to its file
// when the operation ends (see WriteBackLoadedHive).
class HiveWriteBack {
  public:
    HiveWriteBack(HKEY root, std::string path) : root_(root), path_(std::move(path)) {}
    ~HiveWriteBack() { WriteBackLoadedHive(root_, path_); }
    HiveWriteBack(const HiveWriteBack &) = delete;
    HiveWriteBack &operator=(const HiveWriteBack &) = delete;

  private:
    HKEY root_;
    std::string path_;
};

// True when path is key itself or lies below it (case ignored).
bool AtOrBelow(const std::string &path, const std::string &key) {
    const std::string p = LowerText(path), k = LowerText(key);
    return p == k || (p.size() > k.size() && p.compare(0, k.size(), k) == 0 && p[k.size()] == '\\');
}

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
    std::wstring wide;
    if (!WideValueName(source, name, wide))
        return false;
    RegValue value, before;
    if (ReadWide(source, wide, value) != ERROR_SUCCESS)
        return false;
    const LONG rc = ReadWide(target, wide, before);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return false;
    if (before.present && !Same(before, value))
        return false;
    if (WriteWide(target, wide, value.type, value.data) != ERROR_SUCCESS)
        return false;
    if (DeleteWide(source, wide) != ERROR_SUCCESS) {
        PutBackWide(target, wide, before);
        return false;
    }
    return true;
}

// ---- Lists ----

bool IsList(const RegValue &value) { return value.type == REG_MULTI_SZ; }

// Moves every item equal to item out of list name of source and once into
// the list of the same name in target.
bool MoveListItem(HKEY source, HKEY target, const std::string &name, const std::string &item, bool &emptied) {
    emptied = false;
    std::wstring wideName, wideItem;
    if (!WideValueName(source, name, wideName))
        return false;
    RegValue from, to;
    if (ReadWide(source, wideName, from) != ERROR_SUCCESS || !IsList(from))
        return false;
    bool found = false;
    std::vector<std::wstring> rest;
    if (!WithoutItem(WideItems(from.data), item, rest, wideItem, found) || !found)
        return false;
    const LONG rc = ReadWide(target, wideName, to);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return false;
    if (to.present && !IsList(to))
        return false;
    auto items = to.present ? WideItems(to.data) : std::vector<std::wstring>{};
    if (std::find(items.begin(), items.end(), wideItem) == items.end())
        items.push_back(wideItem);
    if (WriteWide(target, wideName, REG_MULTI_SZ, WideList(items)) != ERROR_SUCCESS)
        return false;
    if (WriteWide(source, wideName, REG_MULTI_SZ, WideList(rest)) != ERROR_SUCCESS) {
        PutBackWide(target, wideName, to);
        return false;
    }
    emptied = rest.empty();
    return true;
}

// ---- The check record beside a hive file ----

// True when file has no record (made before records were kept, or by hand)
// or matches it; a file that does not match was cut or damaged (logged).
bool MatchesCheckRecord(const std::string &file) {
    const std::string recordFile = CheckRecordFile(file);
    if (GetFileAttributesA(recordFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    std::string record, bytes;
    if (ReadFileBytes(recordFile, record) && ReadFileBytes(file, bytes) && CheckRecordOf(bytes) == record)
        return true;
    WriteLog("RestoreKeyFromFile " + file + " does not match its check record " + recordFile);
    return false;
}

// The platform's key restore; a test may stand in for it.
PlatformKeyRestore &PlatformRestoreStandIn() {
    static PlatformKeyRestore call;
    return call;
}

LONG PlatformRestore(HKEY key, const std::string &file) {
    if (const LONG rc = Injected("RegRestoreKeyA"))
        return rc;
    if (PlatformRestoreStandIn())
        return static_cast<LONG>(PlatformRestoreStandIn()(key, file, REG_FORCE_RESTORE));
    return RegRestoreKeyA(key, file.c_str(), REG_FORCE_RESTORE);
}

// A hive file loaded below HKEY_USERS under a name of this process for as
// long as the content is copied out of it.
class TemporaryHive {
  public:
    explicit TemporaryHive(std::string name) : name_(std::move(name)) {}
    ~TemporaryHive() { Unload(); }
    TemporaryHive(const TemporaryHive &) = delete;
    TemporaryHive &operator=(const TemporaryHive &) = delete;

    // False when the file is no hive or cannot be read: nothing is left.
    bool Load(const std::string &file) {
        if (::Load(HKEY_USERS, name_, file) == ERROR_SUCCESS) {
            loaded_ = true;
            if (Open(HKEY_USERS, name_, KEY_READ, key_) == ERROR_SUCCESS)
                return true;
            Unload();
            return false;
        }
        // Wine leaves an empty key of the name behind, which its unload removes.
        ScopedKey left;
        if (Open(HKEY_USERS, name_, KEY_READ, left) == ERROR_SUCCESS) {
            left.reset();
            ::Unload(HKEY_USERS, name_);
        }
        return false;
    }
    HKEY key() const { return key_.get(); }
    // True when nothing is loaded any more.
    bool Unload() {
        key_.reset();
        if (loaded_ && ::Unload(HKEY_USERS, name_) == ERROR_SUCCESS)
            loaded_ = false;
        return !loaded_;
    }

  private:
    std::string name_;
    ScopedKey key_;
    bool loaded_ = false;
};

// Replaces the content of target by the file's, the way the platform needs.
// hive is the file loaded when the content is copied; False when a step
// failed (the key may then be half replaced).
bool ReplaceContent(HKEY target, const std::string &file, TemporaryHive &hive) {
    if (ChosenKeyRestore() == KeyRestoreMethod::PlatformRestore)
        return PlatformRestore(target, file) == ERROR_SUCCESS && Flush(target) == ERROR_SUCCESS;
    const bool copied = ClearKey(target) == ERROR_SUCCESS && CopyTree(hive.key(), "", target) == ERROR_SUCCESS &&
                        Flush(target) == ERROR_SUCCESS;
    return hive.Unload() && copied;
}

// Where the platform's restore keeps the guard's copy of a key: a hive file
// in the program's protected data folder, saved and put back with the
// platform's calls so that every key keeps its security; "" when there is no
// such folder to trust (the copy is then kept under "Content").
std::string GuardFileFor(const std::string &unique) {
    const std::string folder = DefaultDataFolder();
    if (folder.empty() || !DataFolderFault(folder).empty())
        return "";
    return folder + "\\RestoreCopy-" + unique + ".regf";
}

// The file takes the protected data folder's permissions.
LONG SaveGuard(HKEY key, const std::string &file) {
    if (const LONG rc = Injected("RegSaveKeyExA"))
        return rc;
    return RegSaveKeyExA(key, file.c_str(), nullptr, REG_LATEST_FORMAT);
}

// RestoreKeyFromFile without the privileges.
bool RestoreContent(HKEY root, const std::string &key, const std::string &file) {
    // Emptying the key needs more than write access. The platform's restore
    // opens it under the restore privilege whatever its permissions say, so
    // that a key only the system's installer may write is restored too.
    const bool platform = ChosenKeyRestore() == KeyRestoreMethod::PlatformRestore;
    ScopedKey target;
    if (Open(root, key, kWriteAccess | KEY_READ | DELETE, target, platform ? REG_OPTION_BACKUP_RESTORE : 0) !=
        ERROR_SUCCESS)
        return false;

    static std::atomic<unsigned> counter{0};
    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    // Loading the file first also proves it a hive before anything is touched.
    TemporaryHive hive("QuillmaraRestore-" + unique);
    if (ChosenKeyRestore() == KeyRestoreMethod::LoadAndCopy && !hive.Load(file))
        return false;

    // A copy of the key as it is, to put back when any later step fails: its
    // content under "Content" (or, for the platform's restore, the hive file
    // named in "File"), the key it belongs to in "Root" and "Key", and
    // "Ready" while the key may be half restored (RecoverInterruptedChanges
    // puts such a copy back after the process died).
    const std::string copyPath = kRestoreCopyBase + "\\RestoreCopy-" + unique;
    const std::string guardFile = platform ? GuardFileFor(unique) : "";
    ScopedKey record, copy;
    std::vector<std::string> made;
    bool created = false;
    // The hive file is deleted only by the run that saved it: one of the same
    // name may belong to an older record.
    bool saved = false;
    auto keepCopy = [&] {
        if (!guardFile.empty())
            return (saved = SaveGuard(target.get(), guardFile) == ERROR_SUCCESS) &&
                   Write(record.get(), "File", REG_SZ, guardFile) == ERROR_SUCCESS;
        return Create(record.get(), "Content", RootName(HKEY_LOCAL_MACHINE) + copyPath + "\\Content", copy,
                      created) == ERROR_SUCCESS &&
               CopyTree(target.get(), "", copy.get()) == ERROR_SUCCESS;
    };
    if (CreatePath(HKEY_LOCAL_MACHINE, copyPath, record, made) != ERROR_SUCCESS || made.empty() ||
        Write(record.get(), "Root", REG_SZ, RootName(root)) != ERROR_SUCCESS ||
        Write(record.get(), "Key", REG_SZ, key) != ERROR_SUCCESS || !keepCopy() ||
        Write(record.get(), "Ready", REG_DWORD, DwordData(1)) != ERROR_SUCCESS) {
        copy.reset();
        record.reset();
        if (RemoveMade(HKEY_LOCAL_MACHINE, made) && saved)
            DeleteFileA(guardFile.c_str());
        return false;
    }

    const bool done = ReplaceContent(target.get(), file, hive);
    if (done)
        DeleteValue(record.get(), "Ready"); // the key is whole again: nothing to put back
    if (!done) {
        const bool restored =
            guardFile.empty()
                ? ClearKey(target.get()) == ERROR_SUCCESS && CopyTree(copy.get(), "", target.get()) == ERROR_SUCCESS &&
                      Flush(target.get()) == ERROR_SUCCESS
                : PlatformRestore(target.get(), guardFile) == ERROR_SUCCESS && Flush(target.get()) == ERROR_SUCCESS;
        if (!restored) {
            WriteLog("RestoreKeyFromFile the earlier content of " + RootName(root) + key + " is kept in " +
                     RootName(HKEY_LOCAL_MACHINE) + copyPath);
            return false;
        }
    }
    copy.reset();
    record.reset();
    if (!RemoveMade(HKEY_LOCAL_MACHINE, made))
        WriteLog("RestoreKeyFromFile could not remove " + RootName(HKEY_LOCAL_MACHINE) + copyPath);
    else if (saved)
        DeleteFileA(guardFile.c_str());
    return done;
}

// True while the process with that id runs (or cannot be asked).
bool ProcessRuns(DWORD pid) {
    if (pid == GetCurrentProcessId())
        return true;
    const KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// The process id in a name "<prefix><pid>-<n>"; 0 when it holds none.
DWORD OwnerOf(const std::string &name, const std::string &prefix) {
    if (name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    return static_cast<DWORD>(std::strtoul(name.c_str() + prefix.size(), nullptr, 10));
}

HKEY RootOfName(const std::string &text) {
    if (text == RootName(HKEY_LOCAL_MACHINE))
        return HKEY_LOCAL_MACHINE;
    if (text == RootName(HKEY_USERS))
        return HKEY_USERS;
    return nullptr;
}

// Puts the earlier content kept in copy back into the key it records;
// guardFile receives the hive file that holds it, if the platform's restore
// kept one.
bool PutBackCopy(HKEY copy, const std::string &copyName, std::string &guardFile) {
    RegValue rootName, key, ready, file;
    Read(copy, "Root", rootName);
    Read(copy, "Key", key);
    Read(copy, "File", file);
    guardFile = file.Text();
    if (Read(copy, "Ready", ready) != ERROR_SUCCESS)
        return true; // the restore had finished or not begun: the key is whole
    const HKEY root = RootOfName(rootName.Text());
    if (root == nullptr || key.Text().empty()) {
        WriteLog("RecoverInterruptedChanges cannot tell which key " + copyName + " belongs to");
        return false;
    }
    ScopedKey target;
    bool created = false;
    const bool putBack = Create(root, key.Text(), RootName(root) + key.Text(), target, created) == ERROR_SUCCESS &&
                         (guardFile.empty() ? ClearKey(target.get()) == ERROR_SUCCESS &&
                                                  CopyTree(copy, "Content", target.get()) == ERROR_SUCCESS
                                            : PlatformRestore(target.get(), guardFile) == ERROR_SUCCESS) &&
                         Flush(target.get()) == ERROR_SUCCESS;
    if (!putBack) {
        WriteLog("RecoverInterruptedChanges could not put " + copyName + " back into " + RootName(root) + key.Text());
        return false;
    }
    WriteLog("RecoverInterruptedChanges put the earlier content of " + RootName(root) + key.Text() + " back from " +
             copyName);
    WriteBackLoadedHive(root, key.Text());
    return true;
}

// False for a path in an offline installation's hive ("_REMOTE_...") that
// this process has not loaded: a record there was made on a mount that is
// gone, whatever is mounted under that name now.
bool HiveOfPathListed(HKEY root, const std::string &path) {
    const std::string name = path.substr(0, path.find('\\'));
    if (!HasRemotePrefix(name))
        return true;
    const auto &list = LoadedHives();
    return std::any_of(list.begin(), list.end(), [&](const LoadedHive &hive) {
        return hive.Root == root && LowerText(hive.SubKey) == LowerText(name);
    });
}

// What the record of a move into destination says: its source ("" when
// there is none) and whether the target was copied whole.
struct MoveRecord {
    std::string source;
    bool targetWhole = false;
};

MoveRecord MoveRecordOf(const std::string &destination) {
    ScopedKey records;
    RegValue value;
    if (Open(HKEY_LOCAL_MACHINE, kMoveRecords, KEY_READ, records, REG_OPTION_OPEN_LINK) != ERROR_SUCCESS ||
        Read(records.get(), destination, value) != ERROR_SUCCESS)
        return {};
    if (value.type != REG_MULTI_SZ)
        return {value.Text(), false};
    const std::vector<std::string> items = SplitMultiStringData(value.data);
    if (items.empty())
        return {};
    return {items[0], items.size() > 1 && items[1] == kTargetWhole};
}

bool WriteMoveRecord(const std::string &destination, const std::string &source, bool targetWhole) {
    ScopedKey records;
    std::vector<std::string> made;
    if (CreatePath(HKEY_LOCAL_MACHINE, kMoveRecords, records, made) != ERROR_SUCCESS)
        return false;
    if (!targetWhole)
        return Write(records.get(), destination, REG_SZ, source) == ERROR_SUCCESS;
    const std::string list = source + '\0' + kTargetWhole + '\0' + '\0';
    return Write(records.get(), destination, REG_MULTI_SZ, list) == ERROR_SUCCESS;
}

// Removes the record of a finished move. The record key stays: another
// process may be writing into it.
void DropMoveRecord(const std::string &destination) {
    ScopedKey records;
    if (Open(HKEY_LOCAL_MACHINE, kMoveRecords, kWriteAccess, records, REG_OPTION_OPEN_LINK) != ERROR_SUCCESS)
        return;
    if (DeleteValue(records.get(), destination) != ERROR_SUCCESS)
        WriteLog("MoveKey could not remove the record of the move into " + destination);
}

// ---- Records written while others could write ----

// The names of the subkeys or values of key, read with the wide call so that
// each is reached by its own name.
std::vector<std::wstring> WideNames(HKEY key, bool values) {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384;
        const LONG rc = values ? RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                               : RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS)
            return names;
        names.emplace_back(name, length);
    }
}

// Deletes parent\name with all below it, every key opened as it is: a
// registry link is removed as a link, never followed to the key it names.
LONG DeleteAsItIs(HKEY parent, const std::wstring &name, int depth) {
    if (const LONG rc = Injected("NtDeleteKey"))
        return rc;
    // A link is deleted only through a handle opened on it: the call by name
    // follows it. NtDeleteKey is there on every version of Windows.
    using NtDeleteKeyCall = LONG(WINAPI *)(HANDLE);
    using StatusToErrorCall = ULONG(WINAPI *)(LONG);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    static const auto ntDeleteKey =
        reinterpret_cast<NtDeleteKeyCall>(reinterpret_cast<void *>(GetProcAddress(ntdll, "NtDeleteKey")));
    static const auto statusToError = reinterpret_cast<StatusToErrorCall>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    HKEY raw = nullptr;
    LONG rc = RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &raw);
    if (rc != ERROR_SUCCESS)
        return rc;
    TrackKey(raw, kTrackOpened, AnsiText(name));
    ScopedKey key(raw);
    if (!IsLinkKey(key.get()) && depth < 32)
        for (const std::wstring &sub : WideNames(key.get(), false))
            if ((rc = DeleteAsItIs(key.get(), sub, depth + 1)) != ERROR_SUCCESS)
                return rc;
    if (ntDeleteKey == nullptr)
        return ERROR_PROC_NOT_FOUND;
    rc = ntDeleteKey(key.get());
    if (rc == 0)
        return ERROR_SUCCESS;
    return statusToError != nullptr ? static_cast<LONG>(statusToError(rc)) : ERROR_ACCESS_DENIED;
}

// True when faulted holds path or a key above it (or, with below, under it).
bool Touched(const std::vector<std::string> &faulted, const std::string &path, bool below) {
    const std::string lowered = LowerText(path);
    return std::any_of(faulted.begin(), faulted.end(), [&](const std::string &key) {
        const std::string k = LowerText(key);
        auto within = [](const std::string &inner, const std::string &outer) {
            return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                   inner[outer.size()] == '\\';
        };
        return k == lowered || within(lowered, k) || (below && within(k, lowered));
    });
}

// Drops, one log line each, the records below kRestoreCopyBase that a key of
// faulted (SecureRecordKey) let others write: restore copies, the records of
// key moves and of loaded hives. None is acted on, and no file a dropped copy
// names is touched. False when one could not be dropped.
bool DropRecordsOfOthers(const std::vector<std::string> &faulted) {
    if (faulted.empty())
        return true;
    ScopedKey base;
    if (Open(HKEY_LOCAL_MACHINE, kRestoreCopyBase, KEY_READ, base, REG_OPTION_OPEN_LINK) != ERROR_SUCCESS)
        return false;
    const std::string baseName = RootName(HKEY_LOCAL_MACHINE) + kRestoreCopyBase + "\\";
    constexpr const char *kWhy = ": it was written while others could write there";
    bool all = true;
    for (const std::wstring &name : WideNames(base.get(), false)) {
        const std::string ansi = AnsiText(name);
        const std::string path = kRestoreCopyBase + "\\" + ansi;
        const bool copy = ansi.compare(0, 12, "RestoreCopy-") == 0;
        if (!(copy ? Touched(faulted, path, true) : (ansi == "Moves" || ansi == "Hives") && Touched(faulted, path, false)))
            continue;
        ScopedKey records;
        bool link = false;
        if (!copy && Open(HKEY_LOCAL_MACHINE, path, KEY_READ | KEY_SET_VALUE, records, REG_OPTION_OPEN_LINK) ==
                         ERROR_SUCCESS)
            link = IsLinkKey(records.get());
        if (copy || link) {
            records.reset();
            const LONG rc = DeleteAsItIs(base.get(), name, 0);
            all = rc == ERROR_SUCCESS && all;
            WriteLog("RecoverInterruptedChanges " + std::string(rc == ERROR_SUCCESS ? "dropped " : "could not drop ") +
                     baseName + ansi + kWhy);
            continue;
        }
        for (const std::wstring &value : records ? WideNames(records.get(), true) : std::vector<std::wstring>{}) {
            LONG rc = Injected("RegDeleteValueW");
            if (rc == ERROR_SUCCESS)
                rc = RegDeleteValueW(records.get(), value.c_str());
            all = rc == ERROR_SUCCESS && all;
            WriteLog("RecoverInterruptedChanges " + std::string(rc == ERROR_SUCCESS ? "dropped " : "could not drop ") +
                     "the record " + AnsiText(value) + " in " + baseName + ansi + kWhy);
        }
    }
    return all;
}

} // namespace

void SetStoreFault(StoreFault fault) { Fault() = std::move(fault); }

KeyRestoreMethod KeyRestoreMethodFor(bool wine) {
    return wine ? KeyRestoreMethod::LoadAndCopy : KeyRestoreMethod::PlatformRestore;
}

KeyRestoreMethod ChosenKeyRestore() {
    return PlatformRestoreStandIn() ? KeyRestoreMethod::PlatformRestore
                                    : KeyRestoreMethodFor(Platform().registryRestoreIgnored);
}

void SetPlatformKeyRestore(PlatformKeyRestore call) { PlatformRestoreStandIn() = std::move(call); }

bool RecoverInterruptedChanges() {
    EnablePrivileges();
    // No record is read from a key someone else could have written, and none
    // written while they could is acted on.
    std::vector<std::string> faulted;
    bool all = SecureRecordKey(HKEY_LOCAL_MACHINE, kRestoreCopyBase, &faulted);
    all = DropRecordsOfOthers(faulted) && all;
    // Temporary hives of restores whose process is gone.
    std::vector<std::string> names;
    {
        ScopedKey users;
        if (Open(HKEY_USERS, "", KEY_READ, users) == ERROR_SUCCESS)
            names = EnumSubKeys(users.get());
    }
    for (const std::string &name : names) {
        const DWORD pid = OwnerOf(name, "QuillmaraRestore-");
        if (pid == 0 || ProcessRuns(pid))
            continue;
        const bool unloaded = Unload(HKEY_USERS, name) == ERROR_SUCCESS;
        all = unloaded && all;
        WriteLog(std::string("RecoverInterruptedChanges ") + (unloaded ? "unloaded" : "could not unload") +
                 " the leftover hive " + RootName(HKEY_USERS) + name);
    }
    // Copies of keys that a restore was working on when its process ended.
    names.clear();
    {
        ScopedKey base;
        if (Open(HKEY_LOCAL_MACHINE, kRestoreCopyBase, KEY_READ, base, REG_OPTION_OPEN_LINK) == ERROR_SUCCESS)
            names = EnumSubKeys(base.get());
    }
    for (const std::string &name : names) {
        const DWORD pid = OwnerOf(name, "RestoreCopy-");
        if (pid == 0 || ProcessRuns(pid))
            continue;
        const std::string path = kRestoreCopyBase + "\\" + name;
        const std::string copyName = RootName(HKEY_LOCAL_MACHINE) + path;
        bool putBack = false;
        std::string guardFile;
        {
            ScopedKey copy;
            if (Open(HKEY_LOCAL_MACHINE, path, KEY_READ, copy, REG_OPTION_OPEN_LINK) == ERROR_SUCCESS)
                putBack = PutBackCopy(copy.get(), copyName, guardFile);
        }
        if (!putBack) {
            all = false;
            continue; // kept: it may be the only copy of what the key held
        }
        const LONG rc = DeleteTree(HKEY_LOCAL_MACHINE, path);
        if (rc == ERROR_SUCCESS && !guardFile.empty())
            DeleteFileA(guardFile.c_str());
        all = rc == ERROR_SUCCESS && all;
        WriteLog("RecoverInterruptedChanges " + std::string(rc == ERROR_SUCCESS ? "removed " : "could not remove ") +
                 copyName);
    }
    DisablePrivileges();
    return all;
}

bool MoveValue(HKEY root, const std::string &key, const std::string &name, bool enable) {
    HiveWriteBack writeBack(root, key);
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
    HiveWriteBack writeBack(root, key);
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
    HiveWriteBack writeBack(root, key);
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
    HiveWriteBack writeBack(root, key);
    ScopedKey k, d;
    if (Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    if (disabled && Open(root, key + "\\" + kDisabledName, kWriteAccess, d) != ERROR_SUCCESS)
        return false;
    const HKEY list = disabled ? d.get() : k.get();
    std::wstring wideName, wideItem;
    if (!WideValueName(list, name, wideName))
        return false;
    RegValue value;
    if (ReadWide(list, wideName, value) != ERROR_SUCCESS || !IsList(value))
        return false;
    bool found = false;
    std::vector<std::wstring> rest;
    if (!WithoutItem(WideItems(value.data), item, rest, wideItem, found) || !found)
        return false;
    if (WriteWide(list, wideName, REG_MULTI_SZ, WideList(rest)) != ERROR_SUCCESS)
        return false;
    if (!disabled || !rest.empty())
        return true;
    if (DeleteWide(d.get(), wideName) != ERROR_SUCCESS)
        return false;
    return RemoveIfEmpty(k.get(), kDisabledName, d);
}

bool DeleteListedProgram(HKEY root, const std::string &key, const std::string &name, const std::string &program,
                         const std::string &separator, bool disabled) {
    HiveWriteBack writeBack(root, key);
    ScopedKey k, d;
    if (separator.empty() || Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    if (disabled && Open(root, key + "\\" + kDisabledName, kWriteAccess, d) != ERROR_SUCCESS)
        return false;
    const HKEY place = disabled ? d.get() : k.get();
    std::wstring wideName, wideProgram;
    if (!WideValueName(place, name, wideName))
        return false;
    RegValue value;
    if (ReadWide(place, wideName, value) != ERROR_SUCCESS || (value.type != REG_SZ && value.type != REG_EXPAND_SZ))
        return false;
    // The other programs keep their exact characters.
    const std::vector<std::wstring> pieces = WideItems(value.data);
    const std::wstring text = pieces.empty() ? std::wstring() : pieces.front();
    const std::wstring wideSeparator = WideText(separator);
    std::vector<std::wstring> programs;
    for (size_t start = 0;;) {
        const size_t at = text.find(wideSeparator, start);
        programs.push_back(text.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start));
        if (at == std::wstring::npos)
            break;
        start = at + wideSeparator.size();
    }
    bool found = false;
    std::vector<std::wstring> rest;
    if (!WithoutItem(programs, program, rest, wideProgram, found) || !found)
        return false;
    if (rest.empty()) {
        if (DeleteWide(place, wideName) != ERROR_SUCCESS)
            return false;
        return !disabled || RemoveIfEmpty(k.get(), kDisabledName, d);
    }
    std::wstring joined;
    for (size_t i = 0; i < rest.size(); ++i)
        joined += (i == 0 ? L"" : wideSeparator) + rest[i];
    joined.push_back(L'\0');
    return WriteWide(place, wideName, value.type,
                     std::string(reinterpret_cast<const char *>(joined.data()), joined.size() * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

bool MoveKey(HKEY root, const std::string &from, const std::string &to, bool dropParent) {
    HiveWriteBack writeBack(root, from);
    if (AtOrBelow(to, from)) {
        // The copy would copy itself without end.
        WriteLog("MoveKey refuses to move " + RootName(root) + from + " into itself: " + to);
        return false;
    }
    const std::string source = RootName(root) + from, destination = RootName(root) + to;
    auto finish = [&] {
        DropMoveRecord(destination);
        // The parent goes only when nothing at all is left in it.
        if (dropParent && !Parent(from).empty())
            RemovePathIfEmpty(root, Parent(from));
        return true;
    };
    {
        ScopedKey probe;
        const LONG rc = Open(root, to, KEY_READ, probe);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
            return false;
        if (rc == ERROR_SUCCESS) {
            // A target recorded as a move from this key is what an
            // interrupted move left behind: complete that move instead of
            // refusing it.
            probe.reset();
            const MoveRecord record = MoveRecordOf(destination);
            if (record.source.empty()) {
                WriteLog("Key already exixts.");
                return false;
            }
            if (record.source != source || !HiveOfPathListed(root, to)) {
                // Left by a move from elsewhere, or in a hive that has been
                // unloaded since: what is there now is not what it recorded.
                WriteLog("MoveKey dropped the stale record of a move from " + record.source + " into " +
                         destination + "; the key already exists");
                DropMoveRecord(destination);
                return false;
            }
            if (record.targetWhole) {
                // It stopped while deleting the source, which may be partly
                // gone, or written again since: what the source holds now
                // goes on top of the target before the deletion is finished.
                const bool sourceThere = Open(root, from, KEY_READ, probe) == ERROR_SUCCESS;
                probe.reset();
                if (sourceThere) {
                    ScopedKey target;
                    if (Open(root, to, kWriteAccess, target) != ERROR_SUCCESS ||
                        CopyTree(root, from, target.get()) != ERROR_SUCCESS) {
                        WriteLog("Failed to copy the subkey");
                        return false;
                    }
                }
                const LONG deleted = DeleteTree(root, from);
                if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
                    WriteLog("Failed to delete the old subkey");
                    return false;
                }
                return finish();
            }
            const bool sourceThere = Open(root, from, KEY_READ, probe) == ERROR_SUCCESS;
            probe.reset();
            if (!sourceThere)
                return finish(); // only the record was left: the copy was whole
            // The copy was cut short: the source is whole, the target not.
            if (DeleteTree(root, to) != ERROR_SUCCESS) {
                WriteLog("Key already exixts.");
                return false;
            }
        }
    }
    // The record is written before the target is made, so that a target left
    // by a move that stopped at any point is known as ours.
    if (!WriteMoveRecord(destination, source, false))
        return false;
    ScopedKey target;
    std::vector<std::string> made;
    if (CreatePath(root, to, target, made) != ERROR_SUCCESS || made.empty()) {
        // made is empty when another program made the target in between.
        target.reset();
        if (RemoveMade(root, made))
            DropMoveRecord(destination);
        if (made.empty())
            WriteLog("Key already exixts.");
        return false;
    }
    if (CopyTree(root, from, target.get()) != ERROR_SUCCESS) {
        WriteLog("Failed to copy the subkey");
        target.reset();
        if (RemoveMade(root, made)) // a retry must not find a half-made target
            DropMoveRecord(destination);
        return false;
    }
    target.reset();
    if (!WriteMoveRecord(destination, source, true)) {
        // The target is whole but not known as such: take the copy away.
        if (RemoveMade(root, made))
            DropMoveRecord(destination);
        return false;
    }
    if (DeleteTree(root, from) != ERROR_SUCCESS) {
        WriteLog("Failed to delete the old subkey");
        // The old subtree may be partly gone: complete it from the copy, and
        // drop the copy only once that worked and the record no longer calls
        // the target the whole entry.
        ScopedKey old;
        bool created = false;
        if (Create(root, from, source, old, created) == ERROR_SUCCESS &&
            CopyTree(root, to, old.get()) == ERROR_SUCCESS) {
            old.reset();
            if (WriteMoveRecord(destination, source, false) && RemoveMade(root, made))
                DropMoveRecord(destination);
        }
        return false;
    }
    return finish();
}

bool DeleteKeyAndEmptyParent(HKEY root, const std::string &key, const std::string &, bool dropParent) {
    HiveWriteBack writeBack(root, key);
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
    HiveWriteBack writeBack(root, to);
    if (AtOrBelow(to, from)) {
        WriteLog("CopySubKey refuses to copy " + RootName(root) + from + " into itself: " + to);
        return false;
    }
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
    HiveWriteBack writeBack(root, serviceKey);
    ScopedKey s;
    if (Open(root, serviceKey, kWriteAccess, s) != ERROR_SUCCESS)
        return false;
    RegValue start, saved;
    DWORD value = 0;
    if (!enable) {
        if (Read(s.get(), "Start", start) != ERROR_SUCCESS || !ReadDword(start, value))
            return false;
        // A start type saved earlier is never overwritten. Saved while the
        // service can still start, it is what an interrupted disable left:
        // completing it only needs the start type set.
        const LONG rc = Read(s.get(), kDisabledName, saved);
        if (rc == ERROR_SUCCESS && value != SERVICE_DISABLED)
            return Write(s.get(), "Start", REG_DWORD, DwordData(SERVICE_DISABLED)) == ERROR_SUCCESS;
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
    HiveWriteBack writeBack(root, serviceKey);
    ScopedKey s;
    if (Open(root, serviceKey, kWriteAccess, s) != ERROR_SUCCESS)
        return false;
    if (Write(s.get(), "Start", REG_DWORD, DwordData(SERVICE_DISABLED)) != ERROR_SUCCESS)
        return false;
    return !wasDisabled || DeleteValue(s.get(), kDisabledName) == ERROR_SUCCESS;
}

bool SaveKeyToFile(const std::string &key, const std::string &file, HKEY root) {
    // Saving over a file keeps its record current; only a file without one
    // gets it here (reading the saved file again).
    const bool hadRecord = GetFileAttributesA(CheckRecordFile(file).c_str()) != INVALID_FILE_ATTRIBUTES;
    EnablePrivileges();
    bool saved = false;
    {
        ScopedKey h;
        if (Open(root, key, KEY_READ, h) == ERROR_SUCCESS)
            saved = SaveOver(h.get(), file) == ERROR_SUCCESS;
    }
    DisablePrivileges();
    return saved && (hadRecord || WriteCheckRecord(file));
}

bool RestoreKeyFromFile(const std::string &key, const std::string &file, HKEY root) {
    if (!MatchesCheckRecord(file))
        return false;
    EnablePrivileges();
    bool restored = false;
    {
        // Written back while the privileges are still held.
        HiveWriteBack writeBack(root, key);
        restored = RestoreContent(root, key, file);
    }
    DisablePrivileges();
    return restored;
}

bool SetExeOpenDefault(HKEY root, const std::string &key, const std::string &, const std::string &) {
    HiveWriteBack writeBack(root, key);
    ScopedKey k;
    if (Open(root, key, kWriteAccess, k) != ERROR_SUCCESS)
        return false;
    return Write(k.get(), "", REG_SZ, "\"%1\" %*") == ERROR_SUCCESS;
}
