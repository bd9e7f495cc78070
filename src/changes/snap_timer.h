// The watch tick as a restore sees it: whether it runs, and switching it on
// and off. HookSnapTimer connects it to the watch mode; an empty hook means a
// tick that never runs, and pausing it does nothing.
#pragma once
#include <functional>

struct SnapTimerHook {
    std::function<bool()> running;
    std::function<void(bool)> enable;
};
SnapTimerHook &SnapTimer();

// Stops the watch tick for its lifetime when it runs, and starts it again
// afterwards.
class SnapTimerPause {
  public:
    SnapTimerPause();
    ~SnapTimerPause();
    SnapTimerPause(const SnapTimerPause &) = delete;
    SnapTimerPause &operator=(const SnapTimerPause &) = delete;

  private:
    bool wasRunning_ = false;
};

class WatchHost;
// Connects the hook to the watch mode's timer: "running" is its running
// state, switching it goes to the host's timer as the watch code does.
void HookSnapTimer(WatchHost &host);
