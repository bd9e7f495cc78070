#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "changes/entry_changes.h"
#include "registry/access.h"
#include "registry/values.h"
#include "scan/state.h"
#include "support/entry_support.h"
#include "support/testing.h"
#include "system/codepage.h"
#include "system/file_lookup.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Names";

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A value of root\key whose counted name holds NULs, as only the native
// call can write it.
bool SetCountedValue(HKEY root, const std::string &key, const std::wstring &name, const std::string &text) {
    using SetValue = LONG(WINAPI *)(HANDLE, void *, ULONG, ULONG, const void *, ULONG);
    struct Counted {
        USHORT length, maximum;
        const wchar_t *buffer;
    } counted{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2), name.data()};
    const auto set = reinterpret_cast<SetValue>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
    HKEY k = nullptr;
    if (set == nullptr || RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS)
        return false;
    const LONG status = set(k, &counted, 0, REG_SZ, text.c_str(), static_cast<ULONG>(text.size() + 1));
    RegCloseKey(k);
    return status == 0;
}

class NamesTest : public testing::Test {
  protected:
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
    ScriptedUi ui;
};

// Names the code page turns into "/" and "\" (or cannot spell at all): the
// entry is listed, and neither Delete nor Disable touches the file its dots
// lead to, or the file itself.
TEST_F(NamesTest, BestFitFileNamesAreListedButNeverActedOn) {
    TempDir dir;
    const std::string folder = dir / "Startup\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string victim = dir / "victim.bat";
    ASSERT_TRUE(WriteFileBytes(victim, "admin"));
    const std::wstring wideFolder = WideText(folder);
    for (const wchar_t *name : {L"..\xFF0Fvictim.bat", L"..\xFF3Cvictim.bat"}) {
        const std::wstring path = wideFolder + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        const std::string shown = AnsiText(std::wstring(name));
        auto a = ScanAndAddress(19, nullptr, folder, shown);
        ASSERT_TRUE(a) << shown << " is not listed";
        EXPECT_FALSE(MayActOn(*a->loc, *a->rec));
        EXPECT_FALSE(DeleteEntry(*a, ui));
        EXPECT_EQ(ToggleEntry(*a, ui), ToggleResult::Unchanged);
        EXPECT_EQ(ReadFileBytes(victim), "admin");
        EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(Exists(folder + "AutorunsDisabled"));
        DeleteFileW(path.c_str());
    }
}

// A value whose counted name is "Foo", NUL, "x" shows its NUL, and its
// Disable and Delete leave the plain "Foo" beside it alone.
TEST_F(NamesTest, ValueNameWithANulIsShownAndRefused) {
    const std::string run = kBase + "\\Run";
    SetRegString(HKEY_LOCAL_MACHINE, run, "Foo", "C:\\foo.exe");
    ASSERT_TRUE(SetCountedValue(HKEY_LOCAL_MACHINE, run, std::wstring(L"Foo\0x", 5), "C:\\hidden.exe"));
    auto a = ScanAndAddress(15, HKEY_LOCAL_MACHINE, run, "Foo\\0x");
    ASSERT_TRUE(a) << "the counted name is not shown with its NUL";
    EXPECT_FALSE(MayActOn(*a->loc, *a->rec));
    EXPECT_EQ(ToggleEntry(*a, ui), ToggleResult::Unchanged);
    EXPECT_FALSE(DeleteEntry(*a, ui));
    EXPECT_EQ(ui.told.back(), "Quillmara: Failed to delete the startup of Foo\\0x.");
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, run));
    EXPECT_EQ(ReadValue(key.get(), "Foo").Text(), "C:\\foo.exe");
    EXPECT_EQ(EnumValueNames(key.get()).size(), 2u);
}

// A Run value "QmＦoo" (a fullwidth F, which the code page spells "F") beside
// "QmFoo": its row shows its own command, and Delete or Disable of that row
// leaves both values as they were. The plain value's row still acts.
TEST_F(NamesTest, ValueNameTheCodePageSpellsLikeAnotherIsRefused) {
    const std::string run = kBase + "\\Run";
    SetRegString(HKEY_LOCAL_MACHINE, run, "QmFoo", "C:\\plain.exe");
    const std::wstring evil = L"Qm\xFF26oo";
    const std::wstring command = L"C:\\evil.exe";
    HKEY writable = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, run.c_str(), 0, KEY_SET_VALUE, &writable), ERROR_SUCCESS);
    const LONG written =
        RegSetValueExW(writable, evil.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(writable);
    ASSERT_EQ(written, ERROR_SUCCESS);
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, run));
    ScanLocationOver(15, HKEY_LOCAL_MACHINE, run);
    const auto &entries = ScanLocations()[15].Entries;
    ASSERT_EQ(entries.size(), 3u);
    const int evilRow = entries[1].ImagePath == "C:\\evil.exe" ? 1 : 2;
    ASSERT_EQ(entries[static_cast<size_t>(evilRow)].ImagePath, "C:\\evil.exe");
    ASSERT_EQ(entries[static_cast<size_t>(3 - evilRow)].ImagePath, "C:\\plain.exe");
    auto a = AddressOf(ScanLocations(), 15, evilRow);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->rec->EntryName, "QmFoo");
    EXPECT_FALSE(DeleteEntry(*a, ui));
    EXPECT_EQ(ui.told.back(), "Quillmara: Failed to delete the startup of QmFoo.");
    EXPECT_EQ(ToggleEntry(*a, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ReadValue(key.get(), "QmFoo").Text(), "C:\\plain.exe");
    EXPECT_TRUE(ReadValueWide(key.get(), evil).present);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, run + "\\AutorunsDisabled"));

    auto plain = AddressOf(ScanLocations(), 15, 3 - evilRow);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(DeleteEntry(*plain, ui));
    EXPECT_FALSE(ReadValue(key.get(), "QmFoo").present);
    EXPECT_TRUE(ReadValueWide(key.get(), evil).present);
}

// A subkey named "qm＼one" reads as "qm\one" in the code page: disabling or
// deleting its row leaves the key "qm\one" that name would lead to alone.
TEST_F(NamesTest, SubKeyNameTheCodePageCannotSpellIsRefused) {
    const std::string notify = kBase + "\\Notify";
    SetRegString(HKEY_LOCAL_MACHINE, notify + "\\qm\\one", "DLLName", "one.dll");
    HKEY made = nullptr;
    const std::wstring odd = WideText(notify) + L"\\qm\xFF3Cone";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, odd.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(made, L"DLLName", 0, REG_SZ, reinterpret_cast<const BYTE *>(L"odd.dll"), 16);
    RegCloseKey(made);
    auto a = ScanAndAddress(59, HKEY_LOCAL_MACHINE, notify, "qm\\one");
    ASSERT_TRUE(a);
    EXPECT_FALSE(MayActOn(*a->loc, *a->rec));
    EXPECT_EQ(ToggleEntry(*a, ui), ToggleResult::Unchanged);
    EXPECT_FALSE(DeleteEntry(*a, ui));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, notify + "\\qm\\one"));
}

// Run values of a user's hive naming a network path (also through the object
// manager's "\\??\\UNC\\" names) are listed without any of them being looked
// up; the same value of the machine's key still is.
TEST_F(NamesTest, NetworkPathsOfAUsersHiveAreNotLookedUp) {
    const std::string user = CurrentUserKeyName();
    ASSERT_FALSE(user.empty());
    const std::string userRun = user + "\\" + kBase + "\\Run";
    TestKey userKey{HKEY_USERS, user + "\\" + kBase};
    const std::string machineRun = kBase + "\\Run";
    const std::string server = "\\\\qmserver\\share\\tool.exe";
    SetRegString(HKEY_USERS, userRun, "Remote", server);
    SetRegString(HKEY_USERS, userRun, "Objects", "\\??\\UNC\\qmserver\\share\\tool.exe");
    SetRegString(HKEY_USERS, userRun, "Device", "\\??\\GLOBALROOT\\Device\\Mup\\qmserver\\share\\tool.exe");
    SetRegString(HKEY_LOCAL_MACHINE, machineRun, "Remote", server);
    std::vector<std::string> asked;
    SetLookUpRecorder([&](const std::string &name) { asked.push_back(name); });
    auto remote = ScanAndAddress(15, HKEY_USERS, userRun, "Remote");
    const size_t fromUser = asked.size();
    const bool objectsListed = EntryNumber(15, "Objects") != 0;
    auto machine = ScanAndAddress(15, HKEY_LOCAL_MACHINE, machineRun, "Remote");
    SetLookUpRecorder(nullptr);
    ASSERT_TRUE(remote && machine);
    EXPECT_TRUE(objectsListed);
    for (size_t i = 0; i < fromUser; ++i)
        EXPECT_TRUE(IsLocalDrivePath(asked[i])) << asked[i];
    EXPECT_NE(std::find(asked.begin() + static_cast<std::ptrdiff_t>(fromUser), asked.end(), server), asked.end());
}

} // namespace
