// Driving windows from a test: starting Quillmara.exe as a process of its own,
// finding its windows, reading and clicking them, and answering message boxes
// (of another process, or of the test's own thread from a helper thread).
// Only what works across processes under Wine is used: FindWindow and
// window enumeration, WM_GETTEXT, WM_COMMAND, BM_CLICK, posted keys and
// mouse clicks, SB_GETTEXT through memory of the other process.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

// build\Quillmara.exe beside the tests folder.
std::string QuillmaraExe();

// One run of Quillmara.exe; ended (WM_CLOSE, then terminated) when the
// object goes.
class AppProcess {
  public:
    AppProcess() = default;
    ~AppProcess();
    AppProcess(const AppProcess &) = delete;
    AppProcess &operator=(const AppProcess &) = delete;

    bool Start(const std::string &arguments = "");
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_; }
    // Waits for the process to end; true when it did (code receives its exit code).
    bool WaitExit(DWORD timeoutMs, DWORD *code = nullptr);
    bool Running() const;
    // Closes its main window (answering the quit question if one comes) and
    // waits for its end; when it does not end within a minute it is
    // terminated, and the hives it left loaded are unloaded. True when it
    // ended by itself.
    bool End();

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// The names of the "_REMOTE_" keys under root (the hives a program loads for
// its snapshot or an offline installation).
std::vector<std::string> RemoteKeys(HKEY root);
// Unloads the "_REMOTE_" hives (or removes keys of those names) left under
// HKEY_LOCAL_MACHINE and HKEY_USERS by a program that did not end by itself,
// so that the next start finds none; the names found.
std::vector<std::string> UnloadLeftHives();

// A visible or hidden top-level window of process pid (0: any process) with
// the class and title given ("" matches any); null when none.
HWND FindTopWindow(DWORD pid, const std::string &className, const std::string &title);
// The same, polled until it appears or the time is up.
HWND WaitForTopWindow(DWORD pid, const std::string &className, const std::string &title, DWORD timeoutMs);
// All windows below parent (children, their children, ...).
std::vector<HWND> Descendants(HWND parent);
// The first descendant with that control id (and class, when given).
HWND FindControl(HWND parent, int id, const std::string &className = "");
std::string ClassOf(HWND wnd);
// The window's text through WM_GETTEXT (works on another process's controls).
std::string TextOf(HWND wnd);
// The text of status-bar panel 1..n.
std::string StatusPanelText(HWND statusBar, int panel);
// Posts a key press (down and up) to a window.
void PostKey(HWND wnd, UINT key);
// Polls cond every 20 ms until it is true or the time is up.
bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs);

// A message box as found on screen.
struct BoxSeen {
    HWND box = nullptr;
    std::string title;
    std::string prompt;
    std::vector<int> buttons;        // ids of the visible buttons, in window order
    bool iconShown = false;          // the standard icon static is visible
    HWND pictureParentWas = nullptr; // parent of the watched picture while the box was open
    bool pictureVisible = false;
};
// Waits for a message box ("#32770") of process pid with that title.
HWND WaitForBox(DWORD pid, const std::string &title, DWORD timeoutMs);
// Reads what the box shows; picture (may be null) is a window whose parent
// and visibility are noted too.
BoxSeen ReadBox(HWND box, HWND picture = nullptr);
// Presses the box's button id (WM_COMMAND, as the button would).
void AnswerBox(HWND box, int id);

// Answers boxes of this process from a helper thread while the test's thread
// shows them: for each box that appears, decide() gets what it shows and
// returns the button id to press (0: press Enter).
class BoxAnswerThread {
  public:
    using Decide = std::function<int(const BoxSeen &)>;
    BoxAnswerThread(Decide decide, HWND picture = nullptr);
    ~BoxAnswerThread();
    BoxAnswerThread(const BoxAnswerThread &) = delete;
    BoxAnswerThread &operator=(const BoxAnswerThread &) = delete;
    // What every box answered so far showed.
    std::vector<BoxSeen> seen() const;

  private:
    Decide decide_;
    HWND picture_;
    std::vector<BoxSeen> seen_;
    mutable CRITICAL_SECTION lock_;
    volatile bool stop_ = false;
    std::thread thread_;
};
