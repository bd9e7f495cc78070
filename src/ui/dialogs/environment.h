// The window "Environment Variables": the environment variables of the
// installation being shown, the running process's own or those read from an
// offline installation's registry. Modeless and owned by the main window (so
// that it stays in front of it); it is closed when the main window unloads
// and whenever the hives are unloaded.
#pragma once
#include <string>

#include "ui/window.h"

class EnvironmentDialog : public Dialog {
  public:
    static constexpr const char *kCaption = "Environment Variables";
    ~EnvironmentDialog() override;
    // Opens the window owned by owner (or brings it forward) with the
    // current list.
    void Open(HWND owner);

  protected:
    bool OnInit() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// Closes the open Environment window, if there is one.
void CloseEnvironmentWindow();

// An environment block ("name=value" strings, each ended by NUL, the block by
// another NUL) as lines ended by CR LF, the empty final entry included, so the
// text ends with an empty line.
std::string ListLocalEnvironment(const char *block);
// The list the window shows: the offline installation's variables when one
// is scanned, else the running process's.
std::string EnvironmentText();
