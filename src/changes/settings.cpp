#include "changes/settings.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/values.h"
#include "system/folder_trust.h"

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

std::string StartDataFolder(const std::string &first) {
    const std::string recorded = ReadSetting("DataFolder");
    const bool fresh = IsFreshDataFolderName(recorded, first) && DataFolderFault(recorded).empty();
    UseDataFolder(fresh ? recorded : "");
    return fresh ? recorded : first;
}

bool SettleStartDataFolder(const std::string &first, std::string &folder, std::string &note) {
    std::string fresh;
    const bool settled = SettleDataFolder(folder, note, SameFolder(folder, first) ? &fresh : nullptr);
    if (!fresh.empty()) {
        folder = fresh;
        UseDataFolder(fresh);
        if (!WriteSetting("DataFolder", fresh))
            note += " (its name cannot be recorded)";
    }
    return settled;
}
