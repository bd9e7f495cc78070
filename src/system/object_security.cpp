#include "system/object_security.h"

#include <aclapi.h>
#include <sddl.h>

#include "system/log.h"
#include "system/platform.h"

namespace {

// Every right that changes a folder, what it holds, its permissions or owner.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                     FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                     GENERIC_ALL;

bool IsAdministratorsOrSystem(PSID sid) {
    return sid != nullptr && IsValidSid(sid) &&
           (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid));
}

std::optional<bool> &KeptOverride() {
    static std::optional<bool> kept;
    return kept;
}

} // namespace

OwnedSecurity SecurityOfPath(const std::string &path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           nullptr, nullptr, &descriptor);
    SetLastError(rc);
    return OwnedSecurity(rc == ERROR_SUCCESS ? descriptor : nullptr);
}

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

namespace {
constexpr const char *kNotAdministratorsOrSystem = "its owner is not Administrators or SYSTEM";
} // namespace

std::string OwnerOrRightsFault(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights, bool passedOnCounts,
                               bool installerMayOwn, const FaultTexts &texts) {
    if (descriptor == nullptr || !IsValidSecurityDescriptor(descriptor))
        return "its security cannot be read";
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !(installerMayOwn ? IsSystemAccount(owner) : IsAdministratorsOrSystem(owner)))
        return texts.owner;
    switch (RightsOfOthers(descriptor, rights, passedOnCounts)) {
    case OthersRights::NoDacl:
        return texts.noDacl;
    case OthersRights::Unreadable:
        return "its permissions cannot be read";
    case OthersRights::UnknownEntry:
        return "its permissions hold an entry of an unknown kind";
    case OthersRights::Granted:
        return texts.granted;
    case OthersRights::None:
        break;
    }
    return "";
}

std::string WriteRightsFault(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK writeRights) {
    return OwnerOrRightsFault(descriptor, writeRights, true, false,
                              {kNotAdministratorsOrSystem, "it lets everyone write", "its permissions let others write"});
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

std::string LevelAboveFault(PSECURITY_DESCRIPTOR descriptor) {
    // What the level holds may grow (ProgramData's and a drive root's users
    // may add folders); what counts is that no one else may take away,
    // rename or replace what is there, nor change who may.
    constexpr ACCESS_MASK kReplaceRights = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
    return OwnerOrRightsFault(descriptor, kReplaceRights, false, true,
                              {kNotAdministratorsOrSystem, "it lets everyone write",
                               "its permissions let others replace what it holds"});
}

std::string PathSecurityFault(const std::string &path) {
    const OwnedSecurity descriptor = SecurityOfPath(path);
    if (!descriptor)
        return "its security cannot be read: " + ApiErrorText(static_cast<long>(GetLastError()));
    return FolderSecurityFault(descriptor.get());
}
