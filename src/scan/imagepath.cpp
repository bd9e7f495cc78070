#include "scan/imagepath.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "scan/installations.h"
#include "scan/records.h"
#include "scan/scan_memo.h"
#include "system/handles.h"

bool FileMatchExists(const std::string &pattern) { return ScanFileMatchExists(pattern); }

std::string EnvironPath(const std::string &name) {
    return SearchPathList(EnvironmentText("Path"), name, FileMatchExists);
}

std::string AppPathLookup(const std::string &name, int scope) {
    std::string prefix;
    if (scope == kScopeProfilesFolder)
        prefix = "Software\\";
    else if (scope == kScopeProfilesFolderOffline)
        prefix = kRemoteSoftware + "\\";
    else
        return std::string();
    std::string file = name;
    if (!EndsWithNoCase(file, ".exe"))
        file += ".exe";
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, prefix + "Microsoft\\Windows\\CurrentVersion\\App Paths\\" + file));
    if (!key)
        return std::string();
    for (const NamedRegValue &value : EnumValues(key.get())) {
        if (!value.name.empty())
            continue;
        // The default value's text up to its terminating NUL (when it has one).
        std::string text = value.value.Text();
        if (!text.empty())
            return text;
    }
    return std::string();
}
