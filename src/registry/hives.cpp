#include "registry/hives.h"

#include <cstdio>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/files.h"
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

// Under Wine a hive stays loaded when the program that loaded it dies, and
// unloading a key that is no hive deletes it with its content. So each load is
// also recorded here (the value's name is the key's full name, its data the
// hive file), and a later run unloads a hive an earlier one left behind, and
// only such a hive.
const std::string kHiveRecords = std::string(kSettingsKeyPath) + "\\Hives";

void RecordLoad(HKEY root, const std::string &name, const std::string &file) {
    ScopedKey key(CreateKeyWrite(HKEY_LOCAL_MACHINE, kHiveRecords));
    if (!key || !WriteString(key.get(), RootName(root) + name, file))
        WriteLog("LoadHive no record kept of " + RootName(root) + name);
}

void DropRecord(HKEY root, const std::string &name) {
    ScopedKey key(OpenKeyWrite(HKEY_LOCAL_MACHINE, kHiveRecords));
    if (key)
        RegDeleteValueA(key.get(), (RootName(root) + name).c_str());
}

// The records of key moves (disabled store) whose target lay in a hive that
// is unloaded now: whatever is mounted under that name later is another
// installation's, or the same one changed elsewhere, so none is acted on.
const std::string &kMoveRecords = kMoveRecordsPath;

void DropMoveRecordsBelow(HKEY root, const std::string &name) {
    ScopedKey key(OpenKeyWrite(HKEY_LOCAL_MACHINE, kMoveRecords));
    if (!key)
        return;
    const std::string prefix = LowerText(RootName(root) + name + "\\");
    for (const std::string &value : EnumValueNames(key.get())) {
        if (LowerText(value).compare(0, prefix.size(), prefix) != 0)
            continue;
        const bool dropped = RegDeleteValueA(key.get(), value.c_str()) == ERROR_SUCCESS;
        WriteLog(std::string("UnloadHive ") + (dropped ? "dropped" : "could not drop") +
                 " the record of the move into " + value);
    }
}

// The file an earlier run recorded for a hive it loaded as name; false when
// no run of this program loaded it.
bool RecordedFile(HKEY root, const std::string &name, std::string &file) {
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, kHiveRecords));
    if (!key)
        return false;
    const RegValue value = ReadValue(key.get(), RootName(root) + name);
    file = value.Text();
    return value.present;
}

// The folder a temporary file beside file goes into: the text before its
// last "\" or "/", the current folder when it names none.
std::string FolderForTemporary(const std::string &file) {
    const auto slash = file.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Wine drops a loaded hive's changes when it is unloaded: write the key back
// to the file it came from first (saving a key needs the backup privilege,
// whatever the operation before dropped).
bool SaveBackToFile(HKEY root, const std::string &name, const std::string &file, const char *caller) {
    PrivilegeHold privileges;
    ScopedKey key(OpenKey(root, name));
    if (!key) {
        WriteLog(std::string(caller) + " cannot open " + RootName(root) + name);
        return false;
    }
    std::string what;
    const long rc = SaveKeyOverFile(key.get(), file, what);
    if (rc != ERROR_SUCCESS)
        WriteLog(std::string(caller) + " " + what + ": " + ApiErrorText(rc));
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

PrivilegeHold::PrivilegeHold() : held_(PrivilegesEnabled()) { EnablePrivileges(); }

PrivilegeHold::~PrivilegeHold() {
    if (!held_)
        DisablePrivileges();
}

bool LoadHive(const std::string &file, HKEY root, const std::string &name) {
    // An empty name would merge the hive into the root itself, a name with
    // "\" into a key below it, and the name of a key that is there already
    // into that key (Wine merges where Windows refuses); unloading would then
    // take the root's or that key's content with it.
    if (name.empty() || name.find('\\') != std::string::npos || KeyExists(root, name)) {
        WriteLog("Failed to load hive: " + file + " as " + RootName(root) + name + " (not a name for a hive)");
        return false;
    }
    EnablePrivileges();
    if (RegLoadKeyA(root, name.c_str(), file.c_str()) == ERROR_SUCCESS) {
        auto &list = LoadedHives();
        if (list.empty())
            list.resize(1);
        list.push_back(LoadedHive{root, name, file});
        if (Platform().hiveChangesNeedWriteBack)
            RecordLoad(root, name, file);
        return true;
    }
    // Wine leaves an empty key behind when the file is no hive; it would pass
    // for a loaded hive and block the next load.
    if (KeyExists(root, name))
        RegUnLoadKeyA(root, name.c_str());
    WriteLog("Failed to load hive: " + file + " as " + RootName(root));
    return false;
}

bool UnloadHive(HKEY root, const std::string &name) {
    EnablePrivileges();
    LONG rc = ERROR_SUCCESS;
    if (Platform().hiveUnloadTakesAnyKey) {
        const LoadedHive *listed = FindListed(root, name);
        std::string file;
        const bool ours = listed != nullptr || RecordedFile(root, name, file);
        if (listed != nullptr)
            file = listed->File;
        if (!ours) {
            // Wine's unload deletes any key of that name, hive or not, with
            // its content: a key no run of this program loaded is left alone,
            // as Windows does with a key that is not a hive.
            if (KeyExists(root, name))
                rc = ERROR_INVALID_PARAMETER;
        } else if (!file.empty() && (listed != nullptr || FileExists(file))) {
            // A hive an earlier run left whose file is gone has nothing to
            // be written back to.
            ScopedKey probe(OpenKey(root, name));
            const bool present = static_cast<bool>(probe);
            probe.reset();
            if (present && !SaveBackToFile(root, name, file, "UnloadHive"))
                rc = ERROR_CANTWRITE; // keep it loaded rather than lose its changes
        }
    }
    if (rc == ERROR_SUCCESS)
        rc = RegUnLoadKeyA(root, name.c_str());
    if (rc == ERROR_SUCCESS && Platform().hiveChangesNeedWriteBack)
        DropRecord(root, name);
    if (rc == ERROR_SUCCESS)
        DropMoveRecordsBelow(root, name);
    if (rc != ERROR_SUCCESS)
        WriteLog("Non-zero return unloading hive " + name + " : " + std::to_string(rc));
    return rc == ERROR_SUCCESS;
}

bool UnloadRemoteHives() {
    bool all = true;
    for (const std::string &name : {kRemoteSystem, kRemoteSoftware}) {
        ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, name));
        if (!key)
            continue;
        key.reset();
        all = UnloadHive(HKEY_LOCAL_MACHINE, name) && all;
    }
    // The names are taken first and each is tried once, so a key that cannot
    // be unloaded is passed over instead of being retried for ever.
    std::vector<std::string> names;
    {
        ScopedKey users(OpenKey(HKEY_USERS, ""));
        if (!users)
            return all;
        names = EnumSubKeys(users.get());
    }
    for (const auto &name : names) {
        if (HasRemotePrefix(name))
            all = UnloadHive(HKEY_USERS, name) && all;
    }
    return all;
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
    // A file that keeps a check record keeps it current.
    if (GetFileAttributesA(CheckRecordFile(file).c_str()) != INVALID_FILE_ATTRIBUTES && !WriteCheckRecord(file)) {
        what = "writing the check record of " + file;
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

bool WriteBackLoadedHive(HKEY root, const std::string &path) {
    if (!Platform().hiveChangesNeedWriteBack)
        return true;
    const std::string name = path.substr(0, path.find('\\'));
    const LoadedHive *listed = name.empty() ? nullptr : FindListed(root, name);
    if (listed == nullptr || listed->File.empty() || !KeyExists(root, name))
        return true;
    return SaveBackToFile(root, name, listed->File, "WriteBackLoadedHive");
}

std::string CheckRecordFile(const std::string &file) { return file + ".check"; }

std::string CheckRecordOf(const std::string &bytes) {
    // The length and a 64-bit FNV-1a checksum, as one line of text.
    unsigned long long hash = 14695981039346656037ULL;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char line[64];
    std::snprintf(line, sizeof line, "%zu %016llx\r\n", bytes.size(), hash);
    return line;
}

bool WriteCheckRecord(const std::string &file) {
    std::string bytes;
    const std::string record = ReadFileBytes(file, bytes) ? CheckRecordOf(bytes) : std::string();
    if (record.empty() || WriteStringToFile(CheckRecordFile(file), record) != static_cast<long>(record.size())) {
        WriteLog("Cannot write the check record of " + file);
        return false;
    }
    return true;
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
