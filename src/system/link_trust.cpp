#include "system/link_trust.h"

#include <aclapi.h>
#include <sddl.h>

#include "system/folder_trust.h"
#include "system/handles.h"
#include "system/log.h"

namespace {

// Rights over a folder that let an account take away, rename or replace what
// it holds, or give itself those rights. Adding new names is not among them:
// a name that is taken (the link's) cannot be added again.
constexpr ACCESS_MASK kReplaceRights = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

constexpr const char *kTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool IsSystemAccount(PSID sid) {
    if (sid == nullptr || !IsValidSid(sid))
        return false;
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid))
        return true;
    char *text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text))
        return false;
    const bool installer = std::string(text) == kTrustedInstaller;
    LocalFree(text);
    return installer;
}

bool OwnedBySystem(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && IsSystemAccount(owner);
}

// Why others may replace what the folder holds; "" when none may.
std::string FolderReplaceFault(PSECURITY_DESCRIPTOR folder) {
    if (!OwnedBySystem(folder))
        return "its folder's owner is not SYSTEM, TrustedInstaller or Administrators";
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(folder, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return "its folder lets everyone write";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void *ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return "its folder's permissions cannot be read";
        const auto *header = static_cast<const ACE_HEADER *>(ace);
        // Entries only passed on to what the folder holds do not apply to it.
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0 || header->AceType == ACCESS_DENIED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return "its folder's permissions hold an entry of an unknown kind";
        const auto *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(ace);
        if ((allowed->Mask & kReplaceRights) != 0 && !IsSystemAccount(const_cast<DWORD *>(&allowed->SidStart)))
            return "its folder lets others replace it";
    }
    return "";
}

// The owner and permissions of path, read on the object itself (a link is
// not followed); null when they cannot be read.
PSECURITY_DESCRIPTOR ReadSecurity(const std::wstring &path) {
    FileHandle object(CreateFileW(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!object || GetSecurityInfo(object.get(), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return nullptr;
    return descriptor;
}

} // namespace

std::string LinkOwnerFault(PSECURITY_DESCRIPTOR link, PSECURITY_DESCRIPTOR folder) {
    if (link == nullptr || !IsValidSecurityDescriptor(link) || folder == nullptr ||
        !IsValidSecurityDescriptor(folder))
        return "its security cannot be read";
    if (!OwnedBySystem(link))
        return "its owner is not SYSTEM, TrustedInstaller or Administrators";
    return FolderReplaceFault(folder);
}

std::string LinkFault(const std::wstring &path, const std::wstring &folder) {
    if (!FolderSecurityKept())
        return "owners of links are not kept here";
    PSECURITY_DESCRIPTOR link = ReadSecurity(path);
    PSECURITY_DESCRIPTOR parent = ReadSecurity(folder);
    std::string fault = LinkOwnerFault(link, parent);
    if (link != nullptr)
        LocalFree(link);
    if (parent != nullptr)
        LocalFree(parent);
    return fault;
}
