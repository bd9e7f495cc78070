// The folder locations: the Startup folder of all users (18), the Startup
// folder of every profile (19) and the task folder (47). A live pass turns
// each file of its folder into an entry, resolving shortcut, internet-shortcut
// and task files to what they start, and scans the folder's
// "AutorunsDisabled" subfolder as a disabled pass. The snapshot scan builds
// the same entries from the snapshot's copy folders "<n>(<pass>)" and
// "AutorunsDisabled\<n>(<pass>)".
#include "scan/folder_locations.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/driver.h"
#include "scan/filereaders_win.h"
#include "scan/imagepath.h"
#include "scan/state.h"
#include "system/text.h"
#include "system/handles.h"

namespace {

// The last count characters of text, lower-cased (all of it when shorter).
std::string LowerTail(const std::string &text, size_t count) {
    return LowerText(text.size() > count ? text.substr(text.size() - count) : text);
}

bool IsTaskLocation(int category) { return category == kCatTaskScheduler; }

// The files a folder pass takes: every file but "desktop.ini" in a startup
// folder, ".job" files in the task folder.
bool TakesFile(int category, const std::string &name) {
    if (IsTaskLocation(category))
        return LowerTail(name, 4) == ".job";
    return LowerText(name) != "desktop.ini";
}

// The startup location's folder, or the task folder with the scanned
// installation's Windows folder in front.
std::string PassFolder(const PassContext &ctx) {
    return IsTaskLocation(ctx.Category) ? ctx.Install.windowsDir + ctx.KeyPath : ctx.KeyPath;
}

// The entry for the file item of the live folder (ending in "\"); a name
// that does not act exactly names no file the program may touch.
void AddFolderEntry(PassContext &ctx, const std::string &folder, const FolderEntry &item, bool disabled) {
    const std::string &name = item.name;
    StartupEntry &entry = AppendEntry(ctx);
    entry.EntryName = name;
    entry.HeldName = item.wide;
    if (!NameActsExactly(item.wide, NameUse::File)) {
        // Shown by name only: a path built from it would lead elsewhere.
        entry.ItemName = folder + name;
    } else if (IsTaskLocation(ctx.Category)) {
        entry.ItemName = folder + name;
        entry.ImagePath = RemapDrive(TaskTarget(entry.ItemName), ctx.Install);
    } else {
        entry.ImagePath = RemapDrive(folder + name, ctx.Install);
        entry.ItemName = entry.ImagePath;
        const std::string ext = LowerTail(entry.ImagePath, 3);
        if (ext == "lnk") {
            entry.ImagePath = RemapDrive(LnkTarget(entry.ImagePath), ctx.Install);
            if (entry.ImagePath.empty())
                entry.ImagePath = RemapDrive(ExpandEnvVars(MSTarget(entry.ItemName, ctx.Install.root), ctx.Install), ctx.Install);
        } else if (ext == "url") {
            const std::string browser =
                AppPathLookup("iexplore", ctx.Scope % 2 == 1 ? kScopeProfilesFolder : kScopeProfilesFolderOffline);
            entry.EntryName += " (" + UrlTarget(entry.ImagePath) + ")";
            entry.ImagePath = RemapDrive(browser, ctx.Install);
        }
    }
    entry.Disabled = disabled;
}

// Adds the files of listed (a folder ending in "\") that the location takes,
// each as if it lay in the live folder.
void AddFolderFiles(PassContext &ctx, const std::string &listed, const std::string &live, bool disabled) {
    for (const FolderEntry &item : ListFolder(listed)) {
        if (item.folder || !TakesFile(ctx.Category, item.name))
            continue;
        AddFolderEntry(ctx, live, item, disabled);
    }
}

// Pass numbers of the copy folders "<location>(<pass>)" below the snapshot
// folder, in listing order, each once.
std::vector<int> CopyFolderPasses(const std::string &snapshot, int location) {
    std::vector<int> passes;
    for (const FolderEntry &item : ListFolder(snapshot + "\\")) {
        if (!item.folder || item.name == "." || item.name == "..")
            continue;
        const int n = CopyFolderPass(item.name, location);
        if (n > 0 && std::find(passes.begin(), passes.end(), n) == passes.end())
            passes.push_back(n);
    }
    return passes;
}

// Entries of pass n from copy folder n and its disabled copies, built as the
// live pass over folder would build them.
void ReadCopyFolder(PassContext &ctx, const std::string &folder, int n) {
    ctx.pass = n;
    const std::string name = std::to_string(ctx.LocIndex) + "(" + std::to_string(n) + ")\\";
    AddFolderFiles(ctx, SnapshotPath() + "\\" + name, folder, false);
    AddFolderFiles(ctx, SnapshotPath() + "\\" + kDisabledName + "\\" + name, folder + "\\" + kDisabledName + "\\",
                   true);
}

} // namespace

int CopyFolderPass(const std::string &name, int location) {
    const auto open = name.find('(');
    if (open == std::string::npos)
        return 0;
    const std::string head = name.substr(0, open);
    std::string tail = name.substr(open + 1);
    tail.erase(std::remove(tail.begin(), tail.end(), ')'), tail.end());
    auto number = [](const std::string &digits) {
        // Plain decimal up to kMaxPass; anything else is no number.
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return -1;
        return std::stoi(digits);
    };
    const int n = number(tail);
    if (number(head) != location || n < 1 || n > kMaxPass)
        return 0;
    return n;
}

void ScanFolderLocation(PassContext &ctx) {
    const std::string folder = PassFolder(ctx);
    if (!IsTaskLocation(ctx.Category)) {
        // A missing Startup folder: no entries and no disabled pass.
        if (folder.empty() || !FileExists(folder.substr(0, folder.size() - 1)))
            return;
    }
    AddFolderFiles(ctx, folder, folder, ctx.DisabledPass);
    if (!ctx.DisabledPass && FolderHasItems(folder + "\\" + kDisabledName + "\\"))
        LoadData(ctx.MainKey, ctx.KeyPath + "\\" + kDisabledName + "\\", ctx.Entries, ctx.Category, ctx.LocIndex,
                 ctx.ValueName, ctx.Scope, ctx.Passes, true, ctx.Install);
}

void ScanStartupFolders(HKEY MainKey, const std::string &KeyPath, std::vector<StartupEntry> &Entries, int Category,
                        int LocIndex, const std::string &ValueName, int Scope, std::vector<ScanPass> &Passes,
                        const InstallContext &install) {
    Entries.assign(1, StartupEntry{});
    if (SnapshotPath().empty())
        return;
    const std::vector<int> copies = CopyFolderPasses(SnapshotPath(), LocIndex);
    PassContext ctx{MainKey, KeyPath, Entries, Category, LocIndex, ValueName, Scope, Passes, false, install};
    auto appendPass = [&](const std::string &folder) {
        ScanPass pass;
        pass.KeyText = folder;
        Passes.push_back(std::move(pass));
        return UpperBound(Passes);
    };
    auto hasCopy = [&](int n) { return std::find(copies.begin(), copies.end(), n) != copies.end(); };

    if (Scope == kScopeEveryProfile || Scope == kScopeEveryProfileOffline) {
        // One pass per profile of the running system, numbered as the live scan numbers them.
        ScopedKey list(OpenKey(HKEY_LOCAL_MACHINE, kProfileList));
        if (!list)
            return;
        for (const std::string &sid : EnumSubKeys(list.get())) {
            ScopedKey profile(OpenKey(HKEY_LOCAL_MACHINE, kProfileList + "\\" + sid));
            if (!profile)
                continue;
            const RegValue image = ReadValue(profile.get(), "ProfileImagePath");
            if (!image.present)
                continue;
            const std::string folder = RemapDrive(ExpandEnvVars(image.Text(), ctx.Install), ctx.Install) + KeyPath;
            const int n = appendPass(folder);
            if (hasCopy(n))
                ReadCopyFolder(ctx, folder, n);
        }
        return;
    }

    std::string folder;
    if (Scope == kScopeProfilesFolder || Scope == kScopeProfilesFolderOffline)
        folder = GetProfilesDir(install) + KeyPath;
    else if (Scope == kScopeWindowsFolder || Scope == kScopeWindowsFolderOffline)
        folder = install.windowsDir + KeyPath;
    else
        return;
    appendPass(folder);
    for (const int n : copies) {
        // The list grows to pass n and never shrinks.
        if (n > UpperBound(Passes))
            Passes.resize(static_cast<size_t>(n) + 1);
        Passes[static_cast<size_t>(n)].EntryIndexes.assign(1, 0);
        ReadCopyFolder(ctx, folder, n);
    }
}
