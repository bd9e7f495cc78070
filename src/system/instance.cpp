#include "system/instance.h"

#include <windows.h>

#include <vector>

#include "system/handles.h"
#include "system/log.h"

namespace {
HANDLE &InstanceMutex() {
    static HANDLE mutex = nullptr;
    return mutex;
}
} // namespace

bool CheckSingleInstance() {
    HANDLE h = CreateMutexA(nullptr, FALSE, "Quillmara Mutex");
    InstanceMutex() = h;
    if (h == nullptr) {
        WriteLog("The mechanism to ensure only one instance of this app has failed.");
        return true;
    }
    if (WaitForSingleObject(h, 0) != WAIT_OBJECT_0) {
        WriteLog("This application is already running.");
        CloseHandle(h);
        InstanceMutex() = nullptr;
        return false;
    }
    return true;
}

void ReleaseInstanceMutex() {
    if (InstanceMutex() != nullptr)
        ReleaseMutex(InstanceMutex());
}

bool IsAdmin() {
    HANDLE raw = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &raw) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return false;
    KernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
    if (size == 0)
        return false;
    std::vector<unsigned char> buffer(size);
    if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size))
        return false;
    const auto *groups = reinterpret_cast<const TOKEN_GROUPS *>(buffer.data());

    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins))
        return false;
    bool found = false;
    if (IsValidSid(admins)) {
        // Every group counts, however many the token has, and whatever its
        // attributes (deny-only and disabled groups included).
        for (DWORD i = 0; i < groups->GroupCount && !found; ++i) {
            PSID sid = groups->Groups[i].Sid;
            found = IsValidSid(sid) && EqualSid(sid, admins);
        }
    }
    FreeSid(admins);
    return found;
}
