// The program's folder and file prompts (the folder browser, the open dialog
// for backup index files, the save dialog for the list) and the seam through
// which tests answer them, as they answer message boxes (msgbox.h).
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// The folder browser starting at initialFolder; "" when cancelled.
std::string AskFolder(HWND owner, const std::string &initialFolder);
// The open dialog for "Data File" names with name in its name box; "" when
// cancelled.
std::string AskDataFile(const std::string &name);
// The save dialog ("Save File", default name "Quillmara.txt"); "" when cancelled.
std::string AskSaveFile(const std::string &pattern, const std::string &description);

// Test seam: each answerer that is set replaces its dialog.
struct DialogAnswers {
    std::function<std::string(const std::string &initialFolder)> folder;
    std::function<std::string(const std::string &name)> dataFile;
    std::function<std::string(const std::string &pattern)> saveFile;
};
void SetDialogAnswers(DialogAnswers answers);
