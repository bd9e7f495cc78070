// The agreement dialog "QUILLMARA LICENSE AGREEMENT": at program start it
// passes straight on when the agreement was accepted before, otherwise it
// shows the text and enables "I AGREE" once Page Down was pressed in it.
// Opened again from the main window it only displays the text.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "ui/window.h"

// Where the dialog's controls go for a font: the 96-DPI design's places,
// grown with a larger font, the buttons wide and tall enough for their
// captions, the whole within maxWidth x maxHeight (the client size the
// work area leaves). Close takes the place of "I AGREE".
struct AgreementLayout {
    RECT text{}, quit{}, agree{};
    int width = 0; // the client size
    int height = 0;
};
AgreementLayout LayOutAgreement(HFONT font, int maxWidth, int maxHeight);

class AgreementDialog : public Dialog {
  public:
    static constexpr const char *kCaption = "QUILLMARA LICENSE AGREEMENT";
    // The dialog's loading at program start: reads the settings, then either
    // calls onAccepted at once (never shown) or shows the dialog. onAccepted
    // loads the main window; the dialog goes once it returns.
    void LoadAtStart(std::function<void()> onAccepted);
    // Shows the text without usable buttons (after acceptance), owned by
    // owner so that it stays in front of the main window.
    void ShowForReading(HWND owner);
    // "I AGREE" and "QUIT".
    void Continue();
    void Quit();
    // Page Down in the text enables "I AGREE"; no other key does.
    void OnTextKeyDown(UINT key);

  protected:
    bool OnInit() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool CreateWindowOnce(HWND owner);
    std::function<void()> onAccepted_;
    AgreementLayout layout_;
    bool readingOnly_ = false;
};

// The agreement text as the dialog shows it (lines ended by CR LF).
std::string AgreementText();
