#include "ui/grid_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "system/text.h"
#include "ui/grid_pictures.h"

namespace {

// Posted to itself: draw the changes gathered since the last one.
constexpr UINT kFlushMessage = WM_APP + 0x47;
constexpr int kTextMargin = 3;
constexpr int kPictureSize = 16;
constexpr int kCheckBoxSize = 13;
const std::string kCheckFontName = "Wingdings";
const std::string kTickedGlyph = "\xFE";
const std::string kEmptyGlyph = "q";

COLORREF Resolve(GridColor stored, int systemDefault) {
    if (stored == kGridDefaultColor)
        return GetSysColor(systemDefault);
    if (stored & kSysColorFlag)
        return GetSysColor(static_cast<int>(stored & 0xFF));
    return static_cast<COLORREF>(stored & 0xFFFFFF);
}

int ShiftState() {
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= kGridShift;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= kGridCtrl;
    if (GetKeyState(VK_MENU) < 0)
        shift |= kGridAlt;
    return shift;
}

int ButtonsHeld(WPARAM wParam) {
    int buttons = 0;
    if (wParam & MK_LBUTTON)
        buttons |= kGridLeftButton;
    if (wParam & MK_RBUTTON)
        buttons |= kGridRightButton;
    if (wParam & MK_MBUTTON)
        buttons |= kGridMiddleButton;
    return buttons;
}

// The dialog manager asks whether the key message it holds is the grid's own.
bool WantsMessage(LPARAM lParam, WPARAM key) {
    const auto *msg = reinterpret_cast<const MSG *>(lParam);
    return msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == key;
}

} // namespace

GridWindow::GridWindow(GridModel &model, const GridImages *pictures, GridEvents *events, int index)
    : model_(model), pictures_(pictures), events_(events), index_(index) {
    model_.SetListener(this);
}

GridWindow::~GridWindow() {
    model_.SetListener(nullptr);
    if (tip_)
        DestroyWindow(tip_);
    if (buffer_) {
        SelectObject(buffer_, bufferOld_);
        DeleteDC(buffer_);
    }
    if (bufferBitmap_)
        DeleteObject(bufferBitmap_);
    for (int i = 0; i < fontCount_; ++i)
        DeleteObject(fonts_[i].handle);
}

HWND GridWindow::Create(HWND parent, int id, const RECT &bounds, DWORD exStyle) {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        return RegisterClassOnce(kClassName, nullptr, nullptr, nullptr, CS_DBLCLKS);
    }();
    if (!registered)
        return nullptr;
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!Window::Create(kClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_CLIPSIBLINGS,
                        exStyle, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
        return nullptr;
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    if (tip_) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = 1;
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, 600);
    }
    MeasureRows();
    layoutDirty_ = true;
    Flush();
    return hwnd();
}

LRESULT GridWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_SETFONT:
        OnSetFont(reinterpret_cast<HFONT>(wParam));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnButtonDown(kGridLeftButton, wParam, lParam, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        OnButtonDown(kGridRightButton, wParam, lParam, false);
        return 0;
    case WM_MBUTTONDOWN:
        OnButtonDown(kGridMiddleButton, wParam, lParam, false);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(kGridLeftButton, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        OnButtonUp(kGridRightButton, wParam, lParam);
        return 0;
    case WM_MBUTTONUP:
        OnButtonUp(kGridMiddleButton, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_VSCROLL:
        OnVScroll(wParam);
        return 0;
    case WM_HSCROLL:
        OnHScroll(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        OnWheel(wParam);
        return 0;
    case WM_KEYDOWN:
        if (OnKey(wParam))
            return 0;
        break;
    case WM_SYSKEYDOWN: // Shift+F10, as the Apps key
        if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0 && OnKey(VK_APPS))
            return 0;
        break;
    case WM_CONTEXTMENU: // the menu keys and the right button raise their own events
        return 0;
    case WM_GETDLGCODE: // Tab moves on; arrows, letters and Enter stay in the grid
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (WantsMessage(lParam, VK_RETURN) ? DLGC_WANTMESSAGE : 0);
    case WM_NOTIFY:
        return OnNotify(lParam);
    case kFlushMessage:
        Flush();
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

// ---- Changes of the model ---------------------------------------------------

void GridWindow::RowsChanged(int first, int last) {
    if (layoutDirty_)
        return;
    const int top = model_.TopRow();
    const int bottom = top + PageRows() + 1;
    const bool shows = (first == 0) || (last >= top && first <= bottom);
    if (!shows)
        return;
    dirtyFirst_ = dirtyFirst_ < 0 ? first : std::min(dirtyFirst_, first);
    dirtyLast_ = std::max(dirtyLast_, last);
    ScheduleFlush();
}

void GridWindow::LayoutChanged() {
    layoutDirty_ = true;
    ScheduleFlush();
}

void GridWindow::ScheduleFlush() {
    if (flushPosted_ || !hwnd())
        return;
    flushPosted_ = PostMessageA(hwnd(), kFlushMessage, 0, 0) != 0;
}

void GridWindow::Flush() {
    flushPosted_ = false;
    if (!hwnd())
        return;
    if (scrollBarsDirty_) {
        scrollBarsDirty_ = false;
        if (GetScrollPos(hwnd(), SB_VERT) != model_.TopRow())
            SetScrollPos(hwnd(), SB_VERT, model_.TopRow(), TRUE);
        if (GetScrollPos(hwnd(), SB_HORZ) != scrollX_)
            SetScrollPos(hwnd(), SB_HORZ, scrollX_, TRUE);
    }
    if (layoutDirty_) {
        layoutDirty_ = false;
        dirtyFirst_ = dirtyLast_ = -1;
        UpdateScrollBars();
        drawnTop_ = model_.TopRow();
        InvalidateRect(hwnd(), nullptr, FALSE);
        return;
    }
    if (dirtyFirst_ < 0)
        return;
    RECT client;
    GetClientRect(hwnd(), &client);
    for (int r = dirtyFirst_; r <= dirtyLast_; ++r) {
        if (r != 0 && r < drawnTop_)
            continue;
        const int y = r == 0 ? 0 : rowHeight_ * (1 + r - drawnTop_);
        if (y >= client.bottom)
            break;
        RECT row{client.left, y, client.right, y + rowHeight_};
        InvalidateRect(hwnd(), &row, FALSE);
    }
    dirtyFirst_ = dirtyLast_ = -1;
}

void GridWindow::Refresh() {
    Flush();
    if (hwnd())
        UpdateWindow(hwnd());
}

bool GridWindow::Visible() const { return hwnd() && IsWindowVisible(hwnd()); }

void GridWindow::SetVisible(bool visible) {
    if (hwnd())
        ShowWindow(hwnd(), visible ? SW_SHOW : SW_HIDE);
}

// ---- Geometry ---------------------------------------------------------------

void GridWindow::MeasureRows() {
    HDC dc = GetDC(hwnd());
    HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    dpiX_ = std::max(GetDeviceCaps(dc, LOGPIXELSX), 1);
    SelectObject(dc, old);
    ReleaseDC(hwnd(), dc);
    textHeight_ = tm.tmHeight > 0 ? static_cast<int>(tm.tmHeight) : 13;
    rowHeight_ = std::max(kPictureSize + 3, textHeight_ + 6);
}

int GridWindow::ColumnPixels(int col) const { return MulDiv(model_.ColWidth(col), dpiX_, 1440); }

int GridWindow::ColumnX(int col) const {
    int x = 0;
    for (int c = 0; c < col; ++c)
        x += ColumnPixels(c);
    return x;
}

int GridWindow::TotalWidth() const { return ColumnX(model_.Cols()); }

int GridWindow::PageRows() const {
    RECT client{};
    if (hwnd())
        GetClientRect(hwnd(), &client);
    return std::max(static_cast<int>(client.bottom - rowHeight_) / rowHeight_, 1);
}

int GridWindow::MaxTopRow() const { return std::max(model_.Rows() - PageRows(), GridModel::kFixedRows); }

bool GridWindow::HitTest(int x, int y, int &row, int &col) const {
    if (y < 0 || x < 0)
        return false;
    row = y < rowHeight_ ? 0 : model_.TopRow() + (y - rowHeight_) / rowHeight_;
    if (row >= model_.Rows())
        return false;
    int left = -scrollX_;
    for (int c = 0; c < model_.Cols(); ++c) {
        const int w = ColumnPixels(c);
        if (w > 0 && x >= left && x < left + w) {
            col = c;
            return true;
        }
        left += w;
    }
    return false;
}

RECT GridWindow::CellRect(int row, int col) const {
    const int y = row == 0 ? 0 : rowHeight_ * (1 + row - model_.TopRow());
    const int x = ColumnX(col) - scrollX_;
    return RECT{x, y, x + ColumnPixels(col), y + rowHeight_};
}

void GridWindow::UpdateScrollBars() {
    static thread_local int depth = 0;
    if (depth > 2)
        return;
    ++depth;
    RECT client;
    GetClientRect(hwnd(), &client);
    model_.SetTopRow(std::min(model_.TopRow(), MaxTopRow()));
    SCROLLINFO v{};
    v.cbSize = sizeof v;
    v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    v.nMin = GridModel::kFixedRows;
    v.nMax = std::max(model_.Rows() - 1, GridModel::kFixedRows);
    v.nPage = static_cast<UINT>(PageRows());
    v.nPos = model_.TopRow();
    SetScrollInfo(hwnd(), SB_VERT, &v, TRUE);

    const int total = TotalWidth();
    scrollX_ = std::clamp(scrollX_, 0, std::max(total - static_cast<int>(client.right), 0));
    SCROLLINFO h{};
    h.cbSize = sizeof h;
    h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    h.nMin = 0;
    h.nMax = std::max(total - 1, 0);
    h.nPage = static_cast<UINT>(std::max(client.right, 0L));
    h.nPos = scrollX_;
    SetScrollInfo(hwnd(), SB_HORZ, &h, TRUE);
    --depth;
}

void GridWindow::OnSize() {
    if (buffer_) {
        RECT client;
        GetClientRect(hwnd(), &client);
        if (client.right > bufferSize_.cx || client.bottom > bufferSize_.cy) {
            SelectObject(buffer_, bufferOld_);
            DeleteDC(buffer_);
            DeleteObject(bufferBitmap_);
            buffer_ = nullptr;
            bufferBitmap_ = nullptr;
        }
    }
    UpdateScrollBars();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void GridWindow::OnSetFont(HFONT font) {
    font_ = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    MeasureRows();
    layoutDirty_ = true;
    Flush();
}

// ---- Scrolling ----------------------------------------------------------------

void GridWindow::ScrollToRow(int top) {
    top = std::clamp(top, static_cast<int>(GridModel::kFixedRows), MaxTopRow());
    if (top == model_.TopRow() && top == drawnTop_)
        return;
    RECT client;
    GetClientRect(hwnd(), &client);
    const RECT data{client.left, rowHeight_, client.right, client.bottom};
    const bool layoutPending = layoutDirty_;
    model_.SetTopRow(top);
    layoutDirty_ = layoutPending; // the move itself is drawn here
    drawnTop_ = top;
    // Drawing a page costs less than moving the screen's pixels under Wine
    // (ScrollWindowEx waits for the X server), and a burst of steps (a fast
    // wheel, a held key) is drawn once, scroll bar included.
    InvalidateRect(hwnd(), &data, FALSE);
    scrollBarsDirty_ = true;
    ScheduleFlush();
}

void GridWindow::ScrollToX(int x) {
    RECT client;
    GetClientRect(hwnd(), &client);
    x = std::clamp(x, 0, std::max(TotalWidth() - static_cast<int>(client.right), 0));
    if (x == scrollX_)
        return;
    scrollX_ = x;
    InvalidateRect(hwnd(), nullptr, FALSE);
    scrollBarsDirty_ = true;
    ScheduleFlush();
}

namespace {

// Where the user is dragging the thumb of a scroll bar.
int TrackPosition(HWND window, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(window, bar, &info);
    return info.nTrackPos;
}

} // namespace

void GridWindow::OnVScroll(WPARAM wParam) {
    const int top = model_.TopRow();
    switch (LOWORD(wParam)) {
    case SB_LINEUP:
        ScrollToRow(top - 1);
        break;
    case SB_LINEDOWN:
        ScrollToRow(top + 1);
        break;
    case SB_PAGEUP:
        ScrollToRow(top - PageRows());
        break;
    case SB_PAGEDOWN:
        ScrollToRow(top + PageRows());
        break;
    case SB_TOP:
        ScrollToRow(GridModel::kFixedRows);
        break;
    case SB_BOTTOM:
        ScrollToRow(MaxTopRow());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        ScrollToRow(TrackPosition(hwnd(), SB_VERT));
        break;
    default:
        break;
    }
}

void GridWindow::OnHScroll(WPARAM wParam) {
    RECT client;
    GetClientRect(hwnd(), &client);
    switch (LOWORD(wParam)) {
    case SB_LINELEFT:
        ScrollToX(scrollX_ - 20);
        break;
    case SB_LINERIGHT:
        ScrollToX(scrollX_ + 20);
        break;
    case SB_PAGELEFT:
        ScrollToX(scrollX_ - client.right);
        break;
    case SB_PAGERIGHT:
        ScrollToX(scrollX_ + client.right);
        break;
    case SB_LEFT:
        ScrollToX(0);
        break;
    case SB_RIGHT:
        ScrollToX(TotalWidth());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        ScrollToX(TrackPosition(hwnd(), SB_HORZ));
        break;
    default:
        break;
    }
}

void GridWindow::OnWheel(WPARAM wParam) {
    static int rest = 0;
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL)
        lines = static_cast<UINT>(PageRows());
    rest += GET_WHEEL_DELTA_WPARAM(wParam);
    const int notches = rest / WHEEL_DELTA;
    rest -= notches * WHEEL_DELTA;
    if (notches != 0)
        ScrollToRow(model_.TopRow() - notches * static_cast<int>(lines));
}

bool GridWindow::OnKey(WPARAM key) {
    const int last = model_.Rows() - 1;
    const int current = model_.Row();
    int target = current;
    // A vacated row is not reached yet: a step down reaches it.
    const int below = model_.RowVacated() ? current - 1 : current;
    switch (key) {
    case VK_UP:
        target = current - 1;
        break;
    case VK_DOWN:
        target = below + 1;
        break;
    case VK_PRIOR:
        target = current - PageRows();
        break;
    case VK_NEXT:
        target = below + PageRows();
        break;
    case VK_HOME:
        target = GridModel::kFixedRows;
        break;
    case VK_END:
        target = last;
        break;
    case VK_LEFT:
        ScrollToX(scrollX_ - 20);
        return true;
    case VK_RIGHT:
        ScrollToX(scrollX_ + 20);
        return true;
    case VK_APPS:
        if (events_)
            events_->GridMenuKey(*this);
        return true;
    default:
        return events_ != nullptr && events_->GridKey(*this, static_cast<WORD>(key), ShiftState());
    }
    if (last < GridModel::kFixedRows)
        return true;
    model_.SetRow(std::clamp(target, static_cast<int>(GridModel::kFixedRows), last));
    auto keepInView = [this] {
        const int row = model_.Row();
        if (row < GridModel::kFixedRows)
            return;
        if (row < model_.TopRow())
            ScrollToRow(row);
        else if (row >= model_.TopRow() + PageRows())
            ScrollToRow(row - PageRows() + 1);
    };
    keepInView();
    if (events_)
        events_->GridClick(*this, GridInput::Keyboard);
    // The owner may have moved the row (an empty row selects the last filled one).
    if (hwnd())
        keepInView();
    return true;
}

// ---- Mouse --------------------------------------------------------------------

GridMouse GridWindow::MouseOf(int button, WPARAM, LPARAM lParam) const {
    GridMouse mouse;
    mouse.button = button;
    mouse.shift = ShiftState();
    mouse.x = static_cast<short>(LOWORD(lParam));
    mouse.y = static_cast<short>(HIWORD(lParam));
    return mouse;
}

void GridWindow::OnButtonDown(int button, WPARAM wParam, LPARAM lParam, bool doubleClick) {
    SetFocus(hwnd());
    SetCapture(hwnd());
    const GridMouse mouse = MouseOf(button, wParam, lParam);
    int row = -1, col = -1;
    if (!HitTest(mouse.x, mouse.y, row, col))
        row = col = -1;
    mouseRow_ = row;
    mouseCol_ = col;
    if (button == kGridLeftButton) {
        // A left click makes the cell current; a click on the caption row or
        // outside the cells raises no Click.
        clickPending_ = row >= GridModel::kFixedRows;
        doubleClicked_ = doubleClick;
        if (clickPending_) {
            model_.SetRow(row);
            model_.SetCol(col);
        }
    }
    if (events_)
        events_->GridMouseDown(*this, mouse);
    if (doubleClick && clickPending_ && events_ && hwnd())
        events_->GridDblClick(*this);
}

void GridWindow::OnButtonUp(int button, WPARAM wParam, LPARAM lParam) {
    if (GetCapture() == hwnd() && (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0)
        ReleaseCapture();
    const GridMouse mouse = MouseOf(button, wParam, lParam);
    if (events_)
        events_->GridMouseUp(*this, mouse);
    if (button == kGridLeftButton) {
        const bool click = clickPending_ && !doubleClicked_;
        clickPending_ = doubleClicked_ = false;
        if (click && events_ && hwnd())
            events_->GridClick(*this, GridInput::Mouse);
    }
}

void GridWindow::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    GridMouse mouse = MouseOf(ButtonsHeld(wParam), wParam, lParam);
    int row = -1, col = -1;
    if (!HitTest(mouse.x, mouse.y, row, col))
        row = col = -1;
    mouseRow_ = row;
    mouseCol_ = col;
    if (events_)
        events_->GridMouseMove(*this, mouse);
    if (hwnd())
        UpdateTip(mouse.x, mouse.y);
}

// The tip's tool is the cell under the mouse, so that moving to another cell
// shows the tip afresh with the text the owner set meanwhile.
void GridWindow::UpdateTip(int, int) {
    if (!tip_ || (mouseRow_ == tipRow_ && mouseCol_ == tipCol_))
        return;
    tipRow_ = mouseRow_;
    tipCol_ = mouseCol_;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = hwnd();
    tool.uId = 1;
    if (mouseRow_ >= 0) {
        tool.rect = CellRect(mouseRow_, mouseCol_);
        if (model_.MergeRow(mouseRow_) && mouseCol_ >= GridModel::kMergeFirst && mouseCol_ <= GridModel::kMergeLast) {
            tool.rect.left = CellRect(mouseRow_, GridModel::kMergeFirst).left;
            tool.rect.right = CellRect(mouseRow_, GridModel::kMergeLast).right;
        }
    }
    SendMessageA(tip_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT GridWindow::OnNotify(LPARAM lParam) {
    auto *header = reinterpret_cast<NMHDR *>(lParam);
    if (header && header->hwndFrom == tip_ && header->code == TTN_GETDISPINFOA) {
        static std::string text;
        text = model_.ToolTipText();
        reinterpret_cast<NMTTDISPINFOA *>(lParam)->lpszText = text.data();
    }
    return 0;
}

// ---- Drawing ------------------------------------------------------------------

HFONT GridWindow::FontFor(const GridFont &font) {
    if (font.name.empty())
        return font_;
    for (int i = 0; i < fontCount_; ++i)
        if (fonts_[i].font == font)
            return fonts_[i].handle;
    if (fontCount_ == static_cast<int>(std::size(fonts_)))
        return font_;
    HDC dc = GetDC(hwnd());
    const int height = -MulDiv(static_cast<int>(font.size + 0.5f), GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(hwnd(), dc);
    HFONT handle = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, font.name.c_str());
    if (!handle)
        return font_;
    fonts_[fontCount_++] = {font, handle};
    return handle;
}

void GridWindow::OnPaint() {
    if (layoutDirty_ || dirtyFirst_ >= 0)
        Flush();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT client;
    GetClientRect(hwnd(), &client);
    if (!buffer_) {
        buffer_ = CreateCompatibleDC(dc);
        bufferSize_ = {std::max(client.right, 1L), std::max(client.bottom, 1L)};
        bufferBitmap_ = CreateCompatibleBitmap(dc, bufferSize_.cx, bufferSize_.cy);
        bufferOld_ = SelectObject(buffer_, bufferBitmap_);
    }
    if (buffer_ && bufferBitmap_) {
        Paint(buffer_, ps.rcPaint);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, buffer_, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    } else {
        Paint(dc, ps.rcPaint);
    }
    EndPaint(hwnd(), &ps);
}

void GridWindow::Paint(HDC dc, const RECT &area) {
    RECT client;
    GetClientRect(hwnd(), &client);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_BTNFACE));
    if (area.top < rowHeight_)
        PaintRow(dc, 0, 0, area);
    int y = rowHeight_;
    for (int r = model_.TopRow(); r < model_.Rows() && y < area.bottom; ++r, y += rowHeight_)
        if (y + rowHeight_ > area.top)
            PaintRow(dc, r, y, area);
    if (y < area.bottom) {
        const RECT rest{area.left, std::max(y, static_cast<int>(area.top)), area.right, area.bottom};
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rest, nullptr, 0, nullptr);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldFont);
}

void GridWindow::PaintRow(HDC dc, int row, int y, const RECT &area) {
    const bool caption = row < GridModel::kFixedRows;
    const bool merged = !caption && model_.MergeRow(row);
    int x = -scrollX_;
    for (int c = 0; c < model_.Cols(); ++c) {
        int w = ColumnPixels(c);
        int drawn = c;
        if (merged && c == GridModel::kMergeFirst) {
            for (int m = c + 1; m <= GridModel::kMergeLast && m < model_.Cols(); ++m)
                w += ColumnPixels(m);
            c = std::min(GridModel::kMergeLast, model_.Cols() - 1);
        }
        if (w <= 0)
            continue;
        const RECT cell{x, y, x + w, y + rowHeight_};
        if (cell.right > area.left && cell.left < area.right)
            PaintCell(dc, row, drawn, cell, caption);
        x += w;
        if (x >= area.right)
            break;
    }
    if (x < area.right) {
        const RECT rest{std::max(x, static_cast<int>(area.left)), y, area.right, y + rowHeight_};
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rest, nullptr, 0, nullptr);
    }
}

void GridWindow::PaintCell(HDC dc, int row, int col, const RECT &cell, bool caption) {
    RECT inner{cell.left, cell.top, cell.right - 1, cell.bottom - 1};
    const std::string &text = model_.TextMatrix(row, col);
    const GridFont &font = model_.CellFont(row, col);
    const bool checkGlyph = !caption && (text == kTickedGlyph || text == kEmptyGlyph) && !font.name.empty() &&
                            LowerText(font.name) == "wingdings";
    COLORREF back, fore;
    if (caption) {
        back = GetSysColor(COLOR_BTNFACE);
        fore = GetSysColor(COLOR_BTNTEXT);
    } else {
        back = Resolve(model_.CellBackColor(row, col), COLOR_WINDOW);
        fore = Resolve(model_.CellForeColor(row, col), COLOR_WINDOWTEXT);
    }
    SetBkColor(dc, back);
    SetTextColor(dc, fore);

    const GridAlign align = caption ? kAlignLeftCenter : model_.EffectiveAlignment(row, col);
    const int a = align == kAlignGeneral || align < 0 ? kAlignLeftCenter : align;
    UINT textAlign = TA_LEFT | TA_TOP;
    int tx = inner.left + kTextMargin;
    if (a >= kAlignCenterTop && a <= kAlignCenterBottom) {
        textAlign = TA_CENTER | TA_TOP;
        tx = (inner.left + inner.right) / 2;
    } else if (a >= kAlignRightTop) {
        textAlign = TA_RIGHT | TA_TOP;
        tx = inner.right - kTextMargin;
    }
    int height = textHeight_;
    if (!checkGlyph && !font.name.empty()) {
        HFONT own = FontFor(font);
        SelectObject(dc, own);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        height = tm.tmHeight;
    }
    int ty = inner.top + (inner.bottom - inner.top - height) / 2;
    if (a % 3 == 0)
        ty = inner.top + 1;
    else if (a % 3 == 2)
        ty = inner.bottom - height - 1;
    SetTextAlign(dc, textAlign);
    if (checkGlyph || text.empty()) {
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &inner, nullptr, 0, nullptr);
    } else {
        // Clipped text ends (or, for a path, breaks in the middle) with "...".
        const std::string shown =
            FitCellText(text, inner.right - inner.left - 2 * kTextMargin, [dc](std::string_view t) {
                SIZE size{};
                GetTextExtentPoint32A(dc, t.data(), static_cast<int>(t.size()), &size);
                return static_cast<int>(size.cx);
            });
        ExtTextOutA(dc, tx, ty, ETO_OPAQUE | ETO_CLIPPED, &inner, shown.data(), static_cast<UINT>(shown.size()),
                    nullptr);
    }
    if (!checkGlyph && !font.name.empty())
        SelectObject(dc, font_);

    if (checkGlyph) {
        // Drawn as a check box of its own: no font is needed to read the glyph.
        const int bx = (inner.left + inner.right - kCheckBoxSize) / 2;
        const int by = (inner.top + inner.bottom - kCheckBoxSize) / 2;
        RECT box{bx, by, bx + kCheckBoxSize, by + kCheckBoxSize};
        DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (text == kTickedGlyph ? DFCS_CHECKED : 0));
    }
    if (!caption && pictures_) {
        if (const PictureId picture = model_.CellPicture(row, col)) {
            const int px = inner.right - inner.left <= kPictureSize + 4 ? (inner.left + inner.right - kPictureSize) / 2
                                                                        : inner.left + 1;
            pictures_->Draw(dc, picture, std::max(px, static_cast<int>(inner.left)),
                            (inner.top + inner.bottom - kPictureSize) / 2);
        }
    }
    // Grid lines along the right and bottom edges.
    HBRUSH lines = GetSysColorBrush(caption ? COLOR_BTNSHADOW : COLOR_BTNFACE);
    const RECT right{cell.right - 1, cell.top, cell.right, cell.bottom};
    const RECT bottom{cell.left, cell.bottom - 1, cell.right, cell.bottom};
    FillRect(dc, &right, lines);
    FillRect(dc, &bottom, lines);
}
