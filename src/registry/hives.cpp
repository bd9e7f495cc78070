#include "registry/hives.h"

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/platform.h"
#include "system/text.h"

namespace {

// The process token opened by the last EnablePrivileges and the two
// privileges it enabled (restore, then backup).
struct PrivilegeState {
    KernelHandle token;
    bool enabled = false;
    LUID restore{};
    LUID backup{};
};

PrivilegeState &Privileges() {
    static PrivilegeState state;
    return state;
}

// Sets the two privileges to attributes in the token; true when the call
// itself succeeded (a privilege the token lacks is not a failure).
bool AdjustBoth(DWORD attributes) {
    auto &state = Privileges();
    struct {
        DWORD count;
        LUID_AND_ATTRIBUTES entries[2];
    } record{2, {{state.restore, attributes}, {state.backup, attributes}}};
    static_assert(sizeof record == 28);
    if (AdjustTokenPrivileges(state.token.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES *>(&record), sizeof record,
                              nullptr, nullptr) == 0) {
        WriteLog("AdjustTokenPrivileges: " + ApiErrorText(static_cast<long>(GetLastError())));
        return false;
    }
    return true;
}

bool KeyExists(HKEY root, const std::string &name) {
    ScopedKey key(OpenKey(root, name));
    return static_cast<bool>(key);
}

// The most recent listed load of root\name, or null.
const LoadedHive *FindListed(HKEY root, const std::string &name) {
    const auto &list = LoadedHives();
    for (size_t i = list.size(); i-- > 1;) {
        if (list[i].Root == root && _stricmp(list[i].SubKey.c_str(), name.c_str()) == 0)
            return &list[i];
    }
    return nullptr;
}

// The folder a temporary file beside file goes into: the text before its
// last "\" or "/", the current folder when it names none.
std::string FolderForTemporary(const std::string &file) {
    const auto slash = file.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Wine drops a loaded hive's changes when it is unloaded: write the key back
// to the file it came from first.
bool SaveBackToFile(HKEY root, const std::string &name, const std::string &file) {
    ScopedKey key(OpenKey(root, name));
    if (!key) {
        WriteLog("UnloadHive cannot open " + RootName(root) + name);
        return false;
    }
    std::string what;
    const long rc = SaveKeyOverFile(key.get(), file, what);
    if (rc != ERROR_SUCCESS)
        WriteLog("UnloadHive " + what + ": " + ApiErrorText(rc));
    return rc == ERROR_SUCCESS;
}

} // namespace

std::vector<LoadedHive> &LoadedHives() {
    static std::vector<LoadedHive> list(1);
    return list;
}

bool &PrivilegesEnabled() { return Privileges().enabled; }

void EnablePrivileges() {
    auto &state = Privileges();
    if (state.enabled)
        return;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        WriteLog("OpenProcess: " + ApiErrorText(static_cast<long>(GetLastError())));
        token = nullptr;
    }
    state.token.reset(token); // the token of an earlier call is closed here
    if (!LookupPrivilegeValueA(nullptr, "SeRestorePrivilege", &state.restore))
        WriteLog("LookupPrivileges: " + ApiErrorText(static_cast<long>(GetLastError())));
    if (!LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &state.backup))
        WriteLog("LookupPrivileges: 0");
    if (AdjustBoth(SE_PRIVILEGE_ENABLED))
        state.enabled = true;
}

void DisablePrivileges() {
    if (AdjustBoth(0))
        Privileges().enabled = false;
}

bool LoadHive(const std::string &file, HKEY root, const std::string &name) {
    EnablePrivileges();
    const bool existed = KeyExists(root, name);
    if (RegLoadKeyA(root, name.c_str(), file.c_str()) == ERROR_SUCCESS) {
        auto &list = LoadedHives();
        if (list.empty())
            list.resize(1);
        list.push_back(LoadedHive{root, name, file});
        return true;
    }
    // Wine leaves an empty key behind when the file is no hive; it would pass
    // for a loaded hive and block the next load.
    if (!existed && KeyExists(root, name))
        RegUnLoadKeyA(root, name.c_str());
    WriteLog("Failed to load hive: " + file + " as " + RootName(root));
    return false;
}

void UnloadHive(HKEY root, const std::string &name) {
    EnablePrivileges();
    LONG rc = ERROR_SUCCESS;
    if (RunningOnWine()) {
        const LoadedHive *listed = FindListed(root, name);
        if (listed == nullptr && !HasRemotePrefix(name)) {
            // Wine's unload deletes any key of that name, hive or not; a key
            // that is neither listed nor one of the "_REMOTE_" names is left
            // alone, as Windows does with a key that is not a hive.
            rc = ERROR_INVALID_PARAMETER;
        } else if (listed != nullptr && !listed->File.empty()) {
            ScopedKey probe(OpenKey(root, name));
            const bool present = static_cast<bool>(probe);
            probe.reset();
            if (present && !SaveBackToFile(root, name, listed->File))
                rc = ERROR_CANTWRITE; // keep it loaded rather than lose its changes
        }
    }
    if (rc == ERROR_SUCCESS)
        rc = RegUnLoadKeyA(root, name.c_str());
    if (rc != ERROR_SUCCESS)
        WriteLog("Non-zero return unloading hive " + name + " : " + std::to_string(rc));
}

void UnloadRemoteHives() {
    for (const std::string &name : {kRemoteSystem, kRemoteSoftware}) {
        ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, name));
        if (!key)
            continue;
        key.reset();
        UnloadHive(HKEY_LOCAL_MACHINE, name);
    }
    // The names are taken first and each is tried once, so a key that cannot
    // be unloaded is passed over instead of being retried for ever.
    std::vector<std::string> names;
    {
        ScopedKey users(OpenKey(HKEY_USERS, ""));
        if (!users)
            return;
        names = EnumSubKeys(users.get());
    }
    for (const auto &name : names) {
        if (HasRemotePrefix(name))
            UnloadHive(HKEY_USERS, name);
    }
}

long SaveKeyOverFile(HKEY key, const std::string &file, std::string &what) {
    char temp[MAX_PATH + 1] = {};
    if (GetTempFileNameA(FolderForTemporary(file).c_str(), "qmh", 0, temp) == 0) {
        what = "no temporary file beside " + file;
        return static_cast<long>(GetLastError());
    }
    DeleteFileA(temp); // RegSaveKey refuses an existing file
    LONG rc = RegSaveKeyA(key, temp, nullptr);
    if (rc != ERROR_SUCCESS) {
        DeleteFileA(temp);
        what = std::string("saving to ") + temp;
        return rc;
    }
    // A read-only, hidden or system file is replaced as well; it keeps its
    // attributes when it cannot be.
    const DWORD attributes = GetFileAttributesA(file.c_str());
    const DWORD blocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const bool cleared = attributes != INVALID_FILE_ATTRIBUTES && (attributes & blocking) != 0 &&
                         SetFileAttributesA(file.c_str(), attributes & ~blocking);
    if (!MoveFileExA(temp, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        rc = static_cast<LONG>(GetLastError());
        DeleteFileA(temp);
        if (cleared)
            SetFileAttributesA(file.c_str(), attributes);
        what = "replacing " + file;
        return rc;
    }
    return ERROR_SUCCESS;
}

bool RemoteHivesLoaded() {
    ScopedKey system(OpenKey(HKEY_LOCAL_MACHINE, kRemoteSystem));
    ScopedKey software(OpenKey(HKEY_LOCAL_MACHINE, kRemoteSoftware));
    return system && software;
}

std::vector<std::string> ListUserHives() {
    std::vector<std::string> hives(1);
    ScopedKey users(OpenKey(HKEY_USERS, ""));
    if (!users)
        return hives;
    for (const auto &name : EnumSubKeys(users.get())) {
        const std::string lower = LowerText(name);
        if (lower == ".default")
            continue;
        if (lower.size() >= 7 && lower.compare(lower.size() - 7, 7, "classes") == 0)
            continue;
        hives.push_back(kRemotePrefix + name);
    }
    return hives;
}
