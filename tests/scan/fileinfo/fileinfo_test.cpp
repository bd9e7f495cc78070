#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "scan/fileinfo.h"
#include "scan/fileinfo_parse.h"
#include "scan/state.h"
#include "scan/version_resource.h"
#include "support/shellfiles.h"
#include "support/testing.h"
#include "system/platform.h"

namespace {

std::string OwnPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// Raw bytes of this program's version resource of that number.
std::string OwnVersionResource(int number) {
    const HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(number), MAKEINTRESOURCEA(16));
    if (info == nullptr)
        return "";
    const void *data = LockResource(LoadResource(nullptr, info));
    return std::string(static_cast<const char *>(data), SizeofResource(nullptr, info));
}

// A version resource laid out by hand: a block with a key, a value (text or
// bytes) and child blocks, each aligned to 4 bytes.
struct Block {
    std::string key;
    std::string value;
    bool text = false;
    std::vector<Block> children;
};

void Pad(std::string &out) {
    while (out.size() % 4 != 0)
        out += '\0';
}

void AppendWide(std::string &out, const std::string &text) {
    for (char c : text) {
        out += c;
        out += '\0';
    }
    out += std::string(2, '\0');
}

std::string Serialize(const Block &block) {
    std::string out(6, '\0');
    AppendWide(out, block.key);
    Pad(out);
    unsigned valueLength = 0;
    if (block.text && !block.value.empty()) {
        AppendWide(out, block.value);
        valueLength = static_cast<unsigned>(block.value.size() + 1);
    } else if (!block.text) {
        out += block.value;
        valueLength = static_cast<unsigned>(block.value.size());
    }
    for (const auto &child : block.children) {
        Pad(out);
        out += Serialize(child);
    }
    const unsigned words[3] = {static_cast<unsigned>(out.size()), valueLength, block.text ? 1u : 0u};
    for (int i = 0; i < 3; ++i) {
        out[2 * i] = static_cast<char>(words[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(words[i] >> 8);
    }
    return out;
}

std::string HandMadeVersion(const std::string &tableKey, const std::string &company, const std::string &translation) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x10000;
    Block strings{"StringFileInfo", "", true, {}};
    strings.children.push_back({tableKey, "", true, {{"CompanyName", company, true, {}}}});
    Block root{"VS_VERSION_INFO", std::string(reinterpret_cast<const char *>(&fixed), sizeof fixed), false, {}};
    root.children.push_back(strings);
    root.children.push_back({"VarFileInfo", "", true, {{"Translation", translation, false, {}}}});
    return Serialize(root);
}

// A copy of this program whose only resource is the given version resource.
std::string VersionedCopy(const TempDir &dir, const std::string &name, const std::string &resource) {
    const std::string path = dir / name;
    if (!CopyFileA(OwnPath().c_str(), path.c_str(), FALSE))
        return "";
    HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
    if (update == nullptr)
        return "";
    std::string data = resource;
    const bool ok =
        UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                        data.data(), static_cast<DWORD>(data.size())) != 0;
    return EndUpdateResourceA(update, !ok) && ok ? path : "";
}

std::vector<std::string> Values(const VersionStrings &strings) { return {strings.begin(), strings.end()}; }

VersionStrings Company(const std::string &name) {
    VersionStrings strings;
    strings[0] = name;
    return strings;
}

const std::vector<std::string> kEmpty(8);

class VersionFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        InitVersionFields();
        dir_ = new TempDir;
        neutral_ = VersionedCopy(*dir_, "neutral.dll", OwnVersionResource(2));
        untranslated_ = VersionedCopy(*dir_, "untranslated.exe", OwnVersionResource(3));
        std::string twoBytes("\x09\x04", 2);
        shortTranslation_ = VersionedCopy(*dir_, "short.exe", HandMadeVersion("040904B0", "Short", twoBytes));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static TempDir *dir_;
    static std::string neutral_, untranslated_, shortTranslation_;
};
TempDir *VersionFiles::dir_ = nullptr;
std::string VersionFiles::neutral_, VersionFiles::untranslated_, VersionFiles::shortTranslation_;

TEST_F(VersionFiles, ReadsTheFirstTranslationsTable) {
    // This program: language 0409, code page 04E4.
    const VersionStrings own = ReadVersionInfo(OwnPath());
    EXPECT_EQ(Values(own), (std::vector<std::string>{"MICROSOFT CORPORATION", "Startup helper", "1.2.3.4", "helper",
                                                     "Copyright (C) Example", "helper.exe", "Helper Suite", "1.2"}));
    StartupEntry entry;
    ApplyVersionStrings(entry, own);
    EXPECT_EQ(entry.VersionInfo[1], "MICROSOFT CORPORATION");
    EXPECT_EQ(entry.VersionInfo[8], "1.2");
    EXPECT_EQ(entry.VersionInfo[0], "");
    EXPECT_TRUE(entry.IsMicrosoft);

    // Language 0000, code page 04B0 comes first; the 040904B0 table is not
    // read, a missing string leaves only its own value empty, and a value
    // longer than 255 characters is kept whole.
    ASSERT_FALSE(neutral_.empty());
    const VersionStrings neutral = ReadVersionInfo(neutral_);
    const auto values = Values(neutral);
    EXPECT_EQ(values[0], "Micro soft");
    EXPECT_EQ(values[1], std::string(300, 'L') + "end");
    EXPECT_EQ(values[2], "2.0");
    EXPECT_EQ(values[3], "");
    EXPECT_EQ(values[6], "Neutral");
    EXPECT_EQ(values[7], "2");
    StartupEntry other;
    ApplyVersionStrings(other, neutral);
    EXPECT_FALSE(other.IsMicrosoft);
    EXPECT_EQ(other.VersionInfo[2].size(), 303u);
}

TEST_F(VersionFiles, NoUsableTranslationGivesEightEmptyStrings) {
    ASSERT_FALSE(untranslated_.empty());
    ASSERT_FALSE(shortTranslation_.empty());
    TempDir dir;
    const std::string text = dir / "plain.txt";
    ASSERT_TRUE(WriteFileBytes(text, "no resources here"));
    for (const std::string &file : {untranslated_, shortTranslation_, dir / "missing.exe", std::string(), text}) {
        ReadVersionInfo(OwnPath()); // an earlier read leaves nothing behind
        EXPECT_EQ(Values(ReadVersionInfo(file)), kEmpty) << file;
    }
}

TEST_F(VersionFiles, MicrosoftOnlySetNeverCleared) {
    StartupEntry entry;
    for (const char *company : {"microsoft", "Contoso (MicroSoft) Ltd", "MICROSOFT CORPORATION"}) {
        entry.IsMicrosoft = false;
        ApplyVersionStrings(entry, Company(company));
        EXPECT_TRUE(entry.IsMicrosoft) << company;
    }
    ApplyVersionStrings(entry, Company("Micro soft"));
    EXPECT_TRUE(entry.IsMicrosoft); // kept from before
    EXPECT_FALSE(NamesMicrosoft("Micro soft"));
    EXPECT_FALSE(NamesMicrosoft("Microsof"));
    EXPECT_FALSE(NamesMicrosoft(""));
}

// A version resource whose block lengths run past its end (its first length
// word 0xEFCE), or a string block longer than its table, is read as far as
// it holds together and gives no strings; no byte beyond it is touched.
TEST_F(VersionFiles, DamagedResourceGivesNoStringsAndIsNotReadPastItsEnd) {
    const std::string whole = HandMadeVersion("040904B0", "Contoso", std::string("\x09\x04\xB0\x04", 4));
    std::string longRoot = whole;
    longRoot[0] = static_cast<char>(0xCE);
    longRoot[1] = static_cast<char>(0xEF);
    std::string longString = whole;
    const size_t company = longString.find(Utf16("CompanyName"));
    ASSERT_NE(company, std::string::npos);
    longString[company - 6] = static_cast<char>(0xF0);
    longString[company - 5] = static_cast<char>(0x0F);

    bool found = false;
    EXPECT_EQ(VersionTranslation(whole), std::string_view("\x09\x04\xB0\x04", 4));
    EXPECT_EQ(VersionString(whole, "040904b0", "companyname", found), u"Contoso");
    EXPECT_TRUE(found);
    EXPECT_TRUE(VersionTranslation(longRoot).empty());
    EXPECT_EQ(VersionString(longRoot, "040904B0", "CompanyName", found), u"");
    EXPECT_FALSE(found);
    EXPECT_FALSE(VersionTranslation(longString).empty());
    EXPECT_EQ(VersionString(longString, "040904B0", "CompanyName", found), u"");
    EXPECT_FALSE(found);

    TempDir dir;
    int n = 0;
    for (const std::string &resource : {whole, longRoot, longString}) {
        const std::string seed = dir / ("seed" + std::to_string(++n));
        ASSERT_TRUE(WriteFileBytes(seed, resource));
        SaveFuzzSeed("versionresource", "damaged-" + std::to_string(n), seed);
    }
    const std::string good = VersionedCopy(dir, "good.exe", whole);
    const std::string bad = VersionedCopy(dir, "bad.exe", longRoot);
    const std::string badString = VersionedCopy(dir, "badstring.exe", longString);
    ASSERT_FALSE(good.empty() || bad.empty() || badString.empty());
    EXPECT_EQ(ReadVersionInfo(good)[0], "Contoso");
    EXPECT_EQ(Values(ReadVersionInfo(bad)), kEmpty);
    EXPECT_EQ(Values(ReadVersionInfo(badString)), kEmpty);
}

TEST(FileInfoParse, TranslationKeyAndDateSerials) {
    EXPECT_EQ(TranslationKey("\x09\x04\xE4\x04", 4), "040904E4");
    EXPECT_EQ(TranslationKey("\x00\x00\xB0\x04\x09\x04\xB0\x04", 8), "000004B0");
    EXPECT_EQ(TranslationKey("\x07\xFC\x0A\x00", 4), "FC07000A");
    EXPECT_EQ(TranslationKey("\x09\x04\xE4", 3), "");
    EXPECT_EQ(TranslationKey(nullptr, 4), "");

    EXPECT_EQ(DateSerialOf(1899, 12, 30), 0.0);
    EXPECT_EQ(DateSerialOf(1899, 12, 31), kNoDate);
    EXPECT_EQ(DateSerialOf(1900, 1, 1), 2.0);
    EXPECT_EQ(DateSerialOf(1900, 3, 1), 61.0); // 1900 was no leap year
    EXPECT_EQ(DateSerialOf(2000, 2, 29), 36585.0);
    EXPECT_EQ(DateSerialOf(2000, 3, 1), 36586.0);
    EXPECT_EQ(DateSerialOf(2024, 12, 31), 45657.0);
    EXPECT_EQ(DateSerialOf(1601, 1, 1), -109205.0);
}

FILETIME FileTimeOf(int year, int month, int day, int hour, int minute) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

TEST(FileDates, ModificationAndCreationDatesOfAFile) {
    TempDir dir;
    const std::string file = dir / "dated.bin";
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    // Noon UTC lies on the same local day in every time zone.
    const FILETIME created = FileTimeOf(2019, 2, 28, 12, 0);
    const FILETIME written = FileTimeOf(2021, 6, 15, 12, 0);
    {
        HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFileTime(h, &created, nullptr, &written));
        CloseHandle(h);
    }
    FileDates dates = GetFileDates(file);
    EXPECT_EQ(dates.Modified, DateSerialOf(2021, 6, 15));
    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &attrs));
    if (CompareFileTime(&attrs.ftCreationTime, &created) == 0)
        EXPECT_EQ(dates.Created, DateSerialOf(2019, 2, 28));
    else // the file system keeps no creation time of its own
        EXPECT_EQ(dates.Created, LocalDateOfFileTime(attrs.ftCreationTime));

    dates = GetFileDates(dir / "missing.bin");
    EXPECT_EQ(dates.Created, kNoDate);
    EXPECT_EQ(dates.Modified, kNoDate);
    const FILETIME none{};
    EXPECT_EQ(LocalDateOfFileTime(none), kNoDate);
}

unsigned long long Ticks(const FILETIME &ft) {
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

TEST(FileDates, LocalDateCrossesMidnightWithTheTimeZone) {
    constexpr long long hour = 36000000000LL;
    const unsigned long long late = Ticks(FileTimeOf(2021, 3, 10, 23, 30));
    const unsigned long long early = Ticks(FileTimeOf(2021, 3, 11, 0, 30));
    EXPECT_EQ(DateSerialOfFileTime(late), DateSerialOf(2021, 3, 10));
    EXPECT_EQ(DateSerialOfFileTime(early), DateSerialOf(2021, 3, 11));
    // One hour east of UTC 23:30 is already the next day; one hour west of
    // 00:30 still the day before.
    EXPECT_EQ(DateSerialOfFileTime(late + hour), DateSerialOf(2021, 3, 11));
    EXPECT_EQ(DateSerialOfFileTime(early - hour), DateSerialOf(2021, 3, 10));
    EXPECT_EQ(DateSerialOfFileTime(Ticks(FileTimeOf(2024, 2, 29, 23, 59)) + hour), DateSerialOf(2024, 3, 1));
    EXPECT_EQ(DateSerialOfFileTime(Ticks(FileTimeOf(1999, 12, 31, 23, 0)) + hour), DateSerialOf(2000, 1, 1));
    EXPECT_EQ(DateSerialOfFileTime(0), DateSerialOf(1601, 1, 1));

    // The running system's zone: the date follows the local clock.
    FILETIME utc = FileTimeOf(2021, 3, 10, 23, 30), local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    SYSTEMTIME st{};
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    EXPECT_EQ(LocalDateOfFileTime(utc), DateSerialOf(st.wYear, st.wMonth, st.wDay));
}

} // namespace
