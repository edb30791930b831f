#include "framework/TextFormat.h"

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args) {
  std::wstring out;
  out.reserve(pattern.size());
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size()) {
      const wchar_t c = pattern[i + 1];
      if (c == L'%') {
        out += L'%';
        ++i;
        continue;
      }
      if ((c == L's' || c == L'd') && next != args.end()) {
        out += *next++;
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}
