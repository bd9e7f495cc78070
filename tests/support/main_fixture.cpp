#include "support/main_fixture.h"

#include <windows.h>

#include <cstdlib>

#include "ui/grid_panel.h"
#include "ui/main_window.h"

ScanLocation RunKeyLocation() {
    ScanLocation run;
    run.Category = kCatLogon;
    run.MainKey = HKEY_LOCAL_MACHINE;
    run.Passes.push_back({"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", {0}});
    return run;
}

ScanLocation DriversLocation() {
    ScanLocation drivers;
    drivers.Category = kCatDrivers;
    drivers.MainKey = HKEY_LOCAL_MACHINE;
    drivers.Passes.push_back({"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services", {0}});
    return drivers;
}

bool ShowWithGrids(MainWindow &window) {
    if (!window.CreateHidden())
        return false;
    window.ClearGrids();
    window.LoadGrids();
    ShowWindow(window.hwnd(), SW_SHOW);
    window.grids().Refresh();
    return true;
}

void HoldForLook() {
    if (const char *hold = std::getenv("QM_GRID_HOLD"))
        Sleep(static_cast<DWORD>(std::atoi(hold)));
}
