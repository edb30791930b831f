#include "shell/MenuDefinition.h"

const wchar_t* MenuFileName(int32_t startMode) {
  switch (startMode) {
    case 1: return L"MENUITEM_LOGO.DAT";
    case 2: return L"MENUITEM_PRNCTRL.DAT";
    case 3: return L"MENUITEM_REMOTE.DAT";
    case 4: return L"MENUITEM_SAVEFILE.DAT";
    case 5: return L"MENUITEM_COUPON.DAT";
    case 100: return L"MENUITEM_VTD_5.DAT";
    case 110: return L"MENUITEM_VTD_5_LOGO.DAT";
    default: return L"MENUITEM.DAT";
  }
}

uint32_t ResolveColour(int32_t r, int32_t g, int32_t b, uint32_t fallback) {
  if (r < 0 || g < 0 || b < 0) return fallback;
  return static_cast<uint32_t>(r % 256) | static_cast<uint32_t>(g % 256) << 8 | static_cast<uint32_t>(b % 256) << 16;
}

std::optional<std::wstring> MenuTitle(std::wstring_view title, int32_t addVersion) {
  if (title.empty()) return std::nullopt;
  std::wstring text(title);
  if (addVersion == 1) text += L" Ver.1.10";
  return text;
}

std::optional<int32_t> StringReferenceNumber(std::wstring_view text) {
  const std::size_t underscore = text.rfind(L'_');
  if (underscore == std::wstring_view::npos) return std::nullopt;
  std::wstring_view rest = text.substr(underscore + 1);
  std::size_t i = 0;
  while (i < rest.size() && (rest[i] == L' ' || rest[i] == L'\t' || rest[i] == L'\n' || rest[i] == L'\r' ||
                             rest[i] == L'\v' || rest[i] == L'\f')) {
    ++i;
  }
  bool negative = false;
  if (i < rest.size() && (rest[i] == L'+' || rest[i] == L'-')) negative = rest[i++] == L'-';
  int64_t value = 0;
  for (; i < rest.size() && rest[i] >= L'0' && rest[i] <= L'9'; ++i) {
    value = value * 10 + (rest[i] - L'0');
    if (value > INT32_MAX) value = INT32_MAX + int64_t{1};  // saturate; only the sign matters beyond this
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return static_cast<int32_t>(value);
}

bool IsValidMenuItem(int32_t itemId, int32_t parentItemId, bool hasLibrary, bool bound) {
  if (hasLibrary) return bound;
  return !(itemId == 0 && parentItemId == 0);
}

void ComputeMenuLevels(std::vector<MenuTreeNode>& nodes) {
  for (MenuTreeNode& node : nodes) {
    if (node.parentItemId == 0) continue;
    for (const MenuTreeNode& parent : nodes) {
      if (parent.itemId == node.parentItemId) {
        node.level = parent.level + 1;
        break;
      }
    }
  }
}
