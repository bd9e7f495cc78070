// Bitmaps beside menu items: the list of every item's command identifier and
// caption (MenuIconList), the lookup of an identifier by caption, the setting
// of an item's checked and unchecked bitmaps, and the main window's menu
// pictures drawn from the image lists at the size the platform gives the
// check-mark area, so that they show whole.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

struct MenuIconRecord {
    short ID = 0; // -1 for an item that opens a submenu
    std::string Caption;
};

// Filled by TrackMenus, from index 0.
std::vector<MenuIconRecord> &MenuIconList();

// Walks the window's menu (two levels below the bar) and rebuilds
// MenuIconList(); items of a submenu come before the item that opens it.
void TrackMenus(HWND form);

// The identifier of the first recorded item whose caption equals `caption`
// exactly (case and blanks count); 0 when none does.
short GetMenuID(const std::string &caption);

// Sets the unchecked and checked bitmaps (null: none) of the item with that
// identifier; an identifier not in the menu is logged and skipped.
void SetMenuIcon(HWND wnd, long id, HBITMAP unchecked, HBITMAP checked);

// The size of the menu check-mark area, which a menu item bitmap fills.
SIZE MenuBitmapSize();

// A bitmap of MenuBitmapSize() filled with the menu colour, with image
// `index` (from 0) of the list drawn at (x, y) with size (cx, cy), given in
// twips of the 240-twip design box and scaled to the real size; what falls
// outside is cut off. Null when the list has no such image.
HBITMAP DrawMenuBitmap(HIMAGELIST list, int index, int xTw, int yTw, int cxTw, int cyTw);

// Draws every menu picture and gives each item its bitmaps: the category
// items the images 1-14 of `iconList`, the other items theirs of `menuIcons`,
// the four check items the check pair. The bitmaps live until the program ends.
void LoadMenuBitmaps(HWND form, HIMAGELIST menuIcons, HIMAGELIST iconList);
// Gives the item the check pair (the unchecked and checked pictures), as the
// Drive menu's items get it when they are made; after LoadMenuBitmaps.
void SetCheckPairIcon(HWND form, long id);
