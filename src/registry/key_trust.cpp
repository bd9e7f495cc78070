#include "registry/key_trust.h"

#include "registry/access.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "system/object_security.h"
#include "system/log.h"
#include "system/text.h"

namespace {

// Every right that changes a key, what it holds, its permissions or owner.
constexpr ACCESS_MASK kKeyWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC |
                                        WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

KeySecurityRead &ReadStandIn() {
    static KeySecurityRead read;
    return read;
}

// The fault of an open key's security ("" for none).
std::string FaultOfKey(HKEY key, const std::string &keyName) {
    if (ReadStandIn()) {
        const DescriptorFromText read(ReadStandIn()(keyName));
        return KeySecurityFault(read.get());
    }
    const OwnedSecurity descriptor = SecurityOfObject(key, SE_REGISTRY_KEY);
    if (!descriptor)
        return "its security cannot be read: " + ApiErrorText(static_cast<long>(GetLastError()));
    return KeySecurityFault(descriptor.get());
}

// Gives the key the owner and protected DACL of kRecordKeySecurity.
bool Repair(HKEY key, const DescriptorFromText &sd) {
    return GiveProtectedSecurity(key, SE_REGISTRY_KEY, sd) == ERROR_SUCCESS;
}

// Checks and repairs root\path and what lies below it; depth bounds a tree
// someone made deep on purpose.
bool SecureTree(HKEY root, const std::string &path, const DescriptorFromText &sd, int depth,
                std::vector<std::string> *faulted) {
    HKEY raw = nullptr;
    const REGSAM access = READ_CONTROL | WRITE_DAC | WRITE_OWNER | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
    // Opened under the restore privilege whatever its permissions say (Wine
    // takes the option and keeps no permissions on keys), and as it is: a
    // link someone put here is not followed to the key it names.
    const LONG rc =
        RegOpenKeyExA(root, path.c_str(), REG_OPTION_BACKUP_RESTORE | REG_OPTION_OPEN_LINK, access, &raw);
    if (rc != ERROR_SUCCESS) {
        WriteLog("SecureRecordKey cannot open " + RootName(root) + path + ": " + ApiErrorText(rc));
        return false;
    }
    TrackKey(raw, kTrackOpened, RootName(root) + path);
    ScopedKey key(raw);
    if (IsLinkKey(key.get())) {
        WriteLog("SecureRecordKey " + RootName(root) + path + " is a registry link: not followed");
        if (faulted != nullptr)
            faulted->push_back(path);
        return true;
    }
    bool all = true;
    const std::string fault = FaultOfKey(key.get(), RootName(root) + path);
    if (!fault.empty()) {
        if (faulted != nullptr)
            faulted->push_back(path);
        const bool repaired = Repair(key.get(), sd);
        WriteLog("SecureRecordKey " + std::string(repaired ? "repaired" : "could not repair") + " the security of " +
                 RootName(root) + path + " (" + fault + ")");
        all = repaired;
    }
    if (depth >= 16)
        return all;
    for (const std::string &name : EnumSubKeys(key.get()))
        all = SecureTree(root, path + "\\" + name, sd, depth + 1, faulted) && all;
    return all;
}

} // namespace

void SetKeySecurityRead(KeySecurityRead read) { ReadStandIn() = std::move(read); }

std::string KeySecurityFault(PSECURITY_DESCRIPTOR descriptor) {
    return WriteRightsFault(descriptor, kKeyWriteRights);
}

bool IsLinkKey(HKEY key) {
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

bool SecureRecordKey(HKEY root, const std::string &path, std::vector<std::string> *faulted) {
    const DescriptorFromText sd(kRecordKeySecurity);
    HKEY made = nullptr;
    DWORD disposition = 0;
    SECURITY_ATTRIBUTES sa{sizeof sa, sd.get(), FALSE};
    const LONG rc = sd.get() == nullptr ? ERROR_INVALID_SECURITY_DESCR
                                        : RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                          KEY_READ, &sa, &made, &disposition);
    if (rc != ERROR_SUCCESS) {
        WriteLog("SecureRecordKey cannot make " + RootName(root) + path + ": " + ApiErrorText(rc));
        return false;
    }
    TrackKey(made, kTrackOpened, RootName(root) + path);
    CloseKey(made);
    if (disposition == REG_CREATED_NEW_KEY)
        return true;
    PrivilegeHold privileges; // the owner and a key closed to Administrators
    return SecureTree(root, path, sd, 0, faulted);
}
