// The main window's menu bar: the top-level menus, and in them every item of
// the command table (ui/commands.h) in table order, with its exact caption
// (leading blanks included) and command identifier.
#pragma once
#include <windows.h>

#include <string>

#include "resources/ids.h"

// Builds the whole menu bar: the items that need a selected row disabled,
// "   Current OS" checked. The caller owns the menu until it is attached to a
// window.
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
constexpr int kMenuCount = 7;
