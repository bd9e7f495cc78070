#include "scan/installations.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "scan/bootfiles.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "system/handles.h"
#include "system/platform.h"
#include "system/text.h"
#include "system/winversion.h"

namespace {

std::string DriveRootAt(int driveIndex) {
    const auto &drives = Drives();
    if (driveIndex < 0 || static_cast<std::size_t>(driveIndex) >= drives.size())
        return std::string();
    return drives[static_cast<std::size_t>(driveIndex)];
}

std::string RunningFamily() {
    if (IsWin2000() || IsWinXP())
        return kFamilyXP;
    if (IsVista() || IsLaterThanVista())
        return kFamilyVista;
    return kFamilyUnknown;
}

} // namespace

std::string EnvironmentText(const char *name) {
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

void GetDriveList() {
    // With every letter in use the list needs 105 characters: ask again with
    // the size the system names until it fits.
    std::string buffer(104, '\0');
    DWORD got = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
    while (got > buffer.size()) {
        buffer.assign(got, '\0');
        got = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (got == 0)
        return;
    buffer.resize(got);
    while (!buffer.empty() && buffer.back() == '\0')
        buffer.pop_back();
    Drives() = SplitNul(buffer);
}

void LoadEnvironment() {
    auto &locations = ScanLocations();
    if (locations.empty())
        locations.resize(1);
    ScanLocation &record = locations[0];
    record.Category = kCatEnvironment;
    record.Path = "Microsoft\\Windows NT\\CurrentVersion";
    record.LocalPath = HiveCodePrefix(kHiveSoftware);
    record.MainKey = HKEY_LOCAL_MACHINE;
    record.RemotePath = HiveCodePrefix(kHiveRemoteSoftware);
    record.Scope = kScopeProfilesFolder;
    record.ValueName = "SystemRoot";
    // Entry 0 exists even when the running system's key cannot be read, so
    // that every reader finds the list.
    record.Entries.assign(1, StartupEntry{});

    {
        ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, record.LocalPath + record.Path));
        if (key) {
            const RegValue root = ReadValue(key.get(), record.ValueName);
            if (root.present) {
                StartupEntry &running = record.Entries[0];
                running.ImagePath = CleanString(root.data);
                running.EntryName = running.ImagePath.substr(0, 3);
                running.ItemName = RunningFamily();
            }
        }
    }

    const int count = static_cast<int>(Drives().size());
    for (int i = 0; i < count; ++i) {
        StartupEntry entry;
        entry.EntryName = Drives()[static_cast<std::size_t>(i)];
        std::string family;
        entry.ImagePath = FindWindowsDir(i, family);
        entry.ItemName = family;
        record.Entries.push_back(std::move(entry));
    }
}

std::string FindWindowsDir(int driveIndex, std::string &family) {
    family.clear();
    const std::string root = DriveRootAt(driveIndex);
    if (root.empty())
        return std::string();
    const std::string line = BootIniDefault(driveIndex);
    if (!line.empty()) {
        // boot.ini wins over Boot\BCD; a line that names no folder gives none.
        const std::string folder = BootIniWindowsFolder(line);
        if (folder.empty())
            return std::string();
        family = kFamilyXP;
        return root + folder;
    }
    const std::string name = BcdWinDir(root + "Boot\\BCD");
    if (name.empty())
        return std::string();
    family = kFamilyVista;
    return root + name;
}

std::string BootIniDefault(int driveIndex) {
    const std::string root = DriveRootAt(driveIndex);
    if (root.empty())
        return std::string();
    const std::string file = root + "boot.ini";
    std::string buffer(260, '\0');
    for (;;) {
        const DWORD got = GetPrivateProfileStringA("boot loader", "default", nullptr, buffer.data(),
                                                   static_cast<DWORD>(buffer.size()), file.c_str());
        // A result of size - 1 may mean the line was cut: try a larger buffer.
        if (got + 1 < buffer.size() || buffer.size() >= 65536) {
            buffer.resize(got < buffer.size() ? got : buffer.size());
            return buffer;
        }
        buffer.assign(buffer.size() * 4, '\0');
    }
}

std::string BcdWinDir(const std::string &filePath) {
    std::string text;
    {
        FileHandle file(CreateFileA(filePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return std::string();
        std::string chunk(64 * 1024, '\0');
        DWORD got = 0;
        while (ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0)
            AppendPrintableBcdText(text, chunk.data(), got);
    }
    // One file read: let the window breathe before the next drive.
    DoEvents();
    return FindBcdWindowsFolder(text);
}
