#include "framework/LangFormat.h"

namespace {

bool IsNumberedKind(LangSectionKind kind) {
  return kind == LangSectionKind::CommonStrings || kind == LangSectionKind::CommonMessages ||
         kind == LangSectionKind::WindowStrings || kind == LangSectionKind::WindowMessages;
}

bool IsWindowKind(LangSectionKind kind) {
  return kind != LangSectionKind::CommonStrings && kind != LangSectionKind::CommonMessages;
}

std::size_t MinFields(LangSectionKind kind) {
  switch (kind) {
    case LangSectionKind::ComboItems: return 2;
    case LangSectionKind::ListColumns: return 4;
    default: return 1;
  }
}

void ReadField(const std::vector<std::wstring_view>& fields, std::size_t index, int32_t& target) {
  if (index < fields.size()) ParseLangNumber(fields[index], target);
}

std::optional<LangEntry> ParseLine(LangSectionKind kind, std::wstring_view line,
                                   const CommonLookup& lookup) {
  if (line.size() > kMaxLangLineChars) return std::nullopt;
  const std::size_t eq = line.find(L'=');
  if (eq == std::wstring_view::npos) return std::nullopt;
  const std::wstring_view key = line.substr(0, eq);
  const std::wstring_view value = line.substr(eq + 1);
  if (key.empty() || value.empty()) return std::nullopt;

  const std::vector<std::wstring_view> fields = SplitLangFields(value);
  if (IsNumberedKind(kind) ? fields.size() != 1 : fields.size() < MinFields(kind)) {
    return std::nullopt;
  }

  LangEntry entry;
  entry.name = key;
  const std::size_t underscore = key.rfind(L'_');
  ParseLangNumber(underscore == std::wstring_view::npos ? key : key.substr(underscore + 1),
                  entry.id);

  entry.text = IsWindowKind(kind) ? ResolveLangReference(fields[0], lookup)
                                  : std::wstring(fields[0]);
  entry.text = ApplyLangEscapes(entry.text);

  switch (kind) {
    case LangSectionKind::Captions: ReadField(fields, 1, entry.extra); break;
    case LangSectionKind::ComboItems:
      ReadField(fields, 1, entry.itemData);
      ReadField(fields, 2, entry.extra);
      break;
    case LangSectionKind::ListColumns:
      ReadField(fields, 1, entry.columnIndex);
      ReadField(fields, 2, entry.width);
      ReadField(fields, 3, entry.alignment);
      ReadField(fields, 4, entry.extra);
      break;
    default: break;
  }

  if (entry.id == -1 || (IsNumberedKind(kind) && entry.id < 0)) return std::nullopt;
  return entry;
}

}  // namespace

bool ParseLangNumber(std::wstring_view text, int32_t& value) {
  const bool hex = text.find(L"0x") != std::wstring_view::npos ||
                   text.find(L"0X") != std::wstring_view::npos;
  std::wstring_view digits = text;
  if (hex) digits = text.size() > 2 ? text.substr(2) : std::wstring_view{};
  if (digits.empty()) return false;
  const uint64_t base = hex ? 16 : 10;
  uint64_t result = 0;
  for (wchar_t c : digits) {
    uint64_t digit;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (hex && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (hex && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else return false;
    result = result * base + digit;
    if (result > 0xFFFFFFFFull) return false;
  }
  value = static_cast<int32_t>(static_cast<uint32_t>(result));
  return true;
}

std::vector<std::wstring_view> SplitLangFields(std::wstring_view value) {
  std::vector<std::wstring_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = value.find(L"||", start);
    if (bar == std::wstring_view::npos) {
      fields.push_back(value.substr(start));
      return fields;
    }
    fields.push_back(value.substr(start, bar - start));
    start = bar + 2;
  }
}

std::wstring ApplyLangEscapes(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) {
      if (text[i + 1] == L'n') {
        out += L"\r\n";
        ++i;
        continue;
      }
      if (text[i + 1] == L't') {
        out += L'\t';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::wstring ResolveLangReference(std::wstring_view text, const CommonLookup& lookup) {
  if (text.size() < 2 || text[0] != L']') return std::wstring(text);
  const std::wstring_view ref = text.substr(1);
  LangSectionKind kind;
  if (ref.find(L"CMN_STR") != std::wstring_view::npos) kind = LangSectionKind::CommonStrings;
  else if (ref.find(L"CMN_MSG") != std::wstring_view::npos) kind = LangSectionKind::CommonMessages;
  else return std::wstring(text);

  std::vector<std::wstring_view> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t u = ref.find(L'_', start);
    pieces.push_back(ref.substr(start, u == std::wstring_view::npos ? u : u - start));
    if (u == std::wstring_view::npos) break;
    start = u + 1;
  }
  if (pieces.size() != 3) return std::wstring(text);

  int32_t number = -1;
  if (!ParseLangNumber(pieces[2], number) || !lookup) return std::wstring();
  return lookup(kind, number).value_or(std::wstring());
}

std::vector<LangEntry> ParseLangSection(LangSectionKind kind, std::wstring_view sectionText,
                                        const CommonLookup& lookup) {
  std::vector<LangEntry> entries;
  std::size_t start = 0;
  while (start < sectionText.size()) {
    std::size_t end = sectionText.find(L'\0', start);
    if (end == std::wstring_view::npos) end = sectionText.size();
    if (end == start) break;  // the empty line that ends the section
    if (auto entry = ParseLine(kind, sectionText.substr(start, end - start), lookup)) {
      entries.push_back(std::move(*entry));
    }
    start = end + 1;
  }
  return entries;
}
