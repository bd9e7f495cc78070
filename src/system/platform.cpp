#include "system/platform.h"

#include <windows.h>

#include <utility>

#include "system/late_calls.h"

bool RunningOnWine() {
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

PlatformTraits TraitsFor(bool wine) {
    PlatformTraits traits;
    traits.hiveChangesNeedWriteBack = wine;
    traits.hiveUnloadTakesAnyKey = wine;
    traits.registryRestoreIgnored = wine;
    traits.fileSecurityKept = !wine;
    traits.linksRemovable = !wine;
    traits.regeditTakesBareKey = wine;
    return traits;
}

namespace {
std::optional<PlatformTraits> &OverriddenTraits() {
    static std::optional<PlatformTraits> traits;
    return traits;
}
} // namespace

const PlatformTraits &Platform() {
    static const PlatformTraits running = [] {
        PlatformTraits traits = TraitsFor(RunningOnWine());
        traits.wow64 = RunningUnderWow64();
        return traits;
    }();
    return OverriddenTraits() ? *OverriddenTraits() : running;
}

void OverridePlatform(std::optional<PlatformTraits> traits) { OverriddenTraits() = traits; }

bool RestrictDllSearch() { return LateSetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE; }

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
