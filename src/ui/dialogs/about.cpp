#include "ui/dialogs/about.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "registry/access.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "system/files.h"
#include "system/log.h"
#include "ui/msgbox.h"

namespace {

constexpr int kClientWidth = 430;
constexpr int kClientHeight = 262;

constexpr const char *kTitle = "Quillmara";
constexpr const char *kDescription =
    "Quillmara lists the programs that Windows starts by itself, on this system or on an offline "
    "installation on another drive. Entries can be disabled and enabled again, deleted, backed up "
    "and restored, and a watch mode asks before any new startup entry is allowed.";
constexpr const char *kDisclaimer =
    "Warning: changing startup entries edits the registry. A wrong change can stop programs, services "
    "or drivers from starting, and can make the system unusable. Back up an entry before changing it.";
constexpr const char *kUnavailable = "System Information Is Unavailable At This Time";

} // namespace

std::string VersionLine(DWORD versionMS, DWORD versionLS) {
    return "Version " + std::to_string(HIWORD(versionMS)) + "." + std::to_string(LOWORD(versionMS)) + "." +
           std::to_string(LOWORD(versionLS));
}

std::string ProgramVersionLine() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)); // RT_VERSION
    HGLOBAL data = res != nullptr ? LoadResource(module, res) : nullptr;
    const auto *bytes = data != nullptr ? static_cast<const BYTE *>(LockResource(data)) : nullptr;
    const DWORD size = res != nullptr ? SizeofResource(module, res) : 0;
    if (bytes == nullptr || size < 40)
        return "Version";
    // VerQueryValue may write into its block: work on a copy.
    std::vector<BYTE> copy(bytes, bytes + size);
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(copy.data(), "\\", reinterpret_cast<void **>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return "Version";
    return VersionLine(info->dwFileVersionMS, info->dwFileVersionLS);
}

bool GetKeyValue(HKEY root, const std::string &keyName, const std::string &valueName, std::string &value) {
    ScopedKey key(OpenKey(root, keyName));
    const RegValue read = key ? ReadValue(key.get(), valueName) : RegValue{};
    if (!read.present) {
        value.clear();
        return false;
    }
    if (read.type == REG_SZ || read.type == REG_EXPAND_SZ) {
        value = read.Text();
    } else if (read.type == REG_DWORD && read.data.size() >= sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, read.data.data(), sizeof(number));
        value = std::to_string(number);
    }
    return true;
}

std::string SysInfoPath(HKEY root) {
    std::string path;
    if (GetKeyValue(root, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path) && !path.empty())
        return path;
    if (GetKeyValue(root, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", path) && !path.empty()) {
        path += "\\MSINFO32.EXE";
        if (FileExists(path))
            return path;
    }
    return "";
}

void StartSysInfo(HWND owner) {
    const std::string path = SysInfoPath(HKEY_LOCAL_MACHINE);
    if (!path.empty() &&
        reinterpret_cast<INT_PTR>(ShellExecuteA(owner, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32)
        return;
    if (!path.empty())
        WriteLog("StartSysInfo " + ApiErrorText(GetLastError()));
    MsgBoxEx(kUnavailable, BoxStyle::kOk, kTitle);
}

void ShowAbout(HWND owner) {
    AboutDialog box;
    box.Show(owner);
}

void AboutDialog::Show(HWND owner) { RunModal(owner, std::string("About ") + kTitle, kClientWidth, kClientHeight); }

bool AboutDialog::OnInit() {
    HWND dlg = hwnd();
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLMARA));
    HWND pic = CreateChild(dlg, "STATIC", "", WS_VISIBLE | SS_ICON, 14, 14, 32, 32, IDC_ABOUT_ICON);
    SendMessageA(pic, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    CreateChild(dlg, "STATIC", kTitle, WS_VISIBLE | SS_LEFT, 62, 14, 350, 16, IDC_ABOUT_TITLE);
    CreateChild(dlg, "STATIC", ProgramVersionLine(), WS_VISIBLE | SS_LEFT, 62, 32, 350, 16, IDC_ABOUT_VERSION);
    CreateChild(dlg, "STATIC", kDescription, WS_VISIBLE | SS_LEFT, 62, 56, 354, 70, IDC_ABOUT_DESCRIPTION);
    CreateChild(dlg, "STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 12, 134, 406, 2, IDC_ABOUT_LINE1);
    CreateChild(dlg, "STATIC", kDisclaimer, WS_VISIBLE | SS_LEFT, 14, 144, 402, 58, IDC_ABOUT_DISCLAIMER);
    CreateChild(dlg, "STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 12, 212, 406, 2, IDC_ABOUT_LINE2);
    CreateChild(dlg, "BUTTON", "&System Info...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 224, 226, 100, 25,
                IDC_ABOUT_SYSINFO);
    HWND ok = CreateChild(dlg, "BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 334, 226, 84, 25, IDOK);
    SetFocus(ok);
    return false;
}

INT_PTR AboutDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM) {
    if (msg != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wp)) {
    case IDOK:
    case IDCANCEL:
        EndDialog(hwnd(), IDOK);
        return TRUE;
    case IDC_ABOUT_SYSINFO:
        StartSysInfo(hwnd());
        return TRUE;
    default:
        return FALSE;
    }
}
