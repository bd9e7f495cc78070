#include "ui/box_change_ui.h"

#include "system/files.h"
#include "ui/dialogs/progress.h"
#include "ui/msgbox.h"
#include "ui/prompts.h"

int BoxChangeUi::Ask(const std::string &prompt, int style, const std::string &title) {
    return MsgBoxEx(prompt, style, title);
}

std::string BoxChangeUi::ChooseFolder(const std::string &initialFolder) { return AskFolder(owner_, initialFolder); }

std::string BoxChangeUi::ChooseDataFile(const std::string &name) { return AskDataFile(name); }

void BoxChangeUi::ShowProgress(const std::string &label) {
    if (showProgress)
        showProgress(label);
}

void BoxChangeUi::SetProgress(double percent) {
    if (setProgress)
        setProgress(percent);
}

void BoxChangeUi::HideProgress() {
    if (hideProgress)
        hideProgress();
}

void BoxChangeUi::SetBusy(bool busy) { SetScreenPointer(busy ? 13 : 0); } // arrow with hourglass
