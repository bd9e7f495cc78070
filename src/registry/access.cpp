#include "registry/access.h"

#include "registry/values.h"
#include "system/log.h"

std::vector<KeyTrack> &OpenKeys() {
    static std::vector<KeyTrack> table(1);
    return table;
}

namespace {
HKEY OpenWithAccess(HKEY root, const std::string &subKey, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    TrackKey(key, kTrackOpened, RootName(root) + subKey);
    return key;
}
} // namespace

HKEY OpenKey(HKEY root, const std::string &subKey) { return OpenWithAccess(root, subKey, KEY_READ); }

HKEY OpenKeyWrite(HKEY root, const std::string &subKey) { return OpenWithAccess(root, subKey, kWriteAccess); }

HKEY CreateKeyWrite(HKEY root, const std::string &subKey) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    TrackKey(key, kTrackOpened, RootName(root) + subKey);
    return key;
}

HKEY OpenChildKey(HKEY parent, const std::string &name, const std::string &trackName, long *error) {
    HKEY key = nullptr;
    const LONG rc = parent != nullptr ? RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) : ERROR_INVALID_HANDLE;
    if (error != nullptr)
        *error = rc;
    if (rc != ERROR_SUCCESS)
        return nullptr;
    TrackKey(key, kTrackOpened, trackName);
    return key;
}

void CloseKey(HKEY key) {
    if (key == nullptr)
        return;
    TrackKey(key, kTrackClosed, "");
    RegCloseKey(key);
}

void TrackKey(HKEY key, int action, const std::string &name) {
    auto &table = OpenKeys();
    if (table.empty())
        table.resize(1);
    if (action == kTrackOpened) {
        for (size_t i = 1; i < table.size(); ++i) {
            if (table[i].hKey == nullptr) {
                table[i] = KeyTrack{key, name};
                return;
            }
        }
        table.push_back(KeyTrack{key, name});
    } else if (action == kTrackClosed) {
        for (size_t i = 1; i < table.size(); ++i) {
            if (table[i].hKey == key) {
                table[i].hKey = nullptr;
                return;
            }
        }
    }
}

void CloseOpenKeys() {
    auto &table = OpenKeys();
    for (size_t i = 1; i < table.size(); ++i) {
        if (table[i].hKey != nullptr) {
            CloseKey(table[i].hKey);
            WriteLog("Registry Key " + table[i].KeyName + " was still open, closing.");
        }
    }
}

std::string RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE\\";
    if (root == HKEY_USERS)
        return "HKEY_USERS\\";
    return "";
}

bool FirstSubKeyName(HKEY root, const std::string &subKey) {
    ScopedKey key(OpenKey(root, subKey));
    if (!key)
        return false;
    char name[256];
    DWORD length = sizeof name;
    const LONG rc = RegEnumKeyExA(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    // A name too long for the buffer still means there is a subkey.
    return (rc == ERROR_SUCCESS && length > 0) || rc == ERROR_MORE_DATA;
}
