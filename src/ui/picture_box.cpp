#include "ui/picture_box.h"

bool PictureBox::Create(HWND parent, int id, int x, int y, int cx, int cy, bool visible) {
    RegisterClassOnce(kClassName, nullptr, nullptr, nullptr, 0);
    cx_ = cx;
    cy_ = cy;
    {
        WindowDc screen(nullptr);
        dc_.reset(CreateCompatibleDC(screen.get()));
        image_.reset(CreateCompatibleBitmap(screen.get(), cx, cy));
    }
    if (!dc_ || !image_)
        return false;
    oldImage_ = SelectObject(dc_.get(), image_.get());
    Clear();
    return Window::Create(kClassName, "", WS_CHILD | (visible ? WS_VISIBLE : 0), 0, x, y, cx, cy, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void PictureBox::Clear() {
    RECT r{0, 0, cx_, cy_};
    BrushHandle brush(CreateSolidBrush(background_));
    FillRect(dc_.get(), &r, brush.get());
    Refresh();
}

void PictureBox::Refresh() const {
    if (hwnd() != nullptr)
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void PictureBox::DrawIcon(HICON icon, int size) {
    DrawIconEx(dc_.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    Refresh();
}

LRESULT PictureBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY:
        if (oldImage_ != nullptr)
            SelectObject(dc_.get(), oldImage_);
        oldImage_ = nullptr;
        return Default(msg, wp, lp);
    default:
        return Default(msg, wp, lp);
    }
}

void PictureBox::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    BitBlt(dc, 0, 0, cx_, cy_, dc_.get(), 0, 0, SRCCOPY);
    EndPaint(hwnd(), &ps);
}
