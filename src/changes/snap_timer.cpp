#include "changes/snap_timer.h"

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
