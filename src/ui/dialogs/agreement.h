// The agreement dialog "QUILLMARA LICENSE AGREEMENT": at program start it
// passes straight on when the agreement was accepted before, otherwise it
// shows the text and enables "I AGREE" once Page Down was pressed in it.
// Opened again from the main window it only displays the text.
#pragma once
#include <functional>
#include <string>

#include "ui/window.h"

class AgreementDialog : public Dialog {
  public:
    static constexpr const char *kCaption = "QUILLMARA LICENSE AGREEMENT";
    // The dialog's loading at program start: reads the settings, then either
    // calls onAccepted at once (never shown) or shows the dialog. onAccepted
    // loads the main window; the dialog goes once it returns.
    void LoadAtStart(std::function<void()> onAccepted);
    // Shows the text without usable buttons (after acceptance).
    void ShowForReading();
    // "I AGREE" and "QUIT".
    void Continue();
    void Quit();
    // Page Down in the text enables "I AGREE"; no other key does.
    void OnTextKeyDown(UINT key);

  protected:
    bool OnInit() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool CreateWindowOnce();
    std::function<void()> onAccepted_;
    bool readingOnly_ = false;
};

// The agreement text as the dialog shows it (lines ended by CR LF).
std::string AgreementText();
