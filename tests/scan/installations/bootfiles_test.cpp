#include <gtest/gtest.h>

#include <random>

#include "scan/bootfiles.h"
#include "support/offline_drive.h"

namespace {

TEST(BootIni, FolderAfterTheLastParenthesis) {
    EXPECT_EQ(BootIniWindowsFolder("multi(0)disk(0)rdisk(0)partition(2)\\WINNT"), "WINNT");
    EXPECT_EQ(BootIniWindowsFolder("multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"), "WINDOWS");
    EXPECT_EQ(BootIniWindowsFolder("\\WINNT"), "WINNT"); // no ")": first character dropped
    EXPECT_EQ(BootIniWindowsFolder("multi(0)disk(0)rdisk(0)partition(1)"), "");
    EXPECT_EQ(BootIniWindowsFolder("partition(1)\\"), "");
    EXPECT_EQ(BootIniWindowsFolder(")"), "");
    EXPECT_EQ(BootIniWindowsFolder("x"), "");
    EXPECT_EQ(BootIniWindowsFolder(""), "");
}

std::string Wide(const std::string &text) { return OfflineDrive::Utf16(text); }

TEST(BcdText, PrintableCharactersOnly) {
    EXPECT_EQ(PrintableBcdText(Wide("\\Windows") + std::string("\x01\x80\xFF\x1F\x7F", 5)), "\\Windows\x7F");
    EXPECT_EQ(PrintableBcdText(""), "");
}

TEST(BcdText, LoaderPathNamesTheWindowsFolder) {
    const std::string loader = "\\system32\\winload.exe";
    EXPECT_EQ(FindBcdWindowsFolder("vk@0123\\Windows" + loader + "rest"), "Windows");
    EXPECT_EQ(FindBcdWindowsFolder("xxxxxxxxxxxx\\WINNT\\SYSTEM32\\WinLoad.EXE"), "WINNT");
    EXPECT_EQ(BcdWindowsFolder(std::string("\x88\x13", 2) + Wide("abcdefghijkl\\W7" + loader)), "W7");
    // the twelve characters before may reach back over more than one folder
    EXPECT_EQ(FindBcdWindowsFolder("abc\\Device\\W7" + loader), "Device\\W7");
    // "Element" close to the first occurrence: the next one is taken
    EXPECT_EQ(FindBcdWindowsFolder("Element.\\Bad" + loader + "...padding....\\Good" + loader), "Good");
    EXPECT_EQ(FindBcdWindowsFolder("xxxxxELEMENT\\Bad" + loader), "");
    // within the first twelve characters: skipped, the search goes on
    EXPECT_EQ(FindBcdWindowsFolder("\\Windows" + loader + "0123456789\\Second" + loader), "Second");
    // no "\" in the twelve characters before: skipped, the search goes on
    EXPECT_EQ(FindBcdWindowsFolder("xx\\AVeryLongFolderName" + loader + "0123456789\\Short" + loader), "Short");
    // far beyond 32,767 characters
    EXPECT_EQ(FindBcdWindowsFolder(std::string(40000, 'a') + "\\Windows" + loader), "Windows");
    EXPECT_EQ(FindBcdWindowsFolder(std::string(70000, 'a') + "\\" + loader), "");
    EXPECT_EQ(FindBcdWindowsFolder(""), "");
    EXPECT_EQ(FindBcdWindowsFolder(loader), "");
    EXPECT_EQ(FindBcdWindowsFolder("0123456789ab\\Windows\\system32\\winload.ex"), "");
}

TEST(BcdText, RandomBytesNeverFail) {
    std::mt19937 rng(4711);
    const std::string pieces[] = {"\\", "system32", "\\system32\\winload.exe", "Element", "x", std::string(1, '\0')};
    for (int i = 0; i < 2000; ++i) {
        std::string bytes;
        const int n = static_cast<int>(rng() % 60);
        for (int k = 0; k < n; ++k) {
            if (rng() % 2)
                bytes += static_cast<char>(rng() % 256);
            else
                bytes += pieces[rng() % 6];
        }
        const std::string folder = BcdWindowsFolder(bytes);
        EXPECT_LE(folder.size(), 11u) << folder;
        (void)BootIniWindowsFolder(bytes);
    }
}

} // namespace
