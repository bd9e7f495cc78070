#include "changes/entry_changes.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/names.h"
#include "registry/values.h"
#include "scan/folder_locations.h"
#include "scan/pathops.h"
#include "scan/state.h"
#include "system/text.h"
#include "system/files.h"
#include "system/log.h"

namespace {

constexpr const char *kTitle = "Quillmara";
constexpr int kStyleOk = 0;
// The location whose entry is the open command of executable files, and
// the one whose value names several programs divided by ", ".
constexpr int kOpenCommandLocation = 54;
constexpr int kAppSetupLocation = 2;
constexpr const char *kProgramSeparator = ", ";

void Tell(ChangeUi &ui, const std::string &text) { ui.Ask(text, kStyleOk, kTitle); }

std::string DisabledKey(const EntryAddress &a) { return a.keyPath + "\\" + kDisabledName + "\\" + a.itemName; }

// ---- Files ----

bool PathExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Moves a file, never through a link a user made, and checks that it moved.
// A file already at the target is never replaced.
bool MoveFileChecked(const std::string &source, const std::string &target) {
    if (!PathExists(source)) {
        WriteLog("FileOp " + source + " is not there");
        return false;
    }
    if (PathExists(target)) {
        WriteLog("FileOp " + target + " is there already");
        return false;
    }
    if (!MoveFileNoLink(source, target))
        return false;
    if (PathExists(target) && !PathExists(source))
        return true;
    WriteLog("FileOp " + source + " was not moved");
    return false;
}

// Deletes a file, never through a link a user made, and checks that it is gone.
bool DeleteFileChecked(const std::string &path) {
    if (!PathExists(path)) {
        WriteLog("FileOp " + path + " is not there");
        return false;
    }
    if (!DeleteFileNoLink(path))
        return false;
    if (!PathExists(path))
        return true;
    WriteLog("FileOp " + path + " was not deleted");
    return false;
}

// Removes the "AutorunsDisabled" folder a file was taken out of once nothing
// is left in it (hidden, system and read-only files count).
void RemoveEmptyStoreFolder(const std::string &file) {
    const std::string folder = ParentFolder(file);
    if (!PathExists(file) && !folder.empty() && !FolderHasItems(folder + "\\"))
        DeleteFileNoLink(folder);
}

// A path with every "\AutorunsDisabled" folder level taken out (any case)
// and doubled backslashes after the start made single.
std::string LivePathOf(const std::string &path) {
    const std::string level = std::string("\\") + kDisabledName + "\\";
    std::string live = path;
    for (std::string before; before != live;) {
        before = live;
        live = ReplaceAllNoCase(live, level, "\\");
    }
    for (size_t at = live.find("\\\\", 1); at != std::string::npos; at = live.find("\\\\", at))
        live.erase(at, 1);
    return live;
}

bool DisableFile(const EntryAddress &a) {
    const std::string source = a.rec->ItemName;
    const std::string folder = FolderPart(source) + kDisabledName;
    // The file keeps its own name (a shown name may carry more, as an
    // internet shortcut's does).
    const std::string target = folder + "\\" + FileNamePart(source);
    const bool hadFolder = PathExists(folder);
    // No level of either folder may be a link that leads the file elsewhere.
    // The shell's move is not relied on to make the folder.
    if (!FolderHasNoLink(folder) || !MakeDirectory(folder))
        return false;
    if (!MoveFileChecked(source, target)) {
        if (!hadFolder)
            RemoveDirectoryA(folder.c_str());
        return false;
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    a.rec->ItemName = target;
    return true;
}

bool EnableFile(const EntryAddress &a) {
    const std::string source = a.rec->ItemName;
    const std::string target = LivePathOf(source);
    if (target == source || !FolderHasNoLink(ParentFolder(source)) || !FolderHasNoLink(ParentFolder(target)) ||
        !MoveFileChecked(source, target))
        return false;
    a.rec->ItemName = target;
    RemoveEmptyStoreFolder(source);
    return true;
}

bool DeleteLiveFile(const EntryAddress &a) { return DeleteFileChecked(a.rec->ItemName); }

bool DeleteDisabledFile(const EntryAddress &a) {
    if (!DeleteFileChecked(a.rec->ItemName))
        return false;
    RemoveEmptyStoreFolder(a.rec->ItemName);
    return true;
}

// ---- Registry ----

bool DisableOwnValue(const EntryAddress &a) { return MoveSingleValue(a.root, a.keyPath, a.loc->ValueName, false); }
bool EnableOwnValue(const EntryAddress &a) { return MoveSingleValue(a.root, a.keyPath, a.loc->ValueName, true); }
bool DeleteOwnValue(const EntryAddress &a) {
    return DeleteValueEverywhere(a.root, a.keyPath, a.loc->ValueName, a.rec->Disabled);
}
bool ResetOpenCommand(const EntryAddress &a) { return SetExeOpenDefault(a.root, a.keyPath, a.loc->ValueName, ""); }

bool DisableListItem(const EntryAddress &a) {
    return MoveMultiSzItem(a.root, a.keyPath, a.loc->ValueName, a.itemName, false);
}
bool EnableListItem(const EntryAddress &a) {
    return MoveMultiSzItem(a.root, a.keyPath, a.loc->ValueName, a.itemName, true);
}
bool DeleteListItem(const EntryAddress &a) {
    return DeleteMultiSzItem(a.root, a.keyPath, a.loc->ValueName, a.itemName, a.rec->Disabled);
}
// A package that another program took out of its list since the scan is
// deleted already: the list stays as it is and the row goes.
bool DeletePackage(const EntryAddress &a) {
    if (DeleteListItem(a))
        return true;
    const std::string place = a.rec->Disabled ? a.keyPath + "\\" + kDisabledName : a.keyPath;
    ScopedKey key(OpenKey(a.root, place));
    const RegValue list = ReadValue(key.get(), a.loc->ValueName);
    if (!list.present || list.type != REG_MULTI_SZ)
        return false;
    for (const std::string &item : SplitMultiStringData(list.data))
        if (item == a.itemName)
            return false;
    return true;
}

bool DeleteProgram(const EntryAddress &a) {
    return DeleteListedProgram(a.root, a.keyPath, a.loc->ValueName, a.itemName, kProgramSeparator, a.rec->Disabled);
}

bool DisableNamedValue(const EntryAddress &a) { return MoveValue(a.root, a.keyPath, a.itemName, false); }
bool EnableNamedValue(const EntryAddress &a) { return MoveValue(a.root, a.keyPath, a.itemName, true); }
bool DeleteNamed(const EntryAddress &a) { return DeleteNamedValue(a.root, a.keyPath, a.itemName, a.rec->Disabled); }

bool DisableService(const EntryAddress &a) { return MoveStartValue(a.root, a.fullKey, false, true); }
bool EnableService(const EntryAddress &a) { return MoveStartValue(a.root, a.fullKey, true, true); }
bool DisableDriver(const EntryAddress &a) { return MoveStartValue(a.root, a.fullKey, false, false); }
bool EnableDriver(const EntryAddress &a) { return MoveStartValue(a.root, a.fullKey, true, false); }
bool StopForGood(const EntryAddress &a) { return SetStartDisabled(a.root, a.fullKey, a.rec->Disabled); }

bool DisableSubKey(const EntryAddress &a) { return MoveKey(a.root, a.fullKey, DisabledKey(a), false); }
bool EnableSubKey(const EntryAddress &a) { return MoveKey(a.root, DisabledKey(a), a.fullKey, true); }
bool DeleteSubKey(const EntryAddress &a) {
    return a.rec->Disabled ? DeleteKeyAndEmptyParent(a.root, DisabledKey(a), "", true)
                           : DeleteKeyAndEmptyParent(a.root, a.fullKey, "", false);
}

bool DeleteFileEntry(const EntryAddress &a) { return a.rec->Disabled ? DeleteDisabledFile(a) : DeleteLiveFile(a); }

// ---- The table ----

using Action = bool (*)(const EntryAddress &);

constexpr const char *kEnableFailed = "Failed to enable startup of ";
constexpr const char *kEnableFileFailed = "Failed to enable the startup of ";
constexpr const char *kDeleteFailed = "Failed to delete the startup of ";
constexpr const char *kDeleteListFailed = "Failed to delete startup of ";

struct KindRow {
    EntryKind kind;
    const char *refusal; // disabling is refused with this text; null: allowed
    Action disable;
    Action enable;
    Action remove; // from the live or the disabled place, by the record's Disabled
    const char *enableFailed;
    const char *deleteFailed;
};

constexpr KindRow kRows[] = {
    {EntryKind::File, nullptr, DisableFile, EnableFile, DeleteFileEntry, kEnableFileFailed, kDeleteFailed},
    {EntryKind::OpenCommand, "Disabling of this Image Hijack not available, only deletion is supported.", nullptr,
     EnableOwnValue, ResetOpenCommand, kEnableFailed, kDeleteFailed},
    {EntryKind::PackageItem, nullptr, DisableListItem, EnableListItem, DeletePackage, kEnableFailed,
     kDeleteListFailed},
    {EntryKind::BootItem, nullptr, DisableListItem, EnableListItem, DeleteListItem, kEnableFailed, kDeleteFailed},
    {EntryKind::ProgramList, nullptr, DisableOwnValue, EnableOwnValue, DeleteProgram, kEnableFailed, kDeleteFailed},
    {EntryKind::OwnValue, nullptr, DisableOwnValue, EnableOwnValue, DeleteOwnValue, kEnableFailed, kDeleteFailed},
    {EntryKind::NamedValue, nullptr, DisableNamedValue, EnableNamedValue, DeleteNamed, kEnableFailed, kDeleteFailed},
    {EntryKind::Service, nullptr, DisableService, EnableService, StopForGood, kEnableFailed, kDeleteFailed},
    {EntryKind::Driver, nullptr, DisableDriver, EnableDriver, StopForGood, kEnableFailed, kDeleteFailed},
    {EntryKind::Provider, "Disabling Winsock Providers not available, only deletion is supported.", nullptr,
     EnableSubKey, DeleteSubKey, kEnableFailed, kDeleteFailed},
    {EntryKind::SubKey, nullptr, DisableSubKey, EnableSubKey, DeleteSubKey, kEnableFailed, kDeleteFailed},
};

const KindRow *RowOf(EntryKind kind) {
    for (const KindRow &row : kRows)
        if (row.kind == kind)
            return &row;
    return nullptr;
}

} // namespace

EntryKind KindOf(const EntryAddress &a) {
    if (a.loc == nullptr || a.rec == nullptr)
        return EntryKind::None;
    if (a.root == nullptr)
        return EntryKind::File;
    const int category = a.loc->Category;
    switch (a.rec->ItemType) {
    case kItemOwnValue:
        if (a.location == kOpenCommandLocation)
            return EntryKind::OpenCommand;
        if (category == kCatLsa)
            return EntryKind::PackageItem;
        if (category == kCatBootExecute)
            return EntryKind::BootItem;
        if (a.location == kAppSetupLocation)
            return EntryKind::ProgramList;
        return EntryKind::OwnValue;
    case kItemNamedValue:
        return EntryKind::NamedValue;
    case kItemSubKey:
        if (category == kCatServices)
            return EntryKind::Service;
        if (category == kCatDrivers)
            return EntryKind::Driver;
        if (category == kCatWinsock)
            return EntryKind::Provider;
        return EntryKind::SubKey;
    default:
        return EntryKind::None;
    }
}

ToggleResult ToggleEntry(EntryAddress &a, ChangeUi &ui) {
    const KindRow *row = RowOf(KindOf(a));
    if (row == nullptr)
        return ToggleResult::Unchanged;
    const bool disable = !a.rec->Disabled;
    const std::string &name = a.rec->EntryName;
    if (disable) {
        if (row->refusal != nullptr) {
            Tell(ui, row->refusal);
            return ToggleResult::Unchanged;
        }
        if (!MayActOn(*a.loc, *a.rec) || !row->disable(a)) {
            Tell(ui, "Failed to disable the startup of " + name + ".");
            return ToggleResult::Unchanged;
        }
        a.rec->Disabled = true;
        return ToggleResult::Disabled;
    }
    if (!MayActOn(*a.loc, *a.rec) || !row->enable(a)) {
        Tell(ui, row->enableFailed + name + ".");
        return ToggleResult::Unchanged;
    }
    a.rec->Disabled = false;
    return ToggleResult::Enabled;
}

std::string DeletePrompt(const StartupEntry &entry) {
    return "Are you sure you want to delete the autorun of " + entry.EntryName + "?";
}

bool DeleteEntry(const EntryAddress &a, ChangeUi &ui) {
    const KindRow *row = RowOf(KindOf(a));
    if (row == nullptr)
        return false;
    if (MayActOn(*a.loc, *a.rec) && row->remove(a))
        return true;
    Tell(ui, row->deleteFailed + a.rec->EntryName + ".");
    return false;
}

bool DeleteAddedEntry(int location, int entry, ChangeUi &ui) {
    const auto address = AddressOf(WatchLocations(), location, entry);
    return address && DeleteEntry(*address, ui);
}
