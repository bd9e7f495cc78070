// The calls looked up at run time: with the look-ups failed (as on Windows
// XP) the native ways give what the system's calls give, and a link is
// followed by neither.
#include <gtest/gtest.h>

#include <windows.h>

#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/codepage.h"
#include "system/handles.h"
#include "system/handoff.h"
#include "system/late_calls.h"

namespace {

class LateCallsTest : public testing::Test {
  protected:
    void TearDown() override { FailLateLookups(false); }
};

std::wstring FinalPath(HANDLE file) {
    wchar_t path[MAX_PATH];
    const DWORD n = LateGetFinalPathNameByHandleW(file, path, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    return n == 0 || n >= MAX_PATH ? L"" : std::wstring(path, n);
}

FileHandle Open(const std::string &path, DWORD access) {
    return FileHandle(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

TEST_F(LateCallsTest, NativeWaysAnswerAsTheSystemsCalls) {
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "Real").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir / "Real\\tool.bat", "@echo tool\r\n"));
    ASSERT_TRUE(MakeFolderLink(dir / "Real", dir / "Linked"));
    FileHandle plain = Open(dir / "Real\\tool.bat", FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    FileHandle linked = Open(dir / "Linked\\tool.bat", FILE_READ_ATTRIBUTES);
    FileHandle folder = Open(dir.path(), FILE_READ_ATTRIBUTES);
    ASSERT_TRUE(plain && linked && folder);

    const std::wstring systemPlain = FinalPath(plain.get());
    const std::wstring systemLinked = FinalPath(linked.get());
    const std::wstring systemFolder = FinalPath(folder.get());
    FILE_BASIC_INFO basic{};
    ASSERT_TRUE(LateGetFileInformationByHandleEx(plain.get(), FileBasicInfo, &basic, sizeof basic));
    FILE_STANDARD_INFO standard{};
    ASSERT_TRUE(LateGetFileInformationByHandleEx(plain.get(), FileStandardInfo, &standard, sizeof standard));

    FailLateLookups(true);
    EXPECT_EQ(AnsiText(FinalPath(plain.get())), AnsiText(systemPlain));
    EXPECT_EQ(AnsiText(FinalPath(linked.get())), AnsiText(systemLinked)) << "the link is followed";
    EXPECT_EQ(AnsiText(FinalPath(folder.get())), AnsiText(systemFolder));
    EXPECT_EQ(AnsiText(systemLinked), "\\\\?\\" + dir.path() + "\\Real\\tool.bat");
    wchar_t tooSmall[4];
    EXPECT_EQ(LateGetFinalPathNameByHandleW(plain.get(), tooSmall, 4, 0), systemPlain.size() + 1);

    FILE_BASIC_INFO native{};
    ASSERT_TRUE(LateGetFileInformationByHandleEx(plain.get(), FileBasicInfo, &native, sizeof native));
    EXPECT_EQ(native.LastWriteTime.QuadPart, basic.LastWriteTime.QuadPart);
    EXPECT_EQ(native.FileAttributes, basic.FileAttributes);
    FILE_STANDARD_INFO nativeStandard{};
    ASSERT_TRUE(
        LateGetFileInformationByHandleEx(plain.get(), FileStandardInfo, &nativeStandard, sizeof nativeStandard));
    EXPECT_EQ(nativeStandard.EndOfFile.QuadPart, 12);
    EXPECT_EQ(nativeStandard.NumberOfLinks, standard.NumberOfLinks);

    // Set through the native way, read back through the system's.
    FILE_BASIC_INFO marks{};
    marks.FileAttributes = FILE_ATTRIBUTE_HIDDEN;
    marks.LastWriteTime.QuadPart = basic.LastWriteTime.QuadPart - 10000000LL * 3600;
    ASSERT_TRUE(LateSetFileInformationByHandle(plain.get(), FileBasicInfo, &marks, sizeof marks));
    FailLateLookups(false);
    FILE_BASIC_INFO after{};
    ASSERT_TRUE(LateGetFileInformationByHandleEx(plain.get(), FileBasicInfo, &after, sizeof after));
    EXPECT_EQ(after.LastWriteTime.QuadPart, marks.LastWriteTime.QuadPart);
    EXPECT_TRUE(after.FileAttributes & FILE_ATTRIBUTE_HIDDEN);

    // A class the native layer has no form of is refused, never guessed.
    FailLateLookups(true);
    CapturedLog log;
    FILE_ID_BOTH_DIR_INFO ids[2];
    EXPECT_FALSE(LateGetFileInformationByHandleEx(folder.get(), FileIdBothDirectoryInfo, ids, sizeof ids));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(log.lines().size(), 1u);

    // The disposition deletes the file when its last handle closes.
    plain.reset();
    linked.reset();
    FileHandle doomed = Open(dir / "Real\\tool.bat", DELETE);
    ASSERT_TRUE(doomed);
    FILE_DISPOSITION_INFO dispose{TRUE};
    ASSERT_TRUE(LateSetFileInformationByHandle(doomed.get(), FileDispositionInfo, &dispose, sizeof dispose));
    doomed.reset();
    EXPECT_EQ(GetFileAttributesA((dir / "Real\\tool.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveFolderLink(dir / "Linked");
}

TEST_F(LateCallsTest, OrdinalCompareAndTreeDeleteWithoutTheSystemsCalls) {
    FailLateLookups(true);
    EXPECT_EQ(LateCompareStringOrdinal(L"C:\\Windows\\\x00e9t\x00e9", -1, L"c:\\WINDOWS\\\x00c9T\x00c9", -1, TRUE),
              CSTR_EQUAL);
    EXPECT_EQ(LateCompareStringOrdinal(L"abc", 3, L"ABC", 3, FALSE), CSTR_GREATER_THAN);
    EXPECT_EQ(LateCompareStringOrdinal(L"ab", 2, L"abc", 3, TRUE), CSTR_LESS_THAN);
    EXPECT_EQ(LateCompareStringOrdinal(L"a\\b", 3, L"a/b", 3, TRUE), CSTR_GREATER_THAN);

    // The key stays, emptied of its values and its subtree; a key below it
    // that is open elsewhere goes as well.
    TestKey key(HKEY_CURRENT_USER, "Software\\QuillmaraTests\\LateTree");
    SetRegString(HKEY_CURRENT_USER, key.path() + "\\One\\Two", "deep", "x");
    SetRegString(HKEY_CURRENT_USER, key.path() + "\\Three", "", "default");
    SetRegString(HKEY_CURRENT_USER, key.path(), "top", "y");
    SetRegDword(HKEY_CURRENT_USER, key.path(), "", 7);
    EXPECT_EQ(LateRegDeleteTreeA(HKEY_CURRENT_USER, key.path().c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, key.path()));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, key.path() + "\\One"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, key.path() + "\\Three"));
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.path().c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
    DWORD values = 9, subkeys = 9;
    EXPECT_EQ(RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(opened);
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(LateRegDeleteTreeA(HKEY_CURRENT_USER, (key.path() + "\\Missing").c_str()), ERROR_FILE_NOT_FOUND);

    // The thread library's clock runs on without GetTickCount64.
    const ULONGLONG before = GetTickCount64();
    EXPECT_LE(before, static_cast<ULONGLONG>(GetTickCount()) + 1000);
    Sleep(20);
    EXPECT_GE(GetTickCount64(), before);
}

TEST(HandOffTest, ArgumentsPassOnAsWritten) {
    EXPECT_EQ(AnsiText(ArgumentsOf(L"\"C:\\Program Files\\Q\\Quillmara32.exe\" /Watch  \"a b\"")), "/Watch  \"a b\"");
    EXPECT_EQ(AnsiText(ArgumentsOf(L"Quillmara32.exe\t/Watch")), "/Watch");
    EXPECT_EQ(AnsiText(ArgumentsOf(L"\"C:\\Q\\Quillmara32.exe\"")), "");
    EXPECT_EQ(AnsiText(ArgumentsOf(L"\"C:\\Q\\Quillmara32.exe\"/Watch")), "/Watch");
    EXPECT_EQ(AnsiText(ArgumentsOf(L"")), "");
}

} // namespace
