// The program icon and the three image lists (MenuIcons 18, IconList 17,
// ToolPicsA 11) that the menus, tabs, toolbar and grids draw from.
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
