#include "system/platform.h"

#include <windows.h>

#include <utility>

bool RunningOnWine() {
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

bool RestrictDllSearch() {
    // Looked up, not imported: systems without it would not start the program.
    using SetDirectories = BOOL(WINAPI *)(DWORD);
    const auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    return set != nullptr && set(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

namespace {
std::function<void()> &EventPump() {
    static std::function<void()> pump;
    return pump;
}

int &PumpDepth() {
    static int depth = 0;
    return depth;
}
} // namespace

void DoEvents() {
    if (!EventPump())
        return;
    ++PumpDepth();
    EventPump()();
    --PumpDepth();
}

bool InsideDoEvents() { return PumpDepth() > 0; }

void SetEventPump(std::function<void()> pump) { EventPump() = std::move(pump); }
