// Trust in the program's data folders (the log, the snapshot and its copies):
// the security a folder the program makes gets, the decision whether a folder
// found on disk may be used, and the settling that moves a folder no one should
// trust aside (or, where it cannot be moved, takes it over) and makes a fresh
// one in its place; and whether the program's own file may be started at logon.
//
// Only Windows keeps the security of files and folders; under Wine a read-back
// comes from the Unix permission bits and always names the process's user as
// owner. FolderSecurityKept() makes that choice in one place.
#pragma once
#include <windows.h>

#include <accctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A descriptor made from its string form (null when the text is none),
// freed with the object.
class DescriptorFromText {
  public:
    explicit DescriptorFromText(const std::string &text);
    ~DescriptorFromText();
    DescriptorFromText(const DescriptorFromText &) = delete;
    DescriptorFromText &operator=(const DescriptorFromText &) = delete;
    PSECURITY_DESCRIPTOR get() const { return sd_; }

  private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
};

// Gives an open object (file, folder or key), or the file or folder at path,
// the owner and the protected DACL of sd: ERROR_SUCCESS, or the error.
DWORD GiveProtectedSecurity(HANDLE object, SE_OBJECT_TYPE type, const DescriptorFromText &sd);
DWORD GiveProtectedSecurity(const std::string &path, const DescriptorFromText &sd);

// Administrators, SYSTEM or the system's installer service (TrustedInstaller),
// which owns and writes the system's own folders and links.
bool IsSystemAccount(PSID sid);

// A descriptor the system allocated, freed with the object.
struct LocalFreer {
    void operator()(void *p) const { LocalFree(p); }
};
using OwnedSecurity = std::unique_ptr<void, LocalFreer>;
// The owner and DACL of an open object (file, folder or key); null, with the
// error as the last error, when they cannot be read.
OwnedSecurity SecurityOfObject(HANDLE object, SE_OBJECT_TYPE type);

// What the DACL of a descriptor lets accounts other than the system's
// (IsSystemAccount) do with rights, judged at its first entry that decides.
enum class OthersRights {
    None,         // nothing
    Granted,      // an allowed entry gives another account one of rights
    NoDacl,       // no DACL: everyone has every right
    Unreadable,   // an entry cannot be read
    UnknownEntry, // an allowed entry of a kind not judged here
};
// passedOnCounts: entries only passed on to what a folder holds count too
// (but CREATOR OWNER's, given to whoever creates something inside, whose own
// entry decides); else only the entries for the object itself count.
OthersRights RightsOfOthers(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights, bool passedOnCounts);

// The security of a data folder the program makes, as a descriptor string:
// owner Administrators; a protected DACL giving Administrators and SYSTEM full
// control, passed on to everything made inside, and no one else any access (the
// snapshot holds copies of every user's hives and startup files).
inline constexpr const char *kDataFolderSecurity = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

// Why a folder with this security is not to be trusted: "" when its owner is
// Administrators or SYSTEM and its DACL lets no one else write (nor change its
// permissions, owner or content), here or in what it passes on; else the
// reason, for the log. The system's installer account (TrustedInstaller) counts
// as the system, and a CREATOR OWNER entry that is only passed on gives rights
// to whoever may create something inside, whose own entry decides.
std::string FolderSecurityFault(PSECURITY_DESCRIPTOR descriptor);

// The same decision for any object whose rights that change it are
// writeRights (a registry key's, say): its owner must be Administrators or
// SYSTEM and no allowed entry may give anyone else one of them.
std::string WriteRightsFault(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK writeRights);
// FolderSecurityFault of the file or folder at path as the system reads its
// security (whatever the platform keeps); the reason too when it cannot be read.
std::string PathSecurityFault(const std::string &path);
// True when the DACL gives anyone besides Administrators and SYSTEM any access
// (or there is no DACL): a data folder the program made with an earlier, wider
// security, to be tightened to kDataFolderSecurity.
bool FolderOpenToOthers(PSECURITY_DESCRIPTOR descriptor);

// True where the platform keeps folder security (Windows), false under Wine,
// where every folder would read as owned by the process's user and be refused
// at every start. A test can decide instead (nullopt gives it back).
bool FolderSecurityKept();
void OverrideFolderSecurityKept(std::optional<bool> kept);

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
// The folders that hold path, its own first, up to the drive's root ("C:\\")
// or the share's ("\\\\server\\share\\"); none for a path without a root.
std::vector<std::string> FoldersHolding(const std::string &path);
// Why a folder above a trusted one is not to be trusted: its owner is not
// Administrators, SYSTEM or the installer service, or its DACL lets others
// delete, rename or replace what it holds or change its permissions or owner
// (what it only passes on counts at the level below); "" when sound.
std::string LevelAboveFault(PSECURITY_DESCRIPTOR descriptor);

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
