#include "connection/PrinterEntryRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ModelFamily, MatchesTheSisterModelAndItsVariants) {
  const struct {
    const wchar_t* name;
    bool match;
  } cases[] = {
      {L"VX-R200", true},       {L"VX-R200 Receipt", true}, {L"VX-R200II", true},  {L"VX-R200ii", false},
      {L"VX-R200B", false},     {L"VX-R2000", false},       {L"VX-R200II-A", false}, {L"VX-T200", false},
      {L"ORVIK VX-R200", true}, {L"VX-R", false},           {L"VX-", false},       {L"", false},
      {L"VX-R200-", false},     {L"VX-R20", false},         {L"VX-R200X", true},   {L"VX-R200 -", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesModelFamily(c.name), c.match) << c.name;
}

TEST(SpoolerPort, TakenFromPortMonitorPathsOnly) {
  const struct {
    const wchar_t* path;
    const wchar_t* port;
  } cases[] = {
      {L"pipe://VX/VXPORT3/x", L"VXPORT3"},  {L"PIPE://vx/VxPort12", L"VxPort12"},
      {L"pipe://vx/VXPORT1\"q", L"VXPORT1"}, {L"pipe://vx/other", L""},
      {L"COM1", L""},                        {L"", L""},
      {L"vxport1", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(SpoolerPortOfPath(c.path), c.port) << c.path;
}

TEST(PortNumber, AfterTheFirstSixCharacters) {
  EXPECT_EQ(PortNumberAfterPrefix(L"VXPORT3"), 3);
  EXPECT_EQ(PortNumberAfterPrefix(L"VXPORT12(abc)"), 12);
  EXPECT_EQ(PortNumberAfterPrefix(L"VXPORT"), 0);
  EXPECT_EQ(PortNumberAfterPrefix(L"VXPORTx"), 0);
  EXPECT_EQ(PortNumberAfterPrefix(L"VXPORT99999999999"), 0);
}

TEST(PortPath, TailAfterLastSlash) {
  EXPECT_EQ(PortPathTail(L"pipe://vx/VXPORT1"), L"VXPORT1");
  EXPECT_EQ(PortPathTail(L"VXPORT1"), L"VXPORT1");
  EXPECT_EQ(PortPathTail(L"a/"), L"");
}

TEST(InterfaceKind, ExactTexts) {
  EXPECT_EQ(InterfaceKindOfText(L"COM"), 1);
  EXPECT_EQ(InterfaceKindOfText(L"LPT"), 2);
  EXPECT_EQ(InterfaceKindOfText(L"USB"), 3);
  EXPECT_EQ(InterfaceKindOfText(L"NET"), 4);
  EXPECT_EQ(InterfaceKindOfText(L"BT"), 5);
  EXPECT_EQ(InterfaceKindOfText(L"com"), 0);
  EXPECT_EQ(InterfaceKindOfText(L""), 0);
}

TEST(SelectionList, TheLastColumnGivesUpRoomItsTextsDoNotNeed) {
  EXPECT_EQ(FittedLastColumnWidth(470, 320, 170, 90), 150) << "shrunk to the room left";
  EXPECT_EQ(FittedLastColumnWidth(470, 320, 170, 160), 160) << "never below what its texts need";
  EXPECT_EQ(FittedLastColumnWidth(600, 320, 170, 90), 170) << "never grown";
  EXPECT_EQ(FittedLastColumnWidth(300, 320, 170, 90), 90) << "no room at all";
}

}  // namespace
