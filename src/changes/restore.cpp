#include "changes/restore.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "changes/backup.h"
#include "changes/snap_timer.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/names.h"
#include "scan/imagepath.h"
#include "scan/state.h"
#include "system/text.h"
#include "system/files.h"
#include "system/log.h"

namespace {

const char *const kTitle = "Quillmara";
constexpr int kStyleInfo = 64;

void Tell(ChangeUi &ui, const std::string &text) { ui.Ask(text, kStyleInfo, kTitle); }

bool IsOdd(const std::string &decimal) { return std::atoi(decimal.c_str()) % 2 != 0; }

// Copies every file of copies into target (both ending in "\"), and the
// copies of disabled files back into target's "AutorunsDisabled".
void CopyBack(const std::string &copies, const std::string &target, ChangeFlags &flags, int &failed) {
    const std::string disabledCopies = copies + kDisabledName + "\\";
    const std::string disabledTarget = target + kDisabledName + "\\";
    for (const auto &[from, to] : {std::pair{copies, target}, std::pair{disabledCopies, disabledTarget}}) {
        const std::vector<std::string> files = ListFolderFiles(from);
        if (files.empty())
            continue;
        // The shell makes no missing target folder here; none is written
        // through a link.
        if (!FolderHasNoLink(to) || !MakeDirectory(to.substr(0, to.size() - 1))) {
            flags.failure = true;
            failed += static_cast<int>(files.size());
            continue;
        }
        for (const std::string &name : files) {
            if (CopyFileNoLink(from + name, to + name)) {
                flags.success = true;
            } else {
                flags.failure = true;
                ++failed;
            }
        }
    }
}

// Why a key could not be restored, for the log.
std::string RestoreFailure(HKEY root, const std::string &key, const std::string &hive) {
    ScopedKey exists(OpenKey(root, key));
    if (!exists)
        return "the key does not exist";
    if (!FileExists(hive))
        return "the file " + hive + " is missing";
    return "its content could not be replaced from " + hive;
}

bool RestoreKey(HKEY root, const std::string &key, const std::string &hive, const char *tag) {
    if (RestoreKeyFromFile(key, hive, root))
        return true;
    WriteLog(std::string(tag) + "unable to restore " + RootName(root) + key + ": " + RestoreFailure(root, key, hive));
    return false;
}

bool RestoreFolder(const std::string &copies, const std::string &target, const char *tag, ChangeFlags &flags) {
    ChangeFlags own;
    int failed = 0;
    CopyBack(copies, target, own, failed);
    flags.success = flags.success || own.success;
    flags.failure = flags.failure || own.failure;
    if (own.success && !own.failure)
        return true;
    WriteLog(std::string(tag) + "unable to restore " + target + ": " +
             (own.success || own.failure ? std::to_string(failed) + " files could not be copied from " + copies
                                         : "no file in " + copies));
    return false;
}

// The key or folder a section names, as seen in the current view.
std::string MapKeyPath(const std::string &stored, bool viewLocal, bool backupLocal) {
    if (viewLocal == backupLocal)
        return stored;
    return viewLocal ? RemoveAll(stored, kRemotePrefix) : kRemotePrefix + stored;
}

std::string MapFolder(const std::string &stored, bool viewLocal, bool backupLocal) {
    if (viewLocal == backupLocal || stored.empty())
        return stored;
    if (!viewLocal)
        return RemapDrive(stored, ScannedInstallation());
    const std::string &windows = ScanLocations()[0].Entries[0].ImagePath;
    std::string mapped = stored;
    if (!windows.empty())
        mapped[0] = windows[0];
    return mapped;
}

// False (the user told) when others than Administrators and SYSTEM may
// change the backup in folder: what it holds would be written as the
// system's configuration.
bool Trusted(ChangeUi &ui, std::string folder) {
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    if (BackupFolderFault(folder).empty())
        return true;
    Tell(ui, "The backup in " + folder +
                 " was not restored: users other than Administrators and SYSTEM may change that folder or its files.");
    return false;
}

std::string WithoutFirst(const std::string &text) { return text.empty() ? text : text.substr(1); }

} // namespace

bool PutBackKey(ChangeUi &ui, int location, int pass) {
    auto &locations = ScanLocations();
    if (location < 1 || location > UpperBound(locations))
        return false;
    const ScanLocation &loc = locations[static_cast<size_t>(location)];
    if (pass < 1 || pass > UpperBound(loc.Passes)) {
        WriteLog("PutBackKey location " + std::to_string(location) + " has no pass " + std::to_string(pass));
        return false;
    }
    // The location text of the header row: the pass's key or folder.
    const std::string &rowText = loc.Passes[static_cast<size_t>(pass)].KeyText;
    const std::string expected = std::to_string(location) + ".dat";
    const std::string file = ui.ChooseDataFile(expected);
    if (file.empty())
        return false;
    if (LowerText(FileNamePart(file)) != expected) {
        Tell(ui, "The file you selected was not the correct file: " + expected + " was needed to restore that key.");
        return false;
    }
    const std::string folder = FolderPart(file);
    const ChosenFolder chosen(folder);
    if (!Trusted(ui, folder))
        return false;
    const bool viewLocal = loc.Scope % 2 != 0;
    BackupRec record;
    if (!GetBackupRecord(file, record, pass) || record.Path.empty()) {
        Tell(ui, "Invalid data in file.");
        return false;
    }
    const bool backupLocal = IsOdd(record.Scope);
    const std::string numbers = std::to_string(location) + "(" + std::to_string(pass) + ")";

    if (loc.MainKey != nullptr) {
        const std::string key = MapKeyPath(record.Path, viewLocal, backupLocal);
        if (LowerText(RootName(loc.MainKey) + key) != LowerText(rowText)) {
            Tell(ui, "Unable to restore key due to data mismatch.");
            return false;
        }
        return RestoreKey(loc.MainKey, key, folder + numbers + ".regf", "PutBackKey ");
    }
    const std::string target = MapFolder(record.Path, viewLocal, backupLocal);
    if (LowerText(WithoutFirst(rowText)) != LowerText(WithoutFirst(target))) {
        Tell(ui, "Unable to restore files due to data mismatch.");
        return false;
    }
    ChangeFlags flags;
    return RestoreFolder(folder + numbers + "\\", target, "PutBackKey ", flags);
}

void RestoreSelectedLocation(ChangeUi &ui, int location, int pass) {
    SnapTimerPause pause;
    if (PutBackKey(ui, location, pass))
        Tell(ui, "Key restore successful.");
}

void RestoreAllLocations(ChangeUi &ui) {
    SnapTimerPause pause;
    const std::string folder = ui.ChooseFolder(BackupStartFolder());
    const ChosenFolder chosen(folder);
    if (folder.empty() || !Trusted(ui, folder))
        return;
    ui.SetBusy(true);
    ChangeFlags flags;
    const auto &locations = ScanLocations();
    for (int l = 1; l <= UpperBound(locations); ++l) {
        const ScanLocation &loc = locations[static_cast<size_t>(l)];
        const std::string index = BackupIndexFile(folder, l);
        const std::string root = RootName(loc.MainKey);
        for (int s = 1; s == 1 || s <= UpperBound(loc.Passes); ++s) {
            BackupRec record;
            if (!GetBackupRecord(index, record, s) || record.Path.empty())
                continue;
            bool matched = false;
            for (size_t p = 1; p < loc.Passes.size() && !matched; ++p)
                matched = LowerText(ReplaceAllNoCase(loc.Passes[p].KeyText, root, "")) == LowerText(record.Path);
            if (!matched)
                continue;
            if (loc.MainKey != nullptr)
                (RestoreKey(loc.MainKey, record.Path, BackupHiveFile(folder, l, s), "RestoreAll ") ? flags.success
                                                                                                   : flags.failure) =
                    true;
            else
                RestoreFolder(BackupCopyFolder(folder, l, s), record.Path, "RestoreAll ", flags);
        }
    }
    ui.SetBusy(false);
    if (flags.success == flags.failure)
        Tell(ui, "Some keys were unable to be restored.");
    else if (flags.failure)
        Tell(ui, "Unable to restore any registry keys.");
    else
        Tell(ui, "All keys were successfully restored.");
}
