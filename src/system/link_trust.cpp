#include "system/link_trust.h"

#include <aclapi.h>
#include <sddl.h>

#include "system/folder_trust.h"
#include "system/log.h"

namespace {

// Rights over a link that let an account point it elsewhere or take it away.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                      DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

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

// Why the object with this security is not the system's alone: its owner
// is someone else, or its permissions (those for the object itself) give
// someone else any of rights; "" when neither. what names the object.
std::string OthersMay(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights, const std::string &what, const char *fault) {
    if (!OwnedBySystem(descriptor))
        return what + " owner is not SYSTEM, TrustedInstaller or Administrators";
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return what + " permissions let everyone write";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void *ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return what + " permissions cannot be read";
        const auto *header = static_cast<const ACE_HEADER *>(ace);
        // Entries only passed on to what a folder holds do not apply to it.
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0 || header->AceType == ACCESS_DENIED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return what + " permissions hold an entry of an unknown kind";
        const auto *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(ace);
        if ((allowed->Mask & rights) != 0 && !IsSystemAccount(const_cast<DWORD *>(&allowed->SidStart)))
            return fault;
    }
    return "";
}

// The owner and permissions of the open object; null when they cannot be read.
PSECURITY_DESCRIPTOR ReadSecurity(HANDLE object) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return nullptr;
    return descriptor;
}

} // namespace

std::string LinkOwnerFault(PSECURITY_DESCRIPTOR link) {
    if (link == nullptr || !IsValidSecurityDescriptor(link))
        return "its security cannot be read";
    return OthersMay(link, kChangeRights, "its", "its permissions let others change it");
}

std::string LinkFault(HANDLE link) {
    if (!FolderSecurityKept())
        return "owners of links are not kept here";
    PSECURITY_DESCRIPTOR own = ReadSecurity(link);
    std::string fault = LinkOwnerFault(own);
    if (own != nullptr)
        LocalFree(own);
    return fault;
}
