// Times filling the category grids and drawing them: 20,000 Run values are
// added (every other one naming a file that exists), the registry is scanned
// as the main window scans it, then LoadGrids fills the grids from that scan
// and a window shows the Logon grid, whose visible page is drawn in full and
// scrolled. Run it in a prefix of its own (tools/run-benchmark.sh): it writes
// to the live Run key and removes what it added.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_load.h"
#include "scan/driver.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "ui/category_grids.h"
#include "ui/grid_pictures.h"
#include "ui/grid_window.h"

namespace {

constexpr int kValues = 20000;

using Clock = std::chrono::steady_clock;
void AddRunValues() {
    HKEY run = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBenchRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr);
    for (int i = 0; i < kValues; ++i) {
        char name[32], data[96];
        std::snprintf(name, sizeof name, "QmGrid%05d", i);
        if (i % 2 == 0)
            std::snprintf(data, sizeof data, "C:\\windows\\%s /run%05d", i % 4 == 0 ? "notepad.exe" : "regedit.exe", i);
        else
            std::snprintf(data, sizeof data, "\"C:\\Program Files\\Bench\\prog%05d.exe\" /background", i);
        RegSetValueExA(run, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data),
                       static_cast<DWORD>(strlen(data) + 1));
    }
    RegCloseKey(run);
}

double TimeScan() {
    const auto start = Clock::now();
    ResetLocations(ScanLocations());
    LoadEnvironment();
    LoadPaths();
    SetScope(false);
    return Since(start);
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

struct NoEvents : GridEvents {
    void GridClick(GridWindow &, GridInput) override {}
};

} // namespace

// Entries laid out without a scan (--no-scan: the drawing alone, quickly).
void LayOutEntries() {
    ResetLocations(ScanLocations());
    ScanLocation run;
    run.Category = kCatLogon;
    run.MainKey = HKEY_LOCAL_MACHINE;
    run.Passes.push_back({"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", {0}});
    for (int i = 0; i < kValues; ++i) {
        StartupEntry e;
        char name[32];
        std::snprintf(name, sizeof name, "QmGrid%05d", i);
        e.EntryName = name;
        e.ImagePath = i % 2 ? "C:\\Program Files\\Bench\\prog.exe" : "C:\\windows\\notepad.exe";
        e.HasFile = i % 2 == 0;
        e.Disabled = i % 3 == 0;
        e.VersionInfo[1] = "Contoso Ltd";
        e.VersionInfo[2] = "A benchmark entry";
        e.PassIndex = 1;
        run.Entries.push_back(e);
    }
    ScanLocations().push_back(run);
}

int main(int argc, char **argv) {
    const bool scanned = !(argc > 1 && std::string(argv[1]) == "--no-scan");
    double scan = 0;
    if (scanned) {
        AddRunValues();
        std::vector<double> scans;
        for (int i = 0; i < 3; ++i)
            scans.push_back(TimeScan());
        scan = Median(scans);
    } else {
        LayOutEntries();
    }
    const int entries = CountEntries();

    GridImages images;
    CategoryGrids grids;
    SelectionState selection;
    std::vector<double> loads;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        grids.ClearGrids(selection);
        grids.LoadGrids(images);
        loads.push_back(Since(start));
    }
    const double load = Median(loads);
    std::printf("scan: %.1f ms for %d entries; LoadGrids: %.1f ms (%.2f%% of the scan; goal at most 25%%)\n", scan,
                entries, load, 100.0 * load / std::max(scan, 0.001));
    std::printf("Logon grid: %d rows; list text %zu bytes\n", grids.Grid(kCatLogon).Rows(),
                grids.GetGridsText().size());

    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QmGridBenchHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, wc.lpszClassName, "Grid benchmark", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000,
                                800, nullptr, nullptr, wc.hInstance, nullptr);
    NoEvents events;
    GridWindow window(grids.Grid(kCatLogon), &images, &events, kCatLogon);
    RECT client;
    GetClientRect(host, &client);
    window.Create(host, 1, client);
    Pump();
    window.Refresh();
    Pump();

    std::vector<double> paints, scrolls;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        GdiFlush();
        paints.push_back(Since(start));
    }
    // The drawing alone, into memory, without the copy to the screen.
    std::vector<double> draws;
    {
        RECT area;
        GetClientRect(window.Handle(), &area);
        HDC screen = GetDC(window.Handle());
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
        ReleaseDC(window.Handle(), screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        for (int i = 0; i < 20; ++i) {
            const auto start = Clock::now();
            window.Paint(dc, area);
            GdiFlush();
            draws.push_back(Since(start));
        }
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        SendMessageA(window.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
        Pump();
        UpdateWindow(window.Handle());
        GdiFlush();
        scrolls.push_back(Since(start));
    }
    // Ten rows down in one burst, as a fast wheel sends them.
    std::vector<double> bursts;
    for (int i = 0; i < 10; ++i) {
        const auto start = Clock::now();
        for (int k = 0; k < 10; ++k)
            PostMessageA(window.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
        Pump();
        UpdateWindow(window.Handle());
        GdiFlush();
        bursts.push_back(Since(start));
    }
    std::vector<double> lines;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        SendMessageA(window.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
        Pump();
        UpdateWindow(window.Handle());
        GdiFlush();
        lines.push_back(Since(start));
    }
    std::printf("repaint of the visible page (%d rows): %.2f ms (goal at most 16 ms), of which drawing %.2f ms; "
                "page down with redraw: %.2f ms; one row down: %.2f ms; ten rows down in one burst: %.2f ms\n",
                window.PageRows(), Median(paints), Median(draws), Median(scrolls), Median(lines), Median(bursts));
    DestroyWindow(host);
    if (scanned)
        RemoveRunValues("QmGrid%05d", kValues);
    return 0;
}
