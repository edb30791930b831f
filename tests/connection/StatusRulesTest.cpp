// The status pane's report rules and line texts.

#include "connection/StatusRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The pane just attached to a printer that answered: "Online" shown.
StatusState Attached() {
  StatusState s;
  s.lastPrimary = 0;
  s.shownIndex = 0;
  return s;
}

TEST(StatusRules, ReportSequencesShowThePrecedence) {
  const struct {
    const char* fault;
    std::vector<int32_t> reports;
    std::vector<int32_t> shown;  // index shown after each report
  } cases[] = {
      {"a consumable condition hidden by a more serious or by Online", {12, 6, 0, 100}, {12, 6, 12, 0}},
      {"the end of a consumable condition shows Online, not the primary report", {6, 12, 100}, {6, 12, 6}},
      {"a consumable condition not shown over a later-numbered report", {12, 18}, {12, 12}},
      {"offline back to online", {16, 0}, {16, 0}},
      {"codes outside the table shown as something", {23, -5, 0}, {-1, -1, 0}},
      {"fatal error", {3}, {3}},
  };
  for (const auto& c : cases) {
    StatusState s = Attached();
    for (std::size_t i = 0; i < c.reports.size(); ++i) {
      const StatusOutcome out = ApplyStatusReport(s, c.reports[i]);
      EXPECT_EQ(out.index, c.shown[i]) << c.fault << ", report " << i;
      EXPECT_EQ(s.shownIndex, c.shown[i]) << c.fault << ", report " << i;
    }
  }
}

TEST(StatusRules, IgnoredReports) {
  // catches: a repeated report redrawn (and refreshed), or reports shown
  // after the display was stopped
  StatusState s = Attached();
  EXPECT_FALSE(ApplyStatusReport(s, 6).ignored);
  EXPECT_TRUE(ApplyStatusReport(s, 6).ignored);
  s.updatesEnabled = false;
  const StatusOutcome out = ApplyStatusReport(s, 7);
  EXPECT_TRUE(out.ignored);
  EXPECT_EQ(s.shownIndex, 6);
}

TEST(StatusRules, RefreshIsWantedWhenTheInformationMayHaveChanged) {
  const struct {
    const char* fault;
    bool needsRefreshBefore;
    std::vector<int32_t> reports;
    bool wantsRefresh;  // after the last report
  } cases[] = {
      {"offline then online read nothing again", false, {1, 0}, true},
      {"the second offline kind forgotten", false, {16, 0}, true},
      {"an unknown code trusted", false, {40, 0}, true},
      {"a refresh for every report", false, {6, 0}, false},
      {"near-end not usable", true, {18}, true},
      {"a refresh while the printer is not usable", true, {6}, false},
  };
  for (const auto& c : cases) {
    StatusState s = Attached();
    s.needsRefresh = c.needsRefreshBefore;
    StatusOutcome out;
    for (int32_t r : c.reports) out = ApplyStatusReport(s, r);
    EXPECT_EQ(out.wantsRefresh, c.wantsRefresh) << c.fault;
  }
}

TEST(StatusRules, GuidanceForFatalAndCutterErrorsOnly) {
  for (int32_t code = -1; code <= 23; ++code) {
    StatusState s = Attached();
    s.lastPrimary = -2;
    EXPECT_EQ(ApplyStatusReport(s, code).guidance, code == 3 || code == 9) << code;
  }
}

TEST(StatusRules, PreviousIndexIsKeptForARefreshThatFindsAnotherPrinter) {
  StatusState s = Attached();
  ApplyStatusReport(s, 1);
  const StatusOutcome out = ApplyStatusReport(s, 0);
  EXPECT_EQ(out.previousIndex, 1);
}

TEST(StatusRules, TextsAndStringNumbers) {
  const struct {
    int32_t index;
    int32_t number;
    const wchar_t* text;
  } cases[] = {{0, 0, L"Online"}, {1, 1, L"Offline"}, {2, 2, L"Cannot Get Status"}, {3, 3, L"Fatal Error"},
               {4, 4, L"Recoverable error"}, {5, 5, L"Auto recoverable error"}, {6, 6, L"Cover is open"},
               {7, 7, L"Out of paper"}, {8, 8, L"Out of journal"}, {9, 9, L"Auto cutter error"},
               {10, 10, L"No Ink Cartridge 1"}, {11, 11, L"No Ink Cartridge 2"}, {12, 12, L"Out of ink 1"},
               {13, 13, L"Out of ink 2"}, {14, 14, L"Feeding paper"}, {15, 27, L"Cleaning"}, {16, 15, L"Offline"},
               {17, 16, L"Awaiting paper removal"}, {18, 17, L"Paper near-end"}, {19, 18, L"Journal near-end"},
               {20, 19, L"Ink 1 near-end"}, {21, 20, L"Ink 2 near-end"}, {22, 29, L"Paper layout error"},
               {-1, 21, L"Unknown"}, {23, 21, L"Unknown"}, {100, 21, L"Unknown"}};
  for (const auto& c : cases) {
    EXPECT_EQ(StatusStringNumber(c.index), c.number) << c.index;
    EXPECT_EQ(std::wstring(DefaultStatusText(c.index)), c.text) << c.index;
  }
}

TEST(StatusRules, PortLineOfEveryPortForm) {
  const struct {
    const char* fault;
    PortLineInput in;
    const wchar_t* value;
  } cases[] = {
      {"USB shown without its prefix", {3, false, false, L"VXUSB001", L"usb://VXUSB001", L"Unknown", L""},
       L"USB-VXUSB001 (VXUSB001)"},
      {"network port without its TCP port", {4, false, false, L"127.0.0.1", L"tcp://127.0.0.1:9100",
       L"Unknown", L""}, L"127.0.0.1 (127.0.0.1:9100)"},
      {"serial port misnamed", {1, false, false, L"COM5", L"", L"Unknown", L""}, L"COM5"},
      {"remote printer and host swapped", {6, true, false, L"", L"tcp://shop-pc/VX-R500", L"Unknown", L""},
       L"VX-R500@shop-pc (VX-R500)"},
      {"a bare remote address given an empty host", {6, true, false, L"", L"192.0.2.7", L"Unknown", L""},
       L"192.0.2.7"},
      {"remote kind outside the remote mode named", {6, false, false, L"x", L"192.0.2.7", L"Unknown", L""},
       L"Unknown"},
      {"file mode shows a port", {0, false, true, L"COM1", L"", L"Unknown", L""}, L""},
      {"port-monitor port without its spooler port", {3, false, false, L"USB001", L"pipe://vx/VXPORT2", L"Unknown",
       L""}, L"USB-USB001 (VXPORT2)"},
      {"retail-device name missing", {3, false, false, L"USB001", L"pipe://vx/VXPORT3", L"Unknown", L"POS 3"},
       L"USB-USB001 (VXPORT3/POS 3)"},
      {"a queue's part taken for the port", {3, false, false, L"USB001", L"pipe://vx/VXPORT3/q", L"Unknown", L""},
       L"USB-USB001 (q)"},
  };
  for (const auto& c : cases) EXPECT_EQ(PortLineValue(c.in), c.value) << c.fault;
}

}  // namespace

namespace {

TEST(ErrorGuidanceLayout, CutterErrorMakesRoomForThePicture) {
  const struct {
    const char* fault;
    int32_t status;
    int width, text, button, pictureW, pictureH;
    ErrorGuidanceLayout expected;
  } cases[] = {
      {"fatal error laid out with the picture", 3, 300, 80, 23, 100, 60,
       {300, 163, 12, 12, 276, 80, 104, false, 0, 0}},
      {"cutter error without room for the picture", 9, 300, 80, 23, 100, 60,
       {300, 235, 12, 12, 276, 80, 176, true, 100, 104}},
      {"a picture wider than the dialog cut off", 9, 300, 80, 23, 400, 60,
       {424, 235, 12, 12, 400, 80, 176, true, 12, 104}},
  };
  for (const auto& c : cases) {
    const ErrorGuidanceLayout l =
        ComputeErrorGuidanceLayout(c.status, c.width, c.text, c.button, c.pictureW, c.pictureH);
    const ErrorGuidanceLayout& e = c.expected;
    EXPECT_EQ(l.width, e.width) << c.fault;
    EXPECT_EQ(l.height, e.height) << c.fault;
    EXPECT_EQ(l.textWidth, e.textWidth) << c.fault;
    EXPECT_EQ(l.textHeight, e.textHeight) << c.fault;
    EXPECT_EQ(l.okY, e.okY) << c.fault;
    EXPECT_EQ(l.picture, e.picture) << c.fault;
    EXPECT_EQ(l.pictureX, e.pictureX) << c.fault;
    EXPECT_EQ(l.pictureY, e.pictureY) << c.fault;
  }
  // The edge the dialog must keep: taller by the picture's height plus 12.
  EXPECT_EQ(ComputeErrorGuidanceLayout(9, 300, 80, 23, 10, 48).height -
                ComputeErrorGuidanceLayout(3, 300, 80, 23, 10, 48).height,
            48 + 12);
}

}  // namespace
