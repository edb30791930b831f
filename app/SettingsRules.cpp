#include "app/SettingsRules.h"

#include <cwchar>
#include <string>

int32_t ParseLangId(std::wstring_view text) {
  if (text.size() > 8) return 0;
  uint32_t value = 0;
  for (wchar_t c : text) {
    uint32_t digit;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else return 0;
    value = value * 16 + digit;
  }
  return static_cast<int32_t>(value);
}

InterfaceKinds ReadInterfaceKinds(const InterfaceKindSources& sources) {
  InterfaceKinds kinds;
  for (int32_t& slot : kinds.supported) slot = -1;
  kinds.defaultKind = 2;

  if (sources.readSupportCommIF) {
    for (int i = 0; i < 5; ++i) {
      const std::wstring key = L"CommIFType_" + std::to_wstring(i + 1);
      const int32_t value = sources.readSupportCommIF(key.c_str(), -1);
      if (value == -1) break;
      kinds.supported[i] = value;
    }
    kinds.defaultKind = sources.readSupportCommIF(L"DefaultIFType", -1);
  }

  if (kinds.supported[0] == -1) {
    std::wstring text = L"2";
    if (sources.portDialogMessage) {
      if (auto list = sources.portDialogMessage(100)) text = *list;
    }
    int v[5] = {-1, -1, -1, -1, -1};
    std::swscanf(text.c_str(), L"%d,%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3], &v[4]);
    for (int i = 0; i < 5; ++i) kinds.supported[i] = v[i];
    if (sources.portDialogMessage) {
      if (auto def = sources.portDialogMessage(101)) text = *def;
    }
    kinds.defaultKind = static_cast<int32_t>(std::wcstol(text.c_str(), nullptr, 10));
  }
  return kinds;
}
