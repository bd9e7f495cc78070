// What the change code needs from whoever shows things to the user: the
// questions and notices (answered by the message box in the program, by
// scripted answers in the tests), the folder and file choices, the progress
// window and the busy pointer. The change code shows no window itself.
#pragma once
#include <string>

// Button codes the answers use (the standard message-box results).
constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

class ChangeUi {
  public:
    virtual ~ChangeUi() = default;
    // Shows prompt with the message-box style number and title; returns the
    // button pressed (kAnswerOk ... kAnswerNo).
    virtual int Ask(const std::string &prompt, int style, const std::string &title) = 0;
    // The folder-browse dialog starting at initialFolder; "" when cancelled.
    virtual std::string ChooseFolder(const std::string &initialFolder) = 0;
    // The open dialog for "Data File" names with the expected name in its
    // name box; "" when cancelled.
    virtual std::string ChooseDataFile(const std::string &name) = 0;
    // The progress window: shown with a label, moved on (0..100), hidden.
    virtual void ShowProgress(const std::string &label) = 0;
    virtual void SetProgress(double percent) = 0;
    virtual void HideProgress() = 0;
    // The arrow-and-hourglass pointer while a long operation runs.
    virtual void SetBusy(bool busy) = 0;
};
