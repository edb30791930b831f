// Any text as a language-file section, for every section kind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/LangFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two bytes a character, as the profile reader hands UTF-16 text over.
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  const CommonLookup lookup = [](LangSectionKind, int32_t n) -> std::optional<std::wstring> {
    if (n % 2) return std::nullopt;
    return L"common";
  };
  for (int kind = 0; kind <= 6; ++kind) {
    for (const LangEntry& entry : ParseLangSection(static_cast<LangSectionKind>(kind), text, lookup)) {
      if (entry.id == -1 || entry.name.empty()) __builtin_trap();
    }
  }
  return 0;
}
