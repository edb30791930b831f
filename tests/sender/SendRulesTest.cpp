#include "sender/SendRules.h"

#include <gtest/gtest.h>

#include "printerinfo/PrinterReadRules.h"
#include "sender/SendCommandLine.h"
#include "sender/SettingNames.h"

namespace {

using sender::ModelVerdict;
using sender::Outcome;
using sender::Verdict;

TEST(SendRules, OnlyTheServedModelIsTaken) {
  const struct {
    const char* fault;
    std::optional<std::string> name;
    int32_t variant;
    ModelVerdict verdict;
    const char* reason;
  } cases[] = {
      {"the VX-R500", std::string("VX-R200"), 24, ModelVerdict::Served, ""},
      {"no answer", std::nullopt, 24, ModelVerdict::NoAnswer, "does not answer"},
      {"another printer", std::string("LX-P90"), 24, ModelVerdict::OtherModel, "another printer model (LX-P90)"},
      {"a name of the family only", std::string("VX-R200II"), 24, ModelVerdict::OtherModel, "(VX-R200II)"},
      {"an empty name", std::string(""), 24, ModelVerdict::OtherModel, "(no model name)"},
      {"the sister model", std::string("VX-R200"), 9, ModelVerdict::SisterModel, "(VX-R200, not a VX-R500)"},
      {"item 117 unanswered", std::string("VX-R200"), -1, ModelVerdict::UnknownVariant, "does not say"},
      {"no printer-information library", std::string("VX-R200"), kReadNoLibrary, ModelVerdict::NoLibrary,
       "PrnInfoBroker.dll is missing"},
      {"another printer is not asked for item 117", std::string("LX-P90"), kReadNoLibrary, ModelVerdict::OtherModel,
       "(LX-P90)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const ModelVerdict v = sender::JudgeModel(c.name, c.variant);
    EXPECT_EQ(v, c.verdict);
    EXPECT_NE(sender::ModelSkipReason(v, c.name.value_or("")).find(c.reason), std::string::npos)
        << sender::ModelSkipReason(v, c.name.value_or(""));
  }
  EXPECT_EQ(sender::ModelSkipReason(ModelVerdict::OtherModel, std::string("A\x01\xFF") + std::string(60, 'x')),
            "another printer model (A??" + std::string(37, 'x') + ")")
      << "a printer's text is cut and made printable";
}

setting_file::SwitchSetting Switch(uint8_t n, const char (&c)[9]) {
  setting_file::SwitchSetting s{n, {}};
  for (int i = 0; i < 8; ++i) s.characters[i] = c[i];
  return s;
}

TEST(SendRules, ExpectedSettingsMergeTheFilesCommands) {
  setting_file::ParsedFile f;
  f.switches = {Switch(1, "00222102"), Switch(2, "22222222"), Switch(1, "21222022"), Switch(8, "22222221")};
  f.values = {{3, 4}, {101, 5}, {3, 2}};
  const auto e = sender::ExpectedFrom(f);
  ASSERT_EQ(e.switches.size(), 2u) << "a switch left whole ('2' only) is not read back";
  EXPECT_EQ(std::string(e.switches.at(1).begin(), e.switches.at(1).end()), "01222002") << "a later command wins per bit";
  EXPECT_EQ(std::string(e.switches.at(8).begin(), e.switches.at(8).end()), "22222221");
  EXPECT_EQ(e.values, (std::map<uint8_t, uint16_t>{{3, 2}, {101, 5}})) << "the last value set counts";
}

TEST(SendRules, DifferencesNameEachSettingThatDoesNotMatch) {
  sender::ExpectedSettings e;
  e.switches[1] = {'0', '2', '2', '2', '2', '1', '2', '2'};  // bit 8 off, bit 3 on
  e.values = {{3, 4}, {116, 35}};
  const struct {
    const char* fault;
    sender::ReadBack read;
    std::vector<std::string> differences;
  } cases[] = {
      {"all held", {{{1, 0x04}}, {{3, 4}, {116, 35}}}, {}},
      {"bits marked '2' are not compared", {{{1, 0x7F}}, {{3, 4}, {116, 35}}}, {}},
      {"a bit set that the file clears", {{{1, 0x84}}, {{3, 4}, {116, 35}}},
       {"Cut when the cover is closed (memory switch 1 bit 8) is on (the file sets off)"}},
      {"a bit the file sets left off", {{{1, 0x00}}, {{3, 4}, {116, 35}}},
       {"Send a power-on notice (memory switch 1 bit 3) is off (the file sets on)"}},
      {"a value the printer refused", {{{1, 0x04}}, {{3, 6}, {116, 35}}}, {"Paper width (customized value 3) is 80 mm (the file sets 70 mm)"}},
      {"nothing read", {}, {"memory switch 1 was not read back", "Paper width (customized value 3) was not read back",
                            "Cut position, forward adjustment (customized value 116) was not read back"}},
      {"several at once, switches first", {{{1, 0x80}}, {{3, 4}, {116, 0}}},
       {"Cut when the cover is closed (memory switch 1 bit 8) is on (the file sets off)", "Send a power-on notice (memory switch 1 bit 3) is off (the file sets on)",
        "Cut position, forward adjustment (customized value 116) is 0 units = 0.0 mm (the file sets 35 units = 4.9 mm)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    EXPECT_EQ(sender::Differences(e, c.read), c.differences);
  }
}

TEST(SendRules, RestartTriesFollowTheScheduleUpToItsLimit) {
  const sender::RestartSchedule s{1000, 1000, 5000};
  const struct {
    const char* fault;
    uint32_t tries;
    uint64_t now;
    std::optional<uint64_t> next;
  } cases[] = {
      {"the first try waits for the printer to be gone", 0, 100, 1000},
      {"the next on the second", 1, 1200, 2000},
      {"a try that overran is followed at once, without a burst", 2, 3700, 3700},
      {"the last slot before the limit", 3, 3500, 4000},
      {"none at the limit", 4, 4100, std::nullopt},
      {"none after it", 3, 5000, std::nullopt},
      {"the first try is made however late", 0, 9000, 9000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    EXPECT_EQ(sender::NextTry(s, c.tries, c.now), c.next);
  }
  // Tries that take no time: one a second, bounded by the limit.
  const sender::RestartSchedule standard;
  uint32_t tries = 0;
  uint64_t now = 0;
  while (const auto at = sender::NextTry(standard, tries, now)) {
    now = *at;
    ++tries;
  }
  EXPECT_EQ(tries, 44u) << "a try a second from 1 s, none at 45 s";
}

TEST(SendRules, ResultLinesLineUpAndTheExitCodeSaysWhetherAllWent) {
  const std::vector<Outcome> outcomes = {
      {Verdict::Ok, ""}, {Verdict::Failed, "the printer does not answer"}, {Verdict::Skipped, "another printer model (LX-P90)"}};
  EXPECT_EQ(sender::ResultLines({"127.0.0.1", "COM5", "USB001"}, outcomes),
            (std::vector<std::string>{"127.0.0.1  OK", "COM5       FAILED: the printer does not answer",
                                      "USB001     SKIPPED: another printer model (LX-P90)"}));
  EXPECT_EQ(sender::ExitCodeFor({{Verdict::Ok, ""}, {Verdict::Ok, ""}}), sender::kExitAllSent);
  EXPECT_EQ(sender::ExitCodeFor(outcomes), sender::kExitSomeNotSent);
  EXPECT_EQ(sender::ExitCodeFor({{Verdict::Ok, ""}, {Verdict::Skipped, "x"}}), sender::kExitSomeNotSent)
      << "a skipped printer did not get the file";
}

TEST(SendRules, AFileInWordsAndAReportLine) {
  setting_file::ParsedFile file;
  file.deviceName = "VX-R500";
  file.timeStamp = "05/17/2024 09:30";
  file.switches = {{1, {'0', '2', '1', '2', '2', '2', '2', '2'}}, {1, {'1', '2', '2', '2', '2', '2', '2', '2'}}};
  file.values = {{3, 2}, {117, 21}, {3, 4}, {5, 3}};
  std::string shown;
  for (const auto& line : sender::ShowLines(file)) shown += line + "\n";
  EXPECT_EQ(shown,
            "Device name: VX-R500\nSaved: 05/17/2024 09:30\nLogo: none\nMemory switch 1\n"
            "  Cut when the cover is closed: on\n"     // the later command wins
            "  Line feed on carriage return: leave as it is\n"
            "  bit 6: on\n"                            // no page offers it
            "  Print ? for damaged data: leave as it is\n  Large receive buffer (4 KB): leave as it is\n"
            "  Send a power-on notice: leave as it is\n  Busy while offline: leave as it is\n"
            "Customized values\n  Paper width: 70 mm\n  Cut position, backward adjustment: 21 units = -3.0 mm\n"
            "  customized value 5: 3\n");
  Outcome o{Verdict::Differs, "", {"Paper \"width\"\t70 mm"}, "VX-R500", "VXE0000001", 6.24};
  EXPECT_EQ(sender::ReportLine("10.0.0.2\\x", o),
            "{\"target\":\"10.0.0.2\\\\x\",\"model\":\"VX-R500\",\"serial\":\"VXE0000001\",\"result\":\"DIFFERS\","
            "\"reason\":\"\",\"differences\":[\"Paper \\\"width\\\"\\u000970 mm\"],\"seconds\":6.2}");
}

}  // namespace
