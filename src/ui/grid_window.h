// The grid window: draws a GridModel (caption row, cells with their colours,
// fonts, alignment and pictures, merged header cells, check boxes for the
// check glyphs) and turns mouse and keys into the grid events its owner
// handles: Click, DblClick, MouseDown, MouseUp, MouseMove, the menu key and
// any other key. Scroll bars, the wheel and the arrow, Page, Home and End keys
// work as in any Windows list; the grid shows no selection of its own. Changes to the model are
// gathered and drawn once, only where they show.
#pragma once
#include <windows.h>

#include "ui/grid_model.h"
#include "ui/window.h"

class GridImages;
class GridWindow;

// Mouse buttons and shift keys as the events report them.
constexpr int kGridLeftButton = 1;
constexpr int kGridRightButton = 2;
constexpr int kGridMiddleButton = 4;
constexpr int kGridShift = 1;
constexpr int kGridCtrl = 2;
constexpr int kGridAlt = 4;

struct GridMouse {
    int button = 0; // the button that went down or up; the buttons held while moving
    int shift = 0;
    int x = 0; // client pixels
    int y = 0;
};

// How the current row was reached when Click is raised.
enum class GridInput { Mouse, Keyboard };

class GridEvents {
  public:
    virtual ~GridEvents() = default;
    virtual void GridClick(GridWindow &grid, GridInput how) = 0;
    virtual void GridDblClick(GridWindow &) {}
    virtual void GridMouseDown(GridWindow &, const GridMouse &) {}
    virtual void GridMouseUp(GridWindow &, const GridMouse &) {}
    virtual void GridMouseMove(GridWindow &, const GridMouse &) {}
    // The Apps key or Shift+F10: the menu a right click opens, for the current row.
    virtual void GridMenuKey(GridWindow &) {}
    // Any other key pressed in the grid (shift: kGridShift, kGridCtrl,
    // kGridAlt); true when the owner took it.
    virtual bool GridKey(GridWindow &, WORD /*key*/, int /*shift*/) { return false; }
};

class GridWindow : public Window, private GridListener {
  public:
    static constexpr const char *kClassName = "QuillmaraGrid";

    // index is the owner's number for the grid (1..14 for the categories).
    GridWindow(GridModel &model, const GridImages *pictures, GridEvents *events, int index);
    ~GridWindow() override;
    GridWindow(const GridWindow &) = delete;
    GridWindow &operator=(const GridWindow &) = delete;

    // exStyle 0 for a grid inside a frame that draws the edge.
    HWND Create(HWND parent, int id, const RECT &bounds, DWORD exStyle = WS_EX_CLIENTEDGE);
    HWND Handle() const { return hwnd(); }
    int Index() const { return index_; }
    GridModel &Model() { return model_; }

    // The cell under the mouse at its last move or button press; -1 outside cells.
    int MouseRow() const { return mouseRow_; }
    int MouseCol() const { return mouseCol_; }

    bool Visible() const;
    void SetVisible(bool visible);
    // Draws what changed at once (changes are otherwise drawn from the
    // message loop).
    void Refresh();

    // Geometry, in client pixels.
    int RowHeight() const { return rowHeight_; }
    // Data rows that fit fully below the caption row.
    int PageRows() const;
    // The cell at a client point; false outside every cell.
    bool HitTest(int x, int y, int &row, int &col) const;
    RECT CellRect(int row, int col) const;
    void Paint(HDC dc, const RECT &area);

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override { tip_ = nullptr; }

  private:
    // GridListener
    void RowsChanged(int first, int last) override;
    void LayoutChanged() override;

    void OnPaint();
    void OnSize();
    void OnButtonDown(int button, WPARAM wParam, LPARAM lParam, bool doubleClick);
    void OnButtonUp(int button, WPARAM wParam, LPARAM lParam);
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnVScroll(WPARAM wParam);
    void OnHScroll(WPARAM wParam);
    void OnWheel(WPARAM wParam);
    bool OnKey(WPARAM key);
    LRESULT OnNotify(LPARAM lParam);
    void OnSetFont(HFONT font);

    void Flush();
    void ScheduleFlush();
    void UpdateScrollBars();
    void ScrollToRow(int top);
    void ScrollToX(int x);
    int MaxTopRow() const;
    int ColumnX(int col) const; // left edge before horizontal scrolling
    int ColumnPixels(int col) const;
    int TotalWidth() const;
    void MeasureRows();
    HFONT FontFor(const GridFont &font);
    void PaintRow(HDC dc, int row, int y, const RECT &area);
    void PaintCell(HDC dc, int row, int col, const RECT &cell, bool caption);
    void UpdateTip(int x, int y);
    GridMouse MouseOf(int button, WPARAM wParam, LPARAM lParam) const;

    GridModel &model_;
    const GridImages *pictures_;
    GridEvents *events_;
    int index_;
    HWND tip_ = nullptr;
    HFONT font_ = nullptr; // the grid's text font (not owned)
    struct CellFontEntry {
        GridFont font;
        HFONT handle;
    };
    CellFontEntry fonts_[8]{};
    int fontCount_ = 0;
    HDC buffer_ = nullptr;
    HBITMAP bufferBitmap_ = nullptr;
    HGDIOBJ bufferOld_ = nullptr;
    SIZE bufferSize_{};
    int rowHeight_ = 18;
    int textHeight_ = 13;
    int scrollX_ = 0;
    int drawnTop_ = 1;
    int mouseRow_ = -1;
    int mouseCol_ = -1;
    int tipRow_ = -1;
    int tipCol_ = -1;
    int dpiX_ = 96;
    bool clickPending_ = false;
    bool doubleClicked_ = false;
    bool flushPosted_ = false;
    bool layoutDirty_ = true;
    bool scrollBarsDirty_ = false;
    int dirtyFirst_ = -1;
    int dirtyLast_ = -1;
};
