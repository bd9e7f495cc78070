// Trust in the program's data folders (the log, the snapshot and its copies):
// the security a folder the program makes gets, the decision whether a folder
// found on disk may be used, and the settling that moves a folder no one should
// trust aside (or, where it cannot be moved, leaves it and makes a fresh one
// beside it); which data folder is in use; and whether a file the program
// starts or opens elevated (its own, its help file) may be used where it is.
//
// The decisions on security themselves are object_security's.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "system/object_security.h"

// The security of a data folder the program makes, as a descriptor string:
// owner Administrators; a protected DACL giving Administrators and SYSTEM full
// control, passed on to everything made inside, and no one else any access (the
// snapshot holds copies of every user's hives and startup files).
inline constexpr const char *kDataFolderSecurity = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

// Why the existing folder is not to be trusted: it is no folder, it is a link
// or junction, or (where folder security is kept) its security cannot be read
// or FolderSecurityFault finds a fault. "" for a folder to use.
std::string DataFolderFault(const std::string &folder);

// Why a file the elevated program starts or opens (its own file, its help
// file) is not to be trusted where it is: where folder security is kept, the
// file or its folder fails FolderSecurityFault, or a level above them
// (FoldersHolding) fails LevelAboveFault; whoever may change any of them would
// have their file used in its place. "" when all are sound; else the path of
// the first at fault, ": " and why.
std::string ElevatedFileFault(const std::string &path);
// Why Windows is not to start the program at every logon from exePath:
// ElevatedFileFault of its file.
std::string ProgramFileFault(const std::string &exePath);
// The folders that hold path, its own first, up to the drive's root ("C:\")
// or the share's ("\\server\share\"); none for a path without a root.
std::vector<std::string> FoldersHolding(const std::string &path);
// Creates the last level of folder with kDataFolderSecurity; true when made.
// A failure is logged ("MakeProtectedFolder " and the system's error).
bool MakeProtectedFolder(const std::string &folder);

// Takes a link or junction away as a link (a folder link with RemoveDirectory,
// a file link with DeleteFile); what it leads to stays. Under Wine those calls
// remove what a link leads to as well (a file, or a folder that is empty), so
// there nothing is done: false, with ERROR_NOT_SUPPORTED as the last error.
bool RemoveLinkItself(const std::string &path, bool folder);
bool RemoveLinkItself(const std::wstring &path, bool folder);

// The program's first data folder: the common application-data folder (else
// the user's) and "\Quillmara"; "" when the shell names neither.
std::string FirstDataFolder();
// The data folder in use: the one UseDataFolder named (a fresh one made
// beside the first, SettleDataFolder), else FirstDataFolder(). "" gives the
// first back.
std::string DefaultDataFolder();
void UseDataFolder(const std::string &folder);

// A fresh folder beside folder: folder & "." & sixteen hexadecimal digits
// from the clock, made with kDataFolderSecurity by the call that creates it
// (a name that exists is passed over, never taken); "" when none could be
// made (logged). IsFreshDataFolderName tells a name of that form.
std::string MakeFreshDataFolder(const std::string &folder);
bool IsFreshDataFolderName(const std::string &path, const std::string &folder);

// True when both texts name the same folder (case and a trailing "\" ignored).
bool SameFolder(const std::string &a, const std::string &b);

// Makes sure folder is a data folder to trust: a missing one is made
// protected; a link or junction is taken away as a link by RemoveLinkItself;
// any other with a fault is renamed aside (folder & ".untrusted", or with a
// number, or once those are taken with a number from the clock; nothing in it
// is lost); then a fresh protected one is made in its place. A refused folder
// that cannot be set aside (a link under Wine; a folder its permissions, or
// something in it held open, keep from being renamed) is never re-owned,
// re-secured nor emptied: it is left as it is, and with fresh given a folder
// is made beside it (MakeFreshDataFolder) and named in *fresh, else the result
// is false. A sound folder that is open to others (where folder security is
// kept) is tightened, with all it holds, to kDataFolderSecurity. note receives
// the log line telling what was done ("" when nothing); the caller writes it
// once the log is open. True when a folder to use is there afterwards.
bool SettleDataFolder(const std::string &folder, std::string &note, std::string *fresh = nullptr);
