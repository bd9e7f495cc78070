// The main window's controls and their layout: the toolbar row at the top,
// the tab strip with the 14 category frames over its display area, the file
// panel (PicFile and FileLabel(0..7)) below it and the status bar with its
// three panels at the bottom.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "resources/ids.h"
#include "ui/font_layout.h"
#include "ui/main_window.h"
#include "ui/selection_rules.h"

namespace {

constexpr const char *kFrameClass = "QuillmaraFrame";
// Sizes of the 96-DPI layout; a larger dialog font makes them larger.
constexpr int kFilePanelHeight = 44;
constexpr int kFileLabelHeight = 16;
constexpr int kMargin = 4;
constexpr int kStatusPanel3Width = 230;
constexpr int kStatusPanel2Width = 360;
constexpr int kStatusPadding = 12; // the panel's edges round its text
constexpr int kTabRowHeight = 22;

const char *const kTabCaptions[MainWindow::kCategories] = {
    "          LOGON",    "        EXPLORER",  " INTERNET EXPLORER", "         SERVICES", "        WINLOGON",
    " WINSOCK PROVIDERS", "   PRINT MONITORS", "     LSA PROVIDERS", "          DRIVERS", "     BOOT EXECUTE",
    "     IMAGE HIJACKS", "          APPINIT", "       KNOWN DLLS",  "   TASK SCHEDULER"};

// A category frame keeps its first child (the category's grid) filling it.
LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) {
        HWND child = GetWindow(wnd, GW_CHILD);
        if (child != nullptr)
            MoveWindow(child, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    }
    if (msg == WM_COMMAND || msg == WM_NOTIFY) // grids report to the main window
        return SendMessageA(GetParent(wnd), msg, wp, lp);
    return DefWindowProcA(wnd, msg, wp, lp);
}

void RegisterFrameClass() {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(GetModuleHandleA(nullptr), kFrameClass, &existing))
        return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kFrameClass;
    RegisterClassExA(&wc);
}

} // namespace

void MainWindow::CreateControls() {
    HWND wnd = hwnd();
    statusBar_ = CreateChild(wnd, STATUSCLASSNAMEA, "", WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, IDC_STATUSBAR);
    SetStatusText(1, "");

    tabStrip_ =
        CreateChild(wnd, WC_TABCONTROLA, "",
                    WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE | TCS_FIXEDWIDTH | TCS_TABS |
                        TCS_OWNERDRAWFIXED,
                    0, 0, 0, 0, IDC_TABSTRIP);
    TabCtrl_SetImageList(tabStrip_, iconList());
    for (int i = 0; i < kCategories; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<char *>(kTabCaptions[i]);
        item.iImage = i;
        SendMessageA(tabStrip_, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }

    RegisterFrameClass();
    for (int i = 1; i <= kCategories; ++i)
        frames_[static_cast<size_t>(i)] =
            CreateChild(wnd, kFrameClass, "", WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (i == 1 ? WS_VISIBLE : 0), 0, 0, 0, 0,
                        IDC_FRAME0 + i, WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT); // Tab reaches the grid

    picFile_.Create(wnd, IDC_PICFILE, 0, 0, 32, 32, true);
    for (int i = 0; i < 8; ++i)
        fileLabels_[static_cast<size_t>(i)] =
            CreateChild(wnd, "STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX | SS_NOTIFY, 0,
                        0, 0, 0, IDC_FILELABEL0 + i);
    // Pic: the picture message boxes show in place of their icon.
    pic_.Create(wnd, IDC_PIC, 0, 0, 32, 32, false);
    pic_.DrawIcon(icon_.get(), 32);
}

HWND MainWindow::categoryFrame(int category) const {
    if (category < 1 || category > kCategories)
        return nullptr;
    return frames_[static_cast<size_t>(category)];
}

HWND MainWindow::fileLabel(int index) const {
    if (index < 0 || index > 7)
        return nullptr;
    return fileLabels_[static_cast<size_t>(index)];
}

void MainWindow::SetToolbarWindow(HWND toolbar) {
    toolbar_ = toolbar;
    RECT r{};
    GetClientRect(hwnd(), &r);
    Layout(r.right, r.bottom);
}

void MainWindow::SetStatusText(int panel, const std::string &text) {
    if (statusBar_ == nullptr || panel < 1 || panel > 3)
        return;
    SendMessageA(statusBar_, SB_SETTEXTA, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(text.c_str()));
    if (panel > 1) { // the panels make room for the new text
        RECT r{};
        GetClientRect(hwnd(), &r);
        LayoutStatusPanels(r.right);
    }
}

void MainWindow::LayoutStatusPanels(int cx) {
    HFONT font = UiFont();
    const int fontHeight = FontHeight(font);
    const int padding = ScaledForFont(kStatusPadding, fontHeight);
    const int grip = GetSystemMetrics(SM_CXVSCROLL);
    const StatusWidths w = ChooseStatusWidths(
        cx, TextWidth(font, kLocationHelp) + padding, TextWidth(font, StatusText(2)) + padding,
        TextWidth(font, StatusText(3)) + padding + grip, ScaledForFont(kStatusPanel2Width, fontHeight),
        ScaledForFont(kStatusPanel3Width, fontHeight));
    const int parts[3] = {w.help, w.help + w.path, -1};
    SendMessageA(statusBar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
}

std::string MainWindow::StatusText(int panel) const {
    if (statusBar_ == nullptr || panel < 1 || panel > 3)
        return "";
    const LRESULT info = SendMessageA(statusBar_, SB_GETTEXTLENGTHA, static_cast<WPARAM>(panel - 1), 0);
    std::string text(LOWORD(info) + 1u, '\0');
    SendMessageA(statusBar_, SB_GETTEXTA, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT &item) {
    if (item.hwndItem == tabStrip_)
        tabLook_.Draw(item, iconList());
}

int MainWindow::SelectedTab() const { return static_cast<int>(SendMessageA(tabStrip_, TCM_GETCURSEL, 0, 0)) + 1; }

void MainWindow::SelectTab(int tab) {
    if (tab < 1 || tab > kCategories)
        return;
    SendMessageA(tabStrip_, TCM_SETCURSEL, static_cast<WPARAM>(tab - 1), 0);
    for (int i = 1; i <= kCategories; ++i)
        SendMessageA(tabStrip_, TCM_HIGHLIGHTITEM, static_cast<WPARAM>(i - 1), MAKELPARAM(i == tab, 0));
    for (int i = 1; i <= kCategories; ++i)
        ShowWindow(frames_[static_cast<size_t>(i)], i == tab ? SW_SHOW : SW_HIDE);
}

void MainWindow::Layout(int cx, int cy) {
    if (statusBar_ == nullptr)
        return;
    SendMessageA(statusBar_, WM_SIZE, 0, 0);
    RECT sr{};
    GetWindowRect(statusBar_, &sr);
    const int statusHeight = sr.bottom - sr.top;
    LayoutStatusPanels(cx);
    const int fontHeight = FontHeight(UiFont());
    const int labelHeight = std::max(ScaledForFont(kFileLabelHeight, fontHeight), fontHeight + 2);
    const int filePanelHeight = std::max(ScaledForFont(kFilePanelHeight, fontHeight), 2 * labelHeight + 12);

    if (toolbar_ != nullptr)
        MoveWindow(toolbar_, 0, 0, cx, toolbarRowHeight_, TRUE);

    const int panelTop = std::max(toolbarRowHeight_, cy - statusHeight - filePanelHeight);
    const int tabTop = toolbarRowHeight_;
    const int tabHeight = std::max(0, panelTop - tabTop);
    MoveWindow(tabStrip_, kMargin, tabTop, std::max(0, cx - 2 * kMargin), tabHeight, TRUE);
    // Equal-width tabs, as many to a row as show their whole captions.
    tabLook_.Fit(tabStrip_, std::max(ScaledForFont(kTabRowHeight, fontHeight), fontHeight + 9));

    RECT display{0, 0, std::max(0, cx - 2 * kMargin), tabHeight};
    SendMessageA(tabStrip_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    OffsetRect(&display, kMargin, tabTop);
    for (int i = 1; i <= kCategories; ++i)
        SetWindowPos(frames_[static_cast<size_t>(i)], HWND_TOP, display.left, display.top,
                     std::max(0L, display.right - display.left), std::max(0L, display.bottom - display.top),
                     SWP_NOACTIVATE);

    // File panel: the icon, then the labels in four columns of two rows.
    const int iconTop = panelTop + (filePanelHeight - 32) / 2;
    MoveWindow(picFile_.hwnd(), kMargin + 4, iconTop, 32, 32, TRUE);
    const int labelsLeft = kMargin + 4 + 32 + 10;
    const int columnWidth = std::max(40, (cx - labelsLeft - kMargin) / 4);
    for (int i = 0; i < 8; ++i) {
        const int column = i / 2, row = i % 2;
        MoveWindow(fileLabels_[static_cast<size_t>(i)], labelsLeft + column * columnWidth,
                   panelTop + (filePanelHeight - 2 * labelHeight - 2) / 2 + row * (labelHeight + 2), columnWidth - 6,
                   labelHeight, TRUE);
    }
    // The panel drawn whole: its background and every label, so that nothing
    // of an earlier layout stays behind.
    const RECT panel{0, panelTop, cx, std::max(panelTop, cy - statusHeight)};
    RedrawWindow(hwnd(), &panel, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
