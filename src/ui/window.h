// The one message trampoline for the program's windows and its twin for
// dialogs. A window object is tied to its handle at WM_NCCREATE (dialogs at
// WM_INITDIALOG); every message then goes to the object's HandleMessage, a
// short switch with one line per message. The message loop and the event pump
// that long operations call live here too.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    HWND hwnd() const { return hwnd_; }

  protected:
    // Registers the window class once (later calls only check it).
    static bool RegisterClassOnce(const char *className, HICON icon, HICON smallIcon, HBRUSH background,
                                  UINT style = CS_DBLCLKS);
    // Creates the window; the object receives every message from
    // WM_NCCREATE on.
    bool Create(const char *className, const std::string &caption, DWORD style, DWORD exStyle, int x, int y, int cx,
                int cy, HWND parent, HMENU menu);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY; the handle is gone.
    virtual void OnDestroyed() {}
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd_, msg, wp, lp); }

  private:
    static LRESULT CALLBACK Trampoline(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

// A dialog built from an empty template of the given client size (pixels);
// the derived class creates its controls in OnInit. Modeless dialogs are
// served by the program's message loop (IsDialogMessage).
class Dialog {
  public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog &) = delete;
    Dialog &operator=(const Dialog &) = delete;

    HWND hwnd() const { return hwnd_; }
    // Creates the dialog hidden; true when it exists.
    bool CreateModeless(HWND owner, const std::string &caption, int clientWidth, int clientHeight);
    // Shows it modally; returns the code given to EndDialog (-1 on failure).
    INT_PTR RunModal(HWND owner, const std::string &caption, int clientWidth, int clientHeight);
    void Destroy();

  protected:
    virtual bool OnInit() { return true; }
    // Returns TRUE when it handled the message.
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    virtual void OnDestroyed() {}
    bool modal() const { return modal_; }

  private:
    static INT_PTR CALLBACK Trampoline(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    std::string caption_;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
};

// Creates a child control at pixel coordinates with the dialog font.
HWND CreateChild(HWND parent, const char *className, const std::string &text, DWORD style, int x, int y, int cx, int cy,
                 int id, DWORD exStyle = 0);
// The font of dialogs and controls ("MS Shell Dlg" at 8 points).
HFONT UiFont();

// Runs the program's message loop until WM_QUIT, or until ended() is true
// after a message (0 is then returned); returns the exit code.
int RunMessageLoop(const std::function<bool()> &ended = nullptr);
// Lets every pending window event run (the long operations' event pump).
void PumpPendingEvents();
// Hands the keys of a modeless dialog made elsewhere (the Find dialog) to it
// in the message loop; a dialog that is gone is dropped.
void AddModelessDialog(HWND dialog);
// Keyboard accelerators of `target`, translated by the message loop first.
void SetLoopAccelerators(HWND target, HACCEL table);
