// A picture box: a child window that shows an image of its own, drawn through
// a memory device context that keeps it (so that what is drawn into it stays
// until it is cleared).
#pragma once
#include <windows.h>

#include <commctrl.h>

#include "ui/gdi.h"
#include "ui/window.h"

class PictureBox : public Window {
  public:
    static constexpr const char *kClassName = "QuillmaraPicture";
    // Creates the box (hidden unless visible) with an image of its own size.
    bool Create(HWND parent, int id, int x, int y, int cx, int cy, bool visible);
    // The device context to draw into; call Refresh() afterwards.
    HDC dc() const { return dc_.get(); }
    int width() const { return cx_; }
    int height() const { return cy_; }
    // Fills the image with the background colour.
    void Clear();
    void Refresh() const;
    // Draws an icon at the top left corner at its given size.
    void DrawIcon(HICON icon, int size);
    COLORREF background() const { return background_; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void OnPaint();
    MemoryDc dc_;
    BitmapHandle image_;
    HGDIOBJ oldImage_ = nullptr;
    int cx_ = 0;
    int cy_ = 0;
    COLORREF background_ = GetSysColor(COLOR_BTNFACE);
};
