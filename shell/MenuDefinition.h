#pragma once
// Rules of the menu definition files: which file a start mode reads, the
// defaults of [SETTINGS], colours, display-text references, item validity and
// tree levels. Includes no <windows.h>.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "MENUITEM.DAT" and its siblings, by start mode.
const wchar_t* MenuFileName(int32_t startMode);

constexpr uint32_t kBlack = 0x000000;

// A colour as the platform stores it (0x00BBGGRR), from three parts that each
// wrap modulo 256; the fallback when any part is negative.
uint32_t ResolveColour(int32_t r, int32_t g, int32_t b, uint32_t fallback);

// The title shown for [APP_SETTING]; nothing when TITLE is empty.
std::optional<std::wstring> MenuTitle(std::wstring_view title, int32_t addVersion);

// The language-string number a STRING refers to: the decimal integer at the
// start of the text after its last underscore (leading blanks and a sign
// allowed, 0 without digits). Nothing when there is no underscore.
std::optional<int32_t> StringReferenceNumber(std::wstring_view text);

// Is an item worth keeping: a bound plug-in, or no library and not both ids 0.
bool IsValidMenuItem(int32_t itemId, int32_t parentItemId, bool hasLibrary, bool bound);

struct MenuTreeNode {
  int32_t itemId = 0;
  int32_t parentItemId = 0;
  int32_t level = 0;
};

// Each item with a parent takes the level of the first item with that id, in
// list order, plus one; a parent listed later counts with the level it has
// at that moment.
void ComputeMenuLevels(std::vector<MenuTreeNode>& nodes);

constexpr int kMenuLevels = 5;
constexpr int kDefaultIndents[kMenuLevels] = {6, 12, 24, 24, 24};

// The section-name list did not fit its buffer: no items at all.
constexpr uint32_t kSectionListLimit = 518;
