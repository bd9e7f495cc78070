// The main window: its own window class, the menu bar, the toolbar row, the
// tab strip over the 14 category frames, the file panel (PicFile and
// FileLabel(0..7)), the status bar, the hidden picture Pic and the image lists;
// the start-up sequence and the command dispatch. Its code is split by
// concern into main_window_<concern>.cpp; each concern keeps its own block in
// this header.
//
// Who owns what:
// - scan/ owns the records (ScanLocations(): locations, passes, entries); they
//   are the truth every command acts on.
// - ui/category_grids fills the 14 grids from them; each row carries a RowRef
//   (location, pass, entry; entry 0 on a header row) and its texts come from
//   changes/shown_rows, the one rendering of a row. Grid text is for the eye
//   (and the search and Copy); no command reads data back out of it.
// - ui/ turns the selection into records (entry_commands, backup_commands)
//   and hands them to changes/, which changes the registry and files, writes
//   back into the records (Disabled, ItemName, Deleted) and never includes ui/.
//   The grid then shows the record's new state (check glyph, removed rows).
// - Each caller sees the window through a host holding only what it uses:
//   ScanHost (scan sequence), TrayHost (tray form), ToolbarEvents, FindRequests,
//   and the watch code's WatchHost (one per window); questions, notices and
//   the busy pointer go through the window's one ChangeUi, Ui().
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "changes/watch.h"
#include "ui/gdi.h"
#include "ui/picture_box.h"
#include "ui/scan_sequence.h"
#include "ui/commands.h"
#include "ui/selection.h"
#include "ui/selection_rules.h"
#include "ui/find_dialog.h"
#include "ui/search.h"
#include "ui/tab_strip.h"
#include "ui/toolbar.h"
#include "ui/tray_form.h"
#include "ui/window.h"

class AgreementDialog;
class GridPanel;
class GridWindow;
enum class GridInput;
struct GridMouse;
class ProgressWindow;
enum class CloseReason;
class BoxChangeUi;
class EnvironmentDialog;
class ChangeUi;

class MainWindow : public Window, public ScanHost, public ToolbarEvents, public FindRequests, public TrayHost {
  public:
    static constexpr const char *kClassName = "QuillmaraMain";
    static constexpr int kCategories = 14;

    MainWindow();
    ~MainWindow() override;
    // The one main window of the process, or null.
    static MainWindow *Instance();

    // ---- Start-up (main_window_startup.cpp) ------------------------------
    // Creates the window hidden, with its controls, menu, pictures and lists.
    bool CreateHidden();
    // The loading sequence. False when another instance runs: that one's
    // window was brought forward and this process must end now.
    bool Load(const std::string &arguments);
    bool alreadyRunning() const { return alreadyRunning_; }
    // Finds the main window of another running instance (never one of this
    // process); null when there is none.
    static HWND FindOtherInstance();

    // ---- Layout and controls (main_window_layout.cpp) --------------------
    HWND tabStrip() const { return tabStrip_; }
    HWND statusBar() const { return statusBar_; }
    // The frame of category 1..14: the window that hosts that category's
    // grid. A frame sizes its first child to fill it.
    HWND categoryFrame(int category) const;
    PictureBox &picFile() { return picFile_; }
    HWND fileLabel(int index) const; // 0..7
    // The hidden picture shown in message boxes in place of the icon.
    PictureBox &pic() { return pic_; }
    // The toolbar row at the top: a window put there is kept to its width.
    void SetToolbarWindow(HWND toolbar);
    int toolbarRowHeight() const { return toolbarRowHeight_; }
    void SetStatusText(int panel, const std::string &text); // panel 1..3
    // The panels' widths for a client width, from their texts (panel 3
    // shows its whole text; panel 1 keeps room for the longest help text).
    void LayoutStatusPanels(int cx);
    std::string StatusText(int panel) const;
    // The selected tab, 1..14, and selecting one (shows its frame only).
    int SelectedTab() const;
    void SelectTab(int tab);
    // The client layout for a client size; used by WM_SIZE.
    void Layout(int cx, int cy);
    // The tabs' look: their size from the measured captions, and each tab
    // drawn by the program (WM_DRAWITEM).
    const TabStripLook &tabLook() const { return tabLook_; }
    void OnDrawItem(const DRAWITEMSTRUCT &item);

    // ---- Image lists and icon (main_window_pictures.cpp) ------------------
    HIMAGELIST menuIcons() const { return menuIcons_.get(); }
    HIMAGELIST iconList() const { return iconList_.get(); }
    HIMAGELIST toolPicsA() const { return toolPicsA_.get(); }
    HICON programIcon() const { return icon_.get(); }

    // ---- Menus (main_window_menu_state.cpp) ------------------------------
    HMENU menuBar() const { return GetMenu(hwnd()); }
    // The popup of a top-level menu by position 0..7 (File ... Help).
    HMENU topMenu(int position) const;
    HMENU driveMenu() const { return topMenu(kDriveMenuPosition); }
    static constexpr int kOptionsMenuPosition = 3; // kMenuOptions of menu_bar.h
    static constexpr int kDriveMenuPosition = 4;   // kMenuDrive
    void CheckMenu(int id, bool checked);
    bool MenuChecked(int id) const;
    void EnableMenu(int id, bool enabled);
    bool MenuEnabled(int id) const;
    // "   Watching" (a submenu of Options, enabled by position).
    void EnableWatchingMenu(bool enabled);
    bool WatchingMenuEnabled() const;

    // ---- Commands (main_window_commands.cpp) -----------------------------
    // Runs the command of a menu or toolbar id through its row of the command
    // table (ui/commands.h); false when the table has none. A command switched
    // off does nothing.
    bool RunCommand(int id);
    void OnExit(int id);
    void OnCategory(int id);
    void OnShowLicense(int id);

    // ---- Scan sequence (main_window_scan.cpp) -----------------------------
    void OnRefresh(int id);
    void OnDrive(int id);
    void ShowProgress(bool visible) override;
    void SetProgress(double value) override;
    double Progress() override;
    void CloseProgress() override;
    void SetDriveMenu(const std::vector<InstalledOS> &list) override;
    void CheckDriveItem(int position) override;
    void SetStatus(int panel, const std::string &text) override;
    void EnableWatching(bool enabled) override;
    bool WatchingEnabled() override;
    bool WatchChecked() override;
    void SetWatchChecked(bool checked) override;
    void ClearFileInfo() override; // LoadGrids and ClearGrids: with the grids below
    void ShowMain(bool visible) override;
    bool CloseMain() override;
    void StartWatching() override;
    // Closes the Environment window (Exit closes it even when the user stays).
    void CloseEnvironment();

    // ---- The change code's prompts (main_window_scan.cpp) -----------------
    // Questions, folder and file choices, the progress window and the
    // pointer, shown by this window: the one ChangeUi of the window, for the
    // scan sequence, the Entry, backup and watch commands alike.
    ChangeUi &Ui() override;
    // ---- Watching (main_window_watch.cpp) ---------------------------------
    // "Watch for changes" (also called at the end of a start in watch mode),
    // "Start with Windows", "Rebuild Snapshot", and the watch timer's tick.
    void OnWatch(int id);
    void OnStartWithWindows(int id);
    void OnReSnap(int id);
    void OnSnapTimer();
    // At exit: the watch timer off.
    void EndWatching();

    // ---- Toolbar, tabs and navigation (main_window_toolbar.cpp) -----------
    MainToolbar &toolbar() { return toolbarCtl_; }
    // The toolbar with its images, the credit picture and the hover help of
    // the tab strip and the file panel (once; the loading's toolbar step).
    void CreateToolbar();
    // A tab chosen (a click on the tab strip, the Category menu, a search hit):
    // shows its grid; a selection made on another tab is cleared.
    void ShowChosenTab();
    // The mouse moved over a control with hover help.
    void OnHover(HWND control);
    void NavigationStep(int button) override;
    void ToolbarMouseMove() override;
    // Ctrl+Tab and the other tab keys: the next or the previous tab.
    void OnTabKey(int id);
    // The keyboard focus: on the grid of the shown tab (at once when the
    // window is active, else when it is activated again), and back on the
    // control that had it when the window is activated.
    void FocusShownGrid();
    void RestoreFocus();

    // ---- Search (main_window_search.cpp) -----------------------------------
    // Tab 1 as the search's start; the window's keys (F3, F5, F1 and the
    // keys that change tabs) switched on.
    void StartSearch();
    // ShowFind: the one Find dialog, opened or brought forward.
    void ShowFind();
    void OnSearch(int id);
    void OnFindNext(int id);
    void FindRequested(const std::string &text, bool down) override;
    // Shows a hit: its tab, then the row selected without toggling it.
    void ShowSearchHit(int grid, int row);
    SearchState &searchState() { return search_; }

    // ---- Backup and restore (main_window_backup.cpp) -----------------------
    void OnBackup(int id);
    void OnRestore(int id);
    void OnBackupAll(int id);
    void OnRestoreAll(int id);

    // ---- Selection ----------------------------------------------------------
    // A click on a grid row: selects the current row of grid index (1..14).
    // Only a user's left click on an entry's check box toggles the entry.
    void SelectRow(int index, SelectBy by);
    // The commands that need a selected row, in the menus and the toolbar.
    void ApplyEnabling(Selected selected);
    // The file panel: the selected file's icon, version strings and dates.
    void ShowFileInfo();
    void OnCopy(int id);
    // Help: opens the help file (main_window_help.cpp).
    void OnShowHelp(int id);
    SelectionState selection; // CurrentGrid is the grid (category) of the selection, 0 when none

    // ---- Grids (main_window_grids.cpp) -------------------------------------
    GridPanel &grids() { return *grids_; }
    // Fills the 14 grids from ScanLocations(); the scan sequence calls it
    // after ClearGrids, as do the options and the watch prompt.
    void LoadGrids() override;
    // Empties the grids, selects no row and switches the Entry
    // commands (menu items and toolbar buttons 3 to 5) off.
    void ClearGrids() override;
    // Gives the selected row its normal colours and resets the selection.
    void UnhighlightRow();
    void OnSave(int id);
    void OnIncludeEmpty(int id);
    void OnHideMicrosoft(int id);
    // A grid's click, double click, mouse button down and up, and mouse move.
    void OnGridClick(GridWindow &grid, GridInput how);
    void OnGridMouseDown(GridWindow &grid, const GridMouse &mouse);
    void OnGridMouseUp(GridWindow &grid, const GridMouse &mouse);
    void OnGridMouseMove(GridWindow &grid, const GridMouse &mouse);
    // The Apps key or Shift+F10 in a grid: the Entry menu at the row shown
    // selected (none when no row is).
    void OnGridMenuKey(GridWindow &grid);
    // A key the grid does not handle itself: the command table's grid keys
    // (Space, Enter, Delete, Ctrl+C). True when it is one of them.
    bool OnGridKey(GridWindow &grid, WORD key, int shift);
    // The grid's current row is the row the selection names and shows.
    bool RowShownSelected(GridWindow &grid);

    // ---- Entry changes (main_window_entry.cpp) ----------------------------
    // Disable / Enable (also toolbar button 5 and a click on the check glyph)
    // and Delete (also toolbar button 4) on the selected entry.
    void OnDisable(int id);
    void OnDelete(int id);

    // ---- Jump and shell commands (main_window_jump.cpp) -------------------
    // A double click on a grid row and Jump to...: the registry editor at the
    // selected entry's key, or Explorer at its folder.
    void OnGridDblClick(GridWindow &grid);
    void OnJump(int id);
    void OnExplore(int id);
    void OnProperties(int id);
    void OnWebSearch(int id);

    // ---- Dialogs (main_window_dialogs.cpp) ---------------------------------
    void OnEnvironment(int id);
    void OnAbout(int id);

    // ---- Closing (main_window_startup.cpp) --------------------------------
    // Gives back what the program holds and destroys the window.
    void CloseProgram();

    // ---- Notification area and closing questions (main_window_tray.cpp) ---
    // The notification-area form, null before the start-up loaded it.
    TrayForm *tray() { return tray_.get(); }
    // "   Minimize To Tray": hidden, with the animation to the notification area.
    void OnMinimize(int id);
    // Closing the window: the questions, then hiding, staying or ending the
    // program. True when the program is ending.
    bool QueryClose(CloseReason reason);
    // What the notification-area form does to this window.
    HWND MainHwnd() override { return hwnd(); }
    void SetWatchRunning(bool on) override;
    void ToggleWatch() override;
    void Refresh() override;
    // The About dialog owned by owner (the Help menu's command).
    void ShowAbout(HWND owner) override;
    void ExitProgram() override;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // Start-up steps, each one call into the module that does the work.
    void LoadMenuBitmaps();
    void LoadTooltips();
    void LoadToolbar();
    void LoadGridHeaders();
    void CreateGrids();
    void LoadFirstScan();
    void LoadTray();
    void UnloadTray();

    void CreateControls();
    void BuildMenuBar();
    bool LoadImageLists();
    void OnSize(int cx, int cy);
    void OnNotify(const NMHDR &hdr);
    void OnGetMinMaxInfo(MINMAXINFO &info);
    void OnActivate(int state, bool minimized);
    void OnClose();
    // The Entry menu as a popup at a point of a grid (client pixels).
    void OpenEntryMenu(GridWindow &grid, POINT at);

    bool alreadyRunning_ = false;
    HWND tabStrip_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND toolbar_ = nullptr;
    int toolbarRowHeight_ = 30;
    std::array<HWND, kCategories + 1> frames_{};
    std::array<HWND, 8> fileLabels_{};
    TabStripLook tabLook_;
    PictureBox picFile_;
    PictureBox pic_;
    IconHandle icon_;
    IconHandle smallIcon_;
    ImageListHandle menuIcons_;
    ImageListHandle iconList_;
    ImageListHandle toolPicsA_;
    std::unique_ptr<AgreementDialog> license_; // shown again from the Window menu
    class GridEventSink;
    std::unique_ptr<GridEventSink> gridEvents_;
    std::unique_ptr<GridPanel> grids_;
    std::unique_ptr<ProgressWindow> progress_;
    std::unique_ptr<BoxChangeUi> changeUi_;
    std::unique_ptr<EnvironmentDialog> environment_; // Window / Show Environment
    std::unique_ptr<WatchHost> watchHost_; // the watch code's host, made on first use
    WatchHost &watchHost();
    WatchHost &preparedWatchHost();

    // Toolbar, tabs and navigation.
    void UpdateFileTips();
    MainToolbar toolbarCtl_;
    HWND hoverTips_ = nullptr; // tooltips of the tab strip, file panel and credit picture
    HWND creditPic_ = nullptr;
    int lastTab_ = 0; // the tab of the last tab change
    HWND focusOnActivate_ = nullptr; // the control that gets the focus when the window is activated
    bool tabStripKey_ = false;       // a key of the tab strip is changing the tab

    bool tickRunning_ = false; // a watch tick runs (and may let window events run)

    // Search.
    FindDialog find_;
    SearchState search_;
    struct AccelTraits {
        using handle_type = HACCEL;
        static handle_type invalid() { return nullptr; }
        static void close(handle_type h) { DestroyAcceleratorTable(h); }
    };
    UniqueWinHandle<AccelTraits> accelerators_; // the command table's window keys
    std::unique_ptr<TrayForm> tray_;
};
