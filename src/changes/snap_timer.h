// The watch tick as the change code sees it: whether it runs, and switching it
// on and off. The watch code fills the hook with its timer; until then the
// tick never runs and pausing it does nothing.
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
