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
      {"two modes", {L"--check", L"a.vxs", L"--show", L"b.vxs"}, "one of --check, --backup and --show"},
      {"a backup of two printers", {L"--backup", L"b.vxs", L"COM5", L"COM6"}, "--backup reads one printer"},
      {"a backup of --all", {L"--backup", L"b.vxs", L"--all"}, "--backup reads one printer"},
      {"show with a printer", {L"--show", L"a.vxs", L"COM5"}, "give no printer"},
      {"jobs beyond 64", {L"--jobs", L"65", L"a.vxs", L"COM5"}, "1 to 64"},
      {"jobs of none", {L"--jobs", L"0", L"a.vxs", L"COM5"}, "1 to 64"},
      {"--targets without a file", {L"a.vxs", L"--targets"}, "--targets needs a file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const auto parsed = ParseCommandLine(c.args);
    EXPECT_FALSE(parsed.line);
    EXPECT_NE(parsed.error.find(c.says), std::string::npos) << parsed.error;
  }
}

TEST(SendCommandLine, ModesAndFleetOptions) {
  const struct {
    std::vector<std::wstring> args;
    sender::Mode mode;
    std::wstring file, targets, report;
    uint32_t jobs;
  } cases[] = {
      {{L"a.vxs", L"--targets", L"t.txt"}, sender::Mode::Send, L"a.vxs", L"t.txt", L"", 8},
      {{L"--check", L"a.vxs", L"--jobs", L"64", L"10.0.0.7"}, sender::Mode::Check, L"a.vxs", L"", L"", 64},
      {{L"--backup", L"b.vxs", L"COM5", L"--report", L"r.json"}, sender::Mode::Backup, L"b.vxs", L"", L"r.json", 8},
      {{L"--show", L"a.vxs"}, sender::Mode::Show, L"a.vxs", L"", L"", 8},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseCommandLine(c.args);
    ASSERT_TRUE(parsed.line) << parsed.error;
    EXPECT_EQ(parsed.line->mode, c.mode);
    EXPECT_EQ(parsed.line->file, c.file);
    EXPECT_EQ(parsed.line->targetsFile, c.targets);
    EXPECT_EQ(parsed.line->reportFile, c.report);
    EXPECT_EQ(parsed.line->jobs, c.jobs);
  }
}

TEST(SendTargets, AddressesAndTargetFiles) {
  const struct {
    std::wstring text;
    bool address, malformed;
    std::wstring host;
    uint16_t port;
  } addresses[] = {
      {L"192.168.1.20", true, false, L"192.168.1.20", 9100},
      {L"printer-7.shop.example:9101", true, false, L"printer-7.shop.example", 9101},
      {L"10.0.0.1:65535", true, false, L"10.0.0.1", 65535},
      {L"COM5", false, false, L"", 0},
      {L"printer-7", false, false, L"", 0},
      {L"192.168.1.256", false, true, L"", 0},
      {L"192.168.01.2", false, true, L"", 0},
      {L"10.0.0.1:0", false, true, L"", 0},
      {L"10.0.0.1:70000", false, true, L"", 0},
      {L"host:", false, true, L"", 0},
      {L":9100", false, true, L"", 0},
      {L"-host:9100", false, true, L"", 0},
      {L"ho st:9100", false, true, L"", 0},
  };
  for (const auto& a : addresses) {
    bool malformed = false;
    const auto parsed = sender::ParseAddress(a.text, &malformed);
    EXPECT_EQ(parsed.has_value(), a.address) << std::string(a.text.begin(), a.text.end());
    EXPECT_EQ(malformed, a.malformed) << std::string(a.text.begin(), a.text.end());
    if (parsed) EXPECT_EQ(parsed->host + L":" + std::to_wstring(parsed->port), a.host + L":" + std::to_wstring(a.port));
  }
  const auto list = sender::ParseTargetList("\xEF\xBB\xBF# store 12\r\n10.0.0.2\r\n\r\n  COM5  # the back office\n10.0.0.3:9101");
  ASSERT_EQ(list.error, "");
  ASSERT_EQ(list.targets.size(), 3u);
  EXPECT_EQ(list.targets[1].text, L"COM5");
  EXPECT_EQ(list.targets[1].line, 4u);
  EXPECT_EQ(list.targets[2].line, 5u);
  EXPECT_EQ(sender::ParseTargetList("10.0.0.2\n10.0.0.3 10.0.0.4\n").error.substr(0, 7), "line 2:");
  EXPECT_TRUE(sender::ParseTargetList("").targets.empty());
}

TEST(SendTargets, ListNamesFirstThenAddressesEachPrinterOnce) {
  CommandLine line;
  line.ports = {L"127.0.0.1", L"10.0.0.9", L"127.0.0.1:9101"};
  const std::vector<PortRow> list = {{L"NET", L"127.0.0.1", L"tcp://127.0.0.1:9100"},
                                     {L"NET", L"127.0.0.1", L"tcp://127.0.0.1:9101"},
                                     {L"COM", L"COM5", L""}};
  const auto s = sender::SelectTargets(list, line, {{L"10.0.0.9:9100", 2}, {L"COM5", 3}});
  ASSERT_EQ(s.error, "");
  std::vector<std::wstring> labels;
  for (const auto& t : s.targets) labels.push_back(t.label);
  EXPECT_EQ(labels, (std::vector<std::wstring>{L"127.0.0.1 (tcp://127.0.0.1:9100)", L"127.0.0.1 (tcp://127.0.0.1:9101)",
                                               L"10.0.0.9", L"COM5"}))
      << "a list name is every entry of it; an address already named is not worked on twice";
  EXPECT_FALSE(s.targets[2].row);
  const auto bad = sender::SelectTargets(list, line, {{L"10.0.0.9", 1}, {L"10.0.0.999", 7}});
  EXPECT_TRUE(bad.targets.empty());
  EXPECT_EQ(bad.error.substr(0, 7), "line 7:") << bad.error;
  line.ports = {L"LPT9"};
  EXPECT_NE(sender::SelectTargets(list, line, {}).error.find("LPT9 is not in the port list"), std::string::npos);
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
