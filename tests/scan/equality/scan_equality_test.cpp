// The whole scan, the file-information walk and the watch re-scan of a
// registry laid out to reach every branch of the image-path resolution and
// the file test, written out entry by entry and compared with the output the
// program gave before its scan was made faster. Any change of a result shows
// as the first line that differs.
//
// To write a new reference: QM_EQUALITY_DUMP=<file> runs the test and writes
// the output there.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "registry/controlset.h"
#include "scan/driver.h"
#include "scan/fileinfo.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "scan/watch_scan.h"
#include "support/scan_dump.h"
#include "support/testing.h"
#include "scan/equality/reference.h"

namespace {

const HKEY HKLM = HKEY_LOCAL_MACHINE;
const char *const kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char *const kFolder = "C:\\qmeq";

// Command lines of the Run key: folders, missing files, wildcards, variables,
// bare names, host programs, mixed case, quotes, a drive root and odd ends.
const std::vector<std::pair<std::string, std::string>> kRunValues = {
    {"QmEq01", "C:\\qmeq\\a,b.exe /x"},
    {"QmEq02", "C:\\qmeq\\c,d.dir /x"},
    {"QmEq03", "C:\\qmeq\\missing.exe -x"},
    {"QmEq04", "C:\\qmeq\\missing,x.exe -x"},
    {"QmEq05", "C:\\windows\\system32\\note*.exe"},
    {"QmEq06", "C:\\qmeq\\c,*.dir /x"},
    {"QmEq07", "C:\\qmeq\\nothing*.exe"},
    {"QmEq08", "%SystemRoot%\\system32\\notepad.exe"},
    {"QmEq09", "%ProgramFiles%\\qmeq\\x.exe"},
    {"QmEq10", "%windir%\\regedit.exe /s"},
    {"QmEq11", "%temp%\\qmeq-none.exe"},
    {"QmEq12", "%SYSTEMDRIVE%\\qmeq\\a,b.exe"},
    {"QmEq13", "notepad"},
    {"QmEq14", "regedit /s"},
    {"QmEq15", "rundll32 shell32.dll,Control_RunDLL"},
    {"QmEq16", "regsvr32 /s foo.dll"},
    {"QmEq17", "C:\\WINDOWS\\SYSTEM32\\NOTEPAD.EXE"},
    {"QmEq18", "c:\\Windows\\System32\\Hh.Exe"},
    {"QmEq19", "C:\\"},
    {"QmEq20", "C:\\windows"},
    {"QmEq21", "\"C:\\qmeq\\with space\\prog.exe\" arg"},
    {"QmEq22", "C:\\qmeq\\with space\\prog.exe arg"},
    {"QmEq23", "C:\\qmeq\\trail.exe."},
    {"QmEq24", "C:\\qmeq\\a,b.exe ,x"},
    {"QmEq25", "notepad.exe"},
    {"QmEq26", "C:/windows/notepad.exe"},
    {"QmEq27", "C:\\QMEQ\\A,B.EXE"},
    {"QmEq28", "C:\\qmeq\\..\\windows\\notepad.exe"},
    {"QmEq29", "C:\\windows\\system32\\"},
    {"QmEq30", ""},
    {"QmEq31", "C:\\qmeq\\c,d.dir\\"},
    {"QmEq32", "C:\\qmeq\\a,?.exe"},
    {"QmEq33", "C:\\windows\\system32\\notepad.exe"},
    {"QmEq34", "C:\\qmeq\\a,b.exe /x"},
};

struct Service {
    std::string name;
    std::string image;
    DWORD start;
    bool objectName;
    bool disabled;
};

const std::vector<Service> kServices = {
    {"QmEqSvc1", "\"C:\\qmeq\\with space\\prog.exe\" -k", 2, true, false},
    {"QmEqSvc2", "svchost -k netsvcs", 2, true, false},
    {"QmEqSvc3", "%SystemRoot%\\system32\\svchost.exe -k rpcss", 2, true, false},
    {"QmEqSvc4", "C:\\qmeq\\missing.exe", 3, true, true},
    {"QmEqSvc5", "C:\\windows\\system32\\regedit.exe", 2, true, false},
    {"QmEqDrv1", "\\??\\C:\\", 1, false, false},
    {"QmEqDrv2", "\\??\\C:\\windows\\", 1, false, false},
    {"QmEqDrv3", "\\??\\C:\\windows", 1, false, false},
    {"QmEqDrv4", "system32\\drivers\\null.sys", 1, false, false},
    {"QmEqDrv5", "\\SystemRoot\\System32\\DRIVERS\\QmEqMissing.sys", 1, false, false},
    {"QmEqDrv6", "\\??\\C:\\qmeq\\*.sys", 1, false, false},
    {"QmEqDrv7", "\\??\\C:", 1, false, false},
    {"QmEqDrv8", "\\??\\C:\\qmeq\\trail.exe.", 3, false, false},
    {"QmEqDrv9", "\\??\\c:\\QMEQ\\W.SYS", 4, false, true},
};

class NoProgress : public FileInfoProgress {
  public:
    double Value() override { return value_; }
    void SetValue(double value) override { value_ = value; }
    int Pointer() override { return 0; }
    void SetPointer(int) override {}

  private:
    double value_ = 0;
};

void RemoveFolder(const std::string &folder) {
    const std::string from = folder + std::string(2, '\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

// The files and folders the command lines name, the registry values and the
// services; all removed again at the end.
class Fixture {
  public:
    Fixture() {
        RemoveFolder(kFolder);
        CreateDirectoryA(kFolder, nullptr);
        CreateDirectoryA("C:\\qmeq\\c,d.dir", nullptr);
        CreateDirectoryA("C:\\qmeq\\with space", nullptr);
        for (const char *file : {"C:\\qmeq\\a,b.exe", "C:\\qmeq\\with space\\prog.exe", "C:\\qmeq\\trail.exe"})
            CopyFileA("C:\\windows\\notepad.exe", file, FALSE);
        WriteFileBytes("C:\\qmeq\\w.sys", "driver");
        for (const auto &[name, data] : kRunValues)
            SetRegString(HKLM, kRun, name, data);
        SetRegString(HKLM, std::string(kRun) + "\\AutorunsDisabled", "QmEqOff", "C:\\qmeq\\a,b.exe");
        SetControlSet(2);
        services_ = "SYSTEM\\" + CurrentControlSet() + "\\Services\\";
        for (const Service &s : kServices) {
            SetRegDword(HKLM, services_ + s.name, "Start", s.start);
            SetRegString(HKLM, services_ + s.name, "ImagePath", s.image, REG_EXPAND_SZ);
            if (s.objectName)
                SetRegString(HKLM, services_ + s.name, "ObjectName", "LocalSystem");
            if (s.disabled)
                SetRegDword(HKLM, services_ + s.name, "AutorunsDisabled", 2);
        }
    }
    ~Fixture() {
        HKEY run = nullptr;
        if (RegOpenKeyExA(HKLM, kRun, 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
            for (const auto &value : kRunValues)
                RegDeleteValueA(run, value.first.c_str());
            RegCloseKey(run);
        }
        DeleteRegTree(HKLM, std::string(kRun) + "\\AutorunsDisabled");
        for (const Service &s : kServices)
            DeleteRegTree(HKLM, services_ + s.name);
        RemoveFolder(kFolder);
    }

  private:
    std::string services_;
};

// The dump with the running program's temp folder written as "<temp>".
std::string WithoutTempFolder(std::string text) {
    char temp[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("temp", temp, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return text;
    const std::string folder(temp, n);
    for (auto at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
        text.replace(at, folder.size(), "<temp>");
    return text;
}

bool FixtureEntry(int, const StartupEntry &e) { return e.EntryName.compare(0, 4, "QmEq") == 0; }

// The scan as the main window runs it, then the version strings and, as a
// row click reads them, the dates of every entry of the fixture.
std::string ScanAndDump() {
    ResetLocations(ScanLocations());
    ProfilesDir().clear();
    GetDriveList();
    LoadEnvironment();
    SelectedOS() = 0;
    LoadPaths();
    InitVersionFields();
    if (!SetScope(false))
        return "the scan did not run";
    NoProgress progress;
    LoadFileInfo(progress);
    auto &locations = ScanLocations();
    for (int n = 1; n <= UpperBound(locations); ++n) {
        for (int j = 1; j <= UpperBound(locations[n].Entries); ++j) {
            StartupEntry &e = locations[n].Entries[j];
            if (!FixtureEntry(n, e))
                continue;
            const FileDates dates = GetItemFileInfo(e.ImagePath, n, j);
            e.Created = dates.Created;
            e.Modified = dates.Modified;
        }
    }
    std::string text = DumpScan(locations, FixtureEntry);
    if (!WatchRescan())
        return text + "the watch re-scan did not run\n";
    return WithoutTempFolder(text + "watch\n" + DumpScan(WatchLocations(), FixtureEntry));
}

TEST(ScanEquality, EveryEntryAsBefore) {
    std::string actual;
    {
        Fixture fixture;
        actual = ScanAndDump();
    }
    if (const char *out = std::getenv("QM_EQUALITY_DUMP"))
        WriteFileBytes(out, actual);
    EXPECT_EQ(FirstDifference(kScanReference, actual), "");
}

} // namespace
