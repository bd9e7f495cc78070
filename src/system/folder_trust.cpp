#include "system/folder_trust.h"

#include <aclapi.h>
#include <sddl.h>

#include "system/files.h"
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

// A local descriptor made from a descriptor string, freed with the object.
class ParsedDescriptor {
  public:
    explicit ParsedDescriptor(const char *text) {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &sd_, nullptr))
            sd_ = nullptr;
    }
    ~ParsedDescriptor() {
        if (sd_ != nullptr)
            LocalFree(sd_);
    }
    ParsedDescriptor(const ParsedDescriptor &) = delete;
    ParsedDescriptor &operator=(const ParsedDescriptor &) = delete;
    PSECURITY_DESCRIPTOR get() const { return sd_; }

  private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
};

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

std::string FolderSecurityFault(PSECURITY_DESCRIPTOR descriptor) { return WriteRightsFault(descriptor, kWriteRights); }

std::string WriteRightsFault(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK writeRights) {
    if (descriptor == nullptr || !IsValidSecurityDescriptor(descriptor))
        return "its security cannot be read";
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsAdministratorsOrSystem(owner))
        return "its owner is not Administrators or SYSTEM";
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return "it lets everyone write";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void *ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return "its permissions cannot be read";
        const auto *header = static_cast<const ACE_HEADER *>(ace);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE)
            continue;
        // Allowed entries of the plain layout name their account after the
        // mask; any other kind of allowed entry is not one this folder needs.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return "its permissions hold an entry of an unknown kind";
        const auto *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(ace);
        if ((allowed->Mask & writeRights) != 0 &&
            !IsAdministratorsOrSystem(const_cast<DWORD *>(&allowed->SidStart)))
            return "its permissions let others write";
    }
    return "";
}

bool FolderSecurityKept() { return KeptOverride().value_or(!RunningOnWine()); }

void OverrideFolderSecurityKept(std::optional<bool> kept) { KeptOverride() = kept; }

std::string DataFolderFault(const std::string &folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return kLinkFault;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return "it is no folder";
    return FolderSecurityKept() ? PathSecurityFault(folder) : "";
}

std::string PathSecurityFault(const std::string &path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           nullptr, nullptr, &descriptor);
    if (rc != ERROR_SUCCESS)
        return "its security cannot be read: " + ApiErrorText(static_cast<long>(rc));
    std::string fault = FolderSecurityFault(descriptor);
    LocalFree(descriptor);
    return fault;
}

bool MakeProtectedFolder(const std::string &folder) {
    // Only a folder owned by Administrators is one the next start trusts: an
    // account that may not name them as owner (no administrator) makes none.
    ParsedDescriptor sd(kDataFolderSecurity);
    SECURITY_ATTRIBUTES sa{sizeof sa, sd.get(), FALSE};
    if (sd.get() != nullptr && CreateDirectoryA(folder.c_str(), &sa))
        return true;
    WriteLog("MakeProtectedFolder " + folder + ": " + ApiErrorText(static_cast<long>(GetLastError())));
    return false;
}

bool RemoveLinkItself(const std::string &path, bool folder) {
    if (RunningOnWine()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    return (folder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str())) != FALSE;
}

bool SettleDataFolder(const std::string &folder, std::string &note) {
    note.clear();
    if (!Exists(folder))
        return MakeProtectedFolder(folder);
    const std::string fault = DataFolderFault(folder);
    if (fault.empty())
        return true;
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
    std::string aside;
    for (int n = 1; n < 100; ++n) {
        const std::string candidate = folder + ".untrusted" + (n > 1 ? std::to_string(n) : "");
        if (!Exists(candidate)) {
            aside = candidate;
            break;
        }
    }
    if (aside.empty() || !MoveFileExA(folder.c_str(), aside.c_str(), 0)) {
        note = "SettleDataFolder cannot use " + folder + " (" + fault + ") nor move it aside: " +
               (aside.empty() ? std::string("no free name") : ApiErrorText(static_cast<long>(GetLastError())));
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
