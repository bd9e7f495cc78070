// Times the watch snapshot and the watch tick: building the snapshot of the
// running system, then with 1,000 Run values and 100 services added, and one
// tick (re-scan and comparison) of each. Run it in a prefix of its own
// (tools/run-benchmark.sh): it writes to the live Run and Services keys and to
// the settings key, and removes what it added.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_load.h"
#include "changes/change_detect.h"
#include "changes/settings.h"
#include "changes/snapshot.h"
#include "registry/hives.h"
#include "scan/driver.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "scan/watch_scan.h"

namespace {

class QuietHost : public SnapshotHost, public ChangeUi {
  public:
    int Ask(const std::string &, int, const std::string &) override { return kAnswerOk; }
    std::string ChooseFolder(const std::string &) override { return ""; }
    std::string ChooseDataFile(const std::string &) override { return ""; }
    void ShowProgress(const std::string &) override {}
    void SetProgress(double) override {}
    void HideProgress() override {}
    void SetBusy(bool) override {}
    ChangeUi &Ui() override { return *this; }
    std::string GetGridsText() override { return ""; }
    void OpenFolder(const std::string &) override {}
    void ShowMainWindow(bool) override {}
};

void ScanRunning() {
    ResetLocations(ScanLocations());
    LoadEnvironment();
    LoadPaths();
    SetScope(true);
}

void UnloadAll() {
    auto &list = LoadedHives();
    for (size_t i = 1; i < list.size(); ++i)
        UnloadHive(list[i].Root, list[i].SubKey);
    list.assign(1, LoadedHive{});
    UnloadRemoteHives();
}

// Median build time of `runs` builds; each starts from an emptied folder.
double TimeBuild(QuietHost &host, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        UnloadAll();
        bool useExisting = false;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = BuildSnapshot(useExisting, host, true);
        times.push_back(Since(start));
        if (!ok)
            std::printf("  (build %d reported failures; see the log)\n", i + 1);
    }
    return Median(times);
}

// Median time of one watch tick: the re-scan and the comparison.
double TimeTick(int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        WatchRescan();
        FindChanges(WatchLocations(), SnapshotLocations(), ChangeList());
        times.push_back(Since(start));
    }
    return Median(times);
}

} // namespace

int main() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "QmSnapshotBench";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string previous = ReadSetting("SnapshotPath");
    WriteSetting("SnapshotPath", folder);
    QuietHost host;

    ScanRunning();
    const double fresh = TimeBuild(host, 3);
    TakeSnapshot();
    std::printf("snapshot build, fresh prefix: %.0f ms (goal 2,000 ms)\n", fresh);
    std::printf("watch tick, fresh prefix: %.1f ms (goal 100 ms)\n", TimeTick(5));

    AddLoad(1000);
    ScanRunning();
    const double loaded = TimeBuild(host, 3);
    TakeSnapshot();
    std::printf("snapshot build, 1,000 Run values and 100 services: %.0f ms\n", loaded);
    std::printf("watch tick, 1,000 Run values and 100 services: %.1f ms\n", TimeTick(5));
    RemoveLoad(1000);

    UnloadAll();
    EmptyFolder(folder);
    RemoveDirectoryA(folder.c_str());
    WriteSetting("SnapshotPath", previous);
    return 0;
}
