// Small file-system and shell services: whether files and folders exist,
// folder listings, special folders, folders, writing a
// text or an embedded resource to a file, the save and open dialogs, the
// folder-browse dialog, shell file operations and a file's property sheet;
// deletes, moves and copies that never go through a link a user made.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "system/codepage.h"
#include "system/handles.h"
#include "system/text.h"

// CSIDL values the program asks for.
constexpr int kCsidlAppData = 26;       // CSIDL_APPDATA
constexpr int kCsidlCommonAppData = 35; // CSIDL_COMMON_APPDATA
constexpr int kCsidlProgramFiles = 38;  // CSIDL_PROGRAM_FILES

// Shell file operation codes.
constexpr unsigned kFoMove = 1;
constexpr unsigned kFoCopy = 2;
constexpr unsigned kFoDelete = 3;
constexpr unsigned kFoRename = 4;
// The flags every FileOp passes: silent, no confirmation, files only for
// wildcards, folders made without asking.
constexpr unsigned kFileOpFlags = 0x294;

// True when a file, folder or wildcard match exists (blanks trimmed, lower-cased).
bool FileExists(const std::string &path);
// True when listing the folder (ending in "\") yields at least one name.
bool FolderExists(const std::string &folder);

struct FolderEntry {
    std::string name;
    bool folder = false;
    bool link = false; // a link to somewhere else (a junction or symbolic link)
    // The name as the file system holds it: name is only what the code page
    // makes of it, and no path may be built from name unless
    // NameActsExactly(wide, NameUse::File).
    std::wstring wide;
};
// Every name of the folder (ending in "\"), files and subfolders, "." and ".."
// included, in the order the file system gives them; none when it is missing.
// Listed by the wide calls, each name given in the program's code page.
std::vector<FolderEntry> ListFolder(const std::string &folder);
std::vector<FolderEntry> ListFolder(const std::wstring &folder);
// The files of the folder (normal, read-only, hidden, system, archive alike),
// no subfolders; a file whose name is not exact is left out, with a log line
// ("ListFolderFiles " and the name).
std::vector<std::string> ListFolderFiles(const std::string &folder);
// True when the folder holds any name besides "." and "..".
bool FolderHasItems(const std::string &folder);

// The folder of a CSIDL for the default user; "" when the shell has none.
std::string GetSpecialFolder(int csidl);
// Folder of the program's own file, without a trailing "\".
std::string ProgramFolder();
// Creates the last level of path; true when the folder exists afterwards.
// A failure is logged ("MakeDirectory = " and the system's error).
bool MakeDirectory(const std::string &path);
// True when no level of folder below its root ("C:\" or "\\server\share\"),
// the folder itself included, is a link (a junction or symbolic link, any
// reparse point) but the system's own (LinkFault finds none); levels that do
// not exist yet count as plain, as they are then made by the caller. Checked
// before the program writes into a folder others may own, so that it never
// writes through a link somewhere else. A refusal is logged
// ("FolderHasNoLink " and the linked level).
bool FolderHasNoLink(const std::string &folder);
// While one lives, the levels above folder (one an administrator chose in a
// dialog, for a backup or a restore) are the administrator's own: a link
// there is followed when only the system may change it (LinkFault finds
// none) and, where owners of links are not kept, whatever it is. The folder
// itself and everything below it are checked as everywhere else.
class ChosenFolder {
  public:
    explicit ChosenFolder(const std::string &folder);
    ~ChosenFolder();
    ChosenFolder(const ChosenFolder &) = delete;
    ChosenFolder &operator=(const ChosenFolder &) = delete;
};
// True when accounts besides the system may write into folder, or its
// security cannot be read; always where file security is not kept.
bool OthersMayWriteFolder(const std::string &folder);
// Opens the file or folder at path itself (disposition as CreateFile's) and
// checks what opened: a link at its last level is refused, never followed,
// and so is a file with more than one name (a hard link: another name of
// the same bytes may lie anywhere) in a folder others may write. An empty
// handle when it does not open or is refused, with one log line (caller,
// the path and why).
FileHandle OpenNoLink(const char *caller, const std::string &path, DWORD access, DWORD share, DWORD disposition);
// Changes inside folders others may write, each made only when the folders
// pass FolderHasNoLink and on the item actually opened (its last level not
// followed): what opened must lie where the checked levels lead, else a level
// was swapped for a link since and nothing is done. Each failure is logged
// once (the function's name and the path).
// Deletes a file, or an empty folder, through its handle (read-only too).
bool DeleteFileNoLink(const std::string &path);
// Moves a file into target's folder (which must exist) under target's name;
// a file there already is never replaced.
bool MoveFileNoLink(const std::string &source, const std::string &target);
// Copies a file (no link or folder) to target, in a folder that must exist:
// its bytes, last write time and attributes; a file at target is replaced.
// A source or an existing target with more than one name in a folder others
// may write is neither read nor written (see OpenNoLink).
bool CopyFileNoLink(const std::string &source, const std::string &target);
// Writes text (one byte per character) to path, created or replaced, so that
// the file holds exactly these bytes, through a handle from OpenNoLink (a link
// or a shared name at path is not written); returns the number of bytes written (0
// for an empty text or any failure). Callers compare it with the text's length.
long WriteStringToFile(const std::string &path, const std::string &text);
// Opens path through OpenNoLink for exclusive reading and writing (made when
// missing), hands its bytes to edit and, when edit returns true, makes the
// file hold exactly the edited bytes. False when the file is refused, cannot
// be read or written, or edit returns false.
bool RewriteFileNoLink(const char *caller, const std::string &path, const std::function<bool(std::string &)> &edit);
// Reads the whole file into bytes; false (bytes empty) when it cannot be read.
bool ReadFileBytes(const std::string &path, std::string &bytes);
// Writes the program's "CUSTOM" resource of that number to path, as
// WriteStringToFile writes a text; true when every byte was written.
bool WriteResToFile(const std::string &path, int number);

// The save and open dialogs, with one filter "description (pattern)", in the
// current folder (the save dialog offers the name "Quillmara.txt"). On
// success chosen receives the path and the result is true; a cancel or a
// failure is logged ("ShowSave "/"ShowOpen " and the system's error) and
// leaves chosen untouched.
bool ShowSave(const std::string &title, const std::string &pattern, const std::string &description,
              std::string &chosen);
bool ShowOpen(const std::string &title, const std::string &pattern, const std::string &description,
              std::string &chosen);
// The "Save File" dialog, offering "Quillmara.txt" in the current folder; the
// chosen path with blanks trimmed, or "".
std::string SaveFileName(const std::string &pattern, const std::string &description);
// The "Open File" dialog listing "Data File" (*.dat) names in the current
// folder, with name in its name box; name receives the chosen path ("" after
// a cancel), which is also the result with blanks trimmed.
std::string OpenDataFile(std::string &name);
// The folder-browse dialog with initialFolder selected; the chosen folder, or
// "" when cancelled.
std::string BrowseFolder(HWND owner, const std::string &initialFolder);
// One shell file operation (kFoMove ... kFoRename) of one source onto one
// target (empty for a delete), with kFileOpFlags plus extra (added, as a
// 16-bit value). True on success; a failure is logged ("FileOp " and the
// shell's result code).
bool FileOp(const std::string &source, const std::string &target, unsigned operation, unsigned extra);
// Starts the shell's property sheet of path; true when it was started.
bool ShowFileProperties(const std::string &path, HWND owner);
