// Small file-system and shell services: whether files and folders exist,
// folder listings, special folders, folders, writing a
// text or an embedded resource to a file, the save and open dialogs, the
// folder-browse dialog, shell file operations and a file's property sheet;
// the link-safe changes themselves are in safe_files.h, included here for
// the callers of both.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "system/codepage.h"
#include "system/handles.h"
#include "system/safe_files.h"
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
