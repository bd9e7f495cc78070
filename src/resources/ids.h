// Every command, dialog, control and resource identifier of the program, as
// plain #defines so that the resource compiler, the code and the tests read
// the same numbers. Each block has its own range; add new ids inside the
// block that owns them.
#pragma once

// ---- Resources: icons, bitmaps, image strips, custom data (100-399) ------
#define IDI_QUILLMARA 100
// Empty hive skeletons (type "CUSTOM"): SOFTWARE, SYSTEM, a user.
#define IDR_HIVE_SOFTWARE 101
#define IDR_HIVE_SYSTEM 102
#define IDR_HIVE_USER 103
// The agreement text (RCDATA).
#define IDR_LICENSE_TEXT 104
// Image strips and single bitmaps: 110-199. Dialog templates: 200-299.
// Image lists: MenuIcons (18), IconList (17), ToolPicsA (11), 16 x 16 each.
#define IDB_MENUICONS 110
#define IDB_ICONLIST 111
#define IDB_TOOLPICSA 112

// ---- Main window controls (1000-1099) ------------------------------------
#define IDC_TABSTRIP 1000
#define IDC_TOOLBAR 1001
#define IDC_STATUSBAR 1002
#define IDC_PICFILE 1003
// Pic: the hidden picture message boxes show in place of their icon.
#define IDC_PIC 1004
// FileLabel(0..7) are IDC_FILELABEL0 + index.
#define IDC_FILELABEL0 1010
// The 14 category grids are IDC_GRID0 + grid number (1..14).
#define IDC_GRID0 1020
#define IDC_CREDITPIC 1040
// Toolbar buttons 1..11 are IDC_TOOLBUTTON0 + button.
#define IDC_TOOLBUTTON0 1070
// The 14 category frames (each hosts its grid) are IDC_FRAME0 + category.
#define IDC_FRAME0 1050

// ---- Menu commands (2000-2999) -------------------------------------------
// File
#define IDM_SEARCH 2001
#define IDM_SAVE 2002
#define IDM_REFRESH 2003
#define IDM_EXIT 2004
// Entry (also the grids' right-click menu)
#define IDM_DISABLE 2010
#define IDM_DELETE 2011
#define IDM_COPY 2012
#define IDM_BACKUP 2013
#define IDM_RESTORE 2014
#define IDM_JUMP 2015
#define IDM_GOOGLE 2016
#define IDM_EXPLORE 2017
#define IDM_PROPS 2018
// Category: IDM_TAB0 + tab number (1..14)
#define IDM_TAB0 2020
// Options
#define IDM_BACKUPALL 2040
#define IDM_EMPTY 2041
#define IDM_MICRO 2042
#define IDM_RESTOREALL 2043
// Options > Watching
#define IDM_WATCH 2050
#define IDM_STARTWITHWINDOWS 2051
#define IDM_RESNAP 2052
// Drive: IDM_OS0 + installation number (0 = the running system, 1.. offline)
#define IDM_OS0 2100
#define IDM_OS_LAST 2199
// Window
#define IDM_MINIMIZE 2200
#define IDM_ENVIRONMENT 2201
#define IDM_LICENSE 2202
// Help
#define IDM_HELP 2210
#define IDM_ABOUT 2211
// Keyboard accelerators
#define IDM_FINDNEXT 2300
// Ctrl+Tab and Ctrl+Page Down, Ctrl+Shift+Tab and Ctrl+Page Up: the next or previous tab.
#define IDM_NEXTTAB 2301
#define IDM_PREVTAB 2302

// ---- Notification-area form and its menu (3000-3099) ---------------------
#define IDM_TRAY_RUN 3001
#define IDM_TRAY_PROTECT 3002
#define IDM_TRAY_HELP 3003
#define IDM_TRAY_ABOUT 3004
#define IDM_TRAY_EXIT 3005

// ---- Dialogs and their controls (4000-4999) ------------------------------
// Agreement dialog 4000-4019, progress 4020-4039, environment 4040-4059,
// About 4060-4079.
#define IDC_LICENSE_TEXT 4001
#define IDC_LICENSE_QUIT 4002
#define IDC_LICENSE_CONTINUE 4003
#define IDC_PROGRESS_LABEL 4021
#define IDC_PROGRESS_BAR 4022
#define IDC_ENV_TEXT 4041
#define IDC_ABOUT_ICON 4061
#define IDC_ABOUT_TITLE 4062
#define IDC_ABOUT_VERSION 4063
#define IDC_ABOUT_DESCRIPTION 4064
#define IDC_ABOUT_DISCLAIMER 4065
#define IDC_ABOUT_SYSINFO 4066
#define IDC_ABOUT_LINE1 4067
#define IDC_ABOUT_LINE2 4068

// ---- Timers (5000-5099) ---------------------------------------------------
#define IDT_NAV 5001
#define IDT_SNAP 5002
