#include "sender/SendCommandLine.h"

#include <gtest/gtest.h>

namespace {

using sender::CommandLine;
using sender::ParseCommandLine;
using sender::PortRow;

TEST(SendCommandLine, AcceptedLines) {
  const struct {
    const char* fault;
    std::vector<std::wstring> args;
    std::wstring file;
    std::vector<std::wstring> ports;
    bool all;
    uint32_t limit;
  } cases[] = {
      {"one port", {L"a.vxs", L"127.0.0.1"}, L"a.vxs", {L"127.0.0.1"}, false, 45},
      {"ports in the order given", {L"a.vxs", L"COM5", L"USB001"}, L"a.vxs", {L"COM5", L"USB001"}, false, 45},
      {"a port named twice is sent to once", {L"a.vxs", L"COM5", L"com5"}, L"a.vxs", {L"COM5"}, false, 45},
      {"--all", {L"--all", L"a.vxs"}, L"a.vxs", {}, true, 45},
      {"restart limit before the file", {L"--restart-limit", L"90", L"a.vxs", L"--all"}, L"a.vxs", {}, true, 90},
      {"restart limit at its bounds", {L"a.vxs", L"--restart-limit", L"600", L"X"}, L"a.vxs", {L"X"}, false, 600},
      {"-- ends the options", {L"--", L"--all", L"-p"}, L"--all", {L"-p"}, false, 45},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const auto parsed = ParseCommandLine(c.args);
    ASSERT_TRUE(parsed.line) << parsed.error;
    EXPECT_FALSE(parsed.line->help);
    EXPECT_EQ(parsed.line->file, c.file);
    EXPECT_EQ(parsed.line->ports, c.ports);
    EXPECT_EQ(parsed.line->all, c.all);
    EXPECT_EQ(parsed.line->restartLimitSeconds, c.limit);
  }
}

TEST(SendCommandLine, RefusedLinesSayWhy) {
  const struct {
    const char* fault;
    std::vector<std::wstring> args;
    const char* says;
  } cases[] = {
      {"nothing", {}, "no setting command file"},
      {"a file and no port", {L"a.vxs"}, "no port given"},
      {"--all and ports", {L"a.vxs", L"--all", L"COM5"}, "not both"},
      {"unknown option", {L"a.vxs", L"--fast", L"COM5"}, "unknown option --fast"},
      {"limit without a number", {L"a.vxs", L"COM5", L"--restart-limit"}, "needs a number"},
      {"limit too short", {L"--restart-limit", L"4", L"a.vxs", L"COM5"}, "5 to 600"},
      {"limit overflowing", {L"--restart-limit", L"99999999999", L"a.vxs", L"COM5"}, "5 to 600"},
      {"an option that is not ASCII", {L"a.vxs", L"--\x00E9t\x00E9", L"COM5"}, "unknown option --?t?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const auto parsed = ParseCommandLine(c.args);
    EXPECT_FALSE(parsed.line);
    EXPECT_NE(parsed.error.find(c.says), std::string::npos) << parsed.error;
  }
}

TEST(SendCommandLine, HelpWinsOverEverythingElse) {
  for (const std::vector<std::wstring>& args :
       std::vector<std::vector<std::wstring>>{{L"--help"}, {L"/?"}, {L"--help", L"--all", L"x", L"COM5"}}) {
    const auto parsed = ParseCommandLine(args);
    ASSERT_TRUE(parsed.line) << parsed.error;
    EXPECT_TRUE(parsed.line->help);
  }
  const std::string usage = sender::UsageText();
  for (const char* part : {"--all", "--restart-limit", "FILE", "PORT", "Exit status", "SKIPPED", "FAILED"}) {
    EXPECT_NE(usage.find(part), std::string::npos) << part;
  }
}

const std::vector<PortRow> kList = {
    {L"NET", L"127.0.0.1", L"tcp://127.0.0.1:9100"},
    {L"COM", L"COM5", L""},
    {L"USB", L"USB001", L"pipe://vx/VXPORT1"},
    {L"NET", L"127.0.0.1", L"tcp://127.0.0.1:9101"},
};

CommandLine Ports(std::vector<std::wstring> ports) {
  CommandLine line;
  line.ports = std::move(ports);
  return line;
}

TEST(SendSelection, EntriesForNamesAndForAll) {
  CommandLine all;
  all.all = true;
  const struct {
    const char* fault;
    CommandLine line;
    std::vector<std::size_t> rows;
  } cases[] = {
      {"every entry for --all, in list order", all, {0, 1, 2, 3}},
      {"the order asked, not the list's", Ports({L"USB001", L"COM5"}), {2, 1}},
      {"names in any case", Ports({L"usb001"}), {2}},
      {"every entry of a shared name", Ports({L"127.0.0.1"}), {0, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const auto s = sender::SelectPorts(kList, c.line);
    EXPECT_EQ(s.error, "");
    EXPECT_EQ(s.rows, c.rows);
  }
}

TEST(SendSelection, UnknownPortsAndEmptyListsAreRefusedWhole) {
  const auto unknown = sender::SelectPorts(kList, Ports({L"COM5", L"COM9"}));
  EXPECT_TRUE(unknown.rows.empty()) << "no printer at all when one name is wrong";
  EXPECT_NE(unknown.error.find("COM9 is not in the port list"), std::string::npos) << unknown.error;
  EXPECT_NE(unknown.error.find("127.0.0.1, COM5, USB001"), std::string::npos) << "the names it holds";
  CommandLine all;
  all.all = true;
  EXPECT_NE(sender::SelectPorts({}, all).error.find("holds no port"), std::string::npos);
  EXPECT_NE(sender::SelectPorts({}, Ports({L"COM5"})).error.find("which is empty"), std::string::npos);
}

TEST(SendSelection, LabelsTellSharedNamesApartByPath) {
  EXPECT_EQ(sender::PortLabels(kList, {1, 2}), (std::vector<std::wstring>{L"COM5", L"USB001"}));
  EXPECT_EQ(sender::PortLabels(kList, {0, 1, 3}),
            (std::vector<std::wstring>{L"127.0.0.1 (tcp://127.0.0.1:9100)", L"COM5", L"127.0.0.1 (tcp://127.0.0.1:9101)"}));
  EXPECT_EQ(sender::PortLabels(kList, {3}), std::vector<std::wstring>{L"127.0.0.1"}) << "a name selected once";
}

}  // namespace
