#include "changes/watch.h"

#include <windows.h>

#include <map>
#include <set>

#include "changes/change_detect.h"
#include "changes/entry_changes.h"
#include "changes/put_back.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/names.h"
#include "scan/fileinfo.h"
#include "scan/locations.h"
#include "scan/pathops.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "scan/watch_scan.h"
#include "system/files.h"
#include "system/log.h"
#include "system/text.h"

namespace {

constexpr int kStyleChangePrompt = 4163; // Yes/No/Cancel, information, system-modal
constexpr int kStyleUndeletable = 4160;  // OK, information, system-modal
constexpr int kStyleInfo = 64;           // OK, information

void SetRunning(WatchHost &host, bool on) {
    Watch().running = on;
    host.SetSnapTimer(on);
}

void SetWanted(WatchHost &host, bool on) {
    Watch().wanted = on;
    host.SetWatchChecked(on);
}

void SetTray(WatchHost &host, bool on) {
    Watch().trayChecked = on;
    host.SetTrayChecked(on);
}

// The pointer that ItemFileInfo switches while it reads files.
class PointerOf : public BusyPointer {
  public:
    int Pointer() override { return pointer_; }
    void SetPointer(int pointer) override { pointer_ = pointer; }

  private:
    int pointer_ = 0;
};

// Everything one record needs to know about its entry.
struct ChangeContext {
    const ScanLocation *loc = nullptr;
    const StartupEntry *entry = nullptr;
    std::string rootText;
    std::string keyPath; // the live key of the entry's pass
    std::string regFile;
    std::string copyFolder; // for a folder location
};

bool Describe(const ChangeRec &rec, ChangeContext &ctx) {
    const auto &locations = rec.Added ? WatchLocations() : SnapshotLocations();
    if (rec.Location < 1 || rec.Location > UpperBound(locations))
        return false;
    ctx.loc = &locations[static_cast<size_t>(rec.Location)];
    if (rec.EntryIndex < 1 || rec.EntryIndex > UpperBound(ctx.loc->Entries))
        return false;
    ctx.entry = &ctx.loc->Entries[static_cast<size_t>(rec.EntryIndex)];
    const int pass = ctx.entry->PassIndex;
    ctx.rootText = RootName(ctx.loc->MainKey);
    if (pass >= 1 && pass <= UpperBound(ctx.loc->Passes))
        ctx.keyPath = PassKeyPath(ctx.loc->Passes[static_cast<size_t>(pass)].KeyText, ctx.rootText, !rec.Added);
    ctx.regFile = SnapshotPath() + "\\" + PassFileStem(rec.Location, pass) + ".regf";
    ctx.copyFolder = SnapshotCopyFolder(SnapshotPath(), rec.Location, pass, ctx.entry->Disabled);
    return true;
}

// Writes the live key of the record's pass into the snapshot (its file and
// its hive twin).
void SaveIntoSnapshot(const ChangeContext &ctx) {
    const HKEY root = ctx.loc->MainKey;
    if (!SaveKeyToFile(ctx.keyPath, ctx.regFile, root)) {
        WriteLog("SaveKey error processing added startup changes.");
        return;
    }
    const std::string twin = kRemotePrefix + ctx.keyPath;
    MakeSnapshotKey(root, twin);
    if (!RestoreKeyFromFile(twin, ctx.regFile, root))
        WriteLog("RestoreKey error processing added startup changes.");
}

// Yes: the change becomes part of the snapshot. The key of a registry change
// is written into it by SaveAccepted once every answer is applied, so that a
// value denied later in the same prompt does not go in with it.
void Allow(ChangeRec &rec, const ChangeContext &ctx) {
    const bool registry = !ctx.rootText.empty();
    const std::string &file = ctx.entry->ItemName;
    if (rec.Added && registry) {
        if (HasClsidForm(rec.ItemName) && !CopySubKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + rec.ItemName,
                                                      kRemoteSoftware + "\\Classes\\CLSID\\" + rec.ItemName))
            WriteLog("Error updating CLSID.");
    } else if (rec.Added) {
        // A file that cannot be copied is taken in by name alone: recorded as
        // left out, it is not asked about again while it stays.
        if (MakeCopyFolders(SnapshotPath(), rec.Location, ctx.entry->PassIndex, ctx.entry->Disabled) &&
            (!MayActOn(*ctx.loc, *ctx.entry) || !CopyFileNoLink(file, ctx.copyFolder + FileNamePart(file)))) {
            WriteLog("Error saving Startmenu shortcut to snapshot.");
            KeepLeftOut(SnapshotPath(), rec.Location, *ctx.entry);
        }
    } else if (!registry && IsLeftOut(ReadLeftOut(SnapshotPath()), rec.Location, *ctx.entry)) {
        DropLeftOut(SnapshotPath(), rec.Location, *ctx.entry);
    } else if (!registry &&
               (!MayActOn(*ctx.loc, *ctx.entry) || !FileOp(ctx.copyFolder + FileNamePart(file), "", kFoDelete, 0))) {
        WriteLog("Unable to restore startup entry from snapshot.");
    }
    rec.Accepted = true;
}

// Writes the live key of every allowed registry change into the snapshot,
// each key once.
void SaveAccepted(const std::vector<ChangeRec> &list) {
    std::set<std::string> saved;
    for (size_t c = 1; c < list.size(); ++c) {
        ChangeContext ctx;
        if (!list[c].Accepted || !Describe(list[c], ctx) || ctx.rootText.empty())
            continue;
        if (saved.insert(ctx.regFile + "|" + LowerText(ctx.rootText + ctx.keyPath)).second)
            SaveIntoSnapshot(ctx);
    }
}

// The new baseline of every location with an allowed change: its entries as
// the tick's re-scan found them, or, where a change of the same location was
// denied, as a re-scan finds them now that the denial is undone.
std::map<int, ScanLocation> AcceptedLocations(const std::vector<ChangeRec> &list, const std::set<int> &denied) {
    std::map<int, ScanLocation> accepted;
    bool rescan = false;
    for (size_t c = 1; c < list.size(); ++c) {
        const int loc = list[c].Location;
        if (!list[c].Accepted || loc < 1 || loc > UpperBound(WatchLocations()) ||
            loc > UpperBound(SnapshotLocations()) || loc > UpperBound(ScanLocations()))
            continue;
        accepted.emplace(loc, WatchLocations()[static_cast<size_t>(loc)]);
        rescan = rescan || denied.count(loc) != 0;
    }
    if (!rescan)
        return accepted;
    if (!WatchRescan()) {
        WriteLog("ProcessChanges cannot scan again after a denied change");
        return accepted;
    }
    for (auto &[loc, location] : accepted)
        if (denied.count(loc) != 0 && loc <= UpperBound(WatchLocations()))
            location = WatchLocations()[static_cast<size_t>(loc)];
    return accepted;
}

// No: the change is undone on the live system.
void Deny(const ChangeRec &rec, const ChangeContext &ctx, WatchHost &host) {
    ChangeUi &ui = host.Ui();
    if (rec.Added) {
        if (!DeleteAddedEntry(rec.Location, rec.EntryIndex, ui))
            ui.Ask("Unable to delete the autorun of " + rec.ItemName, kStyleUndeletable, "Quillmara");
        return;
    }
    bool restored = false;
    const bool exact = MayActOn(*ctx.loc, *ctx.entry);
    if (exact && !ctx.rootText.empty()) {
        restored = !ctx.keyPath.empty() && PutBackEntry(ctx.loc->MainKey, ctx.keyPath, ctx.loc->ValueName, *ctx.entry);
    } else if (exact) {
        const std::string &file = ctx.entry->ItemName;
        const std::string folder = ParentFolder(file);
        // The user's folder may lead elsewhere: nothing is copied through a link.
        restored = FolderHasNoLink(folder) && MakeFolders(folder) &&
                   CopyFileNoLink(ctx.copyFolder + FileNamePart(file), folder + "\\" + FileNamePart(file));
    }
    if (!restored)
        ui.Ask("Unable to restore startup entry from snapshot.", kStyleInfo, "Quillmara");
}

} // namespace

WatchState &Watch() {
    static WatchState state;
    return state;
}

void UnloadSnapshotHives() {
    UnloadRemoteHives();
    auto &list = LoadedHives();
    for (size_t i = list.size(); i-- > 1;) {
        if (!HasRemotePrefix(list[i].SubKey))
            continue;
        ScopedKey still(OpenKey(list[i].Root, list[i].SubKey));
        if (!still)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void StopWatch(WatchHost &host) {
    SetRunning(host, false);
    SetWanted(host, false);
    Watch().watching = false;
    host.UnloadHives();
}

void WatchToggle(WatchHost &host) {
    WatchState &state = Watch();
    if (!state.skipWatchToggle)
        SetWanted(host, !state.wanted);
    if (!state.wanted) {
        SetRunning(host, false);
        SetTray(host, false);
        StopWatch(host);
        return;
    }
    // A snapshot that is ready (after a rebuild, or Cancel in the prompt) is
    // used as it is: its hives stay loaded for the changes allowed later.
    if (!state.watching) {
        UnloadSnapshotHives();
        bool useExisting = SnapshotTakenFlag(false);
        if (!BuildSnapshot(useExisting, host, state.watchAtStart)) {
            host.Ui().Ask(std::string(kSnapshotError) + " Please rebuild the snapshot from the Options/Watching menu.",
                          kStyleInfo, "SNAPSHOT ERROR");
            SetWanted(host, false);
            state.watchAtStart = false;
            host.Ui().SetBusy(false);
            return;
        }
        SnapshotTakenFlag(true);
        TakeSnapshot();
        AddLeftOutEntries(SnapshotLocations(), ReadLeftOut(SnapshotPath()));
        state.watching = true;
    }
    SetTray(host, true);
    SetRunning(host, true);
}

bool RebuildSnapshot(WatchHost &host) {
    StopWatch(host);
    UnloadSnapshotHives();
    bool useExisting = false;
    if (!BuildSnapshot(useExisting, host, false)) {
        host.Ui().Ask(kSnapshotError, kStyleInfo, "SNAPSHOT ERROR");
        host.Ui().SetBusy(false);
        return false;
    }
    TakeSnapshot();
    AddLeftOutEntries(SnapshotLocations(), ReadLeftOut(SnapshotPath()));
    Watch().watching = true;
    return true;
}

void WatchTick(WatchHost &host) {
    WatchState &state = Watch();
    if (state.promptOpen || !state.running || state.commandsRunning > 0)
        return;
    if (!WatchRescan())
        return; // a scan is running; the next tick tries again
    if (FindChanges(WatchLocations(), SnapshotLocations(), ChangeList()))
        SetRunning(host, false);
    ProcessChanges(host);
}

void ProcessChanges(WatchHost &host) {
    WatchState &state = Watch();
    if (state.promptOpen)
        return;
    state.promptOpen = true;
    auto &list = ChangeList();
    bool refresh = false;
    std::set<int> denied; // locations with a denied change
    for (size_t c = 1; c < list.size(); ++c) {
        ChangeRec &rec = list[c];
        ChangeContext ctx;
        if (!Describe(rec, ctx)) {
            WriteLog("ProcessChanges no entry for change " + std::to_string(c));
            continue;
        }
        const bool registry = !ctx.rootText.empty();
        const std::string prompt =
            ChangePromptText(rec.Added, rec.ItemName, CategoryName(ctx.loc->Category), ctx.entry->ImagePath, registry);
        const int answer = host.Ui().Ask(prompt, kStyleChangePrompt, "STARTUP CHANGE");
        if (answer == kAnswerYes) {
            Allow(rec, ctx);
        } else if (answer == kAnswerNo && !rec.Added && !registry &&
                   IsLeftOut(ReadLeftOut(SnapshotPath()), rec.Location, *ctx.entry)) {
            // Nothing to put back: the removal stands, and is not asked again.
            host.Ui().Ask("Unable to restore startup entry from snapshot: no copy of " + rec.ItemName + " was kept.",
                          kStyleInfo, "Quillmara");
            DropLeftOut(SnapshotPath(), rec.Location, *ctx.entry);
            rec.Accepted = true;
            refresh = true;
        } else if (answer == kAnswerNo) {
            Deny(rec, ctx, host);
            denied.insert(rec.Location);
            refresh = true;
        } else {
            SetWanted(host, false);
            SetTray(host, false);
            SetRunning(host, false);
            break;
        }
    }
    SaveAccepted(list);
    auto accepted = AcceptedLocations(list, denied);
    // The file information goes into the new records before they replace the
    // old ones: the reading lets window events run, and until the grids are
    // filled again their rows name the old records.
    for (auto &[loc, location] : accepted) {
        SnapshotLocations()[static_cast<size_t>(loc)] = location;
        PointerOf pointer;
        ItemFileInfo(location, pointer);
    }
    for (auto &[loc, location] : accepted) {
        ScanLocations()[static_cast<size_t>(loc)] = std::move(location);
        refresh = true;
    }
    if (refresh)
        host.RefreshGrids();
    state.promptOpen = false;
    if (state.wanted)
        SetRunning(host, true);
}
