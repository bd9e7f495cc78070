// The About box and the Environment window: the version line from the
// program's version resource, the System Information program's lookup and its
// message when none is registered, reading registry values as text, and the
// environment list of the running process.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <tuple>
#include <thread>

#include "resources/ids.h"
#include "support/app_driver.h"
#include "support/testing.h"
#include "system/text.h"
#include "ui/dialogs/about.h"
#include "ui/dialogs/agreement.h"
#include "ui/dialogs/environment.h"
#include "ui/font_layout.h"
#include "ui/gdi.h"
#include "ui/window.h"

namespace {

const std::string kTestRoot = "Software\\QuillmaraTest\\SysInfo";

// The dialog font as Windows gives it at a display scale (the test prefix's
// own is 96 dots per inch).
FontHandle FontAtDpi(int dpi) {
    LOGFONTA lf{};
    GetObjectA(UiFont(), sizeof lf, &lf);
    lf.lfHeight = MulDiv(lf.lfHeight, dpi, 96);
    return FontHandle(CreateFontIndirectA(&lf));
}

} // namespace

TEST(About, VersionLineTakesMajorMinorAndRevisionAsPlainNumbers) {
    EXPECT_EQ(VersionLine(MAKELONG(2, 1), MAKELONG(93, 0)), "Version 1.2.93");
    EXPECT_EQ(VersionLine(MAKELONG(0, 10), MAKELONG(7, 4)), "Version 10.0.7");
    // This test program carries file version 1.2.0.93.
    EXPECT_EQ(ProgramVersionLine(), "Version 1.2.93");
}

// Windows loads what the program file imports before the program can say
// where DLLs are searched: it imports only DLLs Windows keeps in its own
// folder, and no VERSION.dll, which the program's folder could supply.
TEST(About, TheProgramFileImportsNoVersionDll) {
    HMODULE image = LoadLibraryExA(QuillmaraExe().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    const auto *base = reinterpret_cast<const BYTE *>(image);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    for (auto *entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         imports.VirtualAddress != 0 && entry->Name != 0; ++entry)
        names.push_back(LowerText(reinterpret_cast<const char *>(base + entry->Name)));
    FreeLibrary(image);
    EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "version.dll"), names.end());
}

// At 96, 120 and 144 dots per inch every line of the texts fits its control,
// the controls do not overlap, and all lie inside the box.
TEST(About, EveryLineShowsAtEveryDisplayScale) {
    for (int dpi : {96, 120, 144}) {
        const FontHandle font = FontAtDpi(dpi);
        const AboutLayout l = LayOutAbout(font.get());
        auto fits = [&](const RECT &r, const std::string &text) {
            return WrappedTextHeight(font.get(), text, r.right - r.left) <= r.bottom - r.top;
        };
        // Each text whole, in lines that leave room at the control's right edge.
        for (const auto &[lines, whole, r] : {std::tuple{l.descriptionLines, kAboutDescription, l.description},
                                              std::tuple{l.disclaimerLines, kAboutDisclaimer, l.disclaimer}}) {
            EXPECT_EQ(std::regex_replace(lines, std::regex("\r\n"), " "), whole) << dpi;
            EXPECT_TRUE(fits(r, lines)) << dpi;
            std::stringstream split(lines);
            for (std::string line; std::getline(split, line);) {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                // Wine draws a line up to 3 % wider than it measures (at 120 DPI
                // a static control then dropped the line's last glyph).
                EXPECT_LE(TextWidth(font.get(), line) * 103 / 100 + 4, r.right - r.left) << dpi << " " << line;
            }
        }
        EXPECT_TRUE(fits(l.version, "Version 10.10.10000")) << dpi;
        EXPECT_GE(l.version.bottom - l.version.top, FontHeight(font.get())) << dpi;
        EXPECT_GE(l.sysInfo.right - l.sysInfo.left, TextWidth(font.get(), "System Info...") + 8) << dpi;
        EXPECT_LE(l.title.bottom, l.version.top) << dpi;
        EXPECT_LE(l.version.bottom, l.description.top) << dpi;
        EXPECT_LE(l.description.bottom, l.line1.top) << dpi;
        EXPECT_LE(l.disclaimer.bottom, l.line2.top) << dpi;
        EXPECT_LE(l.line2.bottom, l.ok.top) << dpi;
        EXPECT_LE(l.sysInfo.right, l.ok.left) << dpi;
        EXPECT_LE(l.ok.right, l.width) << dpi;
        EXPECT_LE(l.ok.bottom, l.height) << dpi;
        EXPECT_LE(std::max(l.description.right, l.disclaimer.right), l.width) << dpi;
    }
}

TEST(About, GetKeyValueReadsTextAndNumbersAndFailsOnMissingValues) {
    TestKey key(HKEY_CURRENT_USER, kTestRoot);
    SetRegString(HKEY_CURRENT_USER, kTestRoot, "Text", "C:\\Tools");
    SetRegDword(HKEY_CURRENT_USER, kTestRoot, "Number", 4000000000u);
    SetRegBinary(HKEY_CURRENT_USER, kTestRoot, "Bytes", std::string("\x01\x02", 2));
    std::string value = "old";
    EXPECT_TRUE(GetKeyValue(HKEY_CURRENT_USER, kTestRoot, "Text", value));
    EXPECT_EQ(value, "C:\\Tools");
    EXPECT_TRUE(GetKeyValue(HKEY_CURRENT_USER, kTestRoot, "Number", value));
    EXPECT_EQ(value, "4000000000");
    EXPECT_TRUE(GetKeyValue(HKEY_CURRENT_USER, kTestRoot, "Bytes", value));
    EXPECT_EQ(value, "4000000000"); // other types leave it as it was
    EXPECT_FALSE(GetKeyValue(HKEY_CURRENT_USER, kTestRoot, "Missing", value));
    EXPECT_EQ(value, "");
    value = "old";
    EXPECT_FALSE(GetKeyValue(HKEY_CURRENT_USER, kTestRoot + "\\Missing", "Text", value));
    EXPECT_EQ(value, "");
}

TEST(About, SysInfoPathPrefersMsinfoPathAndChecksTheSharedToolsFolder) {
    TestKey key(HKEY_CURRENT_USER, kTestRoot);
    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTestRoot.c_str(), 0, KEY_READ, &root), ERROR_SUCCESS);
    TempDir dir;
    EXPECT_EQ(SysInfoPath(root), "");
    // Only the shared tools folder, which holds no MSINFO32.EXE: none.
    SetRegString(HKEY_CURRENT_USER, kTestRoot + "\\SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", dir.path());
    EXPECT_EQ(SysInfoPath(root), "");
    WriteFileBytes(dir / "MSINFO32.EXE", "x");
    EXPECT_EQ(SysInfoPath(root), dir / "MSINFO32.EXE");
    SetRegString(HKEY_CURRENT_USER, kTestRoot + "\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                 "C:\\Other\\msinfo32.exe");
    EXPECT_EQ(SysInfoPath(root), "C:\\Other\\msinfo32.exe");
    RegCloseKey(root);
}

TEST(About, ShowsTitleVersionAndTellsWhenSystemInformationIsMissing) {
    if (!SysInfoPath(HKEY_LOCAL_MACHINE).empty())
        GTEST_SKIP() << "a System Information program is registered";
    std::string version, caption;
    BoxSeen told;
    std::thread driver([&] {
        HWND about = WaitForTopWindow(GetCurrentProcessId(), "#32770", "About Quillmara", 60000);
        if (about == nullptr)
            return;
        caption = TextOf(about);
        version = TextOf(FindControl(about, IDC_ABOUT_VERSION));
        PostMessageA(about, WM_COMMAND, IDC_ABOUT_SYSINFO, 0);
        if (HWND box = WaitForBox(GetCurrentProcessId(), "Quillmara", 60000)) {
            told = ReadBox(box);
            AnswerBox(box, IDOK);
            WaitUntil([&] { return !IsWindow(box); }, 60000);
        }
        PostMessageA(about, WM_COMMAND, IDOK, 0);
    });
    ShowAbout(nullptr);
    driver.join();
    EXPECT_EQ(caption, "About Quillmara");
    EXPECT_EQ(version, "Version 1.2.93");
    EXPECT_EQ(told.prompt, "System Information Is Unavailable At This Time");
    EXPECT_EQ(told.buttons, std::vector<int>{IDOK});
}

TEST(Environment, ListsEveryEntryAndEndsWithAnEmptyLine) {
    EXPECT_EQ(ListLocalEnvironment("A=1\0B=x y\0\0"), "A=1\r\nB=x y\r\n\r\n");
    EXPECT_EQ(ListLocalEnvironment("\0"), "\r\n");
    SetEnvironmentVariableA("QUILLMARA_ENV_TEST", "found");
    const std::string text = EnvironmentText();
    EXPECT_NE(text.find("\r\nQUILLMARA_ENV_TEST=found\r\n"), std::string::npos);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
    SetEnvironmentVariableA("QUILLMARA_ENV_TEST", nullptr);
}

TEST(Environment, TheWindowShowsTheListAndClosesOnEscape) {
    EnvironmentDialog dialog;
    dialog.Open(nullptr);
    ASSERT_NE(dialog.hwnd(), nullptr);
    EXPECT_EQ(TextOf(dialog.hwnd()), "Environment Variables");
    EXPECT_EQ(TextOf(FindControl(dialog.hwnd(), IDC_ENV_TEXT)), EnvironmentText());
    SendMessageA(dialog.hwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(dialog.hwnd(), nullptr);
}

// At 96, 120 and 144 dots per inch every caption fits its button with room
// around it, and the controls lie apart inside the dialog, also when the
// screen leaves less than the design's size.
TEST(License, EveryCaptionShowsAtEveryDisplayScale) {
    for (int dpi : {96, 120, 144}) {
        const FontHandle font = FontAtDpi(dpi);
        for (const SIZE room : {SIZE{4000, 4000}, SIZE{780, 520}}) {
            const AgreementLayout l = LayOutAgreement(font.get(), room.cx, room.cy);
            EXPECT_TRUE(l.width <= room.cx && l.height <= room.cy) << dpi;
            for (const auto &[r, caption] : {std::pair{l.quit, "QUIT"}, std::pair{l.agree, "I AGREE"},
                                             std::pair{l.agree, "Close"}}) {
                EXPECT_LE(TextWidth(font.get(), caption) * 103 / 100 + 4 + 8, r.right - r.left) << dpi << caption;
                EXPECT_GE(r.bottom - r.top, FontHeight(font.get()) * 3 / 2) << dpi << caption;
                EXPECT_TRUE(r.left >= 0 && r.right <= l.width && r.top >= l.text.bottom && r.bottom <= l.height)
                    << dpi << caption;
            }
            EXPECT_LE(l.quit.right, l.agree.left) << dpi;
            EXPECT_GE(l.text.bottom - l.text.top, 10 * FontHeight(font.get())) << dpi;
        }
    }
}

TEST(License, ShownForReadingItHasACloseButtonThatClosesIt) {
    AgreementDialog license;
    license.ShowForReading(nullptr);
    ASSERT_NE(license.hwnd(), nullptr);
    // Laid out for the dialog font.
    RECT client{};
    GetClientRect(license.hwnd(), &client);
    EXPECT_EQ(client.right, LayOutAgreement(UiFont(), 4000, 4000).width);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(license.hwnd(), IDC_LICENSE_QUIT)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(license.hwnd(), IDC_LICENSE_CONTINUE)));
    HWND close = GetDlgItem(license.hwnd(), IDCANCEL);
    ASSERT_TRUE(IsWindowVisible(close));
    EXPECT_EQ(TextOf(close), "Close");
    SendMessageA(close, BM_CLICK, 0, 0);
    EXPECT_EQ(license.hwnd(), nullptr);
}
