// The main window's menu bar: every menu and item with its exact caption
// (leading blanks included) and command identifier, built from one table that
// the menu bitmaps, the Entry popup and the tests read as well.
#pragma once
#include <windows.h>

#include <string>

#include "resources/ids.h"

// Builds the whole menu bar: the Entry items disabled, "   Current OS" checked.
// The caller owns the menu until it is attached to a window.
HMENU BuildMainMenu();

// The caption of a command's item as the menu holds it; empty for an
// identifier the menu does not have.
std::string MenuCaption(int id);

// Positions of the top-level menus in the menu bar.
constexpr int kMenuFile = 0;
constexpr int kMenuEntry = 1;
constexpr int kMenuCategory = 2;
constexpr int kMenuOptions = 3;
constexpr int kMenuDrive = 4;
constexpr int kMenuWindow = 5;
constexpr int kMenuHelp = 6;

// The Entry menu's nine commands, in menu order.
constexpr int kEntryCommands[] = {IDM_DISABLE, IDM_DELETE, IDM_COPY,    IDM_BACKUP, IDM_RESTORE,
                                  IDM_JUMP,    IDM_GOOGLE, IDM_EXPLORE, IDM_PROPS};
