#include "ui/tray_form.h"

#include "changes/watch.h"
#include "resources/ids.h"
#include "ui/msgbox.h"
#include "ui/help_file.h"
#include "ui/shell_helpers.h"
#include "ui/startup.h"
#include "ui/tray_icon.h"

namespace {

struct TrayMenuLine {
    int id; // 0: separator
    const char *caption;
};
constexpr TrayMenuLine kTrayMenu[] = {
    {IDM_TRAY_RUN, "   Run Quillmara"}, {IDM_TRAY_PROTECT, "   Protect Startups"}, {0, "-"}, {IDM_TRAY_HELP, "   Help"},
    {IDM_TRAY_ABOUT, "   About"},       {IDM_TRAY_EXIT, "   Exit Quillmara"},
};

} // namespace

TrayAction TrayCallbackAction(LPARAM lp) {
    switch (LOWORD(lp)) {
    case WM_LBUTTONDBLCLK:
        return TrayAction::ShowMain;
    case WM_RBUTTONUP:
        return TrayAction::OpenMenu;
    default:
        return TrayAction::None;
    }
}

std::string ProtectPrompt() {
    return "STARTUP MONITORING IS RUNNING.\r\n"
           "\r\n"
           "Do you want to continue monitoring?\r\n"
           "\r\n"
           "YES           Continue Startup Monitoring.\r\n"
           "NO             Stop Monitoring.\r\n"
           "CANCEL     Cancel Change in Monitoring Status.";
}

std::string HelpFilePath(const std::string &exePath) {
    const size_t slash = exePath.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? std::string() : exePath.substr(0, slash);
    return folder + "\\Help\\Quillmara.chm";
}

const TrayForm::CommandRow TrayForm::kCommands[] = {
    {IDM_TRAY_RUN, &TrayForm::OnRun},     {IDM_TRAY_PROTECT, &TrayForm::OnProtect},  {IDM_TRAY_HELP, &TrayForm::OnHelp},
    {IDM_TRAY_ABOUT, &TrayForm::OnAbout}, {IDM_TRAY_EXIT, &TrayForm::OnExitProgram},
};

TrayForm::TrayForm(TrayHost &host) : host_(host) {}

TrayForm::~TrayForm() { Unload(); }

bool TrayForm::Load() {
    if (loaded())
        return true;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    icon_.reset(static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_QUILLMARA), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    RegisterClassOnce(kClassName, icon_.get(), icon_.get(), nullptr);
    // A top-level window that never shows: the icon's messages come to it.
    if (!Create(kClassName, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, 0, 0, 0, 0, nullptr,
                nullptr))
        return false;
    menu_.reset(CreatePopupMenu());
    for (const TrayMenuLine &line : kTrayMenu)
        if (line.id == 0)
            AppendMenuA(menu_.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu_.get(), MF_STRING, static_cast<UINT_PTR>(line.id), line.caption);
    iconAdded_ = AddTrayIcon(hwnd(), icon_.get());
    if (Watch().watchAtStart)
        Watch().trayChecked = true;
    Menu();
    return true;
}

void TrayForm::Unload() {
    if (!loaded())
        return;
    RemoveTrayIcon(hwnd());
    iconAdded_ = false;
    DestroyWindow(hwnd());
}

HMENU TrayForm::Menu() {
    CheckMenuItem(menu_.get(), IDM_TRAY_PROTECT, MF_BYCOMMAND | (Watch().trayChecked ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu_.get(), IDM_TRAY_PROTECT, MF_BYCOMMAND | (host_.WatchingEnabled() ? MF_ENABLED : MF_GRAYED));
    return menu_.get();
}

LRESULT TrayForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kTrayCallbackMessage:
        OnCallback(lp);
        return 0;
    case WM_COMMAND:
        return RunCommand(LOWORD(wp)) ? 0 : Default(msg, wp, lp);
    case WM_CLOSE: // the form goes only with the main window
        return 0;
    default:
        return Default(msg, wp, lp);
    }
}

bool TrayForm::RunCommand(int id) {
    for (const CommandRow &row : kCommands)
        if (row.id == id) {
            (this->*row.handler)();
            return true;
        }
    return false;
}

void TrayForm::OnCallback(LPARAM lp) {
    switch (TrayCallbackAction(lp)) {
    case TrayAction::ShowMain:
        OnRun();
        break;
    case TrayAction::OpenMenu:
        OpenMenu();
        break;
    case TrayAction::None:
        break;
    }
}

void TrayForm::OpenMenu() {
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(hwnd());
    TrackPopupMenu(Menu(), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageA(hwnd(), WM_NULL, 0, 0);
}

void TrayForm::OnRun() {
    WatchState &state = Watch();
    if (state.watchAtStart) {
        // First showing after a start in watch mode: scan again, now with the
        // file information; the timer runs afterwards only while watching is
        // wanted.
        host_.SetWatchRunning(false);
        state.watchAtStart = false;
        host_.Refresh();
        host_.SetWatchRunning(host_.WatchChecked() && state.watching);
    }
    HWND main = host_.MainHwnd();
    AnimateFromTray(main);
    SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(main, SW_SHOWNORMAL);
    SetForegroundWindow(main);
    SetTopmost(main);
    SetNotTopmost(main);
}

void TrayForm::OnProtect() {
    if (Watch().trayChecked) {
        const int answer = MsgBoxEx(ProtectPrompt(), BoxStyle::kYesNoCancelInfo, kProtectTitle);
        if (answer != IDNO)
            return;
    }
    host_.ToggleWatch();
    Watch().trayChecked = host_.WatchChecked();
    Menu();
}

void TrayForm::OnHelp() {
    OpenHelpFile(HelpFilePath(ExePath()));
}

void TrayForm::OnAbout() { host_.ShowAbout(hwnd()); }

void TrayForm::OnExitProgram() { host_.ExitProgram(); }
