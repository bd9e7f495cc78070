// Owners for the graphics and window-manager handles the user interface
// holds: fonts, brushes, bitmaps, icons, menus and image lists, each freed
// once on every path, and a guard that puts back what SelectObject replaced.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include "system/handles.h"

struct GdiObjectTraits {
    using handle_type = HGDIOBJ;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { DeleteObject(h); }
};
struct IconTraits {
    using handle_type = HICON;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { DestroyIcon(h); }
};
struct MenuTraits {
    using handle_type = HMENU;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { DestroyMenu(h); }
};
struct ImageListTraits {
    using handle_type = HIMAGELIST;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { ImageList_Destroy(h); }
};
struct DcTraits {
    using handle_type = HDC;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { DeleteDC(h); }
};

// A font, brush, pen or bitmap (DeleteObject).
template <typename T> class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(T h) : h_(h) {}
    T get() const { return static_cast<T>(h_.get()); }
    explicit operator bool() const { return static_cast<bool>(h_); }
    void reset(T h = nullptr) { h_.reset(h); }
    T release() { return static_cast<T>(h_.release()); }

  private:
    UniqueWinHandle<GdiObjectTraits> h_;
};
using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;
using BitmapHandle = GdiObject<HBITMAP>;
using IconHandle = UniqueWinHandle<IconTraits>;
// A menu that is not (or no longer) attached to a window.
using MenuHandle = UniqueWinHandle<MenuTraits>;
using ImageListHandle = UniqueWinHandle<ImageListTraits>;
// A memory device context from CreateCompatibleDC.
using MemoryDc = UniqueWinHandle<DcTraits>;

// Selects an object into a device context and puts the previous one back.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard &) = delete;
    SelectGuard &operator=(const SelectGuard &) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's device context from GetDC, released on every path.
class WindowDc {
  public:
    explicit WindowDc(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
    ~WindowDc() {
        if (dc_ != nullptr)
            ReleaseDC(wnd_, dc_);
    }
    WindowDc(const WindowDc &) = delete;
    WindowDc &operator=(const WindowDc &) = delete;
    HDC get() const { return dc_; }

  private:
    HWND wnd_;
    HDC dc_;
};
