#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>

#include "scan/filereaders.h"
#include "scan/filereaders_win.h"
#include "scan/state.h"
#include "support/offline_drive.h"
#include "support/shellfiles.h"
#include "support/testing.h"
#include "system/codepage.h"

namespace {

std::string U16(std::size_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string U32(std::size_t v) { return U16(v) + U16(v >> 16); }

// A shell link: the header with its flags, then the blocks the caller laid out.
std::string Link(std::uint32_t flags, const std::string &blocks) {
    return U32(0x4C) + std::string(16, '\1') + U32(flags) + std::string(52, '\0') + blocks;
}
std::string ItemList(const std::string &items) { return U16(items.size() + 2) + items + U16(0); }
std::string Item(char type, const std::string &data) { return U16(data.size() + 3) + type + data; }
const std::string kComputer =
    Item(0x1F, std::string("\x50\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D", 17));
// A folder (0x31) or file (0x32) item: its short name, then its long name in a
// version 9 extension block.
std::string Entry(char type, std::string shortName, const std::string &longName) {
    shortName += std::string(shortName.size() % 2 ? 1 : 2, '\0');
    const std::string wide = Utf16(longName) + U16(0);
    return Item(type, std::string(11, '\0') + shortName + U16(46 + wide.size() + 2) + U16(9) + U32(0xBEEF0004) +
                          std::string(38, '\0') + wide + U16(14 + shortName.size()));
}
// Link information: a local base path, else the share's name; then the suffix.
std::string LinkInfo(const std::string &base, const std::string &share, const std::string &suffix) {
    const std::string network = U32(0x14 + share.size() + 1) + U32(2) + U32(0x14) + U32(0) + U32(0x20000) + share;
    const std::string tail = (base.empty() ? network : base) + '\0';
    return U32(0x1C + tail.size() + suffix.size() + 1) + U32(0x1C) + U32(base.empty() ? 2 : 1) + U32(0) +
           U32(base.empty() ? 0 : 0x1C) + U32(base.empty() ? 0x1C : 0) + U32(0x1C + tail.size()) + tail + suffix + '\0';
}
std::string Target(const std::string &link) {
    return LnkTarget(ByteView(reinterpret_cast<const unsigned char *>(link.data()), link.size()), AsciiText);
}

TEST(ShortcutTargetsTest, LocalBasePathIsFollowedByTheCommonPathSuffix) {
    EXPECT_EQ(Target(Link(2, LinkInfo("C:\\Users\\", "", "Ann\\Tools\\run.exe"))), "C:\\Users\\Ann\\Tools\\run.exe");
    EXPECT_EQ(Target(Link(2, LinkInfo("C:\\Users", "", "Ann"))), "C:\\Users\\Ann");
}

TEST(ShortcutTargetsTest, NetworkShareIsFollowedByTheCommonPathSuffix) {
    std::string link = Link(2, LinkInfo("", "\\\\server\\share", "folder\\file.pdf"));
    EXPECT_EQ(Target(link), "\\\\server\\share\\folder\\file.pdf");
    link[76 + 0x1C + 8] = 0x7F; // the share's name offset past its structure
    EXPECT_EQ(Target(link), "");
}

TEST(ShortcutTargetsTest, LinkWithoutLinkInformationIsReadFromItsItemList) {
    const std::string items = kComputer + Item(0x2F, "D:\\" + std::string(19, '\0')) +
                              Entry(0x31, "PROGRA~1", "Program Files") + Entry(0x31, "CAFE", "Caf\xE9") +
                              Entry(0x32, "RUN.EXE", "run.exe");
    EXPECT_EQ(Target(Link(1, ItemList(items))), "D:\\Program Files\\Caf?\\run.exe");
    // From the file, long names come in the program's code page.
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "Items.lnk", Link(1, ItemList(items))));
    EXPECT_EQ(LnkTarget(dir / "Items.lnk"),
              "D:\\Program Files\\" + AnsiText(std::u16string(u"Caf\u00E9")) + "\\run.exe");
    // An advertised shortcut keeps to the text search; a name that climbs out
    // of its folder spells no path.
    EXPECT_EQ(Target(Link(0x1001, ItemList(items))), "");
    EXPECT_EQ(Target(Link(1, ItemList(items + Entry(0x32, "..", "..")))), "");
}

TEST(ShortcutTargetsTest, WorkingFolderIsJoinedWithTheRelativePath) {
    auto strings = [](const std::string &relative, const std::string &folder) {
        return U16(relative.size()) + Utf16(relative) + U16(folder.size()) + Utf16(folder);
    };
    // Unicode strings (0x80), relative path (0x8), working folder (0x10),
    // after an item list that spells no path (0x1).
    const std::string other = ItemList(Item(0x1F, "\x50" + std::string(16, '\x11')));
    EXPECT_EQ(Target(Link(0x99, other + strings("..\\..\\Tool\\.\\tool.exe", "C:\\Apps\\Tool"))), "C:\\Tool\\tool.exe");
    EXPECT_EQ(Target(Link(0x98, strings("..\\..\\..\\x.exe", "\\\\srv\\share\\a"))), "\\\\srv\\share\\x.exe");
    EXPECT_EQ(Target(Link(0x98, strings("tool.exe", "%APPDIR%"))), "");
    EXPECT_EQ(Target(Link(0x98, strings("C:\\tool.exe", "C:\\Apps"))), "");
}

// Equal, where a "?" or a character beyond ASCII stands for any such one: the
// manifest (UTF-8) writes so what its suite could not decode.
bool LooselyEqual(const std::string &expected, const std::string &got) {
    std::wstring want(expected.size(), L'\0');
    want.resize(MultiByteToWideChar(CP_UTF8, 0, expected.data(), static_cast<int>(expected.size()), want.data(),
                                    static_cast<int>(want.size())));
    const std::wstring have = WideText(got);
    auto unsure = [](wchar_t c) { return c == L'?' || c > 127; };
    for (std::size_t i = 0; i < want.size() && want.size() == have.size(); ++i)
        if (want[i] != have[i] && !(unsure(want[i]) && unsure(have[i])))
            return false;
    return want.size() == have.size();
}

// Every shortcut, internet shortcut and task file of the real sample folder
// gives the target its manifest names, through the readers of the folder pass.
TEST(ShortcutTargetsTest, RealSamplesGiveTheTargetsTheirManifestNames) {
    const std::map<std::string, std::string (*)(const std::string &)> readers = {
        {"lnk",
         [](const std::string &p) {
             const std::string t = LnkTarget(p);
             return t.empty() ? MSTarget(p, ScannedInstallation().root) : t;
         }},
        {"url", [](const std::string &p) { return UrlTarget(p); }},
        {"job", [](const std::string &p) { return TaskTarget(p); }}};
    const std::string folder = DosPath(QM_SOURCE_DIR "/tests/data/real-files");
    std::istringstream lines(ReadFileBytes(folder + "\\manifest.tsv"));
    ASSERT_FALSE(lines.str().empty()) << "the real sample folder is missing: " << folder;
    int read = 0;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, kind, expected;
        if (!std::getline(fields, name, '\t') || !std::getline(fields, kind, '\t') || !readers.count(kind))
            continue;
        std::getline(fields, expected, '\t');
        const std::string path = folder + "\\" + name;
        ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
        for (const char *fuzzTarget : {"itemlist", "lnktarget"})
            if (kind == "lnk")
                SaveFuzzSeed(fuzzTarget, name, path);
        const std::string got = readers.at(kind)(path);
        EXPECT_TRUE(LooselyEqual(expected, got)) << name << "\n  expected: " << expected << "\n  got:      " << got;
        ++read;
    }
    EXPECT_GT(read, 0);
}

} // namespace
