#include "ui/find_dialog.h"

#include <commctrl.h>

#include <cstring>

#include "system/log.h"
#include "ui/search.h"

namespace {
constexpr UINT_PTR kSubclassId = 1;
}

FindDialog::~FindDialog() { Close(); }

UINT FindDialog::FindMsg() {
    static UINT message = 0;
    if (message == 0) {
        message = RegisterWindowMessageA(FINDMSGSTRINGA);
        if (message == 0)
            WriteLog("Call to register message failed.");
    }
    return message;
}

HWND FindDialog::Show(HWND owner, const std::string &text, FindRequests *requests) {
    requests_ = requests;
    if (dialog_ != nullptr && IsWindow(dialog_)) {
        ShowWindow(dialog_, SW_SHOW);
        SetForegroundWindow(dialog_);
        return dialog_;
    }
    Unsubclass();
    FindMsg();
    owner_ = owner;
    SetWindowSubclass(owner_, OwnerProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    const std::string initial = InitialFindText(text);
    std::memset(buffer_, 0, sizeof(buffer_));
    std::memcpy(buffer_, initial.data(), initial.size());
    record_ = FINDREPLACEA{};
    record_.lStructSize = sizeof(record_);
    record_.hwndOwner = owner_;
    record_.Flags = FR_DOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
    record_.lpstrFindWhat = buffer_;
    record_.wFindWhatLen = 1024;
    dialog_ = FindTextA(&record_);
    if (dialog_ == nullptr) {
        const DWORD error = CommDlgExtendedError();
        if (error != 0)
            WriteLog(std::to_string(error));
        Unsubclass();
    }
    return dialog_;
}

void FindDialog::Close() {
    if (dialog_ != nullptr && IsWindow(dialog_))
        DestroyWindow(dialog_);
    dialog_ = nullptr;
    Unsubclass();
}

void FindDialog::Unsubclass() {
    if (owner_ != nullptr)
        RemoveWindowSubclass(owner_, OwnerProc, kSubclassId);
    owner_ = nullptr;
}

LRESULT CALLBACK FindDialog::OwnerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto *self = reinterpret_cast<FindDialog *>(data);
    if (self == nullptr || msg != FindMsg() || lp == 0)
        return DefSubclassProc(wnd, msg, wp, lp);
    const FINDREPLACEA record = *reinterpret_cast<const FINDREPLACEA *>(lp);
    self->OnFindMsg(record);
    return 0;
}

void FindDialog::OnFindMsg(const FINDREPLACEA &record) {
    if (record.Flags & FR_DIALOGTERM) {
        // The dialog is closing; the search state stays for F3.
        dialog_ = nullptr;
        Unsubclass();
        return;
    }
    if (!(record.Flags & FR_FINDNEXT) || requests_ == nullptr)
        return;
    const std::string text =
        record.wFindWhatLen > 0 ? StringFromPointer(record.lpstrFindWhat, record.wFindWhatLen) : std::string();
    requests_->FindRequested(text, (record.Flags & FR_DOWN) != 0);
}

std::string StringFromPointer(const char *address, size_t length) {
    if (address == nullptr || length == 0)
        return {};
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(address, &info, sizeof(info)) == 0 || info.State != MEM_COMMIT ||
        (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0)
        return {};
    const auto *end = static_cast<const char *>(info.BaseAddress) + info.RegionSize;
    if (address + length > end)
        length = static_cast<size_t>(end - address);
    return std::string(address, strnlen(address, length));
}
