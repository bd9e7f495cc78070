// Times the start-up scan as the user waits for it: from the start of the
// scan sequence to the main window shown, with the progress window and the
// file-information pass, on the registry as it stands and with 1,000 and
// 10,000 Run values added (each naming an existing program, so that every
// entry has its file read). Run it in a prefix of its own
// (tools/run-benchmark.sh): it writes to the live Run key and removes what it
// added.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <commctrl.h>

#include "bench_load.h"
#include "changes/watch.h"
#include "scan/state.h"
#include "system/platform.h"
#include "ui/main_window.h"
#include "ui/msgbox.h"
#include "ui/scan_sequence.h"

namespace {

void SetRunValues(int n, bool add) {
    HKEY run = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBenchRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr) !=
        ERROR_SUCCESS)
        return;
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "QmStart%05d", i);
        if (add) {
            const std::string data = std::string(system) + "\\notepad.exe /b" + std::to_string(i);
            RegSetValueExA(run, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1));
        } else {
            RegDeleteValueA(run, name);
        }
    }
    RegCloseKey(run);
}

double TimeStartScan(MainWindow &main) {
    ShowWindow(main.hwnd(), SW_HIDE);
    main.ClearGrids(); // as at start-up: no rows of an earlier scan
    const auto start = std::chrono::steady_clock::now();
    LoadScan(main); // ends with the window shown
    return Since(start);
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    SetEventPump(PumpPendingEvents);
    // A start in watch mode without a snapshot says so in a box: nobody is
    // there to answer it, so every box takes its default button.
    SetBoxAnswerer([](const BoxRequest &request) { return DefaultButtonId(request.style); });
    MainWindow main;
    if (!main.CreateHidden()) {
        std::printf("the main window could not be created\n");
        return 1;
    }
    double fresh = 0;
    for (int n : {0, 1000, 10000}) {
        SetRunValues(n, true);
        std::vector<double> times;
        for (int run = 0; run < 3; ++run)
            times.push_back(TimeStartScan(main));
        const double ms = Median(times);
        const int entries = CountEntries();
        if (n == 0)
            fresh = ms;
        std::printf("start-up scan, %s: %.1f ms to the window shown, %d entries, %.3f ms per entry\n",
                    n == 0 ? "fresh registry" : ("N=" + std::to_string(n) + " Run values").c_str(), ms, entries,
                    ms / std::max(entries, 1));
        if (n > 0) {
            // The same without the file-information pass (as a start in watch
            // mode runs it): what the scan itself costs.
            Watch().watchAtStart = true;
            const double scanOnly = TimeStartScan(main);
            Watch().watchAtStart = false;
            std::printf("  of which the scan without file information: %.1f ms\n", scanOnly);
        }
        SetRunValues(n, false);
    }
    std::printf("start-up scan of a fresh registry: %s the 500 ms goal\n", fresh < 500 ? "within" : "OVER");
    return 0;
}
