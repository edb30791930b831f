#include "app/ExtCommandLineInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CExtCommandLineInfo Parse(const std::vector<std::wstring>& args) {
  CExtCommandLineInfo info;
  info.ParseArguments(args);
  return info;
}

struct ModeCase {
  const wchar_t* arg;
  StartMode mode;
};

class StartModeTest : public testing::TestWithParam<ModeCase> {};

TEST_P(StartModeTest, SwitchSelectsMode) {
  EXPECT_EQ(Parse({GetParam().arg}).startMode, static_cast<int32_t>(GetParam().mode)) << GetParam().arg;
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartModeTest,
    testing::Values(ModeCase{L"/mL", StartMode::Logo},             // first letter decides
                    ModeCase{L"/mLogoFoo", StartMode::Logo},       // the rest of the value is ignored
                    ModeCase{L"/mS", StartMode::PrinterControl},   //
                    ModeCase{L"/mRemote", StartMode::Remote},      //
                    ModeCase{L"/mF", StartMode::SaveFile},         // empty path still selects file mode
                    ModeCase{L"/mC", StartMode::Coupon},           //
                    ModeCase{L"/mVTD5", StartMode::Vtd5},          // exact value
                    ModeCase{L"/mVTD5_LOGO", StartMode::Vtd5Logo}, // exact value, not "V..." prefix
                    ModeCase{L"/mVTD5_LOGOS", StartMode::Normal},  // neither exact nor a known letter
                    ModeCase{L"/mVTD5x", StartMode::Normal},       //
                    ModeCase{L"/mvtd5", StartMode::Normal},        // case sensitive
                    ModeCase{L"/ml", StartMode::Normal},           // lower-case letter is not L
                    ModeCase{L"/m", StartMode::Normal},            // empty value
                    ModeCase{L"/M", StartMode::Normal},            // /M is not /m
                    ModeCase{L"-mS", StartMode::PrinterControl},   // hyphen works like slash
                    ModeCase{L"mS", StartMode::Normal},            // unflagged argument ignored
                    ModeCase{L"/x", StartMode::Normal}));          // unknown letter

struct CallerCase {
  const wchar_t* arg;
  CallerKind kind;
};

class CallerKindTest : public testing::TestWithParam<CallerCase> {};

TEST_P(CallerKindTest, SwitchSelectsCaller) {
  EXPECT_EQ(Parse({GetParam().arg}).callerKind, static_cast<int32_t>(GetParam().kind)) << GetParam().arg;
}

INSTANTIATE_TEST_SUITE_P(Table, CallerKindTest,
                         testing::Values(CallerCase{L"/dVTD", CallerKind::Vtd},
                                         CallerCase{L"/dOPOS", CallerKind::Opos},
                                         CallerCase{L"/dSimpleViewer", CallerKind::SimpleViewer},
                                         CallerCase{L"/dAutoRestore", CallerKind::AutoRestore},
                                         CallerCase{L"/dopos", CallerKind::None},   // case sensitive
                                         CallerCase{L"/dVTDX", CallerKind::None},   // exact only
                                         CallerCase{L"/d", CallerKind::None},
                                         CallerCase{L"/D", CallerKind::None}));

TEST(CommandLineTexts, ValuesFollowTheLetterDirectly) {
  const CExtCommandLineInfo info = Parse({L"/pVXPORT1", L"-qMy Queue", L"/r192.168.0.5", L"/mFC:\\out\\set.dat"});
  EXPECT_STREQ(info.portArg, L"VXPORT1");
  EXPECT_STREQ(info.queueArg, L"My Queue");
  EXPECT_STREQ(info.remoteArg, L"192.168.0.5");
  EXPECT_EQ(info.startMode, static_cast<int32_t>(StartMode::SaveFile));
  EXPECT_STREQ(info.fileArg, L"C:\\out\\set.dat");
}

TEST(CommandLineTexts, LaterArgumentsOverwriteEarlierOnes) {
  const CExtCommandLineInfo info = Parse({L"/pVXPORT1", L"/pVXPORT2", L"/mL", L"/mS", L"/dVTD", L"/dX"});
  EXPECT_STREQ(info.portArg, L"VXPORT2");
  EXPECT_EQ(info.startMode, static_cast<int32_t>(StartMode::PrinterControl));
  EXPECT_EQ(info.callerKind, 0);
}

TEST(CommandLineTexts, EmptyValueClearsTheText) {
  EXPECT_STREQ(Parse({L"/pVXPORT1", L"/p"}).portArg, L"");
}

TEST(CommandLineTexts, PlainArgumentsAreIgnored) {
  const CExtCommandLineInfo info = Parse({L"file.txt", L"pVXPORT1", L"", L"/", L"-"});
  EXPECT_STREQ(info.portArg, L"");
  EXPECT_EQ(info.startMode, 0);
  EXPECT_FALSE(info.multiInstance);
}

TEST(CommandLineTexts, FileModeWithoutPathLeavesPathEmpty) {
  const CExtCommandLineInfo info = Parse({L"/mF"});
  EXPECT_EQ(info.startMode, static_cast<int32_t>(StartMode::SaveFile));
  EXPECT_STREQ(info.fileArg, L"");
}

struct MultiCase {
  std::vector<std::wstring> args;
  bool multi;
};

class MultiInstanceTest : public testing::TestWithParam<MultiCase> {};

TEST_P(MultiInstanceTest, OnlyAnMValueSetsIt) { EXPECT_EQ(Parse(GetParam().args).multiInstance, GetParam().multi); }

INSTANTIATE_TEST_SUITE_P(Table, MultiInstanceTest,
                         testing::Values(MultiCase{{L"/bM"}, true}, MultiCase{{L"/bMulti"}, true},
                                         MultiCase{{L"/bm"}, false}, MultiCase{{L"/b"}, false},
                                         MultiCase{{L"/bM", L"/bX"}, true},  // cannot be cleared
                                         MultiCase{{L"/BM"}, false}));

// Over-long values: a cut port name or path would name something else, so the
// whole value is dropped and the text stays empty; file mode is kept.
struct LengthCase {
  wchar_t letter;
  std::size_t length;
  bool kept;
};

class ValueLengthTest : public testing::TestWithParam<LengthCase> {};

TEST_P(ValueLengthTest, LimitIsExact) {
  const LengthCase c = GetParam();
  const std::wstring value(c.length, L'a');
  CExtCommandLineInfo info;
  if (c.letter == L'F') info = Parse({L"/mF" + value});
  else info = Parse({std::wstring(L"/") + c.letter + value});
  const wchar_t* field = c.letter == L'p' ? info.portArg
                         : c.letter == L'q' ? info.queueArg
                         : c.letter == L'r' ? info.remoteArg
                                            : info.fileArg;
  EXPECT_EQ(std::wstring(field), c.kept ? value : std::wstring());
  if (c.letter == L'F') {
    EXPECT_EQ(info.startMode, static_cast<int32_t>(StartMode::SaveFile));
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ValueLengthTest,
                         testing::Values(LengthCase{L'p', 259, true}, LengthCase{L'p', 260, false},
                                         LengthCase{L'q', 259, true}, LengthCase{L'q', 5000, false},
                                         LengthCase{L'r', 259, true}, LengthCase{L'r', 260, false},
                                         LengthCase{L'F', 258, true}, LengthCase{L'F', 259, false}));

TEST(CommandLineTexts, OverLongValueReplacesAnEarlierOne) {
  const CExtCommandLineInfo info = Parse({L"/pVXPORT1", L"/p" + std::wstring(300, L'x')});
  EXPECT_STREQ(info.portArg, L"");
}

}  // namespace
