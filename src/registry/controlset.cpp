#include "registry/controlset.h"

#include <windows.h>

#include <cstdio>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"

namespace {
bool KeyOpens(const std::string &path) {
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, path));
    return static_cast<bool>(key);
}
} // namespace

std::string GetCurrentControlSet(int code) {
    if (code != kHiveRemoteSystem && code != kHiveSystem)
        return "";
    const std::string hive = (code == kHiveRemoteSystem ? kRemoteSystem : std::string("SYSTEM")) + "\\";
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, hive + "Select"));
    if (!key)
        return "";
    const RegValue current = ReadValue(key.get(), "Current");
    if (!current.present)
        return "";
    // Only the lowest byte of the stored number counts.
    const unsigned number = current.data.empty() ? 0u : static_cast<unsigned char>(current.data[0]);
    char name[32];
    std::snprintf(name, sizeof name, "ControlSet%03u", number);
    // Wine keeps the control set only as "CurrentControlSet" and has no
    // numbered set: read that one when the numbered set is missing.
    if (!KeyOpens(hive + std::string(name)) && KeyOpens(hive + std::string(kCurrentSetName)))
        return kCurrentSetName;
    return name;
}
