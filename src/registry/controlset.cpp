#include "registry/controlset.h"

#include <windows.h>

#include <cstdio>

#include "registry/access.h"
#include "registry/values.h"
#include "scan/state.h"
#include "scan/text.h"

namespace {
bool KeyOpens(const std::string &path) {
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, path));
    return static_cast<bool>(key);
}
} // namespace

std::string GetCurrentControlSet(int code) {
    const char *hive = code == 5 ? "_REMOTE_SYSTEM\\" : code == 2 ? "SYSTEM\\" : nullptr;
    if (hive == nullptr)
        return "";
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, std::string(hive) + "Select"));
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

void SetControlSet(int code) {
    CurrentControlSet() = GetCurrentControlSet(code);
    static constexpr int kSystemHiveLocations[] = {1, 48, 49, 50, 56, 63, 64, 65, 66, 67, 68};
    auto &locations = ScanLocations();
    for (int n : kSystemHiveLocations) {
        if (n > UpperBound(locations))
            continue;
        std::string &path = locations[static_cast<size_t>(n)].Path;
        // The control set's name is the first 13 characters, or the longer
        // name of the running set where that stands in for it.
        const size_t length = path.rfind(std::string(kCurrentSetName) + "\\", 0) == 0 ? 17 : 13;
        const std::string from = path.substr(0, length);
        if (from.empty())
            continue;
        path = ReplaceAll(path, from, CurrentControlSet());
    }
}
