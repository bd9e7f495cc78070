#include "ui/msgbox.h"

#include <algorithm>
#include <utility>

#include "ui/font_layout.h"

namespace {

// The state of the one box that can be open at a time.
struct MsgBoxState {
    HHOOK hook = nullptr;
    HWND box = nullptr;  // the box, once it is activated
    bool fitted = false; // the box is (to be) widened for its prompt's lines
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

constexpr UINT kPromptFlags = DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT;

// The font the box's text is drawn in: its own, or the dialog font a static
// without one draws with.
HFONT BoxTextFont(HWND text) {
    const auto font = reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0));
    return font != nullptr ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

// The box widened so that no line of its prompt wraps: the text, the box and
// its buttons move apart, the box stays centred where it was, and the text's
// height follows the lines that no longer wrap.
void FitPromptLines(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text == nullptr)
        return;
    const int length = GetWindowTextLengthA(text);
    std::string prompt(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
    prompt.resize(static_cast<size_t>(std::max(GetWindowTextA(text, prompt.data(), length + 1), 0)));
    const HFONT font = BoxTextFont(text);
    const int wanted = PromptTextWidth(font, prompt);
    HDC dc = GetDC(text);
    if (dc == nullptr)
        return;
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT textRect{}, boxRect{}, work{};
    GetWindowRect(text, &textRect);
    GetWindowRect(box, &boxRect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(box, MONITOR_DEFAULTTONEAREST), &monitor))
        work = monitor.rcWork;
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int textWidth = textRect.right - textRect.left;
    const int grow = BoxGrowthForLine(wanted, textWidth, boxRect.right - boxRect.left, work.right - work.left);
    if (grow <= 0) {
        SelectObject(dc, oldFont);
        ReleaseDC(text, dc);
        return;
    }
    RECT wrapped{0, 0, textWidth + grow, 0};
    DrawTextA(dc, prompt.c_str(), static_cast<int>(prompt.size()), &wrapped, kPromptFlags | DT_WORDBREAK | DT_CALCRECT);
    SelectObject(dc, oldFont);
    ReleaseDC(text, dc);
    const int oldHeight = textRect.bottom - textRect.top;
    const int newHeight = std::max(static_cast<int>(wrapped.bottom), std::min(oldHeight, 32)); // beside the icon
    const int drop = std::min(newHeight - oldHeight, 0);
    SetWindowPos(text, nullptr, 0, 0, textWidth + grow, oldHeight + drop, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The buttons keep their place in the row: the new width is shared out
    // as their margins were (centred stay centred, right-aligned stay so).
    RECT client{};
    GetClientRect(box, &client);
    RECT row{client.right, 0, 0, 0};
    std::vector<HWND> buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") != 0)
            continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT *>(&r), 2);
        row.left = std::min(row.left, r.left);
        row.right = std::max(row.right, r.right);
        buttons.push_back(child);
    }
    const int leftMargin = std::max(static_cast<int>(row.left - client.left), 0);
    const int margins = leftMargin + std::max(static_cast<int>(client.right - row.right), 0);
    const int shift = margins > 0 ? MulDiv(grow, leftMargin, margins) : grow / 2;
    for (HWND button : buttons) {
        RECT r{};
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT *>(&r), 2);
        SetWindowPos(button, nullptr, r.left + shift, r.top + drop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int width = boxRect.right - boxRect.left + grow;
    const int left = std::clamp(static_cast<int>(boxRect.left) - grow / 2, static_cast<int>(work.left),
                                std::max(static_cast<int>(work.right) - width, static_cast<int>(work.left)));
    SetWindowPos(box, nullptr, left, boxRect.top, width, boxRect.bottom - boxRect.top + drop,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

constexpr UINT_PTR kFitTimer = 0x5142;

void CALLBACK FitTimerProc(HWND box, UINT, UINT_PTR id, DWORD) {
    KillTimer(box, id);
    FitPromptLines(box);
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
            // The box lays its buttons out after it is activated: it is
            // widened from its own message loop, once that is done.
            if (!s.fitted)
                SetTimer(wnd, kFitTimer, USER_TIMER_MINIMUM, FitTimerProc);
            s.fitted = true;
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
        s.fitted = false;
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

int BoxGrowthForLine(int longestLine, int textWidth, int boxWidth, int screenWidth) {
    const int wanted = longestLine - textWidth;
    const int room = screenWidth - boxWidth;
    return std::max(std::min(wanted, room), 0);
}

int PromptTextWidth(HFONT font, const std::string &prompt) {
    HDC dc = GetDC(nullptr);
    if (dc == nullptr)
        return 0;
    HGDIOBJ old = SelectObject(dc, font);
    int longest = 0;
    for (const std::string &line : PromptLines(prompt)) {
        RECT r{0, 0, 0, 0};
        DrawTextA(dc, line.c_str(), static_cast<int>(line.size()), &r, kPromptFlags | DT_SINGLELINE | DT_CALCRECT);
        longest = std::max(longest, static_cast<int>(r.right));
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return WidthShowingText(longest, FontHeight(font));
}

std::vector<std::string> PromptLines(const std::string &prompt) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < prompt.size(); ++i) {
        const char c = prompt[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < prompt.size() && prompt[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

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
