// The cut position's conversions, edit-box texts and preview geometry.

#include "plugins/cutposition/AdjustValueRules.h"

#include <gtest/gtest.h>

#include <vector>

#include <climits>
#include <string>

namespace {

const CCalcAdjustValue calc = MakeCutPositionCalculator();

TEST(AdjustValue, ConversionsAtTheLimits) {
  const struct {
    const char* fault;
    int32_t units;
    int32_t tenths;
    int32_t clamped;
  } toDisplay[] = {
      {"the forward limit rounded the wrong way", 4241, 5985, 0},
      {"the backward limit rounded away from zero", -262, -370, 0},
      {"a value beyond the forward limit not clamped", 5000, 5985, 1},
      {"a value beyond the backward limit not clamped", -1000, -370, 1},
      {"one unit", 1, 1, 0},
      {"zero", 0, 0, 0},
      {"the 32-bit extremes", INT32_MIN, -370, 1},
  };
  for (const auto& c : toDisplay) {
    int32_t t = -999;
    EXPECT_EQ(calc.ToDisplay(c.units, &t), c.clamped) << c.fault;
    EXPECT_EQ(t, c.tenths) << c.fault;
  }
  const struct {
    const char* fault;
    int32_t tenths;
    int32_t units;
    int32_t clamped;
  } fromDisplay[] = {
      {"one millimetre", 10, 7, 0},
      {"a value beyond the forward limit not clamped", 6000, 4241, 1},
      {"a value beyond the backward limit not clamped", -6000, -262, 1},
      {"the 32-bit extremes", INT32_MAX, 4241, 1},
      {"zero changes the value", 0, 1234, 0},
  };
  for (const auto& c : fromDisplay) {
    int32_t u = 1234;
    EXPECT_EQ(calc.FromDisplay(c.tenths, &u), c.clamped) << c.fault;
    EXPECT_EQ(u, c.units) << c.fault;
  }
}

TEST(AdjustValue, EveryUnitSurvivesTheRoundTrip) {
  for (int32_t u = -262; u <= 4241; ++u) {
    int32_t t = 0, back = 0;
    ASSERT_EQ(calc.ToDisplay(u, &t), 0) << u;
    calc.FromDisplay(t, &back);
    ASSERT_EQ(back, u) << "unit " << u << " shown as " << t;
    ASSERT_EQ(calc.SnapToUnit(t), t) << "a shown value snaps to itself: " << t;
  }
}

TEST(AdjustValue, SnapToTheNearestShownValue) {
  const struct {
    int32_t typed;
    int32_t snapped;
  } cases[] = {
      {50, 49},      // units 34, 35, 36 show 48, 49, 51: the tie goes to the rounded unit
      {-50, -49},
      {0, 0},
      {6000, 5985},  // clamped: the limit
      {-6000, -370},
      {1, 1},
      {2, 1},        // 1 unit shows 1, 2 units 3: the tie goes to the rounded unit
  };
  for (const auto& c : cases) EXPECT_EQ(calc.SnapToUnit(c.typed), c.snapped) << c.typed;
}

TEST(AdjustValue, TextsOfTheEditBox) {
  const struct {
    int32_t tenths;
    const wchar_t* text;
  } written[] = {{0, L"0.0"}, {5, L"0.5"}, {-5, L"-0.5"}, {5985, L"598.5"}, {-370, L"-37.0"}, {125, L"12.5"},
                 {INT32_MIN, L"-214748364.8"}};
  for (const auto& c : written) EXPECT_EQ(TextOfTenths(c.tenths, 1), c.text) << c.tenths;

  const struct {
    const wchar_t* text;
    int32_t tenths;
  } read[] = {
      {L"12", 120}, {L".5", 5}, {L"-.5", -5}, {L"", 0}, {L"-", 0}, {L"12.", 120}, {L"598.5", 5985},
      // Pasted text: extra decimals dropped, trailing rubbish ignored, overflow held.
      {L"1.25", 12}, {L"3abc", 30}, {L"99999999999999999999", INT32_MAX}, {L"-99999999999999999999", INT32_MIN},
      {L"abc", 0},
  };
  for (const auto& c : read) EXPECT_EQ(TenthsOfText(c.text, 1), c.tenths) << std::wstring(c.text).size();
}

TEST(AdjustValue, CharacterFilter) {
  const struct {
    const char* fault;
    wchar_t c;
    const wchar_t* text;
    int32_t selectionStart;
    bool rejected;
  } cases[] = {
      {"a digit refused", L'7', L"12.", 3, false},
      {"backspace refused", L'\b', L"12", 2, false},
      {"a minus after a digit taken", L'-', L"12", 2, true},
      {"a minus at the start refused", L'-', L"12", 0, false},
      {"a second minus taken", L'-', L"-12", 0, true},
      {"a second point taken", L'.', L"1.2", 3, true},
      {"a first point refused", L'.', L"12", 2, false},
      {"a letter taken", L'a', L"", 0, true},
      {"a comma taken", L',', L"1", 1, true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsCharRejected(c.c, c.text, c.selectionStart), c.rejected) << c.fault;
  // Typed over a selection: "-3.0" selected whole takes a new "-" and ".".
  EXPECT_FALSE(IsCharRejected(L'-', L"-3.0", 0, 4));
  EXPECT_FALSE(IsCharRejected(L'.', L"-3.0", 2, 3));
  EXPECT_TRUE(IsCharRejected(L'-', L"-3.0", 1, 4)) << "the kept minus stays the only one";

  EXPECT_TRUE(HasAllowedDecimals(L"12.5", 1));
  EXPECT_FALSE(HasAllowedDecimals(L"12.55", 1)) << "a second decimal digit";
  EXPECT_TRUE(HasAllowedDecimals(L"12", 1));
  EXPECT_TRUE(HasAllowedDecimals(L"1.2345", -1));
}

TEST(AdjustValue, PreviewGeometry) {
  const PreviewGeometry g = LayOutPreview(300, 300);
  EXPECT_NEAR(g.scale, 27.1666, 0.001);
  EXPECT_EQ(g.zeroY, 239);
  EXPECT_EQ(PreviewLineY(g, 0), 239) << "the standard position";
  EXPECT_EQ(PreviewLineY(g, 5985), 239 - 220) << "the forward limit above it";
  EXPECT_EQ(PreviewLineY(g, -370), 239 + 13) << "the backward limit below it";
  for (int h : {20, 50, 263, 1000}) {
    const PreviewGeometry any = LayOutPreview(200, h);
    EXPECT_GE(PreviewLineY(any, 5985), 0) << "the forward limit inside the control, height " << h;
    EXPECT_LT(PreviewLineY(any, -370), h) << "the backward limit inside the control, height " << h;
  }
  EXPECT_GT(LayOutPreview(10, 0).scale, 0.0) << "a control without height divides by zero";
}

TEST(AdjustValue, PreviewGeometryScalesItsMarginsWithTheResolution) {
  struct Case {
    int dpi, left, top, right, bottom, mark;
  };
  for (const Case& c : {Case{96, 40, 10, 40, 20, 235}, Case{120, 50, 13, 50, 25, 294}, Case{144, 60, 15, 60, 30, 353},
                        Case{0, 40, 10, 40, 20, 235}}) {
    const PreviewGeometry g = LayOutPreview(450, 450, c.dpi);
    EXPECT_EQ((std::vector<int>{g.left, g.top, g.right, g.bottom, g.Px(235)}),
              (std::vector<int>{c.left, c.top, c.right, c.bottom, c.mark}))
        << c.dpi << " dpi";
    EXPECT_EQ(g.zeroY, LayOutPreview(450, 450).zeroY) << "the lines follow the control's height alone";
  }
}

}  // namespace
