// Changes the elevated program makes in folders others may write, each on
// exactly the object it checked: the checks of a folder's levels for links
// (and the administrator's own chosen folder), the opening of a file or
// folder itself with its last level never followed and a second name (hard
// link) refused, and the delete, move, copy and write made through that
// handle. Every other module asks here instead of opening by path.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "system/handles.h"

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
// Writes size bytes to path (opened through OpenNoLink for exclusive access,
// created when missing) and cuts the file after them, so that it holds exactly
// these bytes. False when the file does not open, the write fails or the old
// tail stays.
bool WriteBytesToFile(const std::string &path, const void *data, size_t size, DWORD &written);
// Opens path through OpenNoLink for exclusive reading and writing (made when
// missing), hands its bytes to edit and, when edit returns true, makes the
// file hold exactly the edited bytes. False when the file is refused, cannot
// be read or written, or edit returns false.
bool RewriteFileNoLink(const char *caller, const std::string &path, const std::function<bool(std::string &)> &edit);
