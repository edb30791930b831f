#include "shell/MenuFile.h"

#include <algorithm>
#include <vector>

int32_t CMenuFile::Int(const wchar_t* section, const wchar_t* key, int32_t def) const {
  return static_cast<int32_t>(GetPrivateProfileIntW(section, key, def, path_.c_str()));
}

std::wstring CMenuFile::Text(const wchar_t* section, const wchar_t* key) const {
  wchar_t buffer[260] = {};
  GetPrivateProfileStringW(section, key, L"", buffer, static_cast<DWORD>(std::size(buffer)), path_.c_str());
  return buffer;
}

std::optional<std::wstring> CMenuFile::ReadTitle() const {
  return MenuTitle(Text(L"APP_SETTING", L"TITLE"), Int(L"APP_SETTING", L"TITLE_ADD_VERSION", 0));
}

MenuLayout CMenuFile::ReadLayout() const {
  MenuLayout layout;
  const wchar_t* indentKeys[kMenuLevels] = {L"LEVEL1_INDENT", L"LEVEL2_INDENT", L"LEVEL3_INDENT", L"LEVEL4_INDENT",
                                            L"LEVEL5_INDENT"};
  for (int i = 0; i < kMenuLevels; ++i) layout.indents[i] = Int(L"SETTINGS", indentKeys[i], kDefaultIndents[i]);
  layout.itemHeight = Int(L"SETTINGS", L"MENU_ITEM_HEIGHT", -1);
  layout.itemWidth = Int(L"SETTINGS", L"MENU_ITEM_WIDTH", -1);
  const wchar_t* bitmapKeys[4] = {L"BACKGROUND_BITMAP", L"ITEM_ON_MOUSE_BITMAP", L"ITEM_SELECTED_BITMAP",
                                  L"ITEM_SELECTING_BITMAP"};
  for (int i = 0; i < 4; ++i) layout.bitmapPaths[i] = Text(L"SETTINGS", bitmapKeys[i]);
  layout.stretchBitmaps = Int(L"SETTINGS", L"ITEM_BITMAP_STRETCH", 0);
  layout.transparentBitmaps = Int(L"SETTINGS", L"ITEM_BITMAP_BK_TRANSPARENT", 0);
  layout.defaultTextColour = ResolveColour(Int(L"SETTINGS", L"DEFALT_FONT_COLOR_R", -1),
                                           Int(L"SETTINGS", L"DEFALT_FONT_COLOR_G", -1),
                                           Int(L"SETTINGS", L"DEFALT_FONT_COLOR_B", -1), kBlack);
  return layout;
}

std::wstring CMenuFile::DisplayText(const std::wstring& section, CMenuItem& item,
                                    const CLangResourceTable& texts) const {
  const std::wstring text = Text(section.c_str(), L"STRING");
  if (!text.empty()) {
    if (const auto number = StringReferenceNumber(text); number && *number >= 0) {
      std::wstring resolved;
      if (texts.GetString(*number, resolved) == 0) return resolved;
    }
    return text;
  }
  const std::wstring key = Text(section.c_str(), L"MENU_NAME_KEY");
  const wchar_t* keyArg = key.empty() ? nullptr : key.c_str();
  int32_t needed = 0;
  if (item.plugin.GetMenuName(keyArg, static_cast<int32_t>(key.size()), nullptr, 0, &needed) !=
          kMenuNameNeedsBuffer ||
      needed <= 0 || needed > 0x10000) {
    return {};
  }
  std::vector<wchar_t> buffer(static_cast<std::size_t>(needed) + 1, L'\0');
  int32_t again = 0;
  if (item.plugin.GetMenuName(keyArg, static_cast<int32_t>(key.size()), buffer.data(), needed, &again) != 0) {
    return {};
  }
  buffer.back() = L'\0';  // a name without its terminator stops at our own
  return buffer.data();
}

MenuItems CMenuFile::ReadItems(const MenuLayout& layout, HWND frame, HWND pagePane, UtilitySettings* settings,
                               const CLangResourceTable& texts) const {
  MenuItems items;
  wchar_t names[520] = {};
  const DWORD length = GetPrivateProfileSectionNamesW(names, static_cast<DWORD>(std::size(names)), path_.c_str());
  if (length >= kSectionListLimit) return items;

  for (const wchar_t* name = names; *name && name < names + length; name += wcslen(name) + 1) {
    const std::wstring section = name;
    if (section.compare(0, 9, L"MENUITEM_") != 0) continue;
    auto item = std::make_unique<CMenuItem>();
    const wchar_t* s = section.c_str();
    item->itemId = Int(s, L"ITEMID", 0);
    item->selecting = Int(s, L"SELECTING", 0);
    item->parentItemId = Int(s, L"PARENTITEMID", 0);
    item->dllName = Text(s, L"USE_DLL_NAME");
    item->fontBold = Int(s, L"FONT_BOLD", 0);
    item->fontSize = Int(s, L"FONT_SIZE", 0);
    item->textColour = ResolveColour(Int(s, L"FONT_COLOR_R", -1), Int(s, L"FONT_COLOR_G", -1),
                                     Int(s, L"FONT_COLOR_B", -1), layout.defaultTextColour);

    bool ready = true;
    if (!item->dllName.empty()) {
      ready = item->plugin.LoadAndBind(item->dllName) == 0 &&
              item->plugin.Initialize(frame, pagePane, settings) == 0;
    }
    // A plug-in that failed to start is not asked for its menu name.
    if (ready) item->name = DisplayText(section, *item, texts);
    if (ready && IsValidMenuItem(item->itemId, item->parentItemId, !item->dllName.empty(), item->plugin.IsBound())) {
      items.push_back(std::move(item));
    } else {
      // A plug-in whose Initialize failed is not finalised; its library stays
      // loaded for the rest of the run.
      item->plugin.bound = false;
      item->plugin.module = nullptr;
    }
  }

  std::vector<MenuTreeNode> nodes;
  for (const auto& item : items) nodes.push_back({item->itemId, item->parentItemId, 0});
  ComputeMenuLevels(nodes);
  for (std::size_t i = 0; i < items.size(); ++i) items[i]->level = nodes[i].level;
  return items;
}

void RegisterPluginData(const MenuItems& items, CPrinterSettingsList& list) {
  for (const auto& item : items) {
    if (item->dllName.empty()) continue;
    PluginInfo info = {};
    if (item->plugin.IsBound()) item->plugin.getPluginInfo(&info);
    if (list.FindBlock(info.pluginId) == -1 && list.RegisterBlock(info.pluginId, info.version, info.blockSize) == 0 &&
        item->plugin.IsBound()) {
      item->plugin.setDefaultData(info.pluginId);
    }
  }
  for (const auto& item : items) {
    if (item->dllName.empty() || !item->plugin.IsBound()) continue;
    int32_t count = 0;
    item->plugin.getDependPluginData(nullptr, &count);
    if (count <= 0) continue;
    // A count beyond any real plug-in's needs is a broken plug-in, not a
    // reason to allocate without bound.
    if (count > 4096) continue;
    std::vector<PluginInfo> entries(static_cast<std::size_t>(count), PluginInfo{});
    int32_t filled = count;
    item->plugin.getDependPluginData(entries.data(), &filled);
    entries.resize(static_cast<std::size_t>(std::clamp(filled, 0, count)));
    for (const PluginInfo& entry : entries) {
      if (list.FindBlock(entry.pluginId) == -1 &&
          list.RegisterBlock(entry.pluginId, entry.version, entry.blockSize) == 0 && item->plugin.IsBound()) {
        item->plugin.setDefaultData(entry.pluginId);
      }
    }
  }
}
