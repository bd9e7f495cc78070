#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scan/filereaders.h"
#include "scan/filereaders_win.h"
#include "scan/state.h"
#include "support/shellfiles.h"
#include "support/testing.h"
#include "system/handles.h"
#include "system/platform.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ToBytes(const std::string &text) { return Bytes(text.begin(), text.end()); }
std::string ToText(const Bytes &bytes) { return std::string(bytes.begin(), bytes.end()); }

std::uint32_t U32(const Bytes &b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
void PutU32(Bytes &b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutU16(Bytes &b, size_t at, std::uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

// A shortcut saved by the shell, and where its blocks lie.
struct RealLink {
    std::string target;
    Bytes bytes;
    size_t info = 0; // start of the link-information block
};

class ReadersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        target_ = dir_ / "app.exe";
        ASSERT_TRUE(WriteFileBytes(target_, "MZ"));
        link_ = dir_ / "App.lnk";
        ASSERT_TRUE(MakeShortcut(link_, target_));
        SaveFuzzSeed("lnktarget", "shell-shortcut.lnk", link_);
        SaveFuzzSeed("mstarget", "shell-shortcut.lnk", link_);
        real_.target = target_;
        real_.bytes = ToBytes(ReadFileBytes(link_));
        ASSERT_GE(real_.bytes.size(), 78u);
        real_.info = 78 + (real_.bytes[76] | real_.bytes[77] << 8);
        ASSERT_LT(real_.info + 28, real_.bytes.size());
    }
    std::string Write(const std::string &name, const std::string &bytes) {
        const std::string path = dir_ / name;
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }

    TempDir dir_;
    std::string target_;
    std::string link_;
    RealLink real_;
};

TEST_F(ReadersTest, ShellShortcutGivesItsLocalBasePath) {
    EXPECT_EQ(LnkTarget(link_), target_);
    EXPECT_EQ(LnkTarget(ByteView(real_.bytes)), target_);

    // A shortcut with arguments and one whose target does not exist (yet).
    const std::string missing = dir_ / "Program Files\\App\\tool.exe";
    ASSERT_TRUE(MakeShortcut(dir_ / "Args.lnk", target_, "/silent /x"));
    ASSERT_TRUE(MakeShortcut(dir_ / "Missing.lnk", missing));
    SaveFuzzSeed("lnktarget", "shell-shortcut-args.lnk", dir_ / "Args.lnk");
    EXPECT_EQ(LnkTarget(dir_ / "Args.lnk"), target_);
    EXPECT_EQ(LnkTarget(dir_ / "Missing.lnk"), missing);
}

TEST_F(ReadersTest, LinkInformationThatDoesNotFitGivesNothing) {
    auto with = [&](auto change) {
        Bytes b = real_.bytes;
        change(b);
        return LnkTarget(ByteView(b));
    };
    const size_t info = real_.info;
    // No link information according to the header (the block is still there):
    // the item-ID list names the target then.
    EXPECT_EQ(with([](Bytes &b) { PutU32(b, 20, U32(b, 20) & ~2u); }), target_);
    // A network target: the block holds no volume and local base path.
    EXPECT_EQ(with([&](Bytes &b) { PutU32(b, info + 8, 2); }), "");
    // Item-ID list sizes that run past the file, including the 16-bit overflow.
    for (std::uint32_t n : {0xFFFFu, 0x8000u, 32700u, 32690u, 1000u})
        EXPECT_EQ(with([&](Bytes &b) { PutU16(b, 76, n); }), "") << n;
    // Block size past the end of the file, or smaller than its own header.
    EXPECT_EQ(with([&](Bytes &b) { PutU32(b, info, static_cast<std::uint32_t>(b.size())); }), "");
    EXPECT_EQ(with([&](Bytes &b) { PutU32(b, info, 8); }), "");
    // Local base path offset inside the block's header, past the block, huge.
    EXPECT_EQ(with([&](Bytes &b) { PutU32(b, info + 16, 4); }), "");
    EXPECT_EQ(with([&](Bytes &b) { PutU32(b, info + 16, U32(b, info)); }), "");
    EXPECT_EQ(with([&](Bytes &b) { PutU32(b, info + 16, 0xFFFFFFF0u); }), "");
    // A zero byte at the local base path: an empty path.
    EXPECT_EQ(with([&](Bytes &b) { b[info + U32(b, info + 16)] = 0; }), "");
    // A path without its zero byte inside the block.
    EXPECT_EQ(with([&](Bytes &b) {
                  const size_t end = info + U32(b, info);
                  for (size_t at = info + U32(b, info + 16); at < end; ++at)
                      b[at] = 'A';
              }),
              "");
    // Not a shell link header.
    EXPECT_EQ(with([](Bytes &b) { b[0] = 0x4D; }), "");
    // Every truncation before the end of the block gives "", none reads past it.
    const size_t blockEnd = info + U32(real_.bytes, info);
    for (size_t size = 0; size < blockEnd; ++size)
        EXPECT_EQ(LnkTarget(ByteView(real_.bytes.data(), size)), "") << size;
}

TEST_F(ReadersTest, LinkWithoutItemIdListIsReadFromTheHeaderOn) {
    // The same link without its item-ID list: the block follows the header.
    Bytes b(real_.bytes.begin(), real_.bytes.begin() + 76);
    b.insert(b.end(), real_.bytes.begin() + static_cast<std::ptrdiff_t>(real_.info), real_.bytes.end());
    PutU32(b, 20, U32(b, 20) & ~1u);
    EXPECT_EQ(LnkTarget(ByteView(b)), target_);
}

TEST_F(ReadersTest, PrintableTextFindsThePathInAShortcut) {
    const std::string junk = std::string("\x4c\0\0\0\x01\x14\x02\0", 8) + "\x80\xff\x1f" + Utf16("xyz");
    const Bytes variable = ToBytes(junk + Utf16("%SystemRoot%\\system32\\app.exe /run") + std::string(4, '\0'));
    const Bytes relative =
        ToBytes(junk + Utf16("..\\..\\..\\..\\Program Files\\App\\app.exe") + std::string("\x01\x02", 2));
    EXPECT_EQ(MSTarget(ByteView(variable), "D:\\"), "%SystemRoot%\\system32\\app.exe");
    EXPECT_EQ(MSTarget(ByteView(relative), "D:\\"), "D:\\Program Files\\App\\app.exe");
    // "%S" wins over the relative path; neither marker, or no "." after it, gives "".
    EXPECT_EQ(MSTarget(ByteView(ToBytes("..\\..\\..\\..\\a.exe %SystemRoot%\\b.dll")), "D:\\"), "%SystemRoot%\\b.dll");
    EXPECT_EQ(MSTarget(ByteView(ToBytes(junk + Utf16("C:\\Program Files\\App\\app.exe"))), "D:\\"), "");
    EXPECT_EQ(MSTarget(ByteView(ToBytes(Utf16("%SystemRoot%\\system32\\tool"))), "D:\\"), "");
    EXPECT_EQ(MSTarget(ByteView(Bytes{}), "D:\\"), "");
    // The shell's own shortcut holds neither marker.
    EXPECT_EQ(MSTarget(link_, ScannedInstallation().root), "");

    // Through the file: the drive root comes from the scanned installation.
    const std::string file = Write("Relative.lnk", ToText(relative));
    SaveFuzzSeed("mstarget", "relative.lnk", file);
    SaveFuzzSeed("mstarget", "variable.lnk", Write("Variable.lnk", ToText(variable)));
    const auto savedLocations = ScanLocations();
    const short savedOS = SelectedOS();
    ScanLocations().assign(1, ScanLocation{});
    ScanLocations()[0].Entries.resize(2);
    ScanLocations()[0].Entries[0].EntryName = "C:\\";
    ScanLocations()[0].Entries[1].EntryName = "D:\\";
    SelectedOS() = 1;
    EXPECT_EQ(MSTarget(file, ScannedInstallation().root), "D:\\Program Files\\App\\app.exe");
    SelectedOS() = 0;
    EXPECT_EQ(MSTarget(file, ScannedInstallation().root), "C:\\Program Files\\App\\app.exe");
    SelectedOS() = 5; // no such installation: no root
    EXPECT_EQ(MSTarget(file, ScannedInstallation().root), "Program Files\\App\\app.exe");
    ScanLocations() = savedLocations;
    SelectedOS() = savedOS;
}

TEST_F(ReadersTest, TaskFileGivesItsProgram) {
    const std::string job = dir_ / "job.job";
    ASSERT_TRUE(MakeTaskFile(job, "C:\\Tools\\job.exe", "/quiet /log:C:\\x.txt"));
    SaveFuzzSeed("tasktarget", "scheduler-task.job", job);
    CapturedLog log;
    EXPECT_EQ(TaskTarget(job), "C:\\Tools\\job.exe");
    EXPECT_TRUE(log.lines().empty());

    // Nothing to find: "" and one log line each.
    const std::string empty = Write("empty.job", "");
    const std::string noPath = Write("nopath.job", Utf16("job.exe /quiet"));
    const std::string atStart = Write("start.job", Utf16(":\\Tools\\job.exe"));
    const std::string noDot = Write("nodot.job", Utf16("C:\\Tools\\job"));
    EXPECT_EQ(TaskTarget(empty), "");
    EXPECT_EQ(TaskTarget(noPath), "");
    EXPECT_EQ(TaskTarget(atStart), "");
    EXPECT_EQ(TaskTarget(noDot), "");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 4u);
    for (const auto &line : lines)
        EXPECT_EQ(line.rfind("TaskTarget ", 0), 0u) << line;
    EXPECT_NE(lines[0].find(empty), std::string::npos);

    // A path of its own in the printable text, past control bytes.
    EXPECT_EQ(TaskTarget(ByteView(ToBytes("\x01\x02\xe9" + Utf16("D:\\Jobs\\run.cmd") + "\x80"))), "D:\\Jobs\\run.cmd");
    // A header whose random bytes read as ":\" or "Q:\" among printable ones
    // does not hide the program path.
    for (const std::string &header : {std::string("\x01|:\x07\\G t;"), std::string("Q:\\x\x01")})
        EXPECT_EQ(TaskTarget(ByteView(ToBytes(header + Utf16("C:\\Tools\\other.exe")))), "C:\\Tools\\other.exe")
            << header;
}

TEST_F(ReadersTest, InternetShortcutGivesItsUrl) {
    const std::string news = Write("News.url", "[InternetShortcut]\r\nURL=http://example.test/news\r\n");
    const std::string noKey = Write("NoKey.url", "[InternetShortcut]\r\nIconIndex=0\r\n");
    const std::string longUrl = "http://example.test/" + std::string(600, 'a');
    const std::string lengthy = Write("Long.url", "[InternetShortcut]\r\nURL=" + longUrl + "\r\n");
    EXPECT_EQ(UrlTarget(news), "http://example.test/news");
    EXPECT_EQ(UrlTarget(noKey), "");
    EXPECT_EQ(UrlTarget(dir_ / "Gone.url"), "");
    EXPECT_EQ(UrlTarget(lengthy), longUrl);
}

TEST_F(ReadersTest, FilesAreOpenedForReadingOnly) {
    const std::string job = dir_ / "ro.job";
    ASSERT_TRUE(MakeTaskFile(job, "C:\\Tools\\job.exe"));
    const std::string variable =
        Write("Variable.lnk", std::string(76, '\0') + Utf16("%SystemRoot%\\system32\\app.exe"));
    for (const auto &path : {link_, job, variable})
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(LnkTarget(link_), target_);
    EXPECT_EQ(MSTarget(variable, ScannedInstallation().root), "%SystemRoot%\\system32\\app.exe");
    EXPECT_EQ(TaskTarget(job), "C:\\Tools\\job.exe");
    for (const auto &path : {link_, job, variable})
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Another program has the file open for writing (sharing read and write).
    FileHandle writer(CreateFileA(link_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(LnkTarget(link_), target_);
}

TEST_F(ReadersTest, EachFileIsReadOnceWholeAndBounded) {
    int pumped = 0;
    SetEventPump([&] { ++pumped; });
    // A large shortcut (padding after its blocks) is read in one go: the
    // events run once for the file, not once per byte.
    Bytes padded = real_.bytes;
    padded.resize(200000, 'x');
    const std::string big = Write("Big.lnk", ToText(padded));
    EXPECT_EQ(LnkTarget(big), target_);
    EXPECT_EQ(pumped, 1);
    SetEventPump(nullptr);

    // Up to 1 MiB is read; one byte more is not, with a log line.
    padded.resize(kMaxStartupFileSize, 'x');
    const std::string limit = Write("Limit.lnk", ToText(padded));
    padded.push_back('x');
    const std::string over = Write("Over.lnk", ToText(padded));
    CapturedLog log;
    EXPECT_EQ(LnkTarget(limit), target_);
    EXPECT_EQ(LnkTarget(over), "");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("LnkTarget " + over, 0), 0u);

    // A file that is not there, or a folder: "" and no log line.
    EXPECT_EQ(LnkTarget(dir_ / "Gone.lnk"), "");
    EXPECT_EQ(MSTarget(dir_ / "Gone.lnk", ScannedInstallation().root), "");
    EXPECT_EQ(TaskTarget(dir_ / "Gone.job"), "");
    EXPECT_EQ(TaskTarget(dir_.path()), "");
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
