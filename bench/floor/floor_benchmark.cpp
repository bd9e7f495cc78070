// The scan and the file-information pass beside their floor (floor.h), run
// interleaved in one process and one prefix: at the prefix as it stands and
// with 1,000, 10,000 and 20,000 Run values (and a tenth as many services),
// then the file-information pass over 1,000 entries naming existing files.
// Printed are the ratios project/floor of the wall time and of the CPU time of
// this program and the Wine server together, the calls each side makes, and
// the memory the entries take. Run it through tools/run-benchmark.sh (a
// prefix of its own: it writes to the live Run and Services keys and removes
// what it added).
//
// Options: --dump <folder> writes the scan output at every load there
// (scan-<load>.txt), for comparing the results before and after a change.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api_trace.h"
#include "floor.h"
#include "registry/controlset.h"
#include "scan/driver.h"
#include "scan/fileinfo.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/scan_dump.h"

#include "../bench_load.h"

namespace {

// ---- time ----

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// First number of a Linux /proc schedstat file: nanoseconds on a CPU.
double SchedNs(const std::string &unixPath) {
    const std::string path = "Z:" + unixPath;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    char text[128] = {};
    DWORD got = 0;
    ReadFile(file, text, sizeof text - 1, &got, nullptr);
    CloseHandle(file);
    return std::strtod(text, nullptr);
}

// CPU milliseconds of this program (all its threads) and of the Wine server
// (its process id comes from tools/run-benchmark.sh); 0 where unknown.
double CpuMs() {
    double ns = 0;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("Z:\\proc\\self\\task\\*", &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] != '.')
                ns += SchedNs(std::string("/proc/self/task/") + found.cFileName + "/schedstat");
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    if (const char *server = std::getenv("QM_WINESERVER_PID"))
        ns += SchedNs(std::string("/proc/") + server + "/schedstat");
    return ns / 1e6;
}

struct Sample {
    double wall = 0;
    double cpu = 0;
};

template <typename Work> Sample Measure(Work work) {
    const double cpu0 = CpuMs(), wall0 = NowMs();
    work();
    const double wall = NowMs() - wall0;
    return {wall, CpuMs() - cpu0};
}

struct Comparison {
    double projectWall = 0, floorWall = 0, projectCpu = 0, floorCpu = 0;
};

// Runs project and floor in turn (ABBA order), rounds times each.
template <typename Project, typename Floor> Comparison Compare(int rounds, Project project, Floor floor) {
    std::vector<double> pw, fw, pc, fc;
    for (int r = 0; r < rounds; ++r) {
        Sample p, f;
        if (r % 2 == 0) {
            p = Measure(project);
            f = Measure(floor);
        } else {
            f = Measure(floor);
            p = Measure(project);
        }
        pw.push_back(p.wall);
        fw.push_back(f.wall);
        pc.push_back(p.cpu);
        fc.push_back(f.cpu);
    }
    return {Median(pw), Median(fw), Median(pc), Median(fc)};
}

void PrintComparison(const char *what, int entries, const Comparison &c) {
    std::printf("%-34s %7d %10.1f %9.1f %7.2f %10.1f %9.1f %7.2f\n", what, entries, c.projectWall, c.floorWall,
                c.floorWall > 0 ? c.projectWall / c.floorWall : 0.0, c.projectCpu, c.floorCpu,
                c.floorCpu > 0 ? c.projectCpu / c.floorCpu : 0.0);
    std::fflush(stdout);
}

// ---- the scan ----

void ProjectScan() {
    ResetLocations(ScanLocations());
    LoadEnvironment();
    LoadPaths();
    SetScope(false);
}

void PrintCalls(const CallCounts &project, const CallCounts &floor) {
    std::printf("    calls per scan (project/floor):");
    for (int api = 0; api < kTracedApiCount; ++api)
        if (project[api] > 0 || floor[api] > 0)
            std::printf(" %s %ld/%ld", TracedApiName(api), project[api], floor[api]);
    std::printf("\n");
}

// Heap and array room the entries of ScanLocations() hold, per entry.
void PrintMemory() {
    size_t bytes = 0, entries = 0, unused = 0;
    auto text = [](const std::string &s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
    for (size_t n = 1; n < ScanLocations().size(); ++n) {
        const ScanLocation &loc = ScanLocations()[n];
        bytes += loc.Entries.capacity() * sizeof(StartupEntry);
        unused += loc.Entries.capacity() - loc.Entries.size();
        entries += loc.Entries.size() - 1;
        for (const StartupEntry &e : loc.Entries) {
            bytes += text(e.Description) + text(e.ImagePath) + text(e.ItemName) + text(e.EntryName);
            for (const std::string &v : e.VersionInfo)
                bytes += text(v);
        }
        for (const ScanPass &pass : loc.Passes)
            bytes += pass.EntryIndexes.capacity() * sizeof(int) + text(pass.KeyText);
    }
    std::printf("memory: %zu entries, %.0f bytes per entry (record %zu bytes), %zu entry slots unused\n", entries,
                entries ? static_cast<double>(bytes) / static_cast<double>(entries) : 0.0, sizeof(StartupEntry),
                unused);
}

struct Level {
    int runValues;
    int rounds;
};

void ScanLevel(const Level &level, const std::string &dumpFolder) {
    AddLoad(level.runValues);
    ProjectScan(); // warm
    StartTrace(true);
    ProjectScan();
    const ApiRecord record = StopTrace();
    const FloorPlan plan = MakeScanFloor(record);
    if (std::getenv("QM_FLOOR_DETAIL") != nullptr) {
        // Keys the program opened more than once, and missing keys it tried
        // that the floor knows to be missing without trying.
        for (const auto &[name, use] : record.opened)
            if (use.opens > 1)
                std::printf("    opened %d times: %s\n", use.opens, name.path.c_str());
        for (const auto &[name, tries] : record.missing)
            std::printf("    missing, tried %d times: %s\n", tries, name.path.c_str());
    }
    StartTrace(false);
    RunScanFloor(plan);
    const CallCounts floorCalls = StopTrace().calls;
    const int entries = CountEntries();
    if (!dumpFolder.empty()) {
        const std::string file = dumpFolder + "\\scan-" + std::to_string(level.runValues) + ".txt";
        const std::string text = DumpScan(ScanLocations());
        HANDLE out = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (out != INVALID_HANDLE_VALUE) {
            WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(out);
        }
    }
    const Comparison c = Compare(level.rounds, ProjectScan, [&] { RunScanFloor(plan); });
    char what[64];
    if (level.runValues == 0)
        std::snprintf(what, sizeof what, "scan, prefix as it stands");
    else
        std::snprintf(what, sizeof what, "scan, %d Run + %d services", level.runValues, level.runValues / 10);
    PrintComparison(what, entries, c);
    PrintCalls(record.calls, floorCalls);
    if (level.runValues == 20000)
        PrintMemory();
    RemoveLoad(level.runValues);
}

// ---- the file-information pass ----

std::vector<std::string> SystemFiles() {
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    for (const char *pattern : {"C:\\windows\\system32\\*.exe", "C:\\windows\\system32\\*.dll"}) {
        HANDLE find = FindFirstFileA(pattern, &found);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do {
            files.push_back(std::string("C:\\windows\\system32\\") + found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return files;
}

// 1,000 Run values naming `distinct` existing files in turn.
void FileInfoLevel(int distinct, int rounds) {
    const int count = 1000;
    const std::vector<std::string> files = SystemFiles();
    distinct = std::min<int>(distinct, static_cast<int>(files.size()));
    if (distinct == 0)
        return;
    HKEY run = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBenchRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr);
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "QmBenchFile%04d", i);
        SetText(run, name, files[static_cast<size_t>(i % distinct)] + " /x");
    }
    RegCloseKey(run);
    ProjectScan();
    const std::vector<std::string> floorFiles = VersionFloorFiles(ScanLocations());
    NoProgress progress;
    StartTrace(false);
    LoadFileInfo(progress);
    const CallCounts projectCalls = StopTrace().calls;
    StartTrace(false);
    RunVersionFloor(floorFiles);
    const CallCounts floorCalls = StopTrace().calls;
    const Comparison c = Compare(
        rounds, [&] { LoadFileInfo(progress); }, [&] { RunVersionFloor(floorFiles); });
    char what[64];
    std::snprintf(what, sizeof what, "file information, %d files", distinct);
    int withFile = 0;
    for (size_t n = 1; n < ScanLocations().size(); ++n)
        for (size_t j = 1; j < ScanLocations()[n].Entries.size(); ++j)
            withFile += ScanLocations()[n].Entries[j].HasFile;
    PrintComparison(what, withFile, c);
    PrintCalls(projectCalls, floorCalls);
    RemoveRunValues("QmBenchFile%04d", count);
}

} // namespace

int main(int argc, char **argv) {
    std::string dumpFolder;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--dump")
            dumpFolder = argv[i + 1];
    InitVersionFields();
    std::printf("%-34s %7s %10s %9s %7s %10s %9s %7s\n", "", "entries", "wall ms", "floor", "ratio", "cpu ms", "floor",
                "ratio");
    for (const Level &level : {Level{0, 21}, Level{1000, 11}, Level{10000, 5}, Level{20000, 3}}) {
        ScanLevel(level, dumpFolder);
        if (std::getenv("QM_FLOOR_DETAIL") != nullptr)
            return 0; // the details of the prefix as it stands only
    }
    FileInfoLevel(1000, 5);
    FileInfoLevel(50, 5);
    if (std::getenv("QM_WINESERVER_PID") == nullptr)
        std::printf("(QM_WINESERVER_PID not set: CPU times are this program's alone)\n");
    return 0;
}
