#pragma once
// Fuzz input as the texts our parsers take: two bytes a UTF-16 unit, as the
// profile and file readers hand text over.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::wstring WideText(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  return text;
}

// The text cut into arguments at NUL units, as a command line arrives.
inline std::vector<std::wstring> WideArguments(const uint8_t* data, size_t size) {
  std::vector<std::wstring> args(1);
  for (wchar_t c : WideText(data, size)) {
    if (c == L'\0') args.emplace_back();
    else args.back() += c;
  }
  return args;
}
