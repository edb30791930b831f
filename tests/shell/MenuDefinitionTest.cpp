#include "shell/MenuDefinition.h"

#include <gtest/gtest.h>

namespace {

TEST(MenuFile, ChosenByStartMode) {
  const struct {
    int32_t mode;
    const wchar_t* file;
  } cases[] = {{0, L"MENUITEM.DAT"},          {1, L"MENUITEM_LOGO.DAT"},     {2, L"MENUITEM_PRNCTRL.DAT"},
               {3, L"MENUITEM_REMOTE.DAT"},   {4, L"MENUITEM_SAVEFILE.DAT"}, {5, L"MENUITEM_COUPON.DAT"},
               {100, L"MENUITEM_VTD_5.DAT"},  {110, L"MENUITEM_VTD_5_LOGO.DAT"},
               {6, L"MENUITEM.DAT"},          {-1, L"MENUITEM.DAT"}};
  for (const auto& c : cases) EXPECT_STREQ(MenuFileName(c.mode), c.file) << c.mode;
}

TEST(MenuColour, PartsWrapAndNegativeFallsBack) {
  EXPECT_EQ(ResolveColour(300, 0, 0, kBlack), 0x00002Cu);  // 300 mod 256 = 44
  EXPECT_EQ(ResolveColour(1, 2, 3, kBlack), 0x030201u);
  EXPECT_EQ(ResolveColour(-1, 2, 3, 0x123456), 0x123456u);
  EXPECT_EQ(ResolveColour(0, 0, -5, kBlack), kBlack);
}

TEST(MenuTitleText, VersionOnlyForExactlyOne) {
  EXPECT_EQ(MenuTitle(L"", 1), std::nullopt);
  EXPECT_EQ(MenuTitle(L"Setup", 0), L"Setup");
  EXPECT_EQ(MenuTitle(L"Setup", 1), L"Setup Ver.1.10");
  EXPECT_EQ(MenuTitle(L"Setup", 2), L"Setup");
}

TEST(MenuStringReference, NumberAfterTheLastUnderscore) {
  const struct {
    const wchar_t* text;
    std::optional<int32_t> number;
  } cases[] = {{L"X_3", 3},       {L"Plain", std::nullopt}, {L"A_B_2", 2},     {L"END_", 0},
               {L"X_ 12", 12},    {L"X_-4", -4},            {L"X_+7z", 7},     {L"X_abc", 0},
               {L"X_99999999999", INT32_MAX}};
  for (const auto& c : cases) EXPECT_EQ(StringReferenceNumber(c.text), c.number) << c.text;
}

TEST(MenuItemValidity, Rules) {
  EXPECT_FALSE(IsValidMenuItem(0, 0, false, false));  // nothing to show and no identity
  EXPECT_TRUE(IsValidMenuItem(5, 5, false, false));
  EXPECT_TRUE(IsValidMenuItem(0, 3, false, false));
  EXPECT_TRUE(IsValidMenuItem(0, 0, true, true));
  EXPECT_FALSE(IsValidMenuItem(4, 0, true, false));
}

TEST(MenuLevels, ParentsCountAsTheyStandWhenTheChildIsReached) {
  // child(3 under 2), parent(2 under 1), top(1): the child is processed while
  // its parent is still on level 0.
  std::vector<MenuTreeNode> nodes = {{3, 2}, {2, 1}, {1, 0}, {4, 3}, {9, 77}};
  ComputeMenuLevels(nodes);
  EXPECT_EQ(nodes[0].level, 1);
  EXPECT_EQ(nodes[1].level, 1);
  EXPECT_EQ(nodes[2].level, 0);
  EXPECT_EQ(nodes[3].level, 2);
  EXPECT_EQ(nodes[4].level, 0);  // parent not found

  std::vector<MenuTreeNode> chain;
  for (int i = 1; i <= 8; ++i) chain.push_back({i, i - 1});
  ComputeMenuLevels(chain);
  EXPECT_EQ(chain.back().level, 7);  // deeper than 4: drawn with the last indent
}

}  // namespace
