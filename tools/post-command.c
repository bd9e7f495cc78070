/* Drives the running Quillmara main window for the screenshot script. Usage:
     post-command.exe <command id>         posts a menu command
     post-command.exe size <width> <height> sizes the window (outer pixels)
     post-command.exe maximize             maximises the window
     post-command.exe show                 shows the window (hidden while watching)
     post-command.exe click <tab> <row>    shows category tab 1..14 and clicks
                                           the Description cell of a row
     post-command.exe close                closes the window (its questions) */
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "resources/ids.h"

#define GRID_ROW_HEIGHT 19
#define DESCRIPTION_X 260

static HWND main_window;

static BOOL CALLBACK find_grid(HWND wnd, LPARAM lp) {
    if (GetDlgCtrlID(wnd) == (int)((LONG_PTR *)lp)[0]) {
        ((LONG_PTR *)lp)[1] = (LONG_PTR)wnd;
        return FALSE;
    }
    return TRUE;
}

int main(int argc, char **argv) {
    if (argc < 2)
        return 2;
    main_window = FindWindowA("QuillmaraMain", NULL);
    if (main_window == NULL)
        return 1;
    if (strcmp(argv[1], "size") == 0 && argc >= 4) {
        ShowWindow(main_window, SW_RESTORE);
        return SetWindowPos(main_window, NULL, 0, 0, atoi(argv[2]), atoi(argv[3]), SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    }
    if (strcmp(argv[1], "maximize") == 0)
        return ShowWindow(main_window, SW_MAXIMIZE), 0;
    if (strcmp(argv[1], "show") == 0)
        return ShowWindow(main_window, SW_SHOWNORMAL), SetForegroundWindow(main_window), 0;
    if (strcmp(argv[1], "close") == 0)
        return PostMessageA(main_window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (strcmp(argv[1], "click") == 0 && argc >= 4) {
        const int tab = atoi(argv[2]), row = atoi(argv[3]);
        LONG_PTR search[2] = {IDC_GRID0 + tab, 0};
        SendMessageA(main_window, WM_COMMAND, IDM_TAB0 + tab, 0);
        EnumChildWindows(main_window, find_grid, (LPARAM)search);
        if (search[1] == 0)
            return 1;
        const LPARAM at = MAKELPARAM(DESCRIPTION_X, row * GRID_ROW_HEIGHT + GRID_ROW_HEIGHT / 2);
        PostMessageA((HWND)search[1], WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA((HWND)search[1], WM_LBUTTONUP, 0, at);
        return 0;
    }
    return PostMessageA(main_window, WM_COMMAND, (WPARAM)atoi(argv[1]), 0) ? 0 : 1;
}
