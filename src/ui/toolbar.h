// The main window's toolbar: eleven buttons with their images and tooltips
// (button 6 a spacer), the command buttons sending the menu commands they
// stand for, and the four navigation buttons, which act when a mouse button
// goes down on them and repeat while it is held. The toolbar holds the mouse
// from the button-down on, so that a release anywhere, or the loss of the
// mouse to another window, ends the repeat.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "ui/navigation.h"

// Told of what happens on the toolbar.
class ToolbarEvents {
  public:
    virtual ~ToolbarEvents() = default;
    // A mouse button went down on navigation button 7..10, or its repeat
    // timer ticked: one step.
    virtual void NavigationStep(int button) = 0;
    // The mouse moved over the toolbar.
    virtual void ToolbarMouseMove() = 0;
};

// The tooltip of button 1..11 (empty for the spacer).
std::string ToolbarTooltip(int button);

class MainToolbar {
  public:
    MainToolbar() = default;
    ~MainToolbar();
    MainToolbar(const MainToolbar &) = delete;
    MainToolbar &operator=(const MainToolbar &) = delete;

    // Creates the toolbar with its buttons; button i shows image i (from 1)
    // of `images`. A scale factor below 1 narrows the spacer to 60 %.
    HWND Create(HWND parent, HIMAGELIST images, float scale, ToolbarEvents *events);
    HWND hwnd() const { return hwnd_; }

    // A small picture kept at the toolbar's right end; its handle.
    HWND AddCreditPicture(HICON icon);

    void EnableButton(int button, bool enabled);
    bool ButtonEnabled(int button) const;
    // Client rectangle of button 1..11.
    RECT ButtonRect(int button) const;
    // The button under a client x position, 0 when none.
    int HitTest(int x) const;

    // The repeat of a held navigation button.
    const NavRepeat &repeat() const { return repeat_; }
    void StopRepeat();

  private:
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    void OnButtonDown(int x);
    void OnTimer();
    bool OnTooltipText(LPARAM lp);

    void PlaceCredit();

    HWND hwnd_ = nullptr;
    HWND credit_ = nullptr;
    ToolbarEvents *events_ = nullptr;
    NavRepeat repeat_;
};
