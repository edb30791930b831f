#include "framework/LangFormat.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using K = LangSectionKind;

// A section as the profile reader hands it over: NUL after each line, then
// one more NUL.
std::wstring Section(std::initializer_list<std::wstring> lines) {
  std::wstring text;
  for (const auto& line : lines) {
    text += line;
    text += L'\0';
  }
  text += L'\0';
  return text;
}

struct Common {
  std::map<int32_t, std::wstring> strings, messages;
  CommonLookup Lookup() const {
    return [this](K kind, int32_t n) -> std::optional<std::wstring> {
      const auto& list = kind == K::CommonStrings ? strings : messages;
      auto it = list.find(n);
      if (it == list.end()) return std::nullopt;
      return it->second;
    };
  }
};

struct NumberCase {
  const wchar_t* text;
  bool readable;
  int32_t value;
};

class LangNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(LangNumberTest, Reads) {
  int32_t value = 77;
  EXPECT_EQ(ParseLangNumber(GetParam().text, value), GetParam().readable) << GetParam().text;
  EXPECT_EQ(value, GetParam().readable ? GetParam().value : 77) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, LangNumberTest,
                         testing::Values(NumberCase{L"12", true, 12}, NumberCase{L"0x1F", true, 31},
                                         NumberCase{L"0X1f", true, 31}, NumberCase{L"0", true, 0},
                                         NumberCase{L"", false, 0},          // empty
                                         NumberCase{L"0x", false, 0},        // no digits
                                         NumberCase{L"-1", false, 0},        // no sign
                                         NumberCase{L" 1", false, 0},        // no spaces
                                         NumberCase{L"1F", false, 0},        // hex digit without 0x
                                         NumberCase{L"0x1G", false, 0},      //
                                         NumberCase{L"10x5", false, 0},      // holds 0x: read as hex from the third character
                                         NumberCase{L"0xFFFFFFFF", true, -1},
                                         NumberCase{L"4294967296", false, 0},  // does not fit 32 bits
                                         NumberCase{L"99999999999999999999999", false, 0}));

TEST(LangFields, EmptyFieldsCount) {
  EXPECT_EQ(SplitLangFields(L"a||").size(), 2u);
  EXPECT_EQ(SplitLangFields(L"||").size(), 2u);
  EXPECT_EQ(SplitLangFields(L"a|b").size(), 1u);
  EXPECT_EQ(SplitLangFields(L"a|||b").size(), 2u);
}

TEST(LangEscapes, NewlineAndTab) {
  EXPECT_EQ(ApplyLangEscapes(L"a\\nb\\tc"), L"a\r\nb\tc");
  EXPECT_EQ(ApplyLangEscapes(L"trailing\\"), L"trailing\\");
  EXPECT_EQ(ApplyLangEscapes(L"\\x"), L"\\x");
}

struct RefCase {
  const wchar_t* text;
  const wchar_t* resolved;
};

class LangReferenceTest : public testing::TestWithParam<RefCase> {};

TEST_P(LangReferenceTest, Resolves) {
  Common common;
  common.strings = {{1, L"OK"}};
  common.messages = {{7, L"Seven"}};
  EXPECT_EQ(ResolveLangReference(GetParam().text, common.Lookup()), GetParam().resolved) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, LangReferenceTest,
                         testing::Values(RefCase{L"]CMN_STR_1", L"OK"}, RefCase{L"]CMN_MSG_7", L"Seven"},
                                         RefCase{L"]CMN_MSG_8", L""},             // absent: empty text
                                         RefCase{L"]CMN_MSG", L"]CMN_MSG"},       // two pieces: as written
                                         RefCase{L"]CMN_MSG_7_1", L"]CMN_MSG_7_1"},  // four pieces
                                         RefCase{L"]", L"]"}, RefCase{L"]OTHER_X_1", L"]OTHER_X_1"},
                                         RefCase{L"plain", L"plain"}, RefCase{L"]CMN_STR_x", L""}));

TEST(LangSection, WindowStringsTakeExactlyOneField) {
  const auto entries = ParseLangSection(K::WindowStrings, Section({L"S_STR_1=one", L"S_STR_2=two||", L"S_STR_3=a||b"}), {});
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].id, 1);
  EXPECT_EQ(entries[0].text, L"one");
}

TEST(LangSection, CaptionWithTrailingBarsKeepsDefaultExtra) {
  const auto entries = ParseLangSection(K::Captions, Section({L"X_CAP_1003=Add Port||", L"X_CAP_1004=Del||5||9"}), {});
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].text, L"Add Port");
  EXPECT_EQ(entries[0].extra, -1);
  EXPECT_EQ(entries[1].extra, 5);
}

TEST(LangSection, KeysAndMalformedLines) {
  const auto entries = ParseLangSection(
      K::WindowMessages,
      Section({L"12=twelve", L"A_B_0x1F=thirty-one", L"A_B_C=skipped", L"A_=skipped", L"=novalue", L"key=",
               L"no equals sign", L"; comment", L"A_5=has=equals"}),
      {});
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].id, 12);
  EXPECT_EQ(entries[1].id, 31);
  EXPECT_EQ(entries[2].id, 5);
  EXPECT_EQ(entries[2].text, L"has=equals");
}

TEST(LangSection, ComboAndListFields) {
  const auto combos = ParseLangSection(K::ComboItems, Section({L"C_1000=English||1033", L"C_1001=NoData", L"C_1002=Bad||x||7"}), {});
  ASSERT_EQ(combos.size(), 2u);
  EXPECT_EQ(combos[0].itemData, 1033);
  EXPECT_EQ(combos[1].itemData, -1);  // unreadable number leaves -1
  EXPECT_EQ(combos[1].extra, 7);

  const auto columns = ParseLangSection(K::ListColumns, Section({L"L_1020=Name||0||150||1", L"L_1020=Short||1||2"}), {});
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_EQ(columns[0].columnIndex, 0);
  EXPECT_EQ(columns[0].width, 150);
  EXPECT_EQ(columns[0].alignment, 1);
}

TEST(LangSection, ReferencesOnlyInWindowSections) {
  Common common;
  common.strings = {{1, L"OK\\n"}};
  const auto window = ParseLangSection(K::Captions, Section({L"X_1=]CMN_STR_1"}), common.Lookup());
  const auto commonSection = ParseLangSection(K::CommonStrings, Section({L"CMN_STR_5=]CMN_STR_1"}), common.Lookup());
  ASSERT_EQ(window.size(), 1u);
  EXPECT_EQ(window[0].text, L"OK\r\n");  // escapes apply after the reference is resolved
  ASSERT_EQ(commonSection.size(), 1u);
  EXPECT_EQ(commonSection[0].text, L"]CMN_STR_1");
}

TEST(LangSection, OverLongLineIsSkipped) {
  const std::wstring longLine = L"S_1=" + std::wstring(kMaxLangLineChars, L'a');
  const auto entries = ParseLangSection(K::WindowStrings, Section({longLine, L"S_2=ok"}), {});
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].id, 2);
}

TEST(LangSection, NegativeNumbersOnlyForNonNumberedKinds) {
  EXPECT_TRUE(ParseLangSection(K::WindowStrings, Section({L"S_0xFFFFFFFE=x"}), {}).empty());
  EXPECT_EQ(ParseLangSection(K::Captions, Section({L"S_0xFFFFFFFE=x"}), {}).size(), 1u);
  EXPECT_TRUE(ParseLangSection(K::Captions, Section({L"S_0xFFFFFFFF=x"}), {}).empty());  // -1 is "not set"
}

TEST(LangSection, TextWithoutFinalTerminatorStillParses) {
  const std::wstring text = L"S_1=a";
  EXPECT_EQ(ParseLangSection(K::WindowStrings, text, {}).size(), 1u);
}

}  // namespace
