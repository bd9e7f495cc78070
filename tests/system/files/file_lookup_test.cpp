#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/testing.h"
#include "system/file_lookup.h"
#include "system/handles.h"

namespace {

// What a directory search for the name finds, the way the scan always asked.
FileLookup BySearch(const std::string &name) {
    FileLookup result;
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(name.c_str(), &data));
    if (!find)
        return result;
    result.found = true;
    result.created = data.ftCreationTime;
    result.modified = data.ftLastWriteTime;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            result.file = true;
            break;
        }
    } while (FindNextFileA(find.get(), &data));
    return result;
}

bool SameTime(const FILETIME &a, const FILETIME &b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Every form of name an entry's command line can leave: the lookup answers as
// the directory search does, whether it reads attributes or searches.
TEST(FileLookup, AnswersAsTheDirectorySearchForEveryFormOfName) {
    TempDir dir;
    const std::string d = dir.path();
    ASSERT_TRUE(WriteFileBytes(dir / "prog.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(dir / "a,b.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(dir / "Mixed Case.exe", "MZ"));
    ASSERT_TRUE(CreateDirectoryA((dir / "sub.dir").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "only,dirs").c_str(), nullptr));
    const std::string upper = [&] {
        std::string s = d;
        for (char &c : s)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        return s;
    }();
    const std::vector<std::string> names = {d + "\\prog.exe",
                                            upper + "\\PROG.EXE",
                                            d + "\\mixed case.exe",
                                            d + "\\a,b.exe",
                                            d + "\\missing.exe",
                                            d + "\\nowhere\\x.exe",
                                            d + "\\sub.dir",
                                            d + "\\sub.dir\\",
                                            d + "\\prog.exe.",
                                            d + "\\prog.exe ",
                                            d + "\\prog.exe\\",
                                            d + "\\p*.exe",
                                            d + "\\only*",
                                            d + "\\nothing*.exe",
                                            d + "\\pro?.exe",
                                            d + "\\sub.dir\\..\\prog.exe",
                                            d + "\\.",
                                            d + "\\prog.exe::$DATA",
                                            "C:\\",
                                            "C:",
                                            "C:\\windows",
                                            "C:/windows/notepad.exe",
                                            "notepad.exe",
                                            "prog.exe",
                                            d + "\\" + std::string(300, 'x') + ".exe",
                                            "",
                                            "\\\\?\\" + d + "\\prog.exe",
                                            "C:\\windows\\system32\\notepad.exe",
                                            "c:\\WINDOWS\\REGEDIT.EXE"};
    for (const std::string &name : names) {
        const FileLookup expected = BySearch(name);
        const FileLookup actual = LookUpFile(name);
        EXPECT_EQ(actual.found, expected.found) << name;
        EXPECT_EQ(actual.file, expected.file) << name;
        if (expected.found) {
            EXPECT_TRUE(SameTime(actual.created, expected.created)) << name;
            EXPECT_TRUE(SameTime(actual.modified, expected.modified)) << name;
        }
    }
    EXPECT_TRUE(AttributesAnswerFor(d + "\\prog.exe"));
    EXPECT_FALSE(AttributesAnswerFor(d + "\\p*.exe"));
}

} // namespace
