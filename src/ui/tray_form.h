// The notification-area form: a window of its own class that is never shown.
// It owns the program's icon in the notification area (added when it loads,
// removed when it unloads) and the popup menu a right click on the icon opens:
// "Run Quillmara" brings the main window back, "Protect Startups" switches
// watching, "Help" opens the help file, "About" the About dialog, and "Exit
// Quillmara" closes the main window with its questions. What it does to the
// main window goes through TrayHost. The check of "Protect Startups" is the
// watch state's trayChecked; its enabled state follows "   Watching".
#pragma once
#include <windows.h>

#include <string>

#include "ui/gdi.h"
#include "ui/window.h"

// What the icon's callback asks for, decoded from the mouse message the shell
// puts into the low word of lParam: a double click of the left button shows
// the main window, the right button released opens the menu, anything else
// does nothing.
enum class TrayAction { None, ShowMain, OpenMenu };
TrayAction TrayCallbackAction(LPARAM lp);

// The question of "Protect Startups" while watching runs.
std::string ProtectPrompt();
constexpr const char *kProtectTitle = "CONTINUE STARTUP MONITORING?";

// The help file beside the executable at exePath.
std::string HelpFilePath(const std::string &exePath);

// The main window's side, as the tray form sees it.
class TrayHost {
  public:
    virtual ~TrayHost() = default;
    virtual HWND MainHwnd() = 0;
    // Switches the watch timer.
    virtual void SetWatchRunning(bool on) = 0;
    // "Watch for changes" checked, and "   Watching" enabled.
    virtual bool WatchChecked() = 0;
    virtual bool WatchingEnabled() = 0;
    // "Watch for changes" clicked.
    virtual void ToggleWatch() = 0;
    // Refresh: the scan again (with file information).
    virtual void Refresh() = 0;
    // The About dialog, modal, owned by owner.
    virtual void ShowAbout(HWND owner) = 0;
    // Closes the main window as its close box does (its questions included).
    virtual void ExitProgram() = 0;
};

class TrayForm : public Window {
  public:
    static constexpr const char *kClassName = "QuillmaraTray";
    static constexpr const char *kCaption = "Quillmara";

    explicit TrayForm(TrayHost &host);
    ~TrayForm() override;

    // Creates the hidden form with its menu and adds the icon; the check of
    // "Protect Startups" is set after a start in watch mode.
    bool Load();
    bool loaded() const { return hwnd() != nullptr; }
    // Removes the icon and destroys the form.
    void Unload();
    HICON icon() const { return icon_.get(); }
    // The popup menu, its "Protect Startups" state brought up to date.
    HMENU Menu();

    // The icon's callback (the mouse message in the low word of lp).
    void OnCallback(LPARAM lp);
    void OnRun();
    void OnProtect();
    void OnHelp();
    void OnAbout();
    void OnExitProgram();

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    using Handler = void (TrayForm::*)();
    struct CommandRow {
        int id;
        Handler handler;
    };
    static const CommandRow kCommands[];
    bool RunCommand(int id);
    void OpenMenu();

    TrayHost &host_;
    IconHandle icon_;
    MenuHandle menu_;
    bool iconAdded_ = false;
};
