// The change code's questions and notices as the program shows them: message
// boxes through MsgBoxEx, the folder-browse and open dialogs (both answered
// by the tests' seam of prompts.h when it is set), the busy pointer. The progress window belongs to the scan sequence;
// whoever owns it hands its three steps in (none by default).
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "changes/change_ui.h"

class BoxChangeUi : public ChangeUi {
  public:
    explicit BoxChangeUi(HWND owner = nullptr) : owner_(owner) {}

    std::function<void(const std::string &label)> showProgress;
    std::function<void(double percent)> setProgress;
    std::function<void()> hideProgress;

    int Ask(const std::string &prompt, int style, const std::string &title) override;
    std::string ChooseFolder(const std::string &initialFolder) override;
    std::string ChooseDataFile(const std::string &name) override;
    void ShowProgress(const std::string &label) override;
    void SetProgress(double percent) override;
    void HideProgress() override;
    void SetBusy(bool busy) override;

  private:
    HWND owner_;
};
