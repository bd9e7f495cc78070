#include "ui/prompts.h"

#include <utility>

#include "system/files.h"

namespace {
DialogAnswers &Answers() {
    static DialogAnswers answers;
    return answers;
}
} // namespace

std::string AskFolder(HWND owner, const std::string &initialFolder) {
    if (Answers().folder)
        return Answers().folder(initialFolder);
    return BrowseFolder(owner, initialFolder);
}

std::string AskDataFile(const std::string &name) {
    if (Answers().dataFile)
        return Answers().dataFile(name);
    std::string chosen = name;
    return OpenDataFile(chosen);
}

std::string AskSaveFile(const std::string &pattern, const std::string &description) {
    if (Answers().saveFile)
        return Answers().saveFile(pattern);
    return SaveFileName(pattern, description);
}

void SetDialogAnswers(DialogAnswers answers) { Answers() = std::move(answers); }
