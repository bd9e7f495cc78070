#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "support/testing.h"
#include "system/files.h"

namespace {

// Dialog control numbers of the common file dialogs.
constexpr int kFileNameEdit = 0x480;  // edt1
constexpr int kFileNameCombo = 0x47C; // cmb13
constexpr int kFilterCombo = 0x470;   // cmb1

HWND FindOwnDialog(const char *title) {
    struct Search {
        const char *title;
        HWND found;
    } search{title, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) WINAPI -> BOOL {
            auto *s = reinterpret_cast<Search *>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            char cls[64] = {}, text[256] = {};
            GetClassNameA(w, cls, sizeof cls);
            GetWindowTextA(w, text, sizeof text);
            if (pid == GetCurrentProcessId() && std::string(cls) == "#32770" && IsWindowVisible(w) &&
                (s->title == nullptr || s->title == std::string(text))) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ControlText(HWND dialog, int id) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Plays the user: waits on its own thread (up to 60 s: the machine may be
// busy) for this program's dialog with the title (any dialog when null) and
// acts on it while the test thread sits in the modal dialog.
class User {
  public:
    User(const char *title, std::function<void(HWND)> act)
        : thread_([this, title, act] {
              HWND dialog = nullptr;
              for (int i = 0; i < 1200 && dialog == nullptr; ++i) {
                  Sleep(50);
                  dialog = FindOwnDialog(title);
              }
              if (dialog == nullptr)
                  return;
              found = true;
              act(dialog);
          }) {}
    ~User() { thread_.join(); }
    std::atomic<bool> found{false};

  private:
    std::thread thread_;
};

// Polls cond every 50 ms for up to 60 s.
bool Eventually(const std::function<bool()> &cond) {
    for (int i = 0; i < 1200; ++i) {
        if (cond())
            return true;
        Sleep(50);
    }
    return false;
}

// The current folder for the length of a test.
class InFolder {
  public:
    explicit InFolder(const std::string &folder) {
        GetCurrentDirectoryA(sizeof before_, before_);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~InFolder() { SetCurrentDirectoryA(before_); }

  private:
    char before_[MAX_PATH] = {};
};

std::string Lower(std::string text) {
    CharLowerA(text.data());
    return text;
}

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// Waits until the folder tree of a browse dialog exists and has the folder
// named name selected: on a busy machine the dialog builds its tree and
// selects its initial folder some seconds after it shows.
void WaitForSelectedFolder(HWND dialog, const std::string &name) {
    Eventually([&] {
        HWND tree = nullptr;
        EnumChildWindows(
            dialog,
            [](HWND w, LPARAM found) WINAPI -> BOOL {
                char cls[32] = {};
                GetClassNameA(w, cls, sizeof cls);
                if (std::string(cls) != WC_TREEVIEWA)
                    return TRUE;
                *reinterpret_cast<HWND *>(found) = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&tree));
        if (tree == nullptr)
            return false;
        char text[MAX_PATH] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = text;
        item.cchTextMax = sizeof text;
        return item.hItem != nullptr && SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
               Lower(text) == Lower(name);
    });
}

void TypeNameAndConfirm(HWND dialog, const std::string &name) {
    const int id = GetDlgItem(dialog, kFileNameEdit) != nullptr ? kFileNameEdit : kFileNameCombo;
    SetDlgItemTextA(dialog, id, name.c_str());
    Press(dialog, IDOK);
}

std::string NameShown(HWND dialog) {
    const int id = GetDlgItem(dialog, kFileNameEdit) != nullptr ? kFileNameEdit : kFileNameCombo;
    return ControlText(dialog, id);
}

// Waits until the file dialog has filled its name box, then reads it.
std::string NameOnceShown(HWND dialog) {
    std::string name;
    Eventually([&] { return !(name = NameShown(dialog)).empty(); });
    return name;
}

TEST(SaveDialog, ReturnsTheChosenPath) {
    TempDir dir;
    std::string shownName, shownFilter;
    std::string chosen;
    // The name offered belongs in the current folder.
    {
        InFolder here(dir.path());
        User user("Save File", [&](HWND dialog) {
            shownName = NameOnceShown(dialog);
            shownFilter = ControlText(dialog, kFilterCombo);
            Press(dialog, IDOK);
        });
        chosen = SaveFileName("*.txt", "Text File");
        ASSERT_TRUE(user.found);
    }
    EXPECT_EQ(Lower(chosen), Lower(dir / "Quillmara.txt"));
    EXPECT_EQ(shownName, "Quillmara.txt");
    EXPECT_EQ(shownFilter, "Text File (*.txt)");
    // A name typed in; one without extension gets "txt".
    auto typed = [&](const std::string &name) {
        User user("Save File", [&](HWND dialog) {
            NameOnceShown(dialog);
            TypeNameAndConfirm(dialog, name);
        });
        chosen = SaveFileName("*.txt", "Text File");
        EXPECT_TRUE(user.found);
    };
    typed(dir / "report.txt");
    EXPECT_EQ(chosen, dir / "report.txt");
    typed(dir / "plain");
    EXPECT_EQ(chosen, dir / "plain.txt");
}

TEST(SaveDialog, CancelGivesNothingAndIsLogged) {
    CapturedLog log;
    std::string chosen = "untouched";
    {
        User user("Save As", [](HWND dialog) { Press(dialog, IDCANCEL); });
        EXPECT_FALSE(ShowSave("Save As", "*.reg", "Registry File", chosen));
        ASSERT_TRUE(user.found);
    }
    EXPECT_EQ(chosen, "untouched");
    {
        User user("Save File", [](HWND dialog) { Press(dialog, IDCANCEL); });
        EXPECT_EQ(SaveFileName("*.txt", "Text File"), "");
        ASSERT_TRUE(user.found);
    }
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u) << log.text();
    EXPECT_EQ(lines[0].rfind("ShowSave ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("ShowSave ", 0), 0u);
}

TEST(OpenDialog, OffersTheExpectedNameAndReturnsTheChoice) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "12.dat", "data"));
    std::string shownName = "?", shownFilter;
    std::string pattern = "12.dat";
    std::string result;
    {
        InFolder here(dir.path());
        User user("Open File", [&](HWND dialog) {
            shownName = NameOnceShown(dialog);
            shownFilter = ControlText(dialog, kFilterCombo);
            Press(dialog, IDOK);
        });
        result = OpenDataFile(pattern);
        ASSERT_TRUE(user.found);
    }
    EXPECT_EQ(Lower(result), Lower(dir / "12.dat"));
    EXPECT_EQ(pattern, result);
    EXPECT_EQ(shownName, "12.dat");
    EXPECT_EQ(shownFilter, "Data File (*.dat)");

    CapturedLog log;
    pattern = "12.dat";
    {
        User user("Open File", [](HWND dialog) { Press(dialog, IDCANCEL); });
        EXPECT_EQ(OpenDataFile(pattern), "");
        ASSERT_TRUE(user.found);
    }
    EXPECT_EQ(pattern, "");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("ShowOpen ", 0), 0u);
}

// The folder dialog finds its initial folder again by comparing each level's
// item with the one it lists, dates included: a level that other tests change
// meanwhile (the shared temporary folder) is never found. So the folder lies
// in a folder of its own below the drive root.
struct OwnRootFolder {
    std::string path = "C:\\qmbrowse-" + std::to_string(GetCurrentProcessId());
    OwnRootFolder() { CreateDirectoryA(path.c_str(), nullptr); }
    ~OwnRootFolder() {
        RemoveDirectoryA((path + "\\backups").c_str());
        RemoveDirectoryA(path.c_str());
    }
};

TEST(BrowseFolder, StartsAtTheInitialFolder) {
    OwnRootFolder dir;
    const std::string initial = dir.path + "\\backups";
    ASSERT_TRUE(CreateDirectoryA(initial.c_str(), nullptr));
    // The item of a folder carries its last access time, and on Linux the
    // first read of a new folder moves that (later reads leave it): read both
    // now, so that the dialog's own reads do not change them between the path
    // it parses and the items it lists, which on a busy machine lay seconds apart.
    for (const std::string &folder : {dir.path, initial}) {
        WIN32_FIND_DATAA data;
        const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        ASSERT_NE(find, INVALID_HANDLE_VALUE) << folder;
        FindClose(find);
    }
    std::string result;
    {
        User user(nullptr, [](HWND dialog) {
            WaitForSelectedFolder(dialog, "backups");
            Press(dialog, IDOK);
        });
        result = BrowseFolder(nullptr, initial);
        ASSERT_TRUE(user.found);
    }
    EXPECT_EQ(Lower(result), Lower(initial));
    {
        User user(nullptr, [](HWND dialog) { Press(dialog, IDCANCEL); });
        EXPECT_EQ(BrowseFolder(nullptr, initial), "");
        ASSERT_TRUE(user.found);
    }
}

} // namespace
