// What the scan benchmarks share: the median of timings, the count of entries
// the scan found, a file-information progress that shows nothing, and the
// load they add to the live Run and Services keys
// (n Run values naming programs of their own and n/10 services) and remove.
#pragma once
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "registry/controlset.h"
#include "scan/fileinfo.h"
#include "scan/locations.h"
#include "scan/state.h"

inline const char *const kBenchRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Milliseconds since start.
inline double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The file-information pass's progress, kept but shown nowhere.
class NoProgress : public FileInfoProgress {
  public:
    double Value() override { return value_; }
    void SetValue(double value) override { value_ = value; }
    int Pointer() override { return 0; }
    void SetPointer(int) override {}

  private:
    double value_ = 0;
};

inline int CountEntries() {
    int total = 0;
    for (int n = 1; n <= UpperBound(ScanLocations()); ++n)
        total += UpperBound(ScanLocations()[static_cast<size_t>(n)].Entries);
    return total;
}

inline std::string ServicesKey() {
    SetControlSet(2);
    return "SYSTEM\\" + CurrentControlSet() + "\\Services";
}

inline void SetText(HKEY key, const char *name, const std::string &text, DWORD type = REG_SZ) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

// n Run values naming programs of their own and n/10 services.
inline void AddLoad(int n) {
    HKEY run = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBenchRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr);
    for (int i = 0; i < n; ++i) {
        char name[32], data[96];
        std::snprintf(name, sizeof name, "QmBench%05d", i);
        std::snprintf(data, sizeof data, "\"C:\\Program Files\\Bench\\prog%05d.exe\" /background", i);
        SetText(run, name, data);
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
        RegSetValueExA(svc, "Start", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&start), sizeof start);
        RegSetValueExA(svc, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&type), sizeof type);
        SetText(svc, "ObjectName", "LocalSystem");
        SetText(svc, "ImagePath", "C:\\Program Files\\Bench\\service.exe -k", REG_EXPAND_SZ);
        RegCloseKey(svc);
    }
}

// Removes the Run values named by format (a printf format taking the number) 0..n-1.
inline void RemoveRunValues(const char *format, int n) {
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBenchRunKey, 0, KEY_ALL_ACCESS, &run) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, format, i);
        RegDeleteValueA(run, name);
    }
    RegCloseKey(run);
}

inline void RemoveLoad(int n) {
    RemoveRunValues("QmBench%05d", n);
    const std::string services = ServicesKey();
    for (int i = 0; i < n / 10; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\QmBenchSvc%05d", i);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, (services + name).c_str());
    }
}
