// What the program needs to know about the platform it runs on, and the
// event pump that long scans call between files.
#pragma once
#include <functional>

// True when running under Wine (ntdll exports wine_get_version).
bool RunningOnWine();

// Makes every DLL loaded by name alone come from the system folder only
// (SetDefaultDllDirectories where the platform has it), so that a DLL planted
// beside the program or in the current folder is never loaded. Called first
// thing at start; true when set.
bool RestrictDllSearch();

// Lets pending window events run. The main window installs the pump; until
// then (and in tests) it does nothing.
void DoEvents();
void SetEventPump(std::function<void()> pump);
// True while DoEvents lets events run: the event handled now came in the
// middle of a longer task, which goes on once its handler returns.
bool InsideDoEvents();
