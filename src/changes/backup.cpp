#include "changes/backup.h"

#include <windows.h>

#include <aclapi.h>

#include <cstdlib>

#include "changes/entry_address.h"
#include "registry/access.h"
#include "registry/names.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/key_trust.h"
#include "scan/pathops.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "system/text.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/log.h"

namespace {

const char *const kTitle = "Quillmara";
constexpr int kStyleInfo = 64;
constexpr int kStylePlain = 0;
// Room of the profile reads: longer values are cut.
constexpr DWORD kProfileBuffer = 260;

std::string ReadProfile(const std::string &file, const std::string &section, const char *key) {
    char buffer[kProfileBuffer] = {};
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key, "", buffer, kProfileBuffer, file.c_str());
    return std::string(buffer, n);
}

// Section numbers and Scope values of an index file are 16-bit numbers: a
// larger one would be stored wrapped (40000 as a negative number).
constexpr long kMaxIndexNumber = 32767;

bool IsSectionNumber(long section) { return section >= 1 && section <= kMaxIndexNumber; }

// A decimal number that fits 16 bits, written without leading zeros; "" when
// text is no such number.
std::string DecimalScope(const std::string &text) {
    if (text.empty() || text.size() > 6)
        return "";
    for (char c : text)
        if (c < '0' || c > '9')
            return "";
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value > kMaxIndexNumber ? "" : std::to_string(value);
}

BackupSecurityStandIn &StandIn() {
    static BackupSecurityStandIn standIn;
    return standIn;
}

// Gives a backup file or folder kBackupSecurity; false (logged) when it cannot.
bool ProtectBackupItem(const std::string &path) {
    if (StandIn().write)
        return StandIn().write(path, kBackupSecurity);
    const DWORD rc = GiveProtectedSecurity(path, DescriptorFromText(kBackupSecurity));
    if (rc != ERROR_SUCCESS)
        WriteLog("BackupKey cannot protect " + path + ": " + ApiErrorText(static_cast<long>(rc)));
    return rc == ERROR_SUCCESS;
}

// Why the file or folder at path is not to be trusted ("" when it is).
std::string ItemFault(const std::string &path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return "it is a link or junction";
    if (StandIn().read) {
        const DescriptorFromText sd(StandIn().read(path));
        return FolderSecurityFault(sd.get());
    }
    return FolderSecurityKept() ? PathSecurityFault(path) : "";
}

// The first fault of folder (no trailing "\\") and what it holds, depth
// levels of subfolders deep; "" when none. where receives the item.
std::string TreeFault(const std::string &folder, int depth, std::string &where) {
    where = folder;
    std::string fault = ItemFault(folder);
    if (!fault.empty())
        return fault;
    for (const FolderEntry &entry : ListFolder(folder + "\\")) {
        if (entry.name == "." || entry.name == "..")
            continue;
        const std::string path = folder + "\\" + entry.name;
        where = path;
        if (entry.link)
            return "it is a link or junction";
        if (!NameActsExactly(entry.wide, NameUse::File))
            return "its name cannot be spelled exactly";
        fault = entry.folder ? (depth > 0 ? TreeFault(path, depth - 1, where) : "it is a folder too deep to check")
                             : ItemFault(path);
        if (!fault.empty())
            return fault;
    }
    return "";
}

// Copies file into folder (made protected when missing) under its own name.
bool CopyInto(const std::string &file, const std::string &folder) {
    const std::string made = folder.substr(0, folder.size() - 1);
    if (!MakeDirectory(made) || !ProtectBackupItem(made))
        return false;
    return CopyFileNoLink(file, folder + FileNamePart(file));
}

void BackupRegistryPass(const ScanLocation &loc, const BackupRec &base, int location, int pass,
                        const std::string &folder, ChangeFlags &flags) {
    const std::string root = RootName(loc.MainKey);
    const std::string key = ReplaceAllNoCase(loc.Passes[static_cast<size_t>(pass)].KeyText, root, "");
    {
        // A key that is not there holds nothing to back up.
        ScopedKey exists(OpenKey(loc.MainKey, key));
        if (!exists)
            return;
    }
    const std::string hive = BackupHiveFile(folder, location, pass);
    if (!SaveKeyToFile(key, hive, loc.MainKey)) {
        WriteLog("BackupKey unable to save " + root + key + " to " + hive);
        flags.failure = true;
        return;
    }
    BackupRec record = base;
    record.Path = key;
    const std::string index = BackupIndexFile(folder, location);
    const bool protectedFiles = ProtectBackupItem(hive) &&
                                (!FileExists(CheckRecordFile(hive)) || ProtectBackupItem(CheckRecordFile(hive)));
    (PutBackupRecord(index, record) && protectedFiles && ProtectBackupItem(index) ? flags.success : flags.failure) =
        true;
}

void BackupFolderPass(const ScanLocation &loc, const BackupRec &base, int location, int pass, const std::string &folder,
                      ChangeFlags &flags) {
    const std::string copies = BackupCopyFolder(folder, location, pass);
    const std::string passFolder = loc.Passes[static_cast<size_t>(pass)].KeyText;
    for (size_t i = 1; i < loc.Entries.size(); ++i) {
        const StartupEntry &entry = loc.Entries[i];
        // A deleted entry's file is gone on purpose.
        if (entry.PassIndex != pass || entry.Deleted)
            continue;
        // A disabled file lies in the pass folder's "AutorunsDisabled"; its
        // copy goes to the same subfolder of the copy folder, and the section
        // names the pass folder either way.
        const bool disabled = entry.Disabled && !passFolder.empty();
        const std::string target = disabled ? copies + kDisabledName + "\\" : copies;
        if (!MayActOn(loc, entry)) {
            flags.failure = true;
            continue;
        }
        if ((disabled && !(MakeDirectory(copies.substr(0, copies.size() - 1)) &&
                           ProtectBackupItem(copies.substr(0, copies.size() - 1)))) ||
            !CopyInto(entry.ItemName, target)) {
            WriteLog("BackupKey unable to copy " + entry.ItemName + " to " + target);
            flags.failure = true;
            continue;
        }
        BackupRec record = base;
        record.Path = disabled ? passFolder : FolderPart(entry.ItemName);
        const std::string index = BackupIndexFile(folder, location);
        (PutBackupRecord(index, record) && ProtectBackupItem(index) ? flags.success : flags.failure) = true;
    }
}

// Both flags set, or neither: some failed; one alone says which.
enum class Outcome { Some, NoneDone, AllDone };
Outcome OutcomeOf(const ChangeFlags &flags) {
    if (flags.success == flags.failure)
        return Outcome::Some;
    return flags.failure ? Outcome::NoneDone : Outcome::AllDone;
}

} // namespace

std::string BackupIndexFile(const std::string &folder, int location) {
    return folder + "\\" + std::to_string(location) + ".dat";
}

std::string BackupHiveFile(const std::string &folder, int location, int pass) {
    return folder + "\\" + std::to_string(location) + "(" + std::to_string(pass) + ").regf";
}

std::string BackupCopyFolder(const std::string &folder, int location, int pass) {
    return folder + "\\" + std::to_string(location) + "(" + std::to_string(pass) + ")\\";
}

bool PutBackupRecord(const std::string &indexFile, const BackupRec &record) {
    const std::string section = std::to_string(record.Section);
    if (!IsSectionNumber(record.Section) || DecimalScope(record.Scope).empty()) {
        WriteLog("PutBackupRecord no valid section " + section + " or Scope " + record.Scope + " for " + indexFile);
        return false;
    }
    const std::pair<const char *, const std::string *> keys[] = {{"MainKey", &record.MainKey},
                                                                 {"LocalPath", &record.LocalPath},
                                                                 {"RemotePath", &record.RemotePath},
                                                                 {"Scope", &record.Scope},
                                                                 {"Path", &record.Path}};
    for (const auto &[key, value] : keys) {
        if (!WritePrivateProfileStringA(section.c_str(), key, value->c_str(), indexFile.c_str())) {
            WriteLog("PutBackupRecord " + ApiErrorText(static_cast<long>(GetLastError())) + " " + indexFile);
            return false;
        }
    }
    BackupRec check;
    return GetBackupRecord(indexFile, check, record.Section);
}

bool GetBackupRecord(const std::string &indexFile, BackupRec &record, int section) {
    const std::string name = std::to_string(section);
    if (!IsSectionNumber(section)) {
        WriteLog("GetBackupRecord no valid section " + name + " in " + indexFile);
        return false;
    }
    const std::string path = ReadProfile(indexFile, name, "Path");
    if (path.empty())
        return false;
    record.Path = path;
    record.LocalPath = ReadProfile(indexFile, name, "LocalPath");
    record.RemotePath = ReadProfile(indexFile, name, "RemotePath");
    const std::string scope = DecimalScope(ReadProfile(indexFile, name, "Scope"));
    if (scope.empty()) {
        WriteLog("GetBackupRecord no valid Scope in section " + name + " of " + indexFile);
        return false;
    }
    record.Scope = scope;
    record.MainKey = ReadProfile(indexFile, name, "MainKey");
    record.Section = static_cast<short>(section);
    return true;
}

void BackupPass(int location, int pass, const std::string &folder, ChangeFlags &flags) {
    const auto &locations = ScanLocations();
    if (location < 1 || location > UpperBound(locations))
        return;
    const ScanLocation &loc = locations[static_cast<size_t>(location)];
    if (!IsSectionNumber(pass) || pass > UpperBound(loc.Passes)) {
        WriteLog("BackupKey location " + std::to_string(location) + " has no pass " + std::to_string(pass));
        return;
    }
    BackupRec base;
    base.MainKey = RootName(loc.MainKey);
    base.Scope = std::to_string(loc.Scope);
    base.LocalPath = loc.LocalPath;
    base.RemotePath = kRemotePrefix + loc.LocalPath;
    base.Section = static_cast<short>(pass);
    if (!base.MainKey.empty())
        BackupRegistryPass(loc, base, location, pass, folder, flags);
    else
        BackupFolderPass(loc, base, location, pass, folder, flags);
}

std::string BackupStartFolder() { return ProgramFolder(); }

std::string BackupFolderFault(const std::string &folder) {
    std::string where;
    const std::string fault = TreeFault(folder, 2, where);
    if (!fault.empty())
        WriteLog("The backup in " + folder + " is not restored: " + where + " (" + fault + ")");
    return fault;
}

void SetBackupSecurityStandIn(BackupSecurityStandIn standIn) { StandIn() = std::move(standIn); }

bool BackupKey(ChangeUi &ui, int location, int pass) {
    ChangeFlags flags;
    const std::string folder = ui.ChooseFolder(BackupStartFolder());
    if (!folder.empty())
        BackupPass(location, pass, folder, flags);
    switch (OutcomeOf(flags)) {
    case Outcome::AllDone:
        return true;
    case Outcome::Some:
        ui.Ask("Some keys were unable to be backed up.", kStyleInfo, kTitle);
        return false;
    case Outcome::NoneDone:
        // Saying nothing here would leave a failed backup looking like one
        // not yet made.
        WriteLog("Unable to back up any registry keys.");
        ui.Ask("Unable to back up any registry keys.", kStyleInfo, kTitle);
        return false;
    }
    return false;
}

void BackupSelectedLocation(ChangeUi &ui, int location, int pass) {
    const auto &locations = ScanLocations();
    if (location < 1 || location > UpperBound(locations))
        return;
    if (UpperBound(locations[static_cast<size_t>(location)].Entries) == 0) {
        ui.Ask("Location is empty, nothing to backup.", kStyleInfo, kTitle);
        return;
    }
    if (BackupKey(ui, location, pass))
        ui.Ask("Backup successful.", kStyleInfo, kTitle);
}

void BackupAllLocations(ChangeUi &ui, const ShownList &shown) {
    const std::string folder = ui.ChooseFolder(BackupStartFolder());
    if (folder.empty())
        return;
    // Read now: the grids may have been filled again while the dialog was open.
    const std::vector<RowRef> rows = shown.ShownRows();
    const std::string text = shown.GetGridsText();
    if (WriteStringToFile(folder + "\\Quillmara.txt", text) != static_cast<long>(text.size())) {
        ui.Ask("Unable to save files to that location. May be read-only.", kStylePlain, kTitle);
        return;
    }
    ui.SetBusy(true);
    ChangeFlags flags;
    for (const RowRef &row : rows)
        if (row.IsHeader())
            BackupPass(row.location, row.pass, folder, flags);
    ui.SetBusy(false);
    switch (OutcomeOf(flags)) {
    case Outcome::Some:
        ui.Ask("Some keys were unable to be backed up.", kStyleInfo, kTitle);
        break;
    case Outcome::NoneDone:
        ui.Ask("Unable to back up any registry keys.", kStyleInfo, kTitle);
        break;
    case Outcome::AllDone:
        ui.Ask("All keys were successfully backed up.", kStyleInfo, kTitle);
        break;
    }
}
