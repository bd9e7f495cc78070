// The progress window of long operations ("Scanning Registry and File
// System..." with a bar from 0 to 100): not modal, centred across the screen
// at a third of its height, the arrow-and-hourglass pointer while it is up.
#pragma once
#include <string>

#include "ui/window.h"

class ProgressWindow : public Dialog {
  public:
    static constexpr const char *kScanLabel = "Scanning Registry and File System...";
    // Loads the window (shown unless visible is false) with that label.
    bool Open(const std::string &label, bool visible);
    void Close();
    bool IsOpen() const { return hwnd() != nullptr; }
    // The bar's value as kept (a fraction is kept, the bar shows whole steps).
    void SetValue(double value);
    double Value() const { return value_; }

  protected:
    bool OnInit() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    double value_ = 0;
    std::string label_;
};

// The screen's mouse pointer: 0 the default, 11 the hourglass, 13 the arrow
// with the hourglass. Windows of the program show it while it is not 0.
void SetScreenPointer(int pointer);
int ScreenPointer();
// Sets the cursor for WM_SETCURSOR when a pointer other than the default is
// set; true when it did.
bool ApplyScreenPointer();
