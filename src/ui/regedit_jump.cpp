#include "ui/regedit_jump.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/values.h"

void SetRegeditLastKey(const std::string &text) {
    ScopedKey applets(OpenKeyWrite(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets"));
    if (!applets)
        return;
    ScopedKey regedit(
        CreateKeyWrite(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit"));
    if (regedit)
        WriteString(regedit.get(), "LastKey", text);
}
