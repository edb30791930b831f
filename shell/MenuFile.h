#pragma once
// Reads a menu definition file: the title, the pane's [SETTINGS] and the
// "MENUITEM_" sections, loading and initialising each item's plug-in as its
// section is read.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/LangResourceTable.h"
#include "framework/PrinterSettingsList.h"
#include "framework/UtilitySettings.h"
#include "shell/MenuDefinition.h"
#include "shell/MenuItem.h"

struct MenuLayout {
  int32_t indents[kMenuLevels] = {6, 12, 24, 24, 24};
  int32_t itemHeight = -1;
  int32_t itemWidth = -1;
  std::wstring bitmapPaths[4];  // background, on mouse, selected, selecting
  int32_t stretchBitmaps = 0;
  int32_t transparentBitmaps = 0;
  COLORREF defaultTextColour = kBlack;
};

using MenuItems = std::vector<std::unique_ptr<CMenuItem>>;

class CMenuFile {
public:
  explicit CMenuFile(std::wstring path) : path_(std::move(path)) {}

  const std::wstring& Path() const { return path_; }
  std::optional<std::wstring> ReadTitle() const;
  MenuLayout ReadLayout() const;
  // Plug-ins are loaded and initialised here, with the frame, the page pane
  // and the record; items whose plug-in fails are left out.
  MenuItems ReadItems(const MenuLayout& layout, HWND frame, HWND pagePane, UtilitySettings* settings,
                      const CLangResourceTable& texts) const;

private:
  int32_t Int(const wchar_t* section, const wchar_t* key, int32_t def) const;
  std::wstring Text(const wchar_t* section, const wchar_t* key) const;
  std::wstring DisplayText(const std::wstring& section, CMenuItem& item, const CLangResourceTable& texts) const;

  std::wstring path_;
};

// Registers each plug-in's data block, then the blocks of other plug-ins it
// depends on, letting the plug-in write the defaults of each new block.
void RegisterPluginData(const MenuItems& items, CPrinterSettingsList& list);
