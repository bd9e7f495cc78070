#include "ui/shell_icons.h"

#include <shellapi.h>

bool DrawFileIcon(const std::string &fileName, const IconBox &box, UINT flags) {
    SHFILEINFOA info{};
    const int size = flags == kSmallTypeIcon ? 16 : 32;
    if (SHGetFileInfoA(fileName.c_str(), 0, &info, sizeof info, flags) == 0 || info.hIcon == nullptr)
        return false;
    if (HBRUSH brush = CreateSolidBrush(box.background)) {
        FillRect(box.dc, &box.area, brush);
        DeleteObject(brush);
    }
    const bool drawn =
        DrawIconEx(box.dc, box.area.left, box.area.top, info.hIcon, size, size, 0, nullptr, DI_NORMAL) != 0;
    if (box.window != nullptr)
        RedrawWindow(box.window, &box.area, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    DestroyIcon(info.hIcon);
    return drawn;
}
