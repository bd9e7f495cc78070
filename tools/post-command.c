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

/* The grid's rows are as tall as its font's characters and 6 pixels, at
   least 19; its columns are laid out in twips, so the Description column
   starts further right at a larger display scale. */
#define GRID_MIN_ROW_HEIGHT 19
#define DESCRIPTION_X_96 260

static int grid_row_height(HWND grid) {
    /* The grid draws in the dialog font, made here as the program makes it
       (a font handle of the other process means nothing in this one). */
    NONCLIENTMETRICSA ncm;
    HFONT font = NULL;
    int height = GRID_MIN_ROW_HEIGHT;
    memset(&ncm, 0, sizeof ncm);
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        font = CreateFontIndirectA(&ncm.lfMessageFont);
    if (font != NULL) {
        HDC dc = GetDC(grid);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA tm;
        if (GetTextMetricsA(dc, &tm) && tm.tmHeight + 6 > height)
            height = tm.tmHeight + 6;
        SelectObject(dc, old);
        ReleaseDC(grid, dc);
        DeleteObject(font);
    }
    return height;
}

static int description_x(HWND grid) {
    HDC dc = GetDC(grid);
    const int x = MulDiv(DESCRIPTION_X_96, GetDeviceCaps(dc, LOGPIXELSX), 96);
    ReleaseDC(grid, dc);
    return x;
}

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
        const HWND grid = (HWND)search[1];
        const int height = grid_row_height(grid);
        const LPARAM at = MAKELPARAM(description_x(grid), row * height + height / 2);
        PostMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(grid, WM_LBUTTONUP, 0, at);
        return 0;
    }
    return PostMessageA(main_window, WM_COMMAND, (WPARAM)atoi(argv[1]), 0) ? 0 : 1;
}
