#include "ui/dialogs/about.h"

#include <shellapi.h>

#include <algorithm>

#include "registry/access.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "system/files.h"
#include "system/log.h"
#include "ui/font_layout.h"
#include "ui/msgbox.h"

namespace {

constexpr const char *kTitle = "Quillmara";
constexpr const char *kUnavailable = "System Information Is Unavailable At This Time";

} // namespace

const char *const kAboutDescription =
    "Quillmara lists the programs that Windows starts by itself, on this system or on an offline "
    "installation on another drive. Entries can be disabled and enabled again, deleted, backed up "
    "and restored, and a watch mode asks before any new startup entry is allowed.";
const char *const kAboutDisclaimer =
    "Warning: changing startup entries edits the registry. A wrong change can stop programs, services "
    "or drivers from starting, and can make the system unusable. Back up an entry before changing it.";
const char *const kSysInfoCaption = "&System Info...";

AboutLayout LayOutAbout(HFONT font) {
    const int fh = FontHeight(font);
    auto s = [fh](int design) { return ScaledForFont(design, fh); };
    auto at = [](int x, int y, int cx, int cy) { return RECT{x, y, x + cx, y + cy}; };
    AboutLayout l;
    l.width = s(430);
    const int lineHeight = std::max(s(16), fh + 3);
    l.icon = at(s(14), s(14), 32, 32);
    l.title = at(s(62), s(14), s(350), lineHeight);
    l.version = at(s(62), l.title.bottom + s(2), s(350), lineHeight);
    const int descriptionWidth = s(354);
    // The texts broken into lines a little narrower than their controls (a
    // line's glyphs may reach past its measured width: under Wine by some 3 %
    // at 120 DPI, where a static control then drops the line's last glyph),
    // and the controls as tall as their lines, the design's heights at least.
    auto lineWidth = [&](int width) { return width - std::max(s(6), width / 25); };
    l.descriptionLines = WrapText(font, kAboutDescription, lineWidth(descriptionWidth));
    l.description = at(s(62), l.version.bottom + s(8), descriptionWidth,
                       std::max(70, WrappedTextHeight(font, l.descriptionLines, descriptionWidth)));
    l.line1 = at(s(12), l.description.bottom + s(8), l.width - 2 * s(12), 2);
    const int disclaimerWidth = s(402);
    l.disclaimerLines = WrapText(font, kAboutDisclaimer, lineWidth(disclaimerWidth));
    l.disclaimer = at(s(14), l.line1.top + s(10), disclaimerWidth,
                      std::max(58, WrappedTextHeight(font, l.disclaimerLines, disclaimerWidth)));
    l.line2 = at(s(12), l.disclaimer.bottom + s(10), l.width - 2 * s(12), 2);
    const int buttonHeight = std::max(s(25), fh + 10);
    const int okWidth = s(84);
    const int sysInfoWidth = std::max(s(100), TextWidth(font, "System Info...") + s(16));
    l.ok = at(l.width - s(12) - okWidth, l.line2.top + s(14), okWidth, buttonHeight);
    l.sysInfo = at(l.ok.left - s(10) - sysInfoWidth, l.ok.top, sysInfoWidth, buttonHeight);
    l.height = l.ok.bottom + s(11);
    return l;
}

std::string VersionLine(DWORD versionMS, DWORD versionLS) {
    return "Version " + std::to_string(HIWORD(versionMS)) + "." + std::to_string(LOWORD(versionMS)) + "." +
           std::to_string(LOWORD(versionLS));
}

namespace {

DWORD DwordAt(const BYTE *bytes, size_t at) {
    return static_cast<DWORD>(bytes[at]) | static_cast<DWORD>(bytes[at + 1]) << 8 |
           static_cast<DWORD>(bytes[at + 2]) << 16 | static_cast<DWORD>(bytes[at + 3]) << 24;
}

} // namespace

std::string ProgramVersionLine() {
    // Read from the program's own resource without the version library:
    // linking it would have Windows load VERSION.dll from the program's
    // folder before the search for DLLs is restricted.
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)); // RT_VERSION
    HGLOBAL data = res != nullptr ? LoadResource(module, res) : nullptr;
    const auto *bytes = data != nullptr ? static_cast<const BYTE *>(LockResource(data)) : nullptr;
    const DWORD size = res != nullptr ? SizeofResource(module, res) : 0;
    // The block's header (three words), its key "VS_VERSION_INFO" with its
    // NUL, padded to 40 bytes, then the fixed information (52 bytes), whose
    // first DWORD is its signature and whose third and fourth the version.
    constexpr size_t kFixed = 40;
    if (bytes == nullptr || size < kFixed + sizeof(VS_FIXEDFILEINFO) || (bytes[2] | bytes[3] << 8) < 52 ||
        DwordAt(bytes, kFixed) != 0xFEEF04BDu)
        return "Version";
    return VersionLine(DwordAt(bytes, kFixed + 8), DwordAt(bytes, kFixed + 12));
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

void AboutDialog::Show(HWND owner) {
    layout_ = LayOutAbout(UiFont());
    RunModal(owner, std::string("About ") + kTitle, layout_.width, layout_.height);
}

bool AboutDialog::OnInit() {
    HWND dlg = hwnd();
    auto child = [dlg](const char *cls, const std::string &text, DWORD style, const RECT &r, int id) {
        return CreateChild(dlg, cls, text, style, r.left, r.top, r.right - r.left, r.bottom - r.top, id);
    };
    const AboutLayout &l = layout_;
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLMARA));
    HWND pic = child("STATIC", "", WS_VISIBLE | SS_ICON, l.icon, IDC_ABOUT_ICON);
    SendMessageA(pic, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    child("STATIC", kTitle, WS_VISIBLE | SS_LEFT, l.title, IDC_ABOUT_TITLE);
    child("STATIC", ProgramVersionLine(), WS_VISIBLE | SS_LEFT, l.version, IDC_ABOUT_VERSION);
    child("STATIC", l.descriptionLines, WS_VISIBLE | SS_LEFT, l.description, IDC_ABOUT_DESCRIPTION);
    child("STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, l.line1, IDC_ABOUT_LINE1);
    child("STATIC", l.disclaimerLines, WS_VISIBLE | SS_LEFT, l.disclaimer, IDC_ABOUT_DISCLAIMER);
    child("STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, l.line2, IDC_ABOUT_LINE2);
    child("BUTTON", kSysInfoCaption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, l.sysInfo, IDC_ABOUT_SYSINFO);
    HWND ok = child("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, l.ok, IDOK);
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
