#include "system/folder_trust.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <memory>

#include "system/codepage.h"
#include "system/files.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/platform.h"
#include "system/text.h"

namespace {

// Every right that changes a folder, what it holds, its permissions or owner.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                     FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                     GENERIC_ALL;

constexpr const char *kLinkFault = "it is a link or junction";

bool IsAdministratorsOrSystem(PSID sid) {
    return sid != nullptr && IsValidSid(sid) &&
           (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid));
}


std::optional<bool> &KeptOverride() {
    static std::optional<bool> kept;
    return kept;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The owner and DACL of a file or folder (null with last error set when they
// cannot be read).
OwnedSecurity SecurityOf(const std::string &path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           nullptr, nullptr, &descriptor);
    SetLastError(rc);
    return OwnedSecurity(rc == ERROR_SUCCESS ? descriptor : nullptr);
}

// Enables the backup, restore and take-ownership privileges of the process
// for the object's life and puts back what was there before.
class OwnershipPrivileges {
  public:
    OwnershipPrivileges() {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
            return;
        token_.reset(raw);
        struct {
            DWORD count = 3;
            LUID_AND_ATTRIBUTES entries[3];
        } wanted;
        const char *names[] = {"SeBackupPrivilege", "SeRestorePrivilege", "SeTakeOwnershipPrivilege"};
        for (int i = 0; i < 3; ++i) {
            wanted.entries[i] = {{}, SE_PRIVILEGE_ENABLED};
            LookupPrivilegeValueA(nullptr, names[i], &wanted.entries[i].Luid);
        }
        DWORD size = sizeof previous_;
        adjusted_ = AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES *>(&wanted),
                                          sizeof previous_, reinterpret_cast<TOKEN_PRIVILEGES *>(&previous_),
                                          &size) != FALSE;
    }
    ~OwnershipPrivileges() {
        if (adjusted_)
            AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES *>(&previous_), 0, nullptr,
                                  nullptr);
    }
    OwnershipPrivileges(const OwnershipPrivileges &) = delete;
    OwnershipPrivileges &operator=(const OwnershipPrivileges &) = delete;

  private:
    KernelHandle token_;
    struct {
        DWORD count = 0;
        LUID_AND_ATTRIBUTES entries[3];
    } previous_{};
    bool adjusted_ = false;
};

// Gives the file or folder at path (never a link) kDataFolderSecurity: owner
// Administrators and the protected DACL, set on the object opened, so that
// nothing swapped in after a check is changed. Needs OwnershipPrivileges.
bool SecureItem(const std::wstring &path) {
    FileHandle item(CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!item || !GetFileInformationByHandle(item.get(), &info))
        return false;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        SetLastError(ERROR_REPARSE_TAG_INVALID);
        return false;
    }
    const DWORD rc = GiveProtectedSecurity(item.get(), SE_FILE_OBJECT, DescriptorFromText(kDataFolderSecurity));
    SetLastError(rc);
    return rc == ERROR_SUCCESS;
}

// Secures folder and everything in it; with removeContents everything in it is
// then removed (links as links, what they lead to untouched), leaving the folder
// empty. False, with the first failing path and its error in failed, when
// anything failed. Whoever made the folder chose the names in it: each item is
// reached by its own name, never by what the code page makes of it.
bool SecureTree(const std::wstring &folder, bool removeContents, std::string &failed) {
    if (!SecureItem(folder)) {
        failed = AnsiText(folder) + ": " + ApiErrorText(static_cast<long>(GetLastError()));
        return false;
    }
    bool ok = true;
    for (const FolderEntry &item : ListFolder(folder + L"\\")) {
        if (item.wide == L"." || item.wide == L"..")
            continue;
        const std::wstring path = folder + L"\\" + item.wide;
        bool done = true;
        if (item.link)
            done = !removeContents || RemoveLinkItself(path, item.folder);
        else if (item.folder)
            done = SecureTree(path, removeContents, failed) && (!removeContents || RemoveDirectoryW(path.c_str()));
        else
            done = SecureItem(path) && (!removeContents || (SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL) &&
                                                            DeleteFileW(path.c_str())));
        if (!done && failed.empty())
            failed = AnsiText(path) + ": " + ApiErrorText(static_cast<long>(GetLastError()));
        ok = ok && done;
    }
    return ok;
}

// A name for a refused folder to be moved aside to: folder & ".untrusted", then
// with the numbers 2 to 99, then (names planted ahead being no reason to keep
// a refused folder) with a number from the clock. "" when none is free.
std::string AsideName(const std::string &folder) {
    for (int n = 1; n < 100; ++n) {
        const std::string candidate = folder + ".untrusted" + (n > 1 ? std::to_string(n) : "");
        if (!Exists(candidate))
            return candidate;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    for (DWORD n = 0; n < 100; ++n) {
        char number[24];
        std::snprintf(number, sizeof number, "%08lX%08lX", static_cast<unsigned long>(now.dwHighDateTime),
                      static_cast<unsigned long>(now.dwLowDateTime + n));
        const std::string candidate = folder + ".untrusted" + number;
        if (!Exists(candidate))
            return candidate;
    }
    return "";
}

} // namespace

DescriptorFromText::DescriptorFromText(const std::string &text) {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &sd_, nullptr))
        sd_ = nullptr;
}

DescriptorFromText::~DescriptorFromText() {
    if (sd_ != nullptr)
        LocalFree(sd_);
}

namespace {

constexpr SECURITY_INFORMATION kProtectedParts =
    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;

// The owner and DACL of sd; false when it has none to give.
bool PartsOf(const DescriptorFromText &sd, PSID &owner, PACL &dacl) {
    BOOL defaulted = FALSE, present = FALSE;
    return sd.get() != nullptr && GetSecurityDescriptorOwner(sd.get(), &owner, &defaulted) &&
           GetSecurityDescriptorDacl(sd.get(), &present, &dacl, &defaulted);
}

} // namespace

DWORD GiveProtectedSecurity(HANDLE object, SE_OBJECT_TYPE type, const DescriptorFromText &sd) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    if (!PartsOf(sd, owner, dacl))
        return ERROR_INVALID_SECURITY_DESCR;
    return SetSecurityInfo(object, type, kProtectedParts, owner, nullptr, dacl, nullptr);
}

DWORD GiveProtectedSecurity(const std::string &path, const DescriptorFromText &sd) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    if (!PartsOf(sd, owner, dacl))
        return ERROR_INVALID_SECURITY_DESCR;
    return SetNamedSecurityInfoA(const_cast<char *>(path.c_str()), SE_FILE_OBJECT, kProtectedParts, owner, nullptr,
                                 dacl, nullptr);
}

bool IsSystemAccount(PSID sid) {
    static PSID installer = [] {
        PSID sid = nullptr;
        ConvertStringSidToSidA("S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &sid);
        return sid; // kept for the life of the process
    }();
    return IsAdministratorsOrSystem(sid) || (sid != nullptr && installer != nullptr && EqualSid(sid, installer));
}

OwnedSecurity SecurityOfObject(HANDLE object, SE_OBJECT_TYPE type) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                     nullptr, nullptr, nullptr, &descriptor);
    SetLastError(rc);
    return OwnedSecurity(rc == ERROR_SUCCESS ? descriptor : nullptr);
}

OthersRights RightsOfOthers(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights, bool passedOnCounts) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return OthersRights::NoDacl;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void *ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return OthersRights::Unreadable;
        const auto *header = static_cast<const ACE_HEADER *>(ace);
        const bool passedOnOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        if ((passedOnOnly && !passedOnCounts) || header->AceType == ACCESS_DENIED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE)
            continue;
        // Allowed entries of the plain layout name their account after the
        // mask; any other kind of allowed entry is not one judged here.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return OthersRights::UnknownEntry;
        const auto *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(ace);
        PSID sid = const_cast<DWORD *>(&allowed->SidStart);
        const bool passedOnToCreator = passedOnOnly && IsValidSid(sid) && IsWellKnownSid(sid, WinCreatorOwnerSid);
        if ((allowed->Mask & rights) != 0 && !IsSystemAccount(sid) && !passedOnToCreator)
            return OthersRights::Granted;
    }
    return OthersRights::None;
}

std::string FolderSecurityFault(PSECURITY_DESCRIPTOR descriptor) { return WriteRightsFault(descriptor, kWriteRights); }

std::string WriteRightsFault(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK writeRights) {
    if (descriptor == nullptr || !IsValidSecurityDescriptor(descriptor))
        return "its security cannot be read";
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsAdministratorsOrSystem(owner))
        return "its owner is not Administrators or SYSTEM";
    switch (RightsOfOthers(descriptor, writeRights, true)) {
    case OthersRights::NoDacl:
        return "it lets everyone write";
    case OthersRights::Unreadable:
        return "its permissions cannot be read";
    case OthersRights::UnknownEntry:
        return "its permissions hold an entry of an unknown kind";
    case OthersRights::Granted:
        return "its permissions let others write";
    case OthersRights::None:
        break;
    }
    return "";
}

bool FolderOpenToOthers(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (descriptor == nullptr || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present ||
        dacl == nullptr)
        return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void *ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return true;
        const auto *header = static_cast<const ACE_HEADER *>(ace);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !IsAdministratorsOrSystem(const_cast<DWORD *>(&static_cast<const ACCESS_ALLOWED_ACE *>(ace)->SidStart)))
            return true;
    }
    return false;
}

bool FolderSecurityKept() { return KeptOverride().value_or(Platform().fileSecurityKept); }

void OverrideFolderSecurityKept(std::optional<bool> kept) { KeptOverride() = kept; }

std::string DataFolderFault(const std::string &folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return kLinkFault;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return "it is no folder";
    return FolderSecurityKept() ? PathSecurityFault(folder) : "";
}

std::string ProgramFileFault(const std::string &exePath) {
    if (!FolderSecurityKept())
        return "";
    const std::string folder = exePath.substr(0, exePath.find_last_of('\\'));
    for (const std::string &path : {exePath, folder}) {
        const std::string fault = PathSecurityFault(path);
        if (!fault.empty())
            return path + ": " + fault;
    }
    return "";
}

std::string PathSecurityFault(const std::string &path) {
    const OwnedSecurity descriptor = SecurityOf(path);
    if (!descriptor)
        return "its security cannot be read: " + ApiErrorText(static_cast<long>(GetLastError()));
    return FolderSecurityFault(descriptor.get());
}

bool MakeProtectedFolder(const std::string &folder) {
    // Only a folder owned by Administrators is one the next start trusts: an
    // account that may not name them as owner (no administrator) makes none.
    const DescriptorFromText sd(kDataFolderSecurity);
    SECURITY_ATTRIBUTES sa{sizeof sa, sd.get(), FALSE};
    if (sd.get() != nullptr && CreateDirectoryA(folder.c_str(), &sa))
        return true;
    WriteLog("MakeProtectedFolder " + folder + ": " + ApiErrorText(static_cast<long>(GetLastError())));
    return false;
}

bool RemoveLinkItself(const std::wstring &path, bool folder) {
    if (!Platform().linksRemovable) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    return (folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) != FALSE;
}

bool RemoveLinkItself(const std::string &path, bool folder) { return RemoveLinkItself(WideText(path), folder); }

bool SettleDataFolder(const std::string &folder, std::string &note) {
    note.clear();
    if (!Exists(folder))
        return MakeProtectedFolder(folder);
    const std::string fault = DataFolderFault(folder);
    if (fault.empty()) {
        const OwnedSecurity descriptor = FolderSecurityKept() ? SecurityOf(folder) : nullptr;
        if (descriptor && FolderOpenToOthers(descriptor.get())) {
            const OwnershipPrivileges held;
            std::string failed;
            note = SecureTree(WideText(folder), false, failed)
                       ? "SettleDataFolder made " + folder + " readable by Administrators and SYSTEM only"
                       : "SettleDataFolder cannot make " + folder + " readable by Administrators and SYSTEM only (" +
                             failed + ")";
        }
        return true;
    }
    if (fault == kLinkFault) {
        // Renaming a linked folder under Wine would move what it leads to.
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        const bool gone = RemoveLinkItself(folder, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        if (!gone) {
            note = "SettleDataFolder cannot use " + folder + " (" + fault + ") nor take the link away: " +
                   ApiErrorText(static_cast<long>(GetLastError()));
            return false;
        }
        const bool made = MakeProtectedFolder(folder);
        note = "SettleDataFolder took the link " + folder + " away (" + fault + ")" +
               (made ? " and made a fresh folder" : " but cannot make a fresh folder");
        return made;
    }
    const std::string aside = AsideName(folder);
    if (aside.empty() || !MoveFileExA(folder.c_str(), aside.c_str(), 0)) {
        const std::string why =
            aside.empty() ? std::string("no free name") : ApiErrorText(static_cast<long>(GetLastError()));
        // A folder the log and the snapshot cannot do without is not left to
        // whoever made it: it is taken over and emptied.
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        std::string failed;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            const OwnershipPrivileges held;
            if (SecureTree(WideText(folder), true, failed)) {
                note = "SettleDataFolder cannot move " + folder + " aside (" + why + ") and took it over (" + fault +
                       "), removing what it held";
                return true;
            }
        }
        note = "SettleDataFolder cannot use " + folder + " (" + fault + ") nor move it aside: " + why +
               (failed.empty() ? "" : " nor take it over (" + failed + ")");
        return false;
    }
    const bool made = MakeProtectedFolder(folder);
    note = "SettleDataFolder moved " + folder + " aside to " + aside + " (" + fault + ")" +
           (made ? " and made a fresh one" : " but cannot make a fresh one");
    return made;
}

std::string DefaultDataFolder() {
    std::string base = GetSpecialFolder(kCsidlCommonAppData);
    if (base.empty())
        base = GetSpecialFolder(kCsidlAppData);
    return base.empty() ? "" : base + "\\Quillmara";
}

bool SameFolder(const std::string &a, const std::string &b) {
    auto key = [](std::string text) {
        while (!text.empty() && text.back() == '\\')
            text.pop_back();
        return LowerText(text);
    };
    return key(a) == key(b);
}
