#include "changes/snap_timer.h"

#include "changes/watch.h"

SnapTimerHook &SnapTimer() {
    static SnapTimerHook hook;
    return hook;
}

SnapTimerPause::SnapTimerPause() {
    const SnapTimerHook &hook = SnapTimer();
    wasRunning_ = hook.running && hook.running();
    if (wasRunning_ && hook.enable)
        hook.enable(false);
}

SnapTimerPause::~SnapTimerPause() {
    const SnapTimerHook &hook = SnapTimer();
    if (wasRunning_ && hook.enable)
        hook.enable(true);
}

void HookSnapTimer(WatchHost &host) {
    SnapTimer() = {[] { return Watch().running; },
                   [&host](bool on) {
                       Watch().running = on;
                       host.SetSnapTimer(on);
                   }};
}
