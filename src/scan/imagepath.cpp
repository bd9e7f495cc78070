#include "scan/imagepath.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "scan/state.h"
#include "system/handles.h"

namespace {

// A variable of the running program's environment, whole ("" when unset).
std::string EnvironmentVariable(const char *name) {
    std::string value;
    DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    while (size > 0) {
        value.assign(size, '\0');
        const DWORD got = GetEnvironmentVariableA(name, value.data(), size);
        if (got < size) {
            value.resize(got);
            return value;
        }
        size = got; // grew in between: try again with the new size
    }
    return std::string();
}

} // namespace

bool FileMatchExists(const std::string &pattern) {
    if (pattern.empty())
        return false;
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find)
        return false;
    // Files only (normal, read-only, hidden, system, archive): folders do not count.
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return true;
    } while (FindNextFileA(find.get(), &data));
    return false;
}

InstallContext CurrentInstall() {
    InstallContext ctx;
    const auto &locations = ScanLocations();
    const int os = SelectedOS();
    if (!locations.empty() && os >= 0 && static_cast<std::size_t>(os) < locations[0].Entries.size()) {
        const StartupEntry &entry = locations[0].Entries[static_cast<std::size_t>(os)];
        ctx.windowsDir = entry.ImagePath;
        if (os > 0 && !entry.EntryName.empty())
            ctx.drive = entry.EntryName[0];
    }
    ctx.temp = EnvironmentVariable("temp");
    return ctx;
}

std::string ExpandEnvVars(const std::string &text) { return ExpandEnvVars(text, CurrentInstall()); }
std::string SystemPath() { return SystemPath(CurrentInstall()); }
std::string AddSystemPath(const std::string &text) { return AddSystemPath(text, CurrentInstall()); }
std::string RemapDrive(const std::string &text) { return RemapDrive(text, CurrentInstall()); }
std::string CleanImagePath(const std::string &text) { return CleanImagePath(text, FileMatchExists); }

std::string ResolveFilePath(const std::string &text) {
    const InstallContext ctx = CurrentInstall();
    return RemapDrive(AddSystemPath(ExpandEnvVars(text, ctx), ctx), ctx);
}

std::string ResolveCommandLine(const std::string &text) {
    return ResolveCommandLine(text, CurrentInstall(), FileMatchExists);
}

std::string EnvironPath(const std::string &name) {
    return SearchPathList(EnvironmentVariable("Path"), name, FileMatchExists);
}

std::string AppPathLookup(const std::string &name, int scope) {
    std::string prefix;
    if (scope == 5)
        prefix = "Software\\";
    else if (scope == 6)
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
