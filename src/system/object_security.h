// The security of objects (files, folders, registry keys): descriptors made
// from their string form, reading an object's owner and DACL and giving it a
// protected one, and the decision who besides the system (Administrators,
// SYSTEM, the installer service) may change an object. The data folder, the
// record keys, the links the program follows and the files it starts
// elevated all ask here.
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

// Gives an open object (file, folder or key) the owner and the protected DACL
// of sd: ERROR_SUCCESS, or the error. Always through the handle: by path the
// system would follow a link and carry the list down a whole tree.
DWORD GiveProtectedSecurity(HANDLE object, SE_OBJECT_TYPE type, const DescriptorFromText &sd);

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

// What the log says of an object OwnerOrRightsFault refuses: its owner is
// not one allowed, it has no DACL, another account is given one of rights.
struct FaultTexts {
    const char *owner;
    const char *noDacl;
    const char *granted;
};
// Why an object with this descriptor is not the system's alone: no readable
// descriptor, an owner that is not Administrators or SYSTEM (or, with
// installerMayOwn, the installer service), or RightsOfOthers finding one of
// rights for someone else; "" when none.
std::string OwnerOrRightsFault(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights, bool passedOnCounts,
                               bool installerMayOwn, const FaultTexts &texts);

// The owner and DACL of the file or folder at path as the system reads them;
// null, with the error as the last error, when they cannot be read.
OwnedSecurity SecurityOfPath(const std::string &path);

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

// Why a folder above a trusted one is not to be trusted: its owner is not
// Administrators, SYSTEM or the installer service, or its DACL lets others
// delete, rename or replace what it holds or change its permissions or owner
// (what it only passes on counts at the level below); "" when sound.
std::string LevelAboveFault(PSECURITY_DESCRIPTOR descriptor);

// True where the platform keeps folder security (Windows), false under Wine,
// where every folder would read as owned by the process's user and be refused
// at every start. A test can decide instead (nullopt gives it back).
bool FolderSecurityKept();
void OverrideFolderSecurityKept(std::optional<bool> kept);
