#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "changes/entry_changes.h"
#include "support/entry_support.h"
#include "support/offline_drive.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "support/store_support.h"
#include "support/testing.h"

using storetest::Dump;

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Entry";
const std::string kDis = "\\AutorunsDisabled";

std::string ValueText(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    const RegValue v = ReadValue(k.get(), name);
    return v.present ? std::to_string(v.type) + ":" + v.Text() : "<none>";
}

std::vector<std::string> ListOf(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    const RegValue v = ReadValue(k.get(), name);
    if (!v.present || v.type != REG_MULTI_SZ)
        return {"<no list>"};
    return SplitMultiStringData(v.data);
}

DWORD DwordOf(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    const RegValue v = ReadValue(k.get(), name);
    DWORD out = 0xFFFFFFFF;
    if (v.present && v.data.size() == 4)
        memcpy(&out, v.data.data(), 4);
    return out;
}

// Disables the entry through its row, checks what whileDisabled checks, finds
// it again as disabled in a new scan, enables it from that scan's row and
// checks that the registry below dumpKey is byte for byte as it was.
void DisableThenEnable(int location, HKEY root, const std::string &key, const std::string &name,
                       const std::function<void()> &whileDisabled, const std::string &dumpKey = "") {
    const std::string dumped = dumpKey.empty() ? key : dumpKey;
    const auto start = Dump(root, dumped);
    ScriptedUi ui;
    auto a = ScanAndAddress(location, root, key, name);
    ASSERT_TRUE(a) << name << " is not listed";
    ASSERT_FALSE(a->rec->Disabled);
    ASSERT_EQ(ToggleEntry(*a, ui), ToggleResult::Disabled);
    EXPECT_TRUE(a->rec->Disabled);
    EXPECT_TRUE(ui.told.empty()) << ui.told.front();
    whileDisabled();

    auto again = ScanAndAddress(location, root, key, name);
    ASSERT_TRUE(again) << name << " is not listed once disabled";
    EXPECT_TRUE(again->rec->Disabled);
    ASSERT_EQ(ToggleEntry(*again, ui), ToggleResult::Enabled);
    EXPECT_FALSE(again->rec->Disabled);
    EXPECT_TRUE(ui.told.empty()) << ui.told.front();
    EXPECT_EQ(Dump(root, dumped), start);

    auto last = ScanAndAddress(location, root, key, name);
    ASSERT_TRUE(last);
    EXPECT_FALSE(last->rec->Disabled);
}

class ToggleTest : public testing::Test {
  protected:
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
    CapturedLog log;
};

TEST_F(ToggleTest, RunValueMovesIntoTheStoreAndBack) {
    const std::string run = kBase + "\\Run";
    SetRegString(HKEY_LOCAL_MACHINE, run, "Tool", "%ProgramFiles%\\Tool\\tool.exe /min", REG_EXPAND_SZ);
    SetRegString(HKEY_LOCAL_MACHINE, run, "Other", "C:\\other.exe");
    DisableThenEnable(15, HKEY_LOCAL_MACHINE, run, "Tool", [&] {
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, run, "Tool"), "<none>");
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, run + kDis, "Tool"),
                  std::to_string(REG_EXPAND_SZ) + ":%ProgramFiles%\\Tool\\tool.exe /min");
    });
}

TEST_F(ToggleTest, LogonSingleValueMovesWhole) {
    const std::string winlogon = kBase + "\\Winlogon";
    SetRegString(HKEY_LOCAL_MACHINE, winlogon, "Userinit", "C:\\WINDOWS\\system32\\userinit.exe,");
    SetRegString(HKEY_LOCAL_MACHINE, winlogon, "Shell", "explorer.exe");
    DisableThenEnable(6, HKEY_LOCAL_MACHINE, winlogon, "userinit.exe", [&] {
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, winlogon, "Userinit"), "<none>");
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, winlogon + kDis, "Userinit"),
                  std::to_string(REG_SZ) + ":C:\\WINDOWS\\system32\\userinit.exe,");
        EXPECT_NE(ValueText(HKEY_LOCAL_MACHINE, winlogon, "Shell"), "<none>");
    });
}

TEST_F(ToggleTest, NotifySubKeyMovesWithItsSubtree) {
    const std::string notify = kBase + "\\Notify";
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\qmnotify", "DLLName", "qmnotify.dll");
    SetRegDword(HKEY_LOCAL_MACHINE, notify + "\\qmnotify", "Asynchronous", 1);
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\qmnotify\\Deeper", "Kept", "yes");
    DisableThenEnable(59, HKEY_LOCAL_MACHINE, notify, "qmnotify", [&] {
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, notify + "\\qmnotify"));
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, notify + kDis + "\\qmnotify\\Deeper", "Kept"), "1:yes");
    });
}

// A protocol filter and a per-user delay-loaded object are subkeys, a
// delay-loaded object of the machine a value, each holding the class that
// names its entry: every change acts on that subkey or value.
TEST_F(ToggleTest, ClassEntriesChangeTheSubKeyOrValueThatHoldsTheClass) {
    const std::string clsid = "{5A11E700-00F1-4000-8000-00000000F001}";
    const std::string filter = kBase + "\\Filter";
    TestFilterClass registered{clsid, "C:\\qm\\qmobject.dll", filter};
    SetRegString(HKEY_LOCAL_MACHINE, filter + "\\qmfilter", "Kept", "yes");
    DisableThenEnable(29, HKEY_LOCAL_MACHINE, filter, "qmfilter", [&] {
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, filter + "\\qmfilter"));
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, filter + kDis + "\\qmfilter", "Kept"), "1:yes");
    });
    const std::string userObjects = kBase + "\\UserDelayLoad";
    SetRegString(HKEY_LOCAL_MACHINE, userObjects + "\\qmobject", "", clsid);
    DisableThenEnable(35, HKEY_LOCAL_MACHINE, userObjects, "qmobject", [&] {
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, userObjects + "\\qmobject"));
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, userObjects + kDis + "\\qmobject", ""), "1:" + clsid);
    });
    const std::string objects = kBase + "\\DelayLoad";
    SetRegString(HKEY_LOCAL_MACHINE, objects, "QmObject", clsid);
    SetRegString(HKEY_LOCAL_MACHINE, objects, "Other", clsid);
    DisableThenEnable(34, HKEY_LOCAL_MACHINE, objects, "QmObject", [&] {
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, objects, "QmObject"), "<none>");
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, objects + kDis, "QmObject"), "1:" + clsid);
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, objects, "Other"), "1:" + clsid);
    });

    ScriptedUi ui;
    for (const auto &[location, key, name] :
         {std::tuple{29, filter, "qmfilter"}, std::tuple{35, userObjects, "qmobject"},
          std::tuple{34, objects, "QmObject"}}) {
        auto a = ScanAndAddress(location, HKEY_LOCAL_MACHINE, key, name);
        ASSERT_TRUE(a) << name;
        EXPECT_EQ(a->rec->ItemName, clsid);
        EXPECT_TRUE(DeleteEntry(*a, ui)) << name;
    }
    EXPECT_TRUE(ui.told.empty()) << ui.told.front();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, filter + "\\qmfilter"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, userObjects + "\\qmobject"));
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, objects, "QmObject"), "<none>");
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, objects, "Other"), "1:" + clsid);
}

TEST_F(ToggleTest, PackageAndBootItemsMoveAloneAndKeepTheirLists) {
    const std::string lsa = kBase + "\\Lsa";
    SetRegMultiString(HKEY_LOCAL_MACHINE, lsa, "Authentication Packages", {"msv1_0", "qmauth"});
    DisableThenEnable(66, HKEY_LOCAL_MACHINE, lsa, "qmauth", [&] {
        EXPECT_EQ(ListOf(HKEY_LOCAL_MACHINE, lsa, "Authentication Packages"), std::vector<std::string>{"msv1_0"});
        EXPECT_EQ(ListOf(HKEY_LOCAL_MACHINE, lsa + kDis, "Authentication Packages"),
                  std::vector<std::string>{"qmauth"});
    });

    // Boot commands are named by their first word; the whole command moves.
    // (An item comes back at the end of its list, so the last one is taken.)
    const std::string session = kBase + "\\Session Manager";
    SetRegMultiString(HKEY_LOCAL_MACHINE, session, "BootExecute", {"autocheck autochk *", "other", "qmboot /fix"});
    DisableThenEnable(50, HKEY_LOCAL_MACHINE, session, "qmboot /fix", [&] {
        EXPECT_EQ(ListOf(HKEY_LOCAL_MACHINE, session, "BootExecute"),
                  (std::vector<std::string>{"autocheck autochk *", "other"}));
        EXPECT_EQ(ListOf(HKEY_LOCAL_MACHINE, session + kDis, "BootExecute"), std::vector<std::string>{"qmboot /fix"});
    });
}

TEST_F(ToggleTest, WinlogonHijackAndAppInitValuesStayListedOnceDisabled) {
    const std::string key = kBase + "\\Values";
    SetRegString(HKEY_LOCAL_MACHINE, key, "System", "qmsys.exe");
    SetRegString(HKEY_LOCAL_MACHINE, key, "GinaDLL", "C:\\qm\\qmgina.dll");
    SetRegString(HKEY_LOCAL_MACHINE, key, "AutoRun", "C:\\qm\\hook.cmd /q");
    SetRegString(HKEY_LOCAL_MACHINE, key, "Appinit_Dlls", "qmhook.dll");
    const struct {
        int location;
        const char *name;
    } values[] = {{57, "qmsys.exe"}, {60, "qmgina.dll"}, {52, "C:\\qm\\hook.cmd /q"}, {55, "qmhook.dll"}};
    for (const auto &v : values) {
        SCOPED_TRACE(v.name);
        DisableThenEnable(v.location, HKEY_LOCAL_MACHINE, key, v.name, [] {});
    }
}

TEST_F(ToggleTest, ServiceAndDriverParkTheirStartType) {
    const std::string services = kBase + "\\Services";
    SetRegString(HKEY_LOCAL_MACHINE, services + "\\QmSvc", "ObjectName", "LocalSystem");
    SetRegString(HKEY_LOCAL_MACHINE, services + "\\QmSvc", "ImagePath", "C:\\qm\\svc.exe");
    SetRegDword(HKEY_LOCAL_MACHINE, services + "\\QmSvc", "Start", 2);
    DisableThenEnable(48, HKEY_LOCAL_MACHINE, services, "QmSvc", [&] {
        EXPECT_EQ(DwordOf(HKEY_LOCAL_MACHINE, services + "\\QmSvc", "Start"), 4u);
        EXPECT_EQ(DwordOf(HKEY_LOCAL_MACHINE, services + "\\QmSvc", "AutorunsDisabled"), 1u);
    });

    SetRegString(HKEY_LOCAL_MACHINE, services + "\\QmDrv", "ImagePath", "system32\\drivers\\qmdrv.sys");
    SetRegDword(HKEY_LOCAL_MACHINE, services + "\\QmDrv", "Start", 3);
    DisableThenEnable(49, HKEY_LOCAL_MACHINE, services, "QmDrv", [&] {
        EXPECT_EQ(DwordOf(HKEY_LOCAL_MACHINE, services + "\\QmDrv", "Start"), 4u);
        EXPECT_EQ(DwordOf(HKEY_LOCAL_MACHINE, services + "\\QmDrv", "AutorunsDisabled"), 3u);
    });
}

TEST_F(ToggleTest, PerUserAndOfflineEntriesMoveInsideTheirOwnKeys) {
    const std::string user = CurrentUserKeyName();
    ASSERT_FALSE(user.empty());
    const std::string userRun = user + "\\Software\\QuillmaraTests\\Entry\\Run";
    TestKey userKey(HKEY_USERS, user + "\\Software\\QuillmaraTests\\Entry");
    SetRegString(HKEY_USERS, userRun, "UserTool", "C:\\user\\tool.exe");
    DisableThenEnable(25, HKEY_USERS, userRun, "UserTool",
                      [&] { EXPECT_EQ(ValueText(HKEY_USERS, userRun + kDis, "UserTool"), "1:C:\\user\\tool.exe"); });

    // An offline installation's SOFTWARE hive, loaded under its "_REMOTE_" name.
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\Hive\\Run", "OfflineTool", "D:\\tool.exe");
    TempDir dir;
    ASSERT_TRUE(SaveKeyToFile(kBase + "\\Hive", dir / "software", HKEY_LOCAL_MACHINE));
    DeleteRegTree(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"); // a plain key left by an earlier run
    ASSERT_TRUE(LoadHive(dir / "software", HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    const std::string offlineRun = "_REMOTE_SOFTWARE\\Run";
    DisableThenEnable(15, HKEY_LOCAL_MACHINE, offlineRun, "OfflineTool", [&] {
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, offlineRun + kDis, "OfflineTool"), "1:D:\\tool.exe");
    });
    UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
    DisablePrivileges();
    LoadedHives().assign(1, LoadedHive{});
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
}

TEST_F(ToggleTest, StartupFileMovesIntoAHiddenFolderItCreates) {
    TempDir dir;
    const std::string folder = dir / "Startup\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "tool.bat", "@echo tool\r\n"));
    ScriptedUi ui;
    auto a = ScanAndAddress(19, nullptr, folder, "tool.bat");
    ASSERT_TRUE(a);
    ASSERT_EQ(ToggleEntry(*a, ui), ToggleResult::Disabled);
    const std::string hidden = folder + "AutorunsDisabled";
    EXPECT_EQ(a->rec->ItemName, hidden + "\\tool.bat");
    EXPECT_EQ(ReadFileBytes(hidden + "\\tool.bat"), "@echo tool\r\n");
    EXPECT_EQ(GetFileAttributesA((folder + "tool.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    auto again = ScanAndAddress(19, nullptr, folder, "tool.bat");
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->rec->Disabled);
    ASSERT_EQ(ToggleEntry(*again, ui), ToggleResult::Enabled);
    EXPECT_EQ(again->rec->ItemName, folder + "tool.bat");
    EXPECT_EQ(ReadFileBytes(folder + "tool.bat"), "@echo tool\r\n");
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()), INVALID_FILE_ATTRIBUTES) << "the emptied folder stays";
    EXPECT_TRUE(ui.told.empty());

    // A file that went away since the scan is not reported as moved, and a
    // disabled file of the same name is never overwritten.
    ASSERT_TRUE(DeleteFileA((folder + "tool.bat").c_str()));
    ASSERT_EQ(ToggleEntry(*again, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Failed to disable the startup of tool.bat."});
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(WriteFileBytes(folder + "tool.bat", "new"));
    ASSERT_TRUE(CreateDirectoryA(hidden.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(hidden + "\\tool.bat", "old"));
    ui.told.clear();
    ASSERT_EQ(ToggleEntry(*again, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ReadFileBytes(hidden + "\\tool.bat"), "old");
    EXPECT_EQ(ReadFileBytes(folder + "tool.bat"), "new");
    again->rec->ItemName = hidden + "\\tool.bat";
    again->rec->Disabled = true;
    ASSERT_EQ(ToggleEntry(*again, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ui.told.back(), "Quillmara: Failed to enable the startup of tool.bat.");
}

// A startup folder reached through a link is neither moved into nor made
// in; the same folder by its plain path still is.
TEST_F(ToggleTest, StartupFileBehindALinkedFolderStaysWhereItIs) {
    TempDir dir;
    const std::string real = dir / "Real\\";
    ASSERT_TRUE(CreateDirectoryA(real.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(real + "tool.bat", "@echo tool\r\n"));
    ASSERT_TRUE(MakeFolderLink(dir / "Real", dir / "Linked"));
    ScriptedUi ui;
    auto linked = ScanAndAddress(19, nullptr, dir / "Linked\\", "tool.bat");
    ASSERT_TRUE(linked);
    EXPECT_EQ(ToggleEntry(*linked, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Failed to disable the startup of tool.bat."});
    EXPECT_NE(log.text().find("FolderHasNoLink " + dir / "Linked" + " is a link"), std::string::npos);
    EXPECT_EQ(GetFileAttributesA((real + "AutorunsDisabled").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(real + "tool.bat"), "@echo tool\r\n");
    RemoveFolderLink(dir / "Linked");
    auto plain = ScanAndAddress(19, nullptr, real, "tool.bat");
    ASSERT_TRUE(plain);
    EXPECT_EQ(ToggleEntry(*plain, ui), ToggleResult::Disabled);
}

TEST_F(ToggleTest, RefusalsAndFailuresChangeNothing) {
    const std::string command = kBase + "\\Command";
    SetRegString(HKEY_LOCAL_MACHINE, command, "", "C:\\hijack.exe \"%1\" %*");
    const std::string catalog = kBase + "\\Catalog";
    SetRegBinary(HKEY_LOCAL_MACHINE, catalog + "\\000000000001", "PackedCatalogItem", std::string(400, '\0'));
    const auto start = Dump(HKEY_LOCAL_MACHINE, kBase);
    ScriptedUi ui;

    auto hijack = ScanAndAddress(54, HKEY_LOCAL_MACHINE, command, "C:\\hijack.exe");
    ASSERT_TRUE(hijack);
    EXPECT_EQ(ToggleEntry(*hijack, ui), ToggleResult::Unchanged);
    auto provider = ScanAndAddress(64, HKEY_LOCAL_MACHINE, catalog, "000000000001");
    ASSERT_TRUE(provider);
    EXPECT_EQ(ToggleEntry(*provider, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ui.told, (std::vector<std::string>{
                           "Quillmara: Disabling of this Image Hijack not available, only deletion is supported.",
                           "Quillmara: Disabling Winsock Providers not available, only deletion is supported."}));
    EXPECT_FALSE(provider->rec->Disabled);
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kBase), start);

    // No entry (a header row's address): nothing at all.
    EntryAddress none;
    EXPECT_EQ(ToggleEntry(none, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ui.told.size(), 2u);

    // A disabled subkey whose live name is taken again cannot come back.
    const std::string notify = kBase + "\\Notify";
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\qmnotify", "DLLName", "qmnotify.dll");
    auto a = ScanAndAddress(59, HKEY_LOCAL_MACHINE, notify, "qmnotify");
    ASSERT_TRUE(a);
    ASSERT_EQ(ToggleEntry(*a, ui), ToggleResult::Disabled);
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\qmnotify", "DLLName", "newer.dll");
    const auto taken = Dump(HKEY_LOCAL_MACHINE, notify);
    ui.told.clear();
    EXPECT_EQ(ToggleEntry(*a, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Failed to enable startup of qmnotify."});
    EXPECT_TRUE(a->rec->Disabled);
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, notify), taken);
    EXPECT_NE(log.text().find("Key already exixts."), std::string::npos);
}

TEST(EntryAddressTest, KeyComesFromTheEntrysPassAndRowsWithoutEntryGiveNone) {
    std::vector<ScanLocation> locations(3);
    locations[2].Entries.resize(3);
    locations[2].Entries[1].EntryName = "shown";
    locations[2].Entries[2].EntryName = "shown";
    locations[2].Entries[2].ItemName = "item";
    locations[2].Passes.resize(3);
    locations[2].Passes[1].KeyText = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Key";
    locations[2].Passes[2].KeyText = "HKEY_USERS\\S-1-5-18\\Software\\Run";
    locations[2].Entries[1].PassIndex = 2;
    locations[2].Entries[2].PassIndex = 1;
    const auto a = AddressOf(locations, 2, 2);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->itemName, "item");
    EXPECT_EQ(a->fullKey, "SOFTWARE\\Key\\item");
    EXPECT_EQ(AddressOf(locations, 2, 1)->itemName, "shown");
    EXPECT_EQ(AddressOf(locations, 2, 1)->keyPath, "S-1-5-18\\Software\\Run");
    locations[2].Passes[1].KeyText = "NoBackslash";
    EXPECT_EQ(AddressOf(locations, 2, 2)->keyPath, "NoBackslash");
    EXPECT_FALSE(AddressOf(locations, 2, 0)); // a header row
    EXPECT_FALSE(AddressOf(locations, 0, 1)); // no selection
    EXPECT_FALSE(AddressOf(locations, 3, 1));
    EXPECT_FALSE(AddressOf(locations, 2, 3));
    locations[2].Entries[1].PassIndex = 0; // no pass recorded
    EXPECT_FALSE(AddressOf(locations, 2, 1));
    locations[2].Entries[1].PassIndex = 2;
    locations[2].Entries[1].Deleted = true;
    EXPECT_FALSE(AddressOf(locations, 2, 1));
}

} // namespace
