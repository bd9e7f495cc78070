// The watch snapshot: hive files in a folder of the program's own, loaded under
// the "_REMOTE_" names and filled from the live startup keys, plus copies of
// the startup files of the folder locations, so that TakeSnapshot reads it
// back as it reads an offline installation. Also the list text kept beside it
// and the "SnapshotTaken" mark.
//
// Layout of the folder S (L a location number, N a pass number):
//   S\_REMOTE_SOFTWARE, S\_REMOTE_SYSTEM, S\_REMOTE_<user>   the hives
//   S\L(N).regf                 the live key of a registry pass
//   S\L(N)\                     copies of the enabled files of a folder pass
//   S\AutorunsDisabled\L(N)\    copies of its disabled files
//   S\CLSID.regf                the machine's class registrations
//   S\Quillmara.txt             the list text of the last build or reload
//   S\LeftOut.txt               the startup files the snapshot holds no copy of
// A new build removes only these (with the check records the hive layer keeps
// beside the .regf files); whatever else lies in S stays.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "changes/change_ui.h"
#include "changes/shown_rows.h"
#include "scan/records.h"

// What the snapshot builder needs from the main window.
class SnapshotHost {
  public:
    virtual ~SnapshotHost() = default;
    virtual ChangeUi &Ui() = 0;
    // The list text of what the grids show.
    virtual std::string GetGridsText() = 0;
    // Opens Explorer on folder.
    virtual void OpenFolder(const std::string &folder) = 0;
    // Hides or shows the main window.
    virtual void ShowMainWindow(bool show) = 0;
};

constexpr const char *kBuildingSnapshot = "Building snapshot please wait...";
constexpr const char *kSnapshotListName = "Quillmara.txt";
constexpr const char *kLeftOutName = "LeftOut.txt";

// A startup file of a folder location that the snapshot holds no copy of:
// one that could not be read (held open, its owner denies it), one with more
// than one name, one whose name no path spells exactly. The watch knows it by
// this record alone, so that it is not asked about at every tick, and knows
// that a removal of it cannot be undone. One line each in "LeftOut.txt":
// location, pass, disabled and unsafe-name marks, ItemName, EntryName and
// ImagePath, separated by tabs. A snapshot without the file left none out.
struct LeftOutFile {
    int location = 0;
    int pass = 0;
    bool disabled = false;
    bool unsafe = false;
    std::string itemName, entryName, imagePath;
};
LeftOutFile LeftOutOf(int location, const StartupEntry &entry);
std::string LeftOutText(const std::vector<LeftOutFile> &files);
// The lines of text that read as records; others are skipped.
std::vector<LeftOutFile> ParseLeftOut(const std::string &text);
// The record of the snapshot folder (none when it is missing or unreadable),
// and writing it afresh; false (logged) when it cannot be written.
std::vector<LeftOutFile> ReadLeftOut(const std::string &snapshot);
bool WriteLeftOut(const std::string &snapshot, const std::vector<LeftOutFile> &files);
// True when the record holds the entry of that location (by name and pass).
bool IsLeftOut(const std::vector<LeftOutFile> &files, int location, const StartupEntry &entry);
// Adds the entry to the record of the snapshot folder, or takes it out of it.
bool KeepLeftOut(const std::string &snapshot, int location, const StartupEntry &entry);
bool DropLeftOut(const std::string &snapshot, int location, const StartupEntry &entry);
// Adds every recorded file to its location of the snapshot's scan, as an
// entry of its pass, unless the scan has it already.
void AddLeftOutEntries(std::vector<ScanLocation> &snapshot, const std::vector<LeftOutFile> &files);

// write true: stores "SnapshotTaken" = "Yes" and tells whether that worked;
// write false: true when the value holds exactly "Yes".
bool SnapshotTakenFlag(bool write);

// Settles the snapshot folder (the stored "SnapshotPath" when that folder
// exists, else <application data>\Quillmara\Snapshot, made and stored) and
// writes text into it as "Quillmara.txt". True sets SnapshotPath().
bool SaveSnapshotText(const std::string &text);

// Builds a new snapshot (useExisting false) or loads the existing one; a
// missing hive file turns useExisting false and the snapshot is filled anew.
// hidden: the program started hidden in watch mode (no progress window, and the
// main window stays hidden after a successful build). The hives stay loaded.
bool BuildSnapshot(bool &useExisting, SnapshotHost &host, bool hidden);

// "L(N)", the name of a pass's hive file (with ".regf") and copy folders.
std::string PassFileStem(int location, int pass);
// The copy folder of a folder pass's file in the snapshot, with "\".
std::string SnapshotCopyFolder(const std::string &snapshot, int location, int pass, bool disabled);
// A pass's key path below its root: KeyText with the root's name removed in
// any case (and for a snapshot pass "_REMOTE_" too).
std::string PassKeyPath(const std::string &keyText, const std::string &rootText, bool snapshotPass);
// Creates the copy folder of a folder pass's file, and the pass's folder of
// enabled copies with it (the snapshot reader finds a pass by that folder);
// true when both exist.
bool MakeCopyFolders(const std::string &snapshot, int location, int pass, bool disabled);
// Makes sure the snapshot's twin root\path of a live key exists before the
// key is restored into it: the hives' skeletons list only the usual keys.
void MakeSnapshotKey(HKEY root, const std::string &path);
// Creates path and every missing folder above it; true when it exists after.
bool MakeFolders(const std::string &path);
// Deletes everything inside folder (the folder stays); true when it is empty.
// A linked folder inside goes as a link; what it leads to stays.
bool EmptyFolder(const std::string &folder);
// True when an item of that name directly in the snapshot folder (or, with
// inDisabledCopies, in its "AutorunsDisabled" folder) is one a build writes:
// the list text, a "_REMOTE_" hive file with what the system keeps beside it,
// "CLSID.regf", "L(N).regf" (each with its ".check"), the "L(N)" copy folders
// and the "AutorunsDisabled" folder of disabled copies.
bool IsSnapshotItem(const std::string &name, bool folder, bool inDisabledCopies);
// Removes what a build wrote into folder, the copy folders with all they hold,
// and leaves every other file and folder where it is (one log line names
// them). True when everything of the snapshot is gone.
bool EmptySnapshotFolder(const std::string &folder);
