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
#include "system/handles.h"
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

// Gives a backup file or folder kBackupSecurity, through a handle on exactly
// that item (never through a link); false (logged) when it cannot.
bool ProtectBackupItem(const std::string &path) {
    FileHandle item = OpenNoLink("BackupKey", path, READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!item)
        return false;
    if (StandIn().write)
        return StandIn().write(path, kBackupSecurity);
    const DWORD rc = GiveProtectedSecurity(item.get(), SE_FILE_OBJECT, DescriptorFromText(kBackupSecurity));
    if (rc != ERROR_SUCCESS)
        WriteLog("BackupKey cannot protect " + path + ": " + ApiErrorText(static_cast<long>(rc)));
    return rc == ERROR_SUCCESS;
}

// Why the file or folder at path is not to be trusted ("" when it is): it is
// refused by OpenNoLink (a link, a second name) or its security, read from
// the item opened, lets others change it.
std::string ItemFault(const std::string &path) {
    FileHandle item = OpenNoLink("BackupFolderFault", path, READ_CONTROL,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!item)
        return "it is a link or a second name, or cannot be opened";
    if (StandIn().read) {
        const DescriptorFromText sd(StandIn().read(path));
        return FolderSecurityFault(sd.get());
    }
    if (!FolderSecurityKept())
        return "";
    const OwnedSecurity sd = SecurityOfObject(item.get(), SE_FILE_OBJECT);
    return FolderSecurityFault(sd.get());
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

// Copies file into folder (made protected when missing) under its own name,
// and protects the copy.
bool CopyInto(const std::string &file, const std::string &folder) {
    const std::string made = folder.substr(0, folder.size() - 1);
    if (!MakeDirectory(made) || !ProtectBackupItem(made))
        return false;
    const std::string copy = folder + FileNamePart(file);
    return CopyFileNoLink(file, copy) && ProtectBackupItem(copy);
}

// The line text without blanks and tabs at either end.
std::string TrimmedLine(const std::string &line) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos)
        return "";
    return line.substr(start, line.find_last_not_of(" \t") - start + 1);
}

// True, with its name, when a line opens a section ("[name]", blanks around ignored).
bool SectionOfLine(const std::string &line, std::string &name) {
    const std::string trimmed = TrimmedLine(line);
    const size_t close = trimmed.find(']');
    if (trimmed.empty() || trimmed[0] != '[' || close == std::string::npos)
        return false;
    name = TrimmedLine(trimmed.substr(1, close - 1));
    return true;
}

// False (the user told, logged) when the chosen folder is not one to back up
// into: a link, or where others may change it or what it holds (as Restore
// judges a backup), for what is written there would be restored as the
// system's configuration.
bool TargetTrusted(ChangeUi &ui, const std::string &folder) {
    std::string where;
    std::string fault = FolderHasNoLink(folder) ? TreeFault(folder, 2, where) : "it is a link or passes one";
    if (fault.empty())
        return true;
    WriteLog("BackupKey does not write into " + folder + ": " + (where.empty() ? folder : where) + " (" + fault + ")");
    ui.Ask("The backup was not written to " + folder +
               ": users other than Administrators and SYSTEM may change that folder or its files.",
           kStyleInfo, kTitle);
    return false;
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
    const std::vector<std::pair<std::string, std::string>> keys = {{"MainKey", record.MainKey},
                                                                    {"LocalPath", record.LocalPath},
                                                                    {"RemotePath", record.RemotePath},
                                                                    {"Scope", record.Scope},
                                                                    {"Path", record.Path}};
    // Written through a handle on exactly the index file (the profile calls
    // would write through whatever lies at its name), then read back by them.
    const bool written = RewriteFileNoLink("PutBackupRecord", indexFile, [&](std::string &text) {
        text = WithProfileKeys(text, section, keys);
        return true;
    });
    // The profile calls keep what they read of a file: let them read it again.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, indexFile.c_str());
    if (!written)
        return false;
    BackupRec check;
    return GetBackupRecord(indexFile, check, record.Section);
}

std::string WithProfileKeys(const std::string &text, const std::string &section,
                            const std::vector<std::pair<std::string, std::string>> &keys) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        at = end + 1;
    }
    // The section's header line and the line after its last line.
    size_t header = lines.size();
    for (size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
        std::string name;
        if (SectionOfLine(lines[i], name) && LowerText(name) == LowerText(section))
            header = i;
    }
    if (header == lines.size()) {
        lines.push_back("[" + section + "]");
    }
    size_t end = header + 1;
    for (std::string name; end < lines.size() && !SectionOfLine(lines[end], name);)
        ++end;
    for (const auto &[key, value] : keys) {
        bool replaced = false;
        for (size_t i = header + 1; i < end && !replaced; ++i) {
            const size_t equals = lines[i].find('=');
            if (equals != std::string::npos && LowerText(TrimmedLine(lines[i].substr(0, equals))) == LowerText(key)) {
                lines[i] = key + "=" + value;
                replaced = true;
            }
        }
        if (replaced)
            continue;
        // A new key follows the section's last line that is not empty.
        size_t at = end;
        while (at > header + 1 && TrimmedLine(lines[at - 1]).empty())
            --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
        ++end;
    }
    std::string result;
    for (const std::string &line : lines)
        result += line + "\r\n";
    return result;
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
    const ChosenFolder chosen(folder);
    if (!folder.empty() && !TargetTrusted(ui, folder))
        return false;
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
    const ChosenFolder chosen(folder);
    if (!TargetTrusted(ui, folder))
        return;
    // Read now: the grids may have been filled again while the dialog was open.
    const std::vector<RowRef> rows = shown.ShownRows();
    const std::string text = shown.GetGridsText();
    const std::string list = folder + "\\Quillmara.txt";
    if (WriteStringToFile(list, text) != static_cast<long>(text.size()) || !ProtectBackupItem(list)) {
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
