#include "ui/jump.h"

#include <commctrl.h>

#include <cctype>
#include <cstdio>

#include "changes/entry_address.h"
#include "registry/access.h"
#include "registry/names.h"
#include "scan/pathops.h"
#include "scan/state.h"
#include "system/log.h"
#include "system/platform.h"
#include "system/text.h"
#include "ui/row_selection.h"
#include "system/winversion.h"
#include "ui/regedit_jump.h"
#include "ui/shell_helpers.h"

namespace {

constexpr const char *kSearchSite = "https://www.google.com";
// How long the program waits for the registry editor to come up and to be
// idle: generous, since a busy machine may take many seconds; each wait ends
// as soon as the editor is ready.
constexpr DWORD kIdleWaitMs = 30000;
constexpr DWORD kEditorWaitMs = 30000;
// The key data of one key press (repeat count 1): Wine's list view ignores a
// typed character whose key data is 0.
constexpr LPARAM kOnePress = 1;

// The editor's pane: its tree (0) or its list (1), searched among all
// descendants of the frame.
HWND RegeditPane(int pane) {
    HWND frame = FindWindowA("RegEdit_RegEdit", nullptr);
    if (frame == nullptr)
        return nullptr;
    struct Search {
        const char *cls;
        HWND found;
    } search{pane == 0 ? "SysTreeView32" : "SysListView32", nullptr};
    EnumChildWindows(
        frame,
        [](HWND wnd, LPARAM lp) WINAPI -> BOOL {
            auto *s = reinterpret_cast<Search *>(lp);
            char cls[64] = {};
            GetClassNameA(wnd, cls, sizeof(cls));
            if (lstrcmpiA(cls, s->cls) != 0)
                return TRUE;
            s->found = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ProcessHandle {
  public:
    explicit ProcessHandle(HANDLE h) : h_(h) {}
    ~ProcessHandle() {
        if (h_ != nullptr && !CloseHandle(h_))
            WriteLog("Error closing process handle: " + ApiErrorText(static_cast<long>(GetLastError())));
    }
    ProcessHandle(const ProcessHandle &) = delete;
    ProcessHandle &operator=(const ProcessHandle &) = delete;
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

// Memory reserved in another process, released when the object goes.
class RemoteMemory {
  public:
    RemoteMemory(HANDLE process, SIZE_T size, const char *releaseError)
        : process_(process), releaseError_(releaseError),
          at_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (at_ != nullptr && !VirtualFreeEx(process_, at_, 0, MEM_RELEASE))
            WriteLog(releaseError_ + ApiErrorText(static_cast<long>(GetLastError())));
    }
    RemoteMemory(const RemoteMemory &) = delete;
    RemoteMemory &operator=(const RemoteMemory &) = delete;
    void *get() const { return at_; }

  private:
    HANDLE process_;
    std::string releaseError_;
    void *at_;
};

void LogLastError(const std::string &prefix) { WriteLog(prefix + ApiErrorText(static_cast<long>(GetLastError()))); }

} // namespace

JumpPlan PlanJump(const JumpRow &row, const std::function<bool(HKEY, const std::string &)> &keyExists) {
    JumpPlan plan;
    const std::string &L = row.locationText;
    if (row.mainKey == nullptr) {
        plan.kind = JumpPlan::Folder;
        plan.folder = ParentFolder(row.headerRow ? L : row.itemName);
        return plan;
    }
    const std::string root = RootName(row.mainKey);
    if (row.headerRow) {
        // The nearest existing key at or above the scanned one.
        std::string path = RemoveAll(L, root);
        while (!keyExists(row.mainKey, path)) {
            path = ParentFolder(path);
            if (path.find('\\') == std::string::npos)
                break;
        }
        plan.kind = JumpPlan::Registry;
        plan.key = root + path;
        return plan;
    }
    const std::string name = row.itemName.empty() ? row.entryName : row.itemName;
    const std::string store = L + "\\" + kDisabledName;
    switch (row.itemType) {
    case 0:
    case 2:
        plan.kind = JumpPlan::Registry;
        plan.key = row.disabled ? store : L;
        plan.tabPane = row.itemType == 0 ? 1 : 0;
        plan.value = row.itemType == 0 ? row.valueName : name;
        break;
    case 1:
        plan.kind = JumpPlan::Registry;
        if (!row.disabled)
            plan.key = L + "\\" + name;
        else if (row.category == kCatServices || row.category == kCatDrivers)
            plan.key = L + "\\" + row.entryName;
        else
            plan.key = store + "\\" + name;
        break;
    default:
        break;
    }
    return plan;
}

bool SelectedJumpRow(const CategoryGrids &grids, const SelectionState &selection, JumpRow &row) {
    const auto selected = SelectedRow(grids, selection);
    if (!selected || selection.CurrentLocationRow < 1)
        return false;
    const RowRef &shown = *selected;
    const auto &locations = ScanLocations();
    if (shown.location > UpperBound(locations))
        return false;
    const ScanLocation &location = locations[static_cast<size_t>(shown.location)];
    if (shown.pass < 1 || shown.pass > UpperBound(location.Passes))
        return false;
    row = JumpRow{};
    row.headerRow = shown.IsHeader();
    row.locationText = location.Passes[static_cast<size_t>(shown.pass)].KeyText;
    row.mainKey = location.MainKey;
    row.category = location.Category;
    row.valueName = location.ValueName;
    if (!row.headerRow) {
        const int e = shown.entry;
        if (e < 1 || e >= static_cast<int>(location.Entries.size()))
            return false;
        const StartupEntry &entry = location.Entries[static_cast<size_t>(e)];
        row.itemType = entry.ItemType;
        row.disabled = entry.Disabled;
        row.entryName = entry.EntryName;
        row.itemName = AddressedName(location.MainKey, entry); // the subkey or value that holds it
    }
    return true;
}

std::string RegeditLastKeyText(const std::string &key, short osCode, bool wine) {
    if (wine)
        return key;
    return (osCode < 25 ? "MyComputer\\" : "Computer\\") + key;
}

int EarlierItemsWithSameLetter(const std::function<std::string(int)> &itemText, const std::string &name) {
    if (name.empty())
        return 0;
    const std::string wanted = LowerText(name);
    int count = 0;
    for (int i = 0;; ++i) {
        const std::string item = LowerText(itemText(i));
        if (item.empty() || item >= wanted)
            break;
        if (item[0] == wanted[0])
            ++count;
    }
    return count;
}

std::string PercentEncode(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string WebSearchCommand(const std::string &searchText) {
    return std::string("iexplore.exe \"") + kSearchSite + "/search?q=" + PercentEncode(searchText) + "\"";
}

void JumpToKey(const std::string &key) {
    KillProcess("regedit.exe");
    SetRegeditLastKey(RegeditLastKeyText(key, GetOSCode(), Platform().regeditTakesBareKey));
    Sleep(1000);
    const std::string result = StartSystemProgram("regedit.exe", "");
    if (result != "Operation successful")
        WriteLog("Regedit.exe : " + result);
}

void RegeditSelect(int pane, UINT message, UINT keyCode, const std::string &name) {
    HWND target = RegeditPane(pane);
    if (target == nullptr)
        return;
    SetForegroundWindow(target);
    SetFocus(target);
    DWORD pid = 0;
    GetWindowThreadProcessId(target, &pid);
    ProcessHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
    // The editor handles Tab in its own message loop: keys are posted, and
    // each waits (at most 5 s) for the editor to be idle.
    auto idle = [&] {
        if (process.get() != nullptr)
            WaitForInputIdle(process.get(), kIdleWaitMs);
    };
    idle();
    if (message == WM_KEYDOWN) {
        PostMessageA(target, WM_KEYDOWN, keyCode, kOnePress);
        return;
    }
    if (message != WM_CHAR || name.empty())
        return;
    const auto first = static_cast<unsigned char>(name[0]);
    PostMessageA(target, WM_CHAR, static_cast<WPARAM>(std::toupper(first)), kOnePress);
    if (pane != 1)
        return;
    idle();
    const int downs = EarlierItemsWithSameLetter([&](int index) { return GetListviewItem(target, index, 0); }, name);
    for (int i = 0; i < downs; ++i) {
        idle();
        PostMessageA(target, WM_KEYDOWN, VK_DOWN, kOnePress);
    }
    idle();
}

std::string GetListviewItem(HWND list, int index, int subItem) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    if (pid == 0)
        return "";
    ProcessHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (process.get() == nullptr) {
        LogLastError("GetListviewItem ");
        return "";
    }
    constexpr SIZE_T kTextSize = 255;
    RemoteMemory text(process.get(), kTextSize, "Error releasing string buffer memory: ");
    RemoteMemory item(process.get(), sizeof(LVITEMA), "Error releasing LVITEM memory structure: ");
    if (text.get() == nullptr || item.get() == nullptr) {
        LogLastError("GetListviewItem ");
        return "";
    }
    LVITEMA record{};
    record.mask = LVIF_TEXT;
    record.iSubItem = subItem;
    record.pszText = static_cast<char *>(text.get());
    record.cchTextMax = static_cast<int>(kTextSize);
    SIZE_T written = 0;
    if (!WriteProcessMemory(process.get(), item.get(), &record, sizeof(record), &written)) {
        LogLastError("GetListviewItem ");
        return "";
    }
    const auto length = static_cast<SIZE_T>(
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.get())));
    if (length == 0) {
        LogLastError("");
        return "";
    }
    std::string result(std::min<SIZE_T>(length, kTextSize), '\0');
    SIZE_T read = 0;
    if (!ReadProcessMemory(process.get(), text.get(), result.data(), result.size(), &read)) {
        LogLastError("");
        return "";
    }
    result.resize(read);
    return result;
}

void RunJump(const JumpPlan &plan) {
    if (plan.kind == JumpPlan::Folder) {
        StartSystemCommand("explorer.exe \"" + plan.folder + "\"");
        return;
    }
    if (plan.kind != JumpPlan::Registry)
        return;
    JumpToKey(plan.key);
    if (plan.tabPane < 0)
        return;
    Sleep(1000);
    // The new editor may take longer than that to show its panes.
    for (DWORD waited = 0; RegeditPane(1) == nullptr && waited < kEditorWaitMs; waited += 100)
        Sleep(100);
    RegeditSelect(plan.tabPane, WM_KEYDOWN, VK_TAB, "");
    RegeditSelect(1, WM_CHAR, 0, plan.value);
}
