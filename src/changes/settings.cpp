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
    ScopedKey key(CreateKeyWrite(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    return key && WriteString(key.get(), name, text);
}
