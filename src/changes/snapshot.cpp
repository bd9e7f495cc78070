#include "changes/snapshot.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "changes/change_detect.h"
#include "changes/entry_address.h"
#include "changes/hive_skeleton.h"
#include "changes/settings.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/names.h"
#include "resources/ids.h"
#include "scan/pathops.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "system/text.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/log.h"
#include "system/platform.h"

namespace {

constexpr int kKnownDllsLocation = 56;
constexpr int kBootExecuteLocation = 50;

bool IsFolderPath(const std::string &path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WriteList(const std::string &folder, const std::string &text) {
    const long written = WriteStringToFile(folder + "\\" + kSnapshotListName, text);
    if (written != static_cast<long>(text.size())) {
        WriteLog("Unable to save file to that location. May be read-only.");
        return false;
    }
    return true;
}

// The names of the user hives of the snapshot: one for every user pass of the
// live scan, in the same order, so that the snapshot's user passes line up
// with the live ones; the user keys of HKEY_USERS when no location has one.
void SnapshotUserHives() {
    auto &hives = UserHives();
    for (int n = 1; n <= UpperBound(ScanLocations()); ++n) {
        const ScanLocation &loc = ScanLocations()[static_cast<size_t>(n)];
        if (loc.MainKey != HKEY_USERS || UpperBound(loc.Passes) < 1)
            continue;
        hives.assign(1, std::string());
        const std::string root = RootName(HKEY_USERS);
        for (int p = 1; p <= UpperBound(loc.Passes); ++p) {
            const std::string path = PassKeyPath(loc.Passes[static_cast<size_t>(p)].KeyText, root, false);
            const std::string user = path.substr(0, path.find('\\'));
            if (!user.empty())
                hives.push_back(kRemotePrefix + user);
        }
        return;
    }
    hives = ListUserHives();
}

// Everything of one build after the list text is written.
class Builder {
  public:
    Builder(const std::string &folder, SnapshotHost &host) : folder_(folder), ui_(host.Ui()), host_(host) {}

    bool Run(bool &useExisting) {
        if (!useExisting && !EmptySnapshotFolder(folder_)) {
            ui_.Ask("Error deleting snapshot please delete it manually and retry.", 16, "Quillmara");
            host_.OpenFolder(folder_);
            return false;
        }
        SnapshotUserHives();
        ui_.SetProgress(5);
        if (!LoadHives(useExisting))
            return false;
        ui_.SetProgress(10);
        if (!useExisting) {
            FillLocations();
            if (!WriteLeftOut(folder_, leftOut_))
                failed_ = true;
            ui_.SetProgress(90);
            CopyClasses();
        } else {
            ui_.SetProgress(90);
        }
        if (failed_) {
            WriteLog("Some keys were unable to be restored.");
            return false;
        }
        WriteLog("All keys were successfully restored.");
        return true;
    }

  private:
    bool LoadHives(bool &useExisting) {
        struct Hive {
            std::string name;
            int resource;
            HKEY root;
        };
        std::vector<Hive> hives{{kRemoteSoftware, IDR_HIVE_SOFTWARE, HKEY_LOCAL_MACHINE},
                                {kRemoteSystem, IDR_HIVE_SYSTEM, HKEY_LOCAL_MACHINE}};
        for (int u = 1; u <= UpperBound(UserHives()); ++u)
            hives.push_back({UserHives()[static_cast<size_t>(u)], IDR_HIVE_USER, HKEY_USERS});
        for (const Hive &hive : hives) {
            const std::string file = folder_ + "\\" + hive.name;
            if (!(useExisting && FileExists(file))) {
                if (!WriteHiveResToFile(file, hive.resource))
                    return false;
                useExisting = false;
            }
            if (!LoadHive(file, hive.root, hive.name))
                return false;
        }
        return true;
    }

    void FillLocations() {
        const auto &locations = ScanLocations();
        bool bootExecuteCopied = false;
        for (int n = 1; n <= UpperBound(locations); ++n) {
            ui_.SetProgress(n + 10);
            DoEvents();
            const ScanLocation &loc = locations[static_cast<size_t>(n)];
            // The Known DLLs key lies inside the Session Manager key that the
            // Boot Execute location copies; on its own only when that did not.
            if (n == kKnownDllsLocation && bootExecuteCopied)
                continue;
            if (loc.MainKey == nullptr) {
                CopyFiles(n, loc);
                continue;
            }
            const bool copied = CopyKeys(n, loc);
            if (n == kBootExecuteLocation)
                bootExecuteCopied = copied;
        }
    }

    // A file that cannot be copied (no path names it exactly, it cannot be
    // read, it has more than one name) stays out of the snapshot, logged and
    // recorded: one user's file does not stop the watch.
    void CopyFiles(int n, const ScanLocation &loc) {
        for (int e = 1; e <= UpperBound(loc.Entries); ++e) {
            const StartupEntry &entry = loc.Entries[static_cast<size_t>(e)];
            // A deleted entry's file is gone on purpose.
            if (entry.Deleted)
                continue;
            const std::string &source = entry.ItemName;
            const std::string folder = SnapshotCopyFolder(folder_, n, entry.PassIndex, entry.Disabled);
            if (!MakeCopyFolders(folder_, n, entry.PassIndex, entry.Disabled)) {
                WriteLog(std::to_string(n) + " = " + source);
                failed_ = true;
            } else if (!MayActOn(loc, entry) || !CopyFileNoLink(source, folder + FileNamePart(source))) {
                WriteLog(std::to_string(n) + " = " + source + " is left out of the snapshot");
                leftOut_.push_back(LeftOutOf(n, entry));
            }
        }
    }

    // Saves and restores every pass with entries; true when any was copied.
    bool CopyKeys(int n, const ScanLocation &loc) {
        const std::string rootText = RootName(loc.MainKey);
        bool copied = false;
        for (int p = 1; p <= UpperBound(loc.Passes); ++p) {
            const ScanPass &pass = loc.Passes[static_cast<size_t>(p)];
            if (UpperBound(pass.EntryIndexes) < 1)
                continue;
            copied = true;
            const std::string keyPath = PassKeyPath(pass.KeyText, rootText, false);
            const std::string file = folder_ + "\\" + PassFileStem(n, p) + ".regf";
            if (!SaveKeyToFile(keyPath, file, loc.MainKey)) {
                WriteLog(std::to_string(n) + " = " + keyPath);
                failed_ = true;
                continue;
            }
            // A key that several locations read is written into the snapshot
            // once; each location still gets its own file.
            const std::string restoreKey = LowerText(RootName(loc.MainKey) + keyPath);
            if (restored_.count(restoreKey) != 0)
                continue;
            const std::string target = kRemotePrefix + keyPath;
            MakeSnapshotKey(loc.MainKey, target);
            if (!RestoreKeyFromFile(target, file, loc.MainKey)) {
                WriteLog(std::to_string(n) + " = " + target);
                failed_ = true;
                continue;
            }
            restored_.insert(restoreKey);
        }
        return copied;
    }

    void CopyClasses() {
        const std::string keyPath = "Software\\Classes\\CLSID";
        const std::string file = folder_ + "\\CLSID.regf";
        const std::string after = std::to_string(UpperBound(ScanLocations()) + 1);
        if (!SaveKeyToFile(keyPath, file, HKEY_LOCAL_MACHINE)) {
            WriteLog(after + " = " + keyPath);
            failed_ = true;
            return;
        }
        ui_.SetProgress(95);
        const std::string target = kRemotePrefix + keyPath;
        MakeSnapshotKey(HKEY_LOCAL_MACHINE, target);
        if (!RestoreKeyFromFile(target, file, HKEY_LOCAL_MACHINE)) {
            WriteLog(after + " = " + target);
            failed_ = true;
        }
    }

    std::string folder_;
    ChangeUi &ui_;
    SnapshotHost &host_;
    bool failed_ = false;
    std::set<std::string> restored_;
    std::vector<LeftOutFile> leftOut_;
};

} // namespace

void MakeSnapshotKey(HKEY root, const std::string &path) { CloseKey(CreateKeyWrite(root, path)); }

std::string PassFileStem(int location, int pass) { return std::to_string(location) + "(" + std::to_string(pass) + ")"; }

std::string SnapshotCopyFolder(const std::string &snapshot, int location, int pass, bool disabled) {
    return snapshot + "\\" + (disabled ? kDisabledName + "\\" : std::string()) + PassFileStem(location, pass) + "\\";
}

std::string PassKeyPath(const std::string &keyText, const std::string &rootText, bool snapshotPass) {
    std::string path = rootText.empty() ? keyText : ReplaceAllNoCase(keyText, rootText, "");
    if (snapshotPass)
        path = RemoveAll(path, kRemotePrefix);
    return path;
}

bool MakeCopyFolders(const std::string &snapshot, int location, int pass, bool disabled) {
    return MakeFolders(SnapshotCopyFolder(snapshot, location, pass, false)) &&
           (!disabled || MakeFolders(SnapshotCopyFolder(snapshot, location, pass, true)));
}

bool MakeFolders(const std::string &path) {
    std::string folder = path;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    if (folder.empty())
        return false;
    if (IsFolderPath(folder))
        return true;
    const auto slash = folder.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && folder[slash - 1] != ':' && !MakeFolders(folder.substr(0, slash)))
        return false;
    return MakeDirectory(folder);
}

namespace {

// Takes one item of a folder away: a file is deleted, a linked folder goes as
// a link (what it leads to stays), a real folder is emptied and removed.
bool RemoveItem(const std::string &path, const FolderEntry &item) {
    if (!item.link)
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (item.folder && !item.link && !EmptyFolder(path))
        return false; // told by the inner call
    const bool removed = item.link ? RemoveLinkItself(path, item.folder)
                                   : (item.folder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str())) != FALSE;
    if (!removed) {
        WriteLog("EmptyFolder cannot delete " + path + ": " + ApiErrorText(static_cast<long>(GetLastError())));
        return false;
    }
    return true;
}

// "L(N)": decimal digits, "(", decimal digits, ")".
bool IsPassStem(const std::string &name) {
    const auto open = name.find('(');
    if (open == 0 || open == std::string::npos || name.size() < open + 3 || name.back() != ')')
        return false;
    for (size_t i = 0; i + 1 < name.size(); ++i)
        if (i != open && (name[i] < '0' || name[i] > '9'))
            return false;
    return true;
}

// Removes what the snapshot owns directly in folder (the disabled-copy level
// holds only pass folders) and adds the names of everything else to kept.
bool RemoveSnapshotItems(const std::string &folder, bool disabledLevel, const std::string &shownAs,
                         std::vector<std::string> &kept) {
    bool removed = true;
    for (const FolderEntry &item : ListFolder(folder + "\\")) {
        if (item.name == "." || item.name == "..")
            continue;
        if (!NameActsExactly(item.wide, NameUse::File)) {
            kept.push_back(shownAs + item.name);
            continue;
        }
        const std::string path = folder + "\\" + item.name;
        const bool store = !disabledLevel && item.folder && !item.link && LowerText(item.name) == LowerText(kDisabledName);
        if (store) {
            const size_t before = kept.size();
            removed = RemoveSnapshotItems(path, true, shownAs + item.name + "\\", kept) && removed;
            if (kept.size() == before && !RemoveItem(path, item))
                removed = false;
            continue;
        }
        if (IsSnapshotItem(item.name, item.folder, disabledLevel))
            removed = RemoveItem(path, item) && removed;
        else
            kept.push_back(shownAs + item.name);
    }
    return removed;
}

} // namespace

bool IsSnapshotItem(const std::string &name, bool folder, bool inDisabledCopies) {
    if (folder)
        return IsPassStem(name) || (!inDisabledCopies && LowerText(name) == LowerText(kDisabledName));
    if (inDisabledCopies)
        return false;
    const std::string lower = LowerText(name);
    // A hive file and what the system keeps beside a loaded hive (its logs),
    // or the check record of a saved key.
    if (lower.rfind(LowerText(kRemotePrefix), 0) == 0)
        return true;
    std::string stem = lower;
    if (EndsWithNoCase(stem, ".check"))
        stem.erase(stem.size() - 6);
    if (!EndsWithNoCase(stem, ".regf"))
        return lower == LowerText(kSnapshotListName) || lower == LowerText(kLeftOutName);
    stem.erase(stem.size() - 5);
    return stem == "clsid" || IsPassStem(stem);
}

bool EmptySnapshotFolder(const std::string &folder) {
    if (!IsFolderPath(folder))
        return false;
    std::vector<std::string> kept;
    const bool removed = RemoveSnapshotItems(folder, false, "", kept);
    if (!kept.empty()) {
        std::string names;
        for (const std::string &name : kept)
            names += (names.empty() ? "" : ", ") + name;
        WriteLog("EmptySnapshotFolder left what is not the snapshot's in " + folder + ": " + names);
    }
    return removed;
}

bool EmptyFolder(const std::string &folder) {
    if (!IsFolderPath(folder))
        return false;
    bool empty = true;
    for (const FolderEntry &item : ListFolder(folder + "\\")) {
        if (item.name == "." || item.name == "..")
            continue;
        // A name the code page cannot spell names some other path: left.
        if (!NameActsExactly(item.wide, NameUse::File)) {
            WriteLog("EmptyFolder left " + folder + "\\" + item.name + ": its name cannot be spelled exactly");
            empty = false;
        } else if (!RemoveItem(folder + "\\" + item.name, item)) {
            empty = false;
        }
    }
    return empty;
}

bool SnapshotTakenFlag(bool write) {
    if (write)
        return WriteSetting("SnapshotTaken", "Yes");
    return ReadSetting("SnapshotTaken") == "Yes";
}

bool SaveSnapshotText(const std::string &text) {
    std::string folder = ReadSetting("SnapshotPath");
    const std::string data = DefaultDataFolder();
    const std::string fallback = data.empty() ? "" : data + "\\Snapshot";
    // The default folder is settled below, with the data folder above it.
    if (!folder.empty() && !SameFolder(folder, fallback) && IsFolderPath(folder)) {
        const std::string fault = DataFolderFault(folder);
        if (fault.empty()) {
            if (!WriteList(folder, text))
                return false;
            SnapshotPath() = folder;
            return true;
        }
        WriteLog("SaveSnapshotText does not use " + folder + " (" + fault + ")");
    }
    if (data.empty())
        return false;
    // A data folder someone else made (and holds open) is left as it is and
    // a fresh one used, as at start when the log lives elsewhere.
    std::string dataFolder = data, note;
    bool settled = SettleStartDataFolder(FirstDataFolder(), dataFolder, note);
    if (!note.empty())
        WriteLog(note);
    if (!settled)
        return false;
    const std::string snapshot = dataFolder + "\\Snapshot";
    note.clear();
    settled = SettleDataFolder(snapshot, note);
    if (!note.empty())
        WriteLog(note);
    if (!settled || !WriteList(snapshot, text) || !WriteSetting("SnapshotPath", snapshot))
        return false;
    SnapshotPath() = snapshot;
    return true;
}

bool BuildSnapshot(bool &useExisting, SnapshotHost &host, bool hidden) {
    ChangeUi &ui = host.Ui();
    host.ShowMainWindow(false);
    ui.SetBusy(true);
    if (!hidden)
        ui.ShowProgress(kBuildingSnapshot);
    bool ok = SaveSnapshotText(host.GetGridsText());
    if (ok) {
        Builder builder(SnapshotPath(), host);
        ok = builder.Run(useExisting);
    }
    ui.HideProgress();
    if (!(ok && hidden))
        host.ShowMainWindow(true);
    ui.SetBusy(false);
    return ok;
}

namespace {

// A field of a record line: no tab or line end inside.
std::string Field(std::string text) {
    for (char &c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

bool SameFile(const LeftOutFile &file, int location, const StartupEntry &entry) {
    return file.location == location && file.pass == entry.PassIndex && file.itemName == EntryIdentity(entry);
}

} // namespace

LeftOutFile LeftOutOf(int location, const StartupEntry &entry) {
    return {location,        entry.PassIndex,  entry.Disabled, !NameActsExactly(entry.HeldName, NameUse::File),
            EntryIdentity(entry), entry.EntryName, entry.ImagePath};
}

std::string LeftOutText(const std::vector<LeftOutFile> &files) {
    std::string text;
    for (const LeftOutFile &f : files)
        text += std::to_string(f.location) + "\t" + std::to_string(f.pass) + "\t" + (f.disabled ? "1" : "0") + "\t" +
                (f.unsafe ? "1" : "0") + "\t" + Field(f.itemName) + "\t" + Field(f.entryName) + "\t" +
                Field(f.imagePath) + "\r\n";
    return text;
}

std::vector<LeftOutFile> ParseLeftOut(const std::string &text) {
    std::vector<LeftOutFile> files;
    const auto number = [](const std::string &digits, int most) {
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        const int n = std::stoi(digits);
        return n <= most ? n : 0;
    };
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        for (size_t from = 0;;) {
            const size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos)
                break;
            from = tab + 1;
        }
        if (fields.size() != 7)
            continue;
        LeftOutFile f{number(fields[0], 32767), number(fields[1], 32767), fields[2] == "1", fields[3] == "1",
                      fields[4], fields[5], fields[6]};
        if (f.location > 0 && f.pass > 0 && !f.itemName.empty())
            files.push_back(std::move(f));
    }
    return files;
}

std::vector<LeftOutFile> ReadLeftOut(const std::string &snapshot) {
    std::string text;
    if (snapshot.empty() || !ReadFileBytes(snapshot + "\\" + kLeftOutName, text))
        return {};
    return ParseLeftOut(text);
}

bool WriteLeftOut(const std::string &snapshot, const std::vector<LeftOutFile> &files) {
    const std::string text = LeftOutText(files);
    return RewriteFileNoLink("WriteLeftOut", snapshot + "\\" + kLeftOutName, [&](std::string &bytes) {
        bytes = text;
        return true;
    });
}

bool IsLeftOut(const std::vector<LeftOutFile> &files, int location, const StartupEntry &entry) {
    for (const LeftOutFile &f : files)
        if (SameFile(f, location, entry))
            return true;
    return false;
}

bool KeepLeftOut(const std::string &snapshot, int location, const StartupEntry &entry) {
    std::vector<LeftOutFile> files = ReadLeftOut(snapshot);
    if (IsLeftOut(files, location, entry))
        return true;
    files.push_back(LeftOutOf(location, entry));
    return WriteLeftOut(snapshot, files);
}

bool DropLeftOut(const std::string &snapshot, int location, const StartupEntry &entry) {
    std::vector<LeftOutFile> files = ReadLeftOut(snapshot);
    const size_t before = files.size();
    std::erase_if(files, [&](const LeftOutFile &f) { return SameFile(f, location, entry); });
    return files.size() == before || WriteLeftOut(snapshot, files);
}

void AddLeftOutEntries(std::vector<ScanLocation> &snapshot, const std::vector<LeftOutFile> &files) {
    for (const LeftOutFile &f : files) {
        if (f.location > UpperBound(snapshot))
            continue;
        ScanLocation &loc = snapshot[static_cast<size_t>(f.location)];
        if (loc.MainKey != nullptr || f.pass > UpperBound(loc.Passes))
            continue;
        StartupEntry entry;
        entry.ItemName = f.itemName;
        entry.EntryName = f.entryName;
        entry.ImagePath = f.imagePath;
        entry.Disabled = f.disabled;
        // The name the folder holds is not in the record: one that does not
        // act exactly stays refused by a stand-in that never does.
        entry.HeldName = f.unsafe ? std::wstring(1, L'\uFF0F') : WideText(f.entryName);
        entry.PassIndex = static_cast<short>(f.pass);
        if (loc.Entries.empty())
            loc.Entries.resize(1);
        if (std::none_of(loc.Entries.begin() + 1, loc.Entries.end(), [&](const StartupEntry &e) {
                return e.PassIndex == entry.PassIndex && EntryIdentity(e) == f.itemName;
            })) {
            loc.Entries.push_back(std::move(entry));
            loc.Passes[static_cast<size_t>(f.pass)].EntryIndexes.push_back(UpperBound(loc.Entries));
        }
    }
}
