#include "app/SettingsRules.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

namespace {

struct LangIdCase {
  const wchar_t* text;
  int32_t id;
};

class LangIdTest : public testing::TestWithParam<LangIdCase> {};

TEST_P(LangIdTest, Parses) { EXPECT_EQ(ParseLangId(GetParam().text), GetParam().id) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(Table, LangIdTest,
                         testing::Values(LangIdCase{L"0409", 0x409}, LangIdCase{L"0411", 0x411},
                                         LangIdCase{L"0407", 0x407}, LangIdCase{L"abCD", 0xABCD},
                                         LangIdCase{L"", 0},            // empty: English fallback
                                         LangIdCase{L"0x0411", 0},      // 'x' is not a hex digit
                                         LangIdCase{L"12345678", 0x12345678},
                                         LangIdCase{L"FFFFFFFF", -1},   // eight digits still fit
                                         LangIdCase{L"000000409", 0},   // nine characters
                                         LangIdCase{L" 409", 0},        // no trimming
                                         LangIdCase{L"-409", 0}));

using Ini = std::map<std::wstring, int32_t>;
using Messages = std::map<int, std::wstring>;

InterfaceKindSources Sources(const Ini* ini, const Messages* messages, int* lookups = nullptr) {
  InterfaceKindSources s;
  if (ini) {
    s.readSupportCommIF = [ini](const wchar_t* key, int32_t def) {
      auto it = ini->find(key);
      return it == ini->end() ? def : it->second;
    };
  }
  s.portDialogMessage = [messages, lookups](int n) -> std::optional<std::wstring> {
    if (lookups) ++*lookups;
    if (!messages) return std::nullopt;
    auto it = messages->find(n);
    if (it == messages->end()) return std::nullopt;
    return it->second;
  };
  return s;
}

struct KindsCase {
  const char* name;
  bool hasIni;
  Ini ini;
  bool hasMessages;
  Messages messages;
  std::array<int32_t, 5> supported;
  int32_t defaultKind;
  bool consultsLanguage;
};

class InterfaceKindsTest : public testing::TestWithParam<KindsCase> {};

TEST_P(InterfaceKindsTest, Reads) {
  const KindsCase& c = GetParam();
  int lookups = 0;
  const InterfaceKinds kinds =
      ReadInterfaceKinds(Sources(c.hasIni ? &c.ini : nullptr, c.hasMessages ? &c.messages : nullptr, &lookups));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(kinds.supported[i], c.supported[i]) << c.name << " slot " << i;
  EXPECT_EQ(kinds.defaultKind, c.defaultKind) << c.name;
  EXPECT_EQ(lookups > 0, c.consultsLanguage) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, InterfaceKindsTest,
    testing::Values(
        // Nothing anywhere: only USB, preselected.
        KindsCase{"nothing", true, {}, true, {}, {2, -1, -1, -1, -1}, 2, true},
        KindsCase{"no ini path", false, {}, false, {}, {2, -1, -1, -1, -1}, 2, true},
        // Serial only; the language file is not consulted.
        KindsCase{"serial only", true, {{L"CommIFType_1", 0}}, true, {{100, L"1,2"}}, {0, -1, -1, -1, -1}, -1, false},
        // Reading stops at the first missing key.
        KindsCase{"gap", true, {{L"CommIFType_1", 3}, {L"CommIFType_3", 4}, {L"DefaultIFType", 3}},
                  true, {}, {3, -1, -1, -1, -1}, 3, false},
        KindsCase{"all five", true,
                  {{L"CommIFType_1", 4}, {L"CommIFType_2", 3}, {L"CommIFType_3", 2}, {L"CommIFType_4", 1},
                   {L"CommIFType_5", 0}, {L"DefaultIFType", 1}},
                  true, {}, {4, 3, 2, 1, 0}, 1, false},
        // The language lists and default.
        KindsCase{"language lists", true, {}, true, {{100, L"0,1,2,3,4"}, {101, L"2"}}, {0, 1, 2, 3, 4}, 2, true},
        // Without message 101 the list text itself gives the default.
        KindsCase{"no default message", true, {}, true, {{100, L"3,4"}}, {3, 4, -1, -1, -1}, 3, true},
        KindsCase{"garbage list", true, {}, true, {{100, L"abc"}, {101, L"x"}}, {-1, -1, -1, -1, -1}, 0, true},
        // An ini default read as -1 is replaced by the language default.
        KindsCase{"ini default only", true, {{L"DefaultIFType", 4}}, true, {{101, L"1"}},
                  {2, -1, -1, -1, -1}, 1, true}));

}  // namespace
