// Jumping to an entry and the shell commands: which key the registry editor
// opens at and what is typed into it for each kind of entry, the remembered
// key's text, the Down keys counted on a real list view read through another
// process's memory calls, and the encoded web-search address.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cctype>

#include "scan/records.h"
#include "support/testing.h"
#include "ui/jump.h"
#include "ui/shell_helpers.h"

namespace {

const std::string kRun = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

JumpRow EntryRow(int itemType, bool disabled, int category = 1) {
    JumpRow row;
    row.headerRow = false;
    row.locationText = kRun;
    row.mainKey = HKEY_LOCAL_MACHINE;
    row.category = category;
    row.valueName = "Shell";
    row.itemType = itemType;
    row.disabled = disabled;
    row.entryName = "Entry";
    row.itemName = "Item";
    return row;
}

bool NoKey(HKEY, const std::string &) { return false; }

// A list view of this process with the given items.
struct TestList {
    HWND list;
    explicit TestList(const std::vector<std::string> &items) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                               nullptr);
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH;
        col.cx = 200;
        SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
        for (size_t i = 0; i < items.size(); ++i) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<char *>(items[i].c_str());
            SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    ~TestList() { DestroyWindow(list); }
};

} // namespace

TEST(Jump, ValuesOpenTheirKeyAndAreTypedIntoTheValuePane) {
    JumpPlan single = PlanJump(EntryRow(0, false), NoKey);
    EXPECT_EQ(single.kind, JumpPlan::Registry);
    EXPECT_EQ(single.key, kRun);
    EXPECT_EQ(single.tabPane, 1);
    EXPECT_EQ(single.value, "Shell"); // the location's value name

    JumpPlan named = PlanJump(EntryRow(2, false), NoKey);
    EXPECT_EQ(named.key, kRun);
    EXPECT_EQ(named.tabPane, 0);
    EXPECT_EQ(named.value, "Item");

    JumpRow noItem = EntryRow(2, true);
    noItem.itemName.clear();
    JumpPlan disabled = PlanJump(noItem, NoKey);
    EXPECT_EQ(disabled.key, kRun + "\\AutorunsDisabled");
    EXPECT_EQ(disabled.value, "Entry");
}

TEST(Jump, SubkeysOpenThemselvesAndDisabledServicesStayInPlace) {
    EXPECT_EQ(PlanJump(EntryRow(1, false), NoKey).key, kRun + "\\Item");
    EXPECT_EQ(PlanJump(EntryRow(1, false), NoKey).tabPane, -1);
    EXPECT_EQ(PlanJump(EntryRow(1, true), NoKey).key, kRun + "\\AutorunsDisabled\\Item");
    EXPECT_EQ(PlanJump(EntryRow(1, true, kCatServices), NoKey).key, kRun + "\\Entry");
    EXPECT_EQ(PlanJump(EntryRow(1, true, kCatDrivers), NoKey).key, kRun + "\\Entry");
    EXPECT_EQ(PlanJump(EntryRow(7, false), NoKey).kind, JumpPlan::Nothing);
}

TEST(Jump, AHeaderRowOpensTheNearestExistingKey) {
    JumpRow header;
    header.locationText = kRun + "\\Gone\\Deeper";
    header.mainKey = HKEY_LOCAL_MACHINE;
    std::vector<std::string> tried;
    const JumpPlan plan = PlanJump(header, [&](HKEY, const std::string &path) {
        tried.push_back(path);
        return path == "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    });
    EXPECT_EQ(plan.key, kRun);
    EXPECT_EQ(plan.tabPane, -1);
    ASSERT_EQ(tried.size(), 3u);
    EXPECT_EQ(tried[0], "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Gone\\Deeper");
    // Nothing exists: the walk ends at the first level below the root.
    EXPECT_EQ(PlanJump(header, NoKey).key, "HKEY_LOCAL_MACHINE\\SOFTWARE");
}

TEST(Jump, FolderLocationsOpenExplorerAtTheFolder) {
    JumpRow header;
    header.locationText = "C:\\Users\\Ann\\Start Menu\\Programs\\Startup\\";
    EXPECT_EQ(PlanJump(header, NoKey).kind, JumpPlan::Folder);
    EXPECT_EQ(PlanJump(header, NoKey).folder, "C:\\Users\\Ann\\Start Menu\\Programs\\Startup");
    JumpRow entry = header;
    entry.headerRow = false;
    entry.itemName = "C:\\Users\\Ann\\Start Menu\\Programs\\Startup\\Tool.lnk";
    EXPECT_EQ(PlanJump(entry, NoKey).folder, "C:\\Users\\Ann\\Start Menu\\Programs\\Startup");
}

TEST(Jump, TheRememberedKeyCarriesThePrefixOfTheWindowsVersion) {
    EXPECT_EQ(RegeditLastKeyText(kRun, 24, false), "MyComputer\\" + kRun);
    EXPECT_EQ(RegeditLastKeyText(kRun, 25, false), "Computer\\" + kRun);
    EXPECT_EQ(RegeditLastKeyText(kRun, 25, true), kRun);
}

TEST(Jump, DownKeysCountTheEarlierItemsOfTheSameLetterReadFromTheList) {
    TestList values({"(Default)", "Alpha", "apple", "Avast", "Beta"});
    ASSERT_NE(values.list, nullptr);
    EXPECT_EQ(GetListviewItem(values.list, 1, 0), "Alpha");
    {
        // Past the end: an empty text and the error text alone in the log.
        CapturedLog log;
        EXPECT_EQ(GetListviewItem(values.list, 9, 0), "");
        const auto lines = log.lines();
        ASSERT_EQ(lines.size(), 1u) << log.text();
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(lines[0][0]))) << lines[0];
        EXPECT_NE(lines[0].find("&H"), std::string::npos) << lines[0];
    }
    EXPECT_EQ(GetListviewItem(nullptr, 0, 0), "");
    auto read = [&](int index) { return GetListviewItem(values.list, index, 0); };
    EXPECT_EQ(EarlierItemsWithSameLetter(read, "Avast"), 2);
    EXPECT_EQ(EarlierItemsWithSameLetter(read, "Alpha"), 0);
    EXPECT_EQ(EarlierItemsWithSameLetter(read, "apple"), 1);
    EXPECT_EQ(EarlierItemsWithSameLetter(read, "Beta"), 0);
    EXPECT_EQ(EarlierItemsWithSameLetter(read, ""), 0);
}

TEST(Jump, TheWebSearchEncodesTheFileName) {
    EXPECT_EQ(PercentEncode("a&b #c+d%e.exe"), "a%26b%20%23c%2Bd%25e.exe");
    EXPECT_EQ(PercentEncode("x\xE9y"), "x%E9y");
    EXPECT_EQ(WebSearchCommand("my tool.exe"), "iexplore.exe \"https://www.google.com/search?q=my%20tool.exe\"");
}

// The registry editor, Explorer and the browser start by their full paths,
// with their own folder as the working folder: a copy of the same name in the
// current folder or in C:\ is never the one started.
TEST(Jump, SystemProgramsStartByTheirFullPaths) {
    struct Started {
        std::string path, arguments, folder;
    };
    std::vector<Started> started;
    SetProgramStarter([&](const std::string &path, const std::string &arguments, const std::string &folder) {
        started.push_back({path, arguments, folder});
        return 42L;
    });
    char buffer[MAX_PATH] = {};
    const std::string windows(buffer, GetSystemWindowsDirectoryA(buffer, MAX_PATH));
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA("C:\\");

    EXPECT_EQ(StartSystemProgram("regedit.exe", ""), "Operation successful");
    JumpPlan folder;
    folder.kind = JumpPlan::Folder;
    folder.folder = "C:\\Program Files\\Tool";
    RunJump(folder);
    StartSystemCommand(WebSearchCommand("tool.exe"));
    StartHelpViewer("C:\\Program Files\\Quillmara\\Help\\Quillmara.chm");
    SetCurrentDirectoryA(current);
    SetProgramStarter(nullptr);

    ASSERT_EQ(started.size(), 4u);
    EXPECT_EQ(started[0].path, windows + "\\regedit.exe");
    EXPECT_EQ(started[0].folder, windows);
    EXPECT_EQ(started[1].path, windows + "\\explorer.exe");
    EXPECT_EQ(started[1].arguments, "\"C:\\Program Files\\Tool\"");
    // The browser's registered application path.
    const std::string browser = started[2].path;
    // (Wine registers the 32-bit copy's path where it has one.)
    EXPECT_TRUE(_stricmp(browser.c_str(), "C:\\Program Files\\Internet Explorer\\iexplore.exe") == 0 ||
                _stricmp(browser.c_str(), "C:\\Program Files (x86)\\Internet Explorer\\iexplore.exe") == 0)
        << browser;
    EXPECT_EQ(started[2].folder, browser.substr(0, browser.find_last_of('\\')));
    EXPECT_EQ(started[2].arguments, "\"https://www.google.com/search?q=tool.exe\"");
    // Help: the system's viewer, not whatever the file's association names.
    EXPECT_EQ(started[3].path, windows + "\\hh.exe");
    EXPECT_EQ(started[3].arguments, "\"C:\\Program Files\\Quillmara\\Help\\Quillmara.chm\"");
}
