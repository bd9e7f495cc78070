// The program icon, the three image lists (MenuIcons 18, IconList 17,
// ToolPicsA 11) and the hidden pictures drawn from them at load: the menu
// item pictures, the category pictures and RegPic, FilePic and DisPic.
#include <windows.h>

#include <commctrl.h>

#include "resources/ids.h"
#include "system/log.h"
#include "ui/main_window.h"

namespace {

constexpr COLORREF kMaskColour = RGB(255, 0, 255);

HIMAGELIST LoadStrip(int id) {
    return ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), 16, 0, kMaskColour, IMAGE_BITMAP,
                                LR_CREATEDIBSECTION);
}

// Where each menu picture is drawn from its MenuIcons image (twips).
struct PictureSpot {
    int x, y, cx, cy;
};
const PictureSpot kMenuSpots[19] = {
    {0, 0, 0, 0},       // unused
    {0, -5, 210, 210},  // PicFind
    {0, 0, 200, 200},   // PicSave
    {0, -10, 210, 200}, // PicRef
    {0, -10, 210, 200}, // PicExit
    {0, -10, 210, 200}, // PicDis
    {0, -10, 210, 200}, // PicDel
    {0, -10, 210, 200}, // PicCopy
    {0, -10, 210, 200}, // PicJump
    {0, -10, 210, 200}, // PicGoog
    {0, -10, 210, 200}, // PicExp
    {0, 0, 200, 200},   // PicProps
    {0, 0, 200, 200},   // PicUncheck
    {0, 0, 200, 200},   // PicCheck
    {0, 0, 200, 200},   // PicEnv
    {0, 0, 200, 200},   // PicHelp
    {0, 0, 210, 200},   // PicAbout
    {0, 0, 200, 200},   // PicBack
    {0, 0, 200, 200},   // PicRest
};

} // namespace

bool MainWindow::LoadImageLists() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    icon_.reset(static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_QUILLMARA), IMAGE_ICON, 32, 32, 0)));
    smallIcon_.reset(static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(IDI_QUILLMARA), IMAGE_ICON, 16, 16, 0)));
    menuIcons_.reset(LoadStrip(IDB_MENUICONS));
    iconList_.reset(LoadStrip(IDB_ICONLIST));
    toolPicsA_.reset(LoadStrip(IDB_TOOLPICSA));
    if (!menuIcons_ || !iconList_ || !toolPicsA_) {
        WriteLog("Grids the image lists could not be loaded");
        return false;
    }
    return true;
}

void MainWindow::DrawHiddenPictures() {
    const COLORREF menuBack = GetSysColor(COLOR_MENU);
    for (int i = 1; i <= 18; ++i) {
        const PictureSpot &s = kMenuSpots[i];
        pictures_.menu[static_cast<size_t>(i)].reset(
            DrawListImage(menuIcons(), i - 1, s.x, s.y, s.cx, s.cy, 16, menuBack));
    }
    for (int i = 1; i <= kCategories; ++i)
        pictures_.category[static_cast<size_t>(i)].reset(
            DrawListImage(iconList(), i - 1, 0, 0, 200, 200, 16, menuBack));
    const COLORREF gridBack = GetSysColor(COLOR_WINDOW);
    pictures_.regPic.reset(DrawListImage(iconList(), 14, 0, 0, 240, 240, 16, gridBack));
    pictures_.filePic.reset(DrawListImage(iconList(), 15, 0, 0, 240, 240, 16, gridBack));
    pictures_.disPic.reset(DrawListImage(iconList(), 16, 0, 0, 240, 240, 16, gridBack));
}
