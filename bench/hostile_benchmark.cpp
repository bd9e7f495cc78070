// Times the scan over hostile layouts beside the same number of plain
// entries: 10,000 Run values naming programs by bare name, a BootExecute list
// and an LSA package list of 20,000 items each, and a Startup folder of 10,000
// files with the file information pass. A plain entry is a Run value naming
// its program by full path. Run it in a prefix of its own
// (tools/run-benchmark.sh): it writes to the live Run key, the Session
// Manager, the Lsa key and the All Users Startup folder, and puts back what
// it changed.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_load.h"
#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "scan/driver.h"
#include "scan/fileinfo.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"

namespace {

std::string Numbered(const char *format, int n) {
    char text[160];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

// One full scan as the main window runs it, with the file information pass
// when asked; milliseconds.
double TimeScan(bool fileInfo) {
    const auto start = std::chrono::steady_clock::now();
    ResetLocations(ScanLocations());
    LoadEnvironment();
    InitVersionFields();
    LoadPaths();
    SetScope(false);
    if (fileInfo) {
        NoProgress progress;
        LoadFileInfo(progress);
    }
    return Since(start);
}

double MedianScan(int runs, bool fileInfo) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(TimeScan(fileInfo));
    std::printf("  (%d entries listed)\n", CountEntries());
    return Median(times);
}

void SetRunValues(int n, const char *format) {
    HKEY run = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBenchRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr);
    for (int i = 0; i < n; ++i)
        SetText(run, Numbered("QmHostile%05d", i).c_str(), Numbered(format, i));
    RegCloseKey(run);
}

// A key below the current control set's "Control" key.
std::string ControlKey(const char *name) {
    SetControlSet(kHiveSystem);
    return "SYSTEM\\" + CurrentControlSet() + "\\Control\\" + name;
}

// The median scan with the list value keyPath\valueName holding 20,000
// items made from format; the value is put back (or removed) after.
double MedianListScan(const std::string &keyPath, const char *valueName, const char *format) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    const RegValue saved = ReadValue(key, valueName);
    std::string list;
    for (int i = 0; i < 20000; ++i) {
        list += Numbered(format, i);
        list.push_back('\0');
    }
    list.push_back('\0');
    RegSetValueExA(key, valueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE *>(list.data()),
                   static_cast<DWORD>(list.size()));
    const double time = MedianScan(3, false);
    if (saved.present)
        RegSetValueExA(key, valueName, 0, saved.type, reinterpret_cast<const BYTE *>(saved.data.data()),
                       static_cast<DWORD>(saved.data.size()));
    else
        RegDeleteValueA(key, valueName);
    RegCloseKey(key);
    return time;
}

void Report(const char *what, int n, double hostile, double plain) {
    std::printf("%s: %d entries %.0f ms, as plain Run values %.0f ms, ratio %.2f (%s)\n", what, n, hostile, plain,
                plain > 0 ? hostile / plain : 0.0, hostile <= 2 * plain ? "within twice" : "MORE than twice");
}

void MakeFiles(const std::string &folder, int n) {
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    for (int i = 0; i < n; ++i) {
        const std::string file = folder + Numbered("\\prog%05d.exe", i);
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, "MZ", 2, &written, nullptr);
            CloseHandle(h);
        }
    }
}

void RemoveFolder(const std::string &folder) {
    const std::string from = folder + std::string(2, '\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

} // namespace

int main() {
    // Bare program names against full paths.
    SetRunValues(10000, "\"C:\\Program Files\\Bench\\prog%05d.exe\" /background");
    const double plain10k = MedianScan(3, false);
    SetRunValues(10000, "prog%05d");
    const double bare10k = MedianScan(3, false);
    RemoveRunValues("QmHostile%05d", 10000);
    Report("10,000 Run values naming programs by bare name", 10000, bare10k, plain10k);

    // A 20,000-item BootExecute list against 20,000 plain Run values.
    SetRunValues(20000, "\"C:\\Program Files\\Bench\\prog%05d.exe\" /background");
    const double plain20k = MedianScan(3, false);
    RemoveRunValues("QmHostile%05d", 20000);
    const double boot20k = MedianListScan(ControlKey("Session Manager"), "BootExecute", "autocheck prog%05d *");
    Report("a 20,000-item BootExecute list", 20000, boot20k, plain20k);
    const double lsa20k = MedianListScan(ControlKey("Lsa"), "Security Packages", "pkg%05d");
    Report("a 20,000-item LSA package list", 20000, lsa20k, plain20k);

    // A Startup folder of 10,000 files against 10,000 Run values naming the
    // same number of files, both with the file information pass.
    TimeScan(false);
    // A fresh prefix may have no All Users profile folder: what is made for
    // the run is removed after it.
    const std::string allUsers = GetProfilesDir() + "All Users";
    const bool hadAllUsers = GetFileAttributesA(allUsers.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::string startup = allUsers + "\\Start Menu\\Programs\\Startup";
    const std::string others = "C:\\QmHostileFiles";
    MakeFiles(others, 10000);
    SetRunValues(10000, "C:\\QmHostileFiles\\prog%05d.exe");
    const double plainFiles = MedianScan(1, true);
    RemoveRunValues("QmHostile%05d", 10000);
    MakeFiles(startup, 10000);
    const double folderFiles = MedianScan(1, true);
    for (int i = 0; i < 10000; ++i)
        DeleteFileA((startup + Numbered("\\prog%05d.exe", i)).c_str());
    RemoveFolder(others);
    if (!hadAllUsers)
        RemoveFolder(allUsers);
    Report("a Startup folder of 10,000 files with file information", 10000, folderFiles, plainFiles);
    return 0;
}
