#pragma once
// The two rules that turn SETTING.INI text into record values: the language
// id and the port dialog's interface kinds. Includes no <windows.h>.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// LANGID as hexadecimal; 0 for an empty, over-long (more than 8 characters) or
// non-hexadecimal text, so that the English fallback is used.
int32_t ParseLangId(std::wstring_view text);

struct InterfaceKinds {
  int32_t supported[5];  // port dialog numbering, -1 = empty slot
  int32_t defaultKind;
};

struct InterfaceKindSources {
  // [SupportCommIF] integer of SETTING.INI; empty when there is no INI path.
  std::function<int32_t(const wchar_t* key, int32_t defaultValue)> readSupportCommIF;
  // Window message n of the port dialog's language section, when present.
  std::function<std::optional<std::wstring>(int number)> portDialogMessage;
};

InterfaceKinds ReadInterfaceKinds(const InterfaceKindSources& sources);
