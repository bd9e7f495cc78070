// Looking at the selected entry where it lives: the registry editor restarted
// at the entry's key with its value selected, Explorer at a folder or with the
// image file selected, the file's property sheet, and a web search for the
// file name. The decisions (which key, which keys to press, the search
// address) are plain functions; the rest talks to the other programs.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "ui/category_grids.h"
#include "ui/selection.h"

// What a jump to the selected row does.
struct JumpPlan {
    enum Kind { Nothing, Registry, Folder } kind = Nothing;
    std::string key;    // Registry: the full key name, root included
    int tabPane = -1;   // Registry: the pane that gets the Tab key (0 keys, 1 values), -1 for none
    std::string value;  // Registry: the value to select in the value pane
    std::string folder; // Folder: the folder Explorer opens
};

// The facts about the selected row that a jump needs.
struct JumpRow {
    bool headerRow = true;
    std::string locationText; // L, the location text of the header row
    HKEY mainKey = nullptr;   // null for a folder location
    int category = 0;
    std::string valueName; // the location's ValueName
    int itemType = 0;
    bool disabled = false;
    std::string entryName;
    std::string itemName;
};

// The plan for a row; keyExists tells whether a key below mainKey opens.
JumpPlan PlanJump(const JumpRow &row, const std::function<bool(HKEY, const std::string &)> &keyExists);
// The row facts of the main window's selection, from the records its row
// shows; false when the row shows none (nothing to jump to).
bool SelectedJumpRow(const CategoryGrids &grids, const SelectionState &selection, JumpRow &row);

// The text stored as the registry editor's "LastKey" for a key: "MyComputer\"
// (osCode below 25) or "Computer\" and the key; Wine's editor follows the key
// only without a prefix.
std::string RegeditLastKeyText(const std::string &key, short osCode, bool wine);
// How many Down keys follow the first letter of name in a value list whose
// item texts itemText gives (index from 0, "" past the end): the earlier items
// with the same first letter (case ignored).
int EarlierItemsWithSameLetter(const std::function<std::string(int)> &itemText, const std::string &name);

// Percent-encodes text for a query (unreserved characters stay, blanks too
// become "%20").
std::string PercentEncode(const std::string &text);
// The web-search command handed to the shell.
std::string WebSearchCommand(const std::string &searchText);

// Ends every registry editor, stores its remembered key and starts it again.
void JumpToKey(const std::string &key);
// Posts one key to pane 0 (keys) or 1 (values) of the running registry
// editor: WM_KEYDOWN with keyCode, or WM_CHAR with name's first letter in
// upper case followed by the Down keys that reach name. Waits at most 5 s for
// the editor to be idle before each; nothing when no editor window is found.
void RegeditSelect(int pane, UINT message, UINT keyCode, const std::string &name);
// The text of one item of a list view in another process ("" on failure).
std::string GetListviewItem(HWND list, int index, int subItem);
// Runs a plan: the registry editor or Explorer.
void RunJump(const JumpPlan &plan);
