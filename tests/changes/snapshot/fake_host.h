// A main window stand-in for the snapshot and watch code: answers questions
// from a script, records what it was asked and what it was told to show.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "changes/watch.h"

struct Asked {
    std::string prompt;
    int style;
    std::string title;
};

class FakeHost : public WatchHost, public ChangeUi {
  public:
    std::deque<int> answers; // taken in turn; kAnswerOk when none is left
    std::vector<Asked> asked;
    std::vector<std::string> progressLabels;
    std::vector<std::string> openedFolders;
    int refreshes = 0;
    int unloads = 0;
    bool timer = false, watchChecked = false, trayChecked = false, startChecked = false;
    bool mainShown = true;
    bool tickInsidePrompt = false; // a timer message arrives while a box is open
    std::function<void()> whileAsked; // runs while a box is open
    std::string gridsText = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\r\n"; // the machine's Run key

    // ChangeUi
    int Ask(const std::string &prompt, int style, const std::string &title) override;
    std::string ChooseFolder(const std::string &) override { return ""; }
    std::string ChooseDataFile(const std::string &) override { return ""; }
    void ShowProgress(const std::string &label) override { progressLabels.push_back(label); }
    void SetProgress(double) override {}
    void HideProgress() override {}
    void SetBusy(bool) override {}

    // SnapshotHost
    ChangeUi &Ui() override { return *this; }
    std::string GetGridsText() override { return gridsText; }
    void OpenFolder(const std::string &folder) override { openedFolders.push_back(folder); }
    void ShowMainWindow(bool show) override { mainShown = show; }

    // WatchHost
    void SetSnapTimer(bool on) override { timer = on; }
    void SetWatchChecked(bool on) override { watchChecked = on; }
    void SetTrayChecked(bool on) override { trayChecked = on; }
    void SetStartChecked(bool on) override { startChecked = on; }
    void UnloadHives() override;
    void RefreshGrids() override { ++refreshes; }
};
