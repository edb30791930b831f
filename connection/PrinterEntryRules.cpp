#include "connection/PrinterEntryRules.h"

#include <algorithm>
#include <cwctype>

int32_t InterfaceKindOfText(std::wstring_view kindText) {
  if (kindText == L"COM") return 1;
  if (kindText == L"LPT") return 2;
  if (kindText == L"USB") return 3;
  if (kindText == L"NET") return 4;
  if (kindText == L"BT") return 5;
  return 0;
}

std::wstring_view PortPathTail(std::wstring_view portPath) {
  const std::size_t slash = portPath.rfind(L'/');
  return slash == std::wstring_view::npos ? portPath : portPath.substr(slash + 1);
}

namespace {

// Parses "VX-R<number>": the family's letter and number.
bool SplitFamily(std::wstring_view family, wchar_t& letter, std::wstring_view& number) {
  if (family.size() < 5 || family.substr(0, 3) != L"VX-") return false;
  letter = family[3];
  number = family.substr(4);
  return true;
}

bool IsRomanLetter(wchar_t c) {
  return c == L'I' || c == L'V' || c == L'X' || c == L'i' || c == L'v' || c == L'x';
}

}  // namespace

bool MatchesModelFamily(std::wstring_view deviceName, std::wstring_view family) {
  wchar_t letter;
  std::wstring_view familyNumber;
  if (!SplitFamily(family, letter, familyNumber)) return false;

  const std::size_t at = deviceName.find(L"VX-");
  if (at == std::wstring_view::npos) return false;
  std::size_t i = at + 3;
  if (i >= deviceName.size() || deviceName[i] != letter) return false;
  ++i;
  const std::size_t digitsStart = i;
  while (i < deviceName.size() && deviceName[i] >= L'0' && deviceName[i] <= L'9') ++i;
  // Compare as numbers: "VX-R0200" is model 200 as well.
  std::wstring_view digits = deviceName.substr(digitsStart, i - digitsStart);
  while (digits.size() > 1 && digits[0] == L'0') digits.remove_prefix(1);
  if (digits.empty() || digits != familyNumber) return false;

  // Up to a space, a Roman-numeral letter or the end, nothing may follow.
  if (i < deviceName.size() && deviceName[i] != L' ' && deviceName[i] != L'I' &&
      deviceName[i] != L'V' && deviceName[i] != L'X') {
    return false;
  }
  while (i < deviceName.size() && IsRomanLetter(deviceName[i])) ++i;
  return !(i < deviceName.size() && deviceName[i] == L'-');
}

std::wstring SpoolerPortOfPath(std::wstring_view portPath) {
  std::wstring lower(portPath);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  const std::size_t scheme = lower.find(L"pipe://vx/");
  if (scheme == std::wstring::npos) return {};
  const std::size_t start = lower.find(L"vxport", scheme + 10);
  if (start == std::wstring::npos) return {};
  std::size_t end = portPath.find_first_of(L"\"/", start);
  if (end == std::wstring_view::npos) end = portPath.size();
  return std::wstring(portPath.substr(start, end - start));
}

int32_t PortNumberAfterPrefix(std::wstring_view text) {
  if (text.size() <= 6) return 0;
  int64_t value = 0;
  for (wchar_t c : text.substr(6)) {
    if (c < L'0' || c > L'9') break;
    value = value * 10 + (c - L'0');
    if (value > INT32_MAX) return 0;
  }
  return static_cast<int32_t>(value);
}

int FittedLastColumnWidth(int listWidth, int otherColumns, int lastColumn, int needed) {
  const int room = listWidth - otherColumns;
  if (lastColumn <= room) return lastColumn;
  return std::min(lastColumn, std::max(room, needed));
}
