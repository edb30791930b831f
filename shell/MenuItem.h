#pragma once
// One row of the menu pane, read from a "MENUITEM_" section of the menu file.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shell/MenuDLLProc.h"

struct CMenuItem {
  int32_t itemId = 0;
  std::wstring name;  // resolved display text
  int32_t selecting = 0;
  int32_t parentItemId = 0;
  std::wstring dllName;
  int32_t fontBold = 0;
  int32_t fontSize = 0;
  std::vector<CMenuItem*> children;
  int32_t level = 0;
  COLORREF textColour = 0;
  CMenuDLLProc plugin;
};
