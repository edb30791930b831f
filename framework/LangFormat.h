#pragma once
// The language-file entry format: keys ending in a number, values of "||"
// fields, "]" references to common entries and the "\n"/"\t" escapes.
// Turns the text of one section into entries. Includes no <windows.h>.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class LangSectionKind : int32_t {
  CommonStrings = 0,
  CommonMessages = 1,
  WindowStrings = 2,
  WindowMessages = 3,
  Captions = 4,
  ComboItems = 5,
  ListColumns = 6,
};

constexpr std::size_t kMaxLangLineChars = 2048;

struct LangEntry {
  std::wstring name;  // the whole key
  int32_t id = -1;
  std::wstring text;
  int32_t extra = -1;
  int32_t itemData = -1;     // combo items
  int32_t columnIndex = -1;  // list columns
  int32_t width = -1;
  int32_t alignment = -1;
};

// Decimal, or hexadecimal when the text holds "0x"/"0X". Returns false and
// leaves value unchanged for an empty text, a stray character or a number that
// does not fit in 32 bits.
bool ParseLangNumber(std::wstring_view text, int32_t& value);

std::vector<std::wstring_view> SplitLangFields(std::wstring_view value);

// "\n" becomes CR LF, "\t" a tab.
std::wstring ApplyLangEscapes(std::wstring_view text);

// Text of common string (CommonStrings) or common message (CommonMessages) n,
// or nothing when that number has no entry.
using CommonLookup = std::function<std::optional<std::wstring>(LangSectionKind, int32_t)>;

// Resolves a "]CMN_STR_n" / "]CMN_MSG_n" reference; other texts come back as
// they are.
std::wstring ResolveLangReference(std::wstring_view text, const CommonLookup& lookup);

// Parses a profile section as the profile reader returns it: "key=value"
// lines, each ended by a NUL, the whole ended by an empty line. Entries come
// back in file order; malformed ones are skipped.
std::vector<LangEntry> ParseLangSection(LangSectionKind kind, std::wstring_view sectionText,
                                        const CommonLookup& lookup);
