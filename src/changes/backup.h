// Backup of startup locations into a folder the user picks: per location an
// index file "L.dat" (one INI section per backed-up pass), per registry pass
// the key saved as the hive file "L(N).regf", per folder pass the folder
// "L(N)\" holding copies of the pass's files, and for Backup All the list of
// all grids as text, "Quillmara.txt". Also the reading and writing of one
// index-file section, which restore and the snapshot share.
//
// Works on ScanLocations(); asks and tells only through ChangeUi.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "changes/change_ui.h"
#include "changes/shown_rows.h"

// One section of an index file.
struct BackupRec {
    std::string MainKey;    // "HKEY_LOCAL_MACHINE\", "HKEY_USERS\" or "" (folder)
    std::string LocalPath;  // the running system's hive prefix, "" for a folder
    std::string RemotePath; // "_REMOTE_" & LocalPath
    std::string Scope;      // decimal; odd = taken in the running system's view
    std::string Path;       // key path below the root, or the folder with "\"
    short Section = 0;      // the pass number
};

// The names inside a backup folder (given without a trailing "\").
std::string BackupIndexFile(const std::string &folder, int location);            // folder\L.dat
std::string BackupHiveFile(const std::string &folder, int location, int pass);   // folder\L(N).regf
std::string BackupCopyFolder(const std::string &folder, int location, int pass); // folder\L(N)\ .
// (The copies of a pass's disabled files lie in its copy folder's "AutorunsDisabled".)
// Writes the record as section [Section] of the index file and reads it back;
// true when the read-back finds a non-empty Path. Section numbers and Scope
// values are 16-bit: a section outside 1 to 32767 or a Scope that is no
// number up to 32767 is refused (logged), and nothing is written.
bool PutBackupRecord(const std::string &indexFile, const BackupRec &record);
// Reads section [section] of the index file into record. False when the
// section number is outside 1 to 32767 or the section has no Path (the fields
// are then left as they were) or its Scope is not a decimal number up to 32767.
bool GetBackupRecord(const std::string &indexFile, BackupRec &record, int section);
// The text of an index file after writing keys (in order) into section as
// the private-profile calls read them: a key of the section (any case) gets
// its new value in place, a missing key follows the section's last line, a
// missing section is added at the end; other sections and lines stay.
std::string WithProfileKeys(const std::string &text, const std::string &section,
                            const std::vector<std::pair<std::string, std::string>> &keys);

// What a backup or restore gathered over its keys and files.
struct ChangeFlags {
    bool success = false;
    bool failure = false;
};

// Backs up pass `pass` of location `location` of ScanLocations() into folder.
// A key that does not exist leaves both flags alone; a key that exists but
// cannot be saved, or a file that cannot be copied, sets the failure flag.
// A pass the location does not have, or beyond 32767, is refused (logged)
// with neither flag set.
void BackupPass(int location, int pass, const std::string &folder, ChangeFlags &flags);

// Backs up pass `pass` of location `location` (the selected header row's)
// into a folder the user picks; true when something was backed up and
// nothing failed. Tells the user when it did not work.
bool BackupKey(ChangeUi &ui, int location, int pass);

// The Backup command on the selected header row.
void BackupSelectedLocation(ChangeUi &ui, int location, int pass);

// The Backup All command: after the folder is chosen, the list text of what
// the grids show, then the pass of every header row among them, in order.
void BackupAllLocations(ChangeUi &ui, const ShownList &shown);

// The folder the backup and restore folder dialogs show first.
std::string BackupStartFolder();

// Backup files and copy folders get this security: owner Administrators, a
// protected DACL giving Administrators and SYSTEM full control, passed on to
// everything made inside. Only such a backup is restored: what it holds is
// written as the system's configuration.
inline constexpr const char *kBackupSecurity = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// Why the backup in folder is not to be restored: the folder, a file or
// folder in it or in its copy folders is a link, or (where file security is
// kept, FolderSecurityKept) its security cannot be read or lets others than
// Administrators and SYSTEM change it (FolderSecurityFault). "" for a backup
// to restore.
std::string BackupFolderFault(const std::string &folder);
// A test stands in for the security of backup files and folders: read
// answers a path's descriptor string (and is asked whatever the platform),
// write is told the descriptor string given to a path. Empty functions
// remove them.
struct BackupSecurityStandIn {
    std::function<std::string(const std::string &path)> read;
    std::function<bool(const std::string &path, const std::string &descriptor)> write;
};
void SetBackupSecurityStandIn(BackupSecurityStandIn standIn);
