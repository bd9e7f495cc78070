// Times a full scan of the running system: first the registry as it stands,
// then with N Run values and N/10 services added (N = 1,000, 10,000, 20,000),
// and the watch re-scan. Run it in a prefix of its own (tools/run-benchmark.sh):
// it writes to the live Run and Services keys and removes what it added.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "registry/controlset.h"
#include "scan/driver.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "scan/watch_scan.h"

namespace {

const char *const kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

int CountEntries() {
    int total = 0;
    for (int n = 1; n <= UpperBound(ScanLocations()); ++n)
        total += UpperBound(ScanLocations()[static_cast<size_t>(n)].Entries);
    return total;
}

// One full scan as the main window runs it; returns milliseconds.
double TimeScan() {
    const auto start = std::chrono::steady_clock::now();
    ResetLocations(ScanLocations());
    LoadEnvironment();
    LoadPaths();
    SetScope(false);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double MedianScan(int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(TimeScan());
    return Median(times);
}

double MedianWatch(int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        WatchRescan();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Median(times);
}

std::string ServicesKey() {
    SetControlSet(2);
    return "SYSTEM\\" + CurrentControlSet() + "\\Services";
}

void AddLoad(int n) {
    HKEY run = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr);
    for (int i = 0; i < n; ++i) {
        char name[32], data[96];
        std::snprintf(name, sizeof name, "QmBench%05d", i);
        std::snprintf(data, sizeof data, "\"C:\\Program Files\\Bench\\prog%05d.exe\" /background", i);
        RegSetValueExA(run, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data), static_cast<DWORD>(strlen(data) + 1));
    }
    RegCloseKey(run);
    const std::string services = ServicesKey();
    for (int i = 0; i < n / 10; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\QmBenchSvc%05d", i);
        HKEY svc = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, (services + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &svc,
                        nullptr);
        const DWORD start = 2, type = 16;
        const char *image = "C:\\Program Files\\Bench\\service.exe -k";
        RegSetValueExA(svc, "Start", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&start), sizeof start);
        RegSetValueExA(svc, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&type), sizeof type);
        RegSetValueExA(svc, "ObjectName", 0, REG_SZ, reinterpret_cast<const BYTE *>("LocalSystem"), 12);
        RegSetValueExA(svc, "ImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(image),
                       static_cast<DWORD>(strlen(image) + 1));
        RegCloseKey(svc);
    }
}

void RemoveLoad(int n) {
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
        for (int i = 0; i < n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "QmBench%05d", i);
            RegDeleteValueA(run, name);
        }
        RegCloseKey(run);
    }
    const std::string services = ServicesKey();
    for (int i = 0; i < n / 10; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\QmBenchSvc%05d", i);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, (services + name).c_str());
    }
}

} // namespace

int main() {
    const double fresh = MedianScan(5);
    const int freshEntries = CountEntries();
    std::printf("fresh registry: %.1f ms per scan, %d entries, %.3f ms per entry\n", fresh, freshEntries,
                fresh / std::max(freshEntries, 1));
    std::printf("watch re-scan of the fresh registry: %.1f ms\n", MedianWatch(5));
    double at10k = 0, at20k = 0;
    for (int n : {1000, 10000, 20000}) {
        AddLoad(n);
        const double ms = MedianScan(3);
        const int entries = CountEntries();
        std::printf("N=%d (%d services): %.1f ms per scan, %d entries, %.4f ms per entry; watch re-scan %.1f ms\n",
                    n, n / 10, ms, entries, ms / std::max(entries, 1), MedianWatch(3));
        RemoveLoad(n);
        if (n == 10000)
            at10k = ms;
        if (n == 20000)
            at20k = ms;
    }
    std::printf("20,000 / 10,000 = %.2f\n", at10k > 0 ? at20k / at10k : 0.0);
    return 0;
}
