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

#include "bench_load.h"

namespace {

// One full scan as the main window runs it; returns milliseconds.
double TimeScan() {
    const auto start = std::chrono::steady_clock::now();
    ResetLocations(ScanLocations());
    LoadEnvironment();
    LoadPaths();
    SetScope(false);
    return Since(start);
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
        times.push_back(Since(start));
    }
    return Median(times);
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
        std::printf("N=%d (%d services): %.1f ms per scan, %d entries, %.4f ms per entry; watch re-scan %.1f ms\n", n,
                    n / 10, ms, entries, ms / std::max(entries, 1), MedianWatch(3));
        RemoveLoad(n);
        if (n == 10000)
            at10k = ms;
        if (n == 20000)
            at20k = ms;
    }
    std::printf("20,000 / 10,000 = %.2f\n", at10k > 0 ? at20k / at10k : 0.0);
    return 0;
}
