#include "framework/TextFormat.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
  const wchar_t* pattern;
  std::initializer_list<std::wstring_view> args;
  const wchar_t* expected;
};

TEST(FormatText, SubstitutesOnlyPlainPlaceholders) {
  const FormatCase cases[] = {
      {L"The connected printer is not %s.", {L"VX-R500"}, L"The connected printer is not VX-R500."},
      {L"%s: %s", {L"Select", L"English"}, L"Select: English"},
      {L"%d%%", {L"40"}, L"40%"},
      {L"%s and %s", {L"one"}, L"one and %s"},         // missing argument stays as written
      {L"%n%x%08d%", {L"a"}, L"%n%x%08d%"},            // never a printf format
      {L"no placeholders", {L"unused"}, L"no placeholders"},
      {L"%s", {L"%s%d"}, L"%s%d"},                     // substituted text is not re-read
  };
  for (const FormatCase& c : cases) EXPECT_EQ(FormatText(c.pattern, c.args), c.expected) << c.pattern;
}

}  // namespace
