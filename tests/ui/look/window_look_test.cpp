// How the program looks: at the sizes the window allows the tabs show their
// whole captions and icons without overlapping, and the program's icon has
// images for small and large views.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "resources/ids.h"
#include "support/app_driver.h"
#include "ui/font_layout.h"
#include "ui/gdi.h"
#include "ui/main_window.h"
#include "ui/selection_rules.h"
#include "ui/tab_strip.h"
#include "ui/window.h"

namespace {

// The widest of 14 captions (" WINSOCK PROVIDERS" in the program's font).
constexpr int kWidest = 111;
constexpr int kNeeded = 2 * (kTabEdge + kTabPadding) + kTabIconSize + kTabIconGap + kWidest;

TEST(TabLayoutTest, TabsTakeAnotherRowOnlyWhenTheirCaptionsNeedIt) {
    // Seven to a row, as designed, where they fit.
    EXPECT_EQ(ChooseTabLayout(14, 7 * kNeeded, kWidest).perRow, 7);
    EXPECT_EQ(ChooseTabLayout(14, 7 * kNeeded, kWidest).tabWidth, kNeeded);
    EXPECT_EQ(ChooseTabLayout(14, 2000, kWidest).perRow, 7);
    // Narrower: fewer to a row, each caption whole beside its icon.
    for (int rowWidth : {7 * kNeeded - 1, 616, 300}) {
        const TabLayout narrow = ChooseTabLayout(14, rowWidth, kWidest);
        EXPECT_LT(narrow.perRow, 7) << rowWidth;
        EXPECT_LE(narrow.perRow * narrow.tabWidth, rowWidth) << rowWidth;
        const RECT inside = TabInterior(RECT{0, 0, narrow.tabWidth, 22});
        const RECT caption = TabCaptionRect(inside);
        EXPECT_LE(kWidest, caption.right - caption.left) << rowWidth;
        EXPECT_LE(TabIconRect(inside).right, caption.left);
        EXPECT_GE(TabIconRect(inside).left, inside.left);
    }
    EXPECT_EQ(ChooseTabLayout(14, 100, kWidest).perRow, 1);
    EXPECT_EQ(TabCaptionText("     IMAGE HIJACKS"), "IMAGE HIJACKS");
}

// The status bar at 96, 120 and 144 dots per inch: at the window's minimum
// width (grown with the font) the longest help text and the operating system
// show whole, from 800 pixels on the path too; at the default size the
// design's widths stay.
TEST(StatusLayoutTest, TheHelpAndTheOperatingSystemShowWholeAtEveryScale) {
    for (int dpi : {96, 120, 144}) {
        LOGFONTA lf{};
        GetObjectA(UiFont(), sizeof lf, &lf);
        lf.lfHeight = MulDiv(lf.lfHeight, dpi, 96);
        const FontHandle font(CreateFontIndirectA(&lf));
        const int fh = FontHeight(font.get());
        const int help = TextWidth(font.get(), kLocationHelp) + 12;
        const int path = TextWidth(font.get(), "System Path: C:\\WINDOWS") + 12;
        const int system = TextWidth(font.get(), "Operating System: Vista / Windows 7") + 12 + 17;
        for (int width : {ScaledForFont(640, fh) - 16, ScaledForFont(800, fh) - 16, ScaledForFont(944, fh)}) {
            const StatusWidths w = ChooseStatusWidths(width, help, path, system, ScaledForFont(360, fh),
                                                      ScaledForFont(230, fh));
            EXPECT_GE(w.help, help) << dpi << " " << width;
            EXPECT_GE(w.system, system) << dpi << " " << width;
            if (width > ScaledForFont(640, fh)) { // at the very minimum the path alone may be cut
                EXPECT_GE(w.path, path) << dpi << " " << width;
            }
            EXPECT_EQ(w.help + w.path + w.system, width) << dpi << " " << width;
        }
    }
    const StatusWidths design = ChooseStatusWidths(944, 310, 130, 200, 360, 230);
    EXPECT_EQ(design.path, 360);
    EXPECT_EQ(design.system, 230);
    // Too narrow for all: the path is cut, never the operating system.
    const StatusWidths narrow = ChooseStatusWidths(510, 310, 130, 200, 360, 230);
    EXPECT_EQ(narrow.system, 200);
    EXPECT_EQ(narrow.help, 310);
    EXPECT_EQ(narrow.path, 0);
}

class MainWindowLookTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override { ASSERT_TRUE(main.CreateHidden()); }
    MainWindow main;
};

// At every width from the minimum on, each tab's caption, measured in the
// font it is drawn with, fits its place beside the icon, no two tabs'
// captions or icons overlap, and no tab reaches past the strip.
TEST_F(MainWindowLookTest, EveryTabShowsItsWholeCaptionAndIcon) {
    HWND tabs = main.tabStrip();
    for (int width : {640, 700, 800, 960, 1024, 1280, 1600}) {
        SetWindowPos(main.hwnd(), nullptr, 0, 0, width, 600, SWP_NOMOVE | SWP_NOZORDER);
        RECT strip{};
        GetClientRect(tabs, &strip);
        HDC dc = GetDC(tabs);
        HGDIOBJ old = SelectObject(dc, UiFont());
        std::vector<RECT> placed;
        for (int i = 0; i < MainWindow::kCategories; ++i) {
            RECT tab{};
            ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tab)));
            char text[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            const std::string caption = TabCaptionText(text);
            SIZE size{};
            GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
            const RECT room = TabCaptionRect(TabInterior(tab));
            EXPECT_LE(size.cx, room.right - room.left) << width << " " << caption;
            const RECT icon = TabIconRect(TabInterior(tab));
            EXPECT_LE(tab.right, strip.right) << width << " " << caption;
            for (const RECT &other : placed) {
                RECT overlap{};
                EXPECT_FALSE(IntersectRect(&overlap, &room, &other)) << width << " " << caption;
                EXPECT_FALSE(IntersectRect(&overlap, &icon, &other)) << width << " " << caption;
            }
            placed.push_back(room);
            placed.push_back(icon);
        }
        SelectObject(dc, old);
        ReleaseDC(tabs, dc);
    }
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The icon of Quillmara.exe holds 16, 32, 48 and 256 pixel images, each
// drawn at its own size (not one image scaled).
TEST(ProgramIconTest, TheIconHasImagesForSmallAndLargeViews) {
    HMODULE exe = LoadLibraryExA(QuillmaraExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    auto resource = [&](LPCSTR name, LPCSTR type) -> const BYTE * {
        HRSRC found = FindResourceA(exe, name, type);
        HGLOBAL data = found ? LoadResource(exe, found) : nullptr;
        return data ? static_cast<const BYTE *>(LockResource(data)) : nullptr;
    };
    const BYTE *group = resource(MAKEINTRESOURCEA(IDI_QUILLMARA), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const WORD count = reinterpret_cast<const WORD *>(group)[2];
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto *entry = reinterpret_cast<const IconGroupEntry *>(group + 6) + i;
        const int size = entry->width == 0 ? 256 : entry->width;
        sizes.push_back(size);
        const auto *image = reinterpret_cast<const BITMAPINFOHEADER *>(
            resource(MAKEINTRESOURCEA(entry->id), MAKEINTRESOURCEA(3))); // RT_ICON
        ASSERT_NE(image, nullptr) << size;
        EXPECT_EQ(image->biWidth, size);
        EXPECT_EQ(image->biHeight, 2 * size); // the colours and the mask
        EXPECT_EQ(image->biBitCount, 32) << size;
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
    FreeLibrary(exe);
}

} // namespace
