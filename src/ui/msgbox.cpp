#include "ui/msgbox.h"

#include <algorithm>
#include <utility>

namespace {

// The state of the one box that can be open at a time.
struct MsgBoxState {
    HHOOK hook = nullptr;
    HWND box = nullptr; // the box, once it is activated
    bool hideButtons = false;
    std::vector<std::string> captions;
    bool captionsGiven = false;
    int buttonIndex = 0;
    bool pictureWanted = false;
    bool pictureMoved = false;
    HWND picture = nullptr;
    HWND savedParent = nullptr;
    POINT savedPos{};
    int style = 0;
};

MsgBoxState &Box() {
    static MsgBoxState state;
    return state;
}

HWND &BoxPicture() {
    static HWND wnd = nullptr;
    return wnd;
}
HWND &BoxOwner() {
    static HWND wnd = nullptr;
    return wnd;
}
BoxAnswerer &Answerer() {
    static BoxAnswerer answerer;
    return answerer;
}

std::string WindowClass(HWND wnd) {
    char name[256] = {};
    const int n = GetClassNameA(wnd, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// Puts the picture back where it came from, hidden.
void RestorePicture() {
    MsgBoxState &s = Box();
    if (s.pictureMoved && IsWindow(s.picture)) {
        ShowWindow(s.picture, SW_HIDE);
        SetParent(s.picture, s.savedParent);
        SetWindowPos(s.picture, nullptr, s.savedPos.x, s.savedPos.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    s.pictureMoved = false;
    s.savedParent = nullptr;
}

void RemoveMsgBoxHook() {
    MsgBoxState &s = Box();
    if (s.hook == nullptr)
        return;
    UnhookWindowsHookEx(s.hook);
    s.hook = nullptr;
    s.captions.clear();
    s.captionsGiven = false;
    RestorePicture();
    s.picture = nullptr;
    s.box = nullptr;
    s.buttonIndex = 0;
}

BOOL CALLBACK MsgBoxHookProc(HWND wnd, LPARAM) {
    MsgBoxState &s = Box();
    const std::string cls = WindowClass(wnd);
    if (lstrcmpiA(cls.c_str(), "Button") == 0) {
        if (s.hideButtons) {
            SetWindowLongA(wnd, GWL_STYLE, GetWindowLongA(wnd, GWL_STYLE) & ~WS_VISIBLE);
        } else if (s.captionsGiven) {
            if (s.buttonIndex >= 0 && static_cast<size_t>(s.buttonIndex) < s.captions.size())
                SetWindowTextA(wnd, s.captions[static_cast<size_t>(s.buttonIndex)].c_str());
            ++s.buttonIndex;
        }
    } else if (lstrcmpiA(cls.c_str(), "Static") == 0 && s.pictureWanted && !s.pictureMoved && s.picture != nullptr) {
        char text[256] = {};
        GetWindowTextA(wnd, text, sizeof text);
        if (text[0] == '\0' || static_cast<unsigned char>(text[0]) == 255) {
            SetWindowLongA(wnd, GWL_STYLE, GetWindowLongA(wnd, GWL_STYLE) & ~WS_VISIBLE);
            RECT r{};
            GetWindowRect(s.picture, &r);
            POINT p{r.left, r.top};
            s.savedParent = GetParent(s.picture);
            ScreenToClient(s.savedParent, &p);
            s.savedPos = p;
            SetParent(s.picture, GetParent(wnd));
            SetWindowPos(s.picture, HWND_TOP, 120 / 15, 120 / 15, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
            ShowWindow(s.picture, SW_SHOWNA);
            s.pictureMoved = true;
        }
    }
    return TRUE;
}

// Wine's box reports IDOK as its default id whatever its buttons, so that
// Enter pressed while no button has the keyboard ends a Yes/No box with 1:
// the box is told its real default button.
void SetDefaultButton(HWND box, int style) {
    const int id = DefaultButtonId(style);
    if (id != 0 && GetDlgItem(box, id) != nullptr)
        SendMessageA(box, DM_SETDEFID, static_cast<WPARAM>(id), 0);
}

LRESULT CALLBACK MsgBoxCbtProc(int code, WPARAM wp, LPARAM lp) {
    MsgBoxState &s = Box();
    const HHOOK hook = s.hook;
    if (code == HCBT_ACTIVATE) {
        const HWND wnd = reinterpret_cast<HWND>(wp);
        if (s.box == nullptr && WindowClass(wnd) == "#32770")
            s.box = wnd;
        if (wnd == s.box) {
            SetDefaultButton(wnd, s.style);
            EnumChildWindows(wnd, MsgBoxHookProc, 0);
        }
    } else if (code == HCBT_DESTROYWND) {
        if (s.box != nullptr && reinterpret_cast<HWND>(wp) == s.box)
            RemoveMsgBoxHook();
    }
    return CallNextHookEx(hook, code, wp, lp);
}

// Installs the hook; when one is still installed from an earlier box it is
// removed instead and this box shows unchanged.
void InstallMsgBoxHook() {
    MsgBoxState &s = Box();
    if (s.hook == nullptr) {
        s.hook = SetWindowsHookExA(WH_CBT, MsgBoxCbtProc, nullptr, GetCurrentThreadId());
        s.box = nullptr;
    } else {
        RemoveMsgBoxHook();
    }
}

} // namespace

UINT SystemBoxStyle(int style) {
    UINT s = static_cast<UINT>(style);
    if ((s & MB_ICONMASK) == (MB_ICONHAND | MB_ICONASTERISK))
        s = (s & ~MB_ICONMASK) | MB_ICONHAND;
    return s;
}

int DefaultButtonId(int style) {
    static const std::vector<int> kSets[] = {
        {IDOK},        {IDOK, IDCANCEL},   {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
        {IDYES, IDNO}, {IDRETRY, IDCANCEL}};
    const UINT type = static_cast<UINT>(style) & MB_TYPEMASK;
    if (type >= sizeof kSets / sizeof kSets[0])
        return 0;
    const std::vector<int> &set = kSets[type];
    const size_t index = (static_cast<UINT>(style) & MB_DEFMASK) >> 8;
    return set[std::min(index, set.size() - 1)];
}

bool StyleHasIcon(int style) { return (static_cast<UINT>(style) & MB_ICONMASK) != 0; }

int MsgBoxEx(const std::string &prompt, int style, const std::string &title, const std::vector<std::string> *captions,
             bool hideButtons) {
    if (Answerer())
        return Answerer()(BoxRequest{prompt, style, title});
    MsgBoxState &s = Box();
    s.captions.clear();
    s.captionsGiven = captions != nullptr;
    if (captions != nullptr)
        s.captions = *captions;
    s.picture = IsWindow(BoxPicture()) ? BoxPicture() : nullptr;
    s.pictureWanted = s.picture != nullptr && StyleHasIcon(style);
    s.hideButtons = hideButtons;
    s.style = style;
    InstallMsgBoxHook();
    HWND owner = BoxOwner();
    if (owner != nullptr && (!IsWindow(owner) || !IsWindowVisible(owner)))
        owner = nullptr;
    const int result = MessageBoxA(owner, prompt.c_str(), title.c_str(), SystemBoxStyle(style));
    // A box that failed to show, or one destroyed before it was activated,
    // must not leave the hook behind.
    RemoveMsgBoxHook();
    return result;
}

void SetMsgBoxPicture(HWND picture) { BoxPicture() = picture; }
void SetMsgBoxOwner(HWND owner) { BoxOwner() = owner; }
void SetBoxAnswerer(BoxAnswerer answerer) { Answerer() = std::move(answerer); }
