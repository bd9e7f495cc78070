// The system's modeless Find dialog, one for the whole program: opened with
// the last search text (cut to 30 characters), or brought forward when it is
// already open. While it is open its owner is subclassed to receive the
// registered find message, which it turns into a request to search.
#pragma once
#include <windows.h>

#include <commdlg.h>

#include <string>

// Told of each "Find Next" of the dialog, with its text and direction.
class FindRequests {
  public:
    virtual ~FindRequests() = default;
    virtual void FindRequested(const std::string &text, bool down) = 0;
};

class FindDialog {
  public:
    FindDialog() = default;
    ~FindDialog();
    FindDialog(const FindDialog &) = delete;
    FindDialog &operator=(const FindDialog &) = delete;

    // Opens the dialog owned by `owner` with `text` (cut to 30 characters),
    // or brings the open one forward. The dialog's handle, null on failure.
    HWND Show(HWND owner, const std::string &text, FindRequests *requests);
    HWND hwnd() const { return dialog_; }
    void Close();

    // The registered "commdlg_FindReplace" message (registered once).
    static UINT FindMsg();

  private:
    static LRESULT CALLBACK OwnerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    void OnFindMsg(const FINDREPLACEA &record);
    void Unsubclass();

    HWND owner_ = nullptr;
    HWND dialog_ = nullptr;
    FindRequests *requests_ = nullptr;
    FINDREPLACEA record_{};
    char buffer_[1025] = {};
};

// The single-byte text at an address, at most `length` bytes, cut at the
// first NUL; empty when the address is null or unreadable.
std::string StringFromPointer(const char *address, size_t length);
