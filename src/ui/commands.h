// Every command of the main window, one row each: its id, where its menu item
// stands and its caption, the toolbar button that runs it, its keys, when it
// can be chosen, whether it works on the records the grids show, and the
// handler that does it. The menu bar, the toolbar, the keys, the enabling and
// the dispatch all read this one table (defined beside the dispatch, in
// main_window_commands.cpp).
#pragma once
#include <windows.h>

#include <span>

class MainWindow;

// What is selected, as the enabling sees it.
enum class Selected { Nothing, EntryRow, HeaderRow };

// When a command can be chosen: always, or while a row of a kind is selected.
enum class EnabledWhen { Always, AnyRow, EntryRow, HeaderRow };
bool EnabledFor(EnabledWhen when, Selected selected);

// Where a command's keys work: anywhere in the main window, or in a grid
// that has the focus (where they act on the row shown selected).
enum class KeyScope { None, Window, Grid };
struct CommandKey {
    WORD key = 0;       // virtual key; 0 for none
    BYTE modifiers = 0; // FSHIFT, FCONTROL, FALT
};
struct CommandKeys {
    KeyScope scope = KeyScope::None;
    CommandKey keys[2]{};
    bool anyShift = false; // the key works whatever Shift, Ctrl and Alt say
};

// How an item stands in its menu.
enum class MenuPlace {
    None,           // not in the menu bar (keys only, or added at scan time)
    Item,           // an item of its top-level menu
    AfterSeparator, // an item with a separator line above it
    Watching,       // an item of the Options menu's "   Watching" submenu
};

struct CommandRow {
    int id;
    int lastId;          // = id, or the last id of a range of the same handler
    int menu;            // top-level menu position (menu_bar.h), -1 when none
    MenuPlace place;     //
    const char *caption; // exactly as the menu holds it, leading blanks included
    int button;          // toolbar button 1..11 that runs it, 0 when none
    CommandKeys keys;    //
    EnabledWhen enabled; //
    bool onRecords;      // works on the records the grids show (see RunCommand)
    void (MainWindow::*handler)(int id);

    bool Has(int command) const { return command >= id && command <= lastId; }
};

// The rows in menu order, then the commands that only keys reach.
std::span<const CommandRow> Commands();
// The row of a command id; null when none.
const CommandRow *FindCommand(int id);
// The command a click on toolbar button 1..11 runs; 0 for the spacer and the
// navigation buttons, which act on button-down.
int ToolbarCommand(int button);
// The command a key pressed in a grid runs (shift: kGridShift, kGridCtrl,
// kGridAlt of grid_window.h); 0 when none.
int GridKeyCommand(WORD key, int shift);
// The window's accelerators from the Window-scope keys; the caller owns the
// table. `anyShift` keys get one entry per state of Shift, Ctrl and Alt.
HACCEL BuildAccelerators();
