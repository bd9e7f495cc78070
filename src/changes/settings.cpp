#include "changes/settings.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/values.h"

std::string ReadSetting(const std::string &name) {
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    if (!key)
        return "";
    return ReadString(key.get(), name);
}

bool WriteSetting(const std::string &name, const std::string &text) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    TrackKey(raw, 1, RootName(HKEY_LOCAL_MACHINE) + kSettingsKeyPath);
    ScopedKey key(raw);
    return WriteString(key.get(), name, text);
}
