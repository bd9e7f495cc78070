// The entry commands' tests: one location of ScanLocations() scanned over a
// scratch key or folder as the main window's scan would (one pass, headed by
// its key text), the address of one of its entries as a grid row gives it,
// and a ChangeUi that records what it is told and answers from a script.
#pragma once
#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "changes/change_ui.h"
#include "changes/entry_address.h"
#include "support/testing.h"

class ScriptedUi : public ChangeUi {
  public:
    std::vector<std::string> told;
    std::deque<int> answers; // kAnswerOk when it runs out

    int Ask(const std::string &prompt, int style, const std::string &title) override;
    std::string ChooseFolder(const std::string &) override { return ""; }
    std::string ChooseDataFile(const std::string &) override { return ""; }
    void ShowProgress(const std::string &) override {}
    void SetProgress(double) override {}
    void HideProgress() override {}
    void SetBusy(bool) override {}
};

// Makes ScanLocations() the running system's installations list and the 68
// locations, none of them scanned.
void PrepareLocations();
// Fills location n of ScanLocations() with one pass over root\keyPath, or over
// a folder (ending in "\") when root is null; the other locations stay as
// they are. Returns the pass's key text, as the location's header row shows it.
std::string ScanInto(int location, HKEY root, const std::string &keyPath);
// PrepareLocations, then ScanInto.
std::string ScanLocationOver(int location, HKEY root, const std::string &keyPath);

// The number of the first entry of location n whose item name (ItemName,
// else EntryName) or EntryName is name; 0 when there is none.
int EntryNumber(int location, const std::string &name);

// Scans location n over root\keyPath and gives the address of the entry
// named name as its grid row would.
std::optional<EntryAddress> ScanAndAddress(int location, HKEY root, const std::string &keyPath,
                                           const std::string &name);

// The name of HKEY_CURRENT_USER below HKEY_USERS ("" when not found).
std::string CurrentUserKeyName();

// A class of HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID whose InprocServer32
// names dll, and the subkey "qmfilter" of filterKey naming it as a protocol
// filter does; the class goes with the object.
struct TestFilterClass {
    TestKey key;
    TestFilterClass(const std::string &clsid, const std::string &dll, const std::string &filterKey);
};
