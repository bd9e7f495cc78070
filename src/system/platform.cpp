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

namespace {
std::function<void()> &EventPump() {
    static std::function<void()> pump;
    return pump;
}
} // namespace

void DoEvents() {
    if (EventPump())
        EventPump()();
}

void SetEventPump(std::function<void()> pump) { EventPump() = std::move(pump); }
