#include <gtest/gtest.h>

#include "changes/entry_changes.h"
#include "support/entry_support.h"
#include "registry/access.h"
#include "registry/values.h"
#include "scan/state.h"
#include "support/offline_drive.h"
#include "support/store_support.h"
#include "support/testing.h"

using storetest::Dump;

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Entry";
const std::string kDis = "\\AutorunsDisabled";

RegValue ValueAt(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    return ReadValue(k.get(), name);
}

class DeleteTest : public testing::Test {
  protected:
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
    ScriptedUi ui;

    // Deletes the entry named name of location n scanned over key.
    bool Delete(int location, const std::string &key, const std::string &name, HKEY root = HKEY_LOCAL_MACHINE) {
        auto a = ScanAndAddress(location, root, key, name);
        EXPECT_TRUE(a) << name << " is not listed";
        return a && DeleteEntry(*a, ui);
    }
};

TEST_F(DeleteTest, ValuesGoFromTheirLiveOrDisabledPlace) {
    const std::string run = kBase + "\\Run";
    SetRegString(HKEY_LOCAL_MACHINE, run, "Tool", "C:\\tool.exe");
    SetRegString(HKEY_LOCAL_MACHINE, run, "Parked", "C:\\parked.exe");
    auto parked = ScanAndAddress(15, HKEY_LOCAL_MACHINE, run, "Parked");
    ASSERT_TRUE(parked);
    ASSERT_EQ(ToggleEntry(*parked, ui), ToggleResult::Disabled);

    EXPECT_TRUE(Delete(15, run, "Tool"));
    EXPECT_FALSE(ValueAt(HKEY_LOCAL_MACHINE, run, "Tool").present);
    EXPECT_TRUE(Delete(15, run, "Parked"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, run + kDis)) << "the emptied store stays";
    EXPECT_TRUE(ui.told.empty());

    // Gone since the scan: message A, and the caller keeps the row.
    SetRegString(HKEY_LOCAL_MACHINE, run, "Gone", "C:\\gone.exe");
    auto gone = ScanAndAddress(15, HKEY_LOCAL_MACHINE, run, "Gone");
    ASSERT_TRUE(gone);
    DeleteRegTree(HKEY_LOCAL_MACHINE, run);
    EXPECT_FALSE(DeleteEntry(*gone, ui));
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Failed to delete the startup of Gone."});
}

TEST_F(DeleteTest, OpenCommandIsResetAndServicesKeepTheirKeys) {
    const std::string command = kBase + "\\Command";
    SetRegString(HKEY_LOCAL_MACHINE, command, "", "C:\\hijack.exe \"%1\" %*");
    EXPECT_TRUE(Delete(54, command, "C:\\hijack.exe"));
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, command, "").Text(), "\"%1\" %*");

    const std::string services = kBase + "\\Services";
    for (const char *name : {"QmSvc", "QmParked"}) {
        SetRegString(HKEY_LOCAL_MACHINE, services + "\\" + name, "ObjectName", "LocalSystem");
        SetRegDword(HKEY_LOCAL_MACHINE, services + "\\" + name, "Start", 2);
    }
    auto parked = ScanAndAddress(48, HKEY_LOCAL_MACHINE, services, "QmParked");
    ASSERT_TRUE(parked);
    ASSERT_EQ(ToggleEntry(*parked, ui), ToggleResult::Disabled);
    EXPECT_TRUE(Delete(48, services, "QmSvc"));
    EXPECT_TRUE(Delete(48, services, "QmParked"));
    for (const char *name : {"QmSvc", "QmParked"}) {
        EXPECT_EQ(storetest::Hex(ValueAt(HKEY_LOCAL_MACHINE, services + "\\" + name, "Start").data), "04000000");
        EXPECT_FALSE(ValueAt(HKEY_LOCAL_MACHINE, services + "\\" + name, "AutorunsDisabled").present);
    }
    EXPECT_EQ(ScanAndAddress(48, HKEY_LOCAL_MACHINE, services, "QmSvc"), std::nullopt);
    EXPECT_TRUE(ui.told.empty());
}

TEST_F(DeleteTest, OneItemOfAListOrOneProgramOfAValueGoesAlone) {
    const std::string session = kBase + "\\Session Manager";
    SetRegMultiString(HKEY_LOCAL_MACHINE, session, "BootExecute", {"autocheck autochk *", "qmboot /fix"});
    EXPECT_TRUE(Delete(50, session, "qmboot /fix"));
    const RegValue boot = ValueAt(HKEY_LOCAL_MACHINE, session, "BootExecute");
    EXPECT_EQ(boot.type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(SplitMultiStringData(boot.data), std::vector<std::string>{"autocheck autochk *"});

    const std::string winlogon = kBase + "\\Winlogon";
    SetRegString(HKEY_LOCAL_MACHINE, winlogon, "AppSetup", "first.exe, second.exe, third.exe", REG_EXPAND_SZ);
    EXPECT_TRUE(Delete(2, winlogon, "second.exe"));
    RegValue setup = ValueAt(HKEY_LOCAL_MACHINE, winlogon, "AppSetup");
    EXPECT_EQ(setup.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(setup.Text(), "first.exe, third.exe");
    EXPECT_TRUE(Delete(2, winlogon, "first.exe"));
    EXPECT_TRUE(Delete(2, winlogon, "third.exe"));
    EXPECT_FALSE(ValueAt(HKEY_LOCAL_MACHINE, winlogon, "AppSetup").present);
    EXPECT_TRUE(ui.told.empty());

    // A package list that lost the item since the scan: deleted already, the
    // list stays as it is. A list that is gone altogether: message B.
    const std::string lsa = kBase + "\\Lsa";
    SetRegMultiString(HKEY_LOCAL_MACHINE, lsa, "Notification Packages", {"scecli", "qmpkg"});
    auto pkg = ScanAndAddress(67, HKEY_LOCAL_MACHINE, lsa, "qmpkg");
    ASSERT_TRUE(pkg);
    SetRegMultiString(HKEY_LOCAL_MACHINE, lsa, "Notification Packages", {"scecli"});
    EXPECT_TRUE(DeleteEntry(*pkg, ui));
    EXPECT_TRUE(ui.told.empty());
    const RegValue left = ValueAt(HKEY_LOCAL_MACHINE, lsa, "Notification Packages");
    EXPECT_EQ(SplitMultiStringData(left.data), std::vector<std::string>{"scecli"});
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, lsa.c_str(), "Notification Packages");
    EXPECT_FALSE(DeleteEntry(*pkg, ui));
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Failed to delete startup of qmpkg."});
}

TEST_F(DeleteTest, SubKeysAndDisabledFiles) {
    const std::string notify = kBase + "\\Notify";
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\one", "DLLName", "one.dll");
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\two", "DLLName", "two.dll");
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\two\\Child", "Kept", "yes");
    auto one = ScanAndAddress(59, HKEY_LOCAL_MACHINE, notify, "one");
    ASSERT_TRUE(one);
    ASSERT_EQ(ToggleEntry(*one, ui), ToggleResult::Disabled);
    EXPECT_TRUE(Delete(59, notify, "one"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, notify + kDis));
    // A subkey with subkeys of its own is not deleted.
    const auto before = Dump(HKEY_LOCAL_MACHINE, notify);
    EXPECT_FALSE(Delete(59, notify, "two"));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, notify), before);
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Failed to delete the startup of two."});

    TempDir dir;
    const std::string folder = dir / "Startup\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "a.bat", "a"));
    ASSERT_TRUE(WriteFileBytes(folder + "b.bat", "b"));
    for (const char *name : {"a.bat", "b.bat"}) {
        auto a = ScanAndAddress(19, nullptr, folder, name);
        ASSERT_TRUE(a);
        ASSERT_EQ(ToggleEntry(*a, ui), ToggleResult::Disabled);
    }
    const std::string hidden = folder + "AutorunsDisabled";
    EXPECT_TRUE(Delete(19, folder, "a.bat", nullptr));
    EXPECT_NE(GetFileAttributesA(hidden.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(Delete(19, folder, "b.bat", nullptr));
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ui.told.size(), 1u);
}

// A Startup folder a user linked to another's: neither Delete nor "No" to the
// file the watch found added deletes what the link leads to.
TEST_F(DeleteTest, DeleteAndNoLeaveWhatALinkedFolderHolds) {
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "Real").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir / "Real\\admin.bat", "admin"));
    ASSERT_TRUE(MakeFolderLink(dir / "Real", dir / "Linked"));
    EXPECT_FALSE(Delete(19, dir / "Linked\\", "admin.bat", nullptr));
    ScanLocationOver(19, nullptr, dir / "Linked\\");
    auto &watch = WatchLocations();
    ResetLocations(watch);
    watch.resize(20);
    watch[19] = ScanLocations()[19];
    EXPECT_FALSE(DeleteAddedEntry(19, 1, ui));
    EXPECT_EQ(ReadFileBytes(dir / "Real\\admin.bat"), "admin");
    EXPECT_EQ(ui.told, std::vector<std::string>(2, "Quillmara: Failed to delete the startup of admin.bat."));
    ResetLocations(watch);
    RemoveFolderLink(dir / "Linked");
}

TEST_F(DeleteTest, AddedEntryOfTheWatchScanUsesTheKeyOfItsOwnPass) {
    const std::string first = kBase + "\\First", second = kBase + "\\Second";
    SetRegString(HKEY_LOCAL_MACHINE, first, "Same", "C:\\first.exe");
    SetRegString(HKEY_LOCAL_MACHINE, second, "Same", "C:\\second.exe");
    ScanLocationOver(15, HKEY_LOCAL_MACHINE, first);
    ScanLocation loc = ScanLocations()[15];
    ScanLocationOver(15, HKEY_LOCAL_MACHINE, second);
    // The watch scan's location 15 has a pass per key; its entry 2 is of pass 2.
    loc.Entries.push_back(ScanLocations()[15].Entries[1]);
    loc.Entries[2].PassIndex = 2;
    loc.Passes.push_back(ScanLocations()[15].Passes[1]);
    auto &watch = WatchLocations();
    ResetLocations(watch);
    watch.resize(16);
    watch[15] = loc;

    EXPECT_TRUE(DeleteAddedEntry(15, 2, ui));
    EXPECT_TRUE(ValueAt(HKEY_LOCAL_MACHINE, first, "Same").present);
    EXPECT_FALSE(ValueAt(HKEY_LOCAL_MACHINE, second, "Same").present);
    EXPECT_FALSE(DeleteAddedEntry(15, 3, ui));
    EXPECT_TRUE(ui.told.empty());
    ResetLocations(watch);
}

} // namespace
