// What the program needs to know about the platform it runs on, and the
// event pump that long scans call between files.
#pragma once
#include <functional>

// True when running under Wine (ntdll exports wine_get_version).
bool RunningOnWine();

// Lets pending window events run. The main window installs the pump; until
// then (and in tests) it does nothing.
void DoEvents();
void SetEventPump(std::function<void()> pump);
