// The change code's prompts through the windows: answered by the seams in
// tests, and the progress window with its label, bar and pointer.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "resources/ids.h"
#include "support/app_driver.h"
#include "ui/box_change_ui.h"
#include "ui/dialogs/progress.h"
#include "ui/msgbox.h"
#include "ui/prompts.h"

namespace {

TEST(ChangeUiWindows, QuestionsAndChoicesGoThroughTheSeams) {
    BoxChangeUi ui;
    std::vector<std::string> asked;
    SetBoxAnswerer([&](const BoxRequest &r) {
        asked.push_back(r.title + "|" + r.prompt);
        return kAnswerCancel;
    });
    DialogAnswers answers;
    answers.folder = [](const std::string &initial) { return initial + "\\Backups"; };
    answers.dataFile = [](const std::string &) { return std::string(); };
    SetDialogAnswers(answers);
    EXPECT_EQ(ui.Ask("Restore all?", 67, "RESTORE"), kAnswerCancel);
    EXPECT_EQ(ui.ChooseFolder("C:\\Data"), "C:\\Data\\Backups");
    EXPECT_EQ(ui.ChooseDataFile("*.dat"), "");
    SetBoxAnswerer(nullptr);
    SetDialogAnswers({});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "RESTORE|Restore all?");
}

TEST(ChangeUiWindows, TheProgressWindowShowsItsLabelAndBarAndGoesAgain) {
    ProgressWindow progress;
    BoxChangeUi ui;
    ui.showProgress = [&](const std::string &label) { progress.Open(label, true); };
    ui.setProgress = [&](double value) { progress.SetValue(value); };
    ui.hideProgress = [&] { progress.Close(); };
    ui.ShowProgress("Building snapshot...");
    ASSERT_TRUE(progress.IsOpen());
    HWND wnd = progress.hwnd();
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(TextOf(GetDlgItem(wnd, IDC_PROGRESS_LABEL)), "Building snapshot...");
    ui.SetProgress(42.7);
    EXPECT_DOUBLE_EQ(progress.Value(), 42.7);
    EXPECT_EQ(SendDlgItemMessageA(wnd, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 42);
    EXPECT_EQ(ScreenPointer(), 13);
    ui.SetBusy(false);
    EXPECT_EQ(ScreenPointer(), 0);
    ui.SetBusy(true);
    EXPECT_EQ(ScreenPointer(), 13);
    // Centred across the screen, at a third of its height.
    RECT r{};
    GetWindowRect(wnd, &r);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 3);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
    ui.HideProgress();
    EXPECT_FALSE(progress.IsOpen());
    EXPECT_EQ(ScreenPointer(), 0);
}

} // namespace
