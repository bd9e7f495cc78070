// The About box "About Quillmara": the program's title and version, a short
// description, the warning about editing the registry, OK and
// "&System Info...", which starts the Windows System Information program.
// Shown modally from the Help menu and the tray menu.
#pragma once
#include <windows.h>

#include <string>

#include "ui/window.h"

// Where the box's controls go for a font: the 96-DPI design's places, grown
// with a larger font, and each text as tall as its wrapped lines.
struct AboutLayout {
    RECT icon{}, title{}, version{}, description{}, line1{}, disclaimer{}, line2{}, sysInfo{}, ok{};
    std::string descriptionLines, disclaimerLines; // the texts broken into their lines
    int width = 0; // the client size
    int height = 0;
};
AboutLayout LayOutAbout(HFONT font);
// The box's texts (the version line aside).
extern const char *const kAboutDescription;
extern const char *const kAboutDisclaimer;
extern const char *const kSysInfoCaption;

class AboutDialog : public Dialog {
  public:
    // Shows the box modally over owner (may be null).
    void Show(HWND owner);

  protected:
    bool OnInit() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    AboutLayout layout_;
};

// Shows the About box modally over owner; returns when it is closed.
void ShowAbout(HWND owner);

// "Version " and the major, minor and revision numbers (the first, second and
// fourth field of a file version given as its two 32-bit halves).
std::string VersionLine(DWORD versionMS, DWORD versionLS);
// The version line of this program's own version resource ("Version" alone
// when it has none).
std::string ProgramVersionLine();

// Reads one value of root\keyName as text: a text value as it stands, a
// 32-bit number as decimal text; any other type leaves value unchanged. False
// (value "") when the key or the value cannot be read.
bool GetKeyValue(HKEY root, const std::string &keyName, const std::string &valueName, std::string &value);
// The System Information program registered under root's
// "SOFTWARE\Microsoft\Shared Tools\MSINFO" ("PATH") or, when that is missing,
// "MSINFO32.EXE" in the folder of "SOFTWARE\Microsoft\Shared Tools Location"
// ("MSINFO") when that file exists; "" when there is none.
std::string SysInfoPath(HKEY root);
// Starts the System Information program, or tells the user that there is
// none ("System Information Is Unavailable At This Time").
void StartSysInfo(HWND owner);
