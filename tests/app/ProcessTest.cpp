// The utility as a real process: single instance, and the start-up paths that
// end with a message, driven from outside as a user would.

#include <gtest/gtest.h>

#include "tests/support/GuiDriver.h"

namespace {

constexpr DWORD kStartMs = 30000;
const wchar_t kProperty[] = L"VX-R500_UTILITY_VX-R500";

bool IsSelectionDialog(const gui::WindowInfo& w) {
  return w.className == L"#32770" && GetPropW(w.hwnd, kProperty) != nullptr;
}

class Process : public testing::Test {
protected:
  std::unique_ptr<gui::CProcess> Start(const std::wstring& args = L"") {
    auto p = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), args, program_.Path());
    EXPECT_NE(p, nullptr);
    return p;
  }
  gui::CProgramFolder program_;
};

TEST_F(Process, SecondInstanceBringsTheFirstForwardAndEndsSilently) {
  auto first = Start();
  ASSERT_TRUE(first);
  HWND dialog = gui::WaitForWindow(first->Id(), IsSelectionDialog, kStartMs);
  ASSERT_NE(dialog, nullptr) << "the first instance shows its printer selection";
  EXPECT_EQ(gui::WindowText(dialog), L"VX-R500 Utility");

  // Something else in front first, so that bringing it forward shows.
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  EXPECT_TRUE(gui::WaitUntil([other] { return GetForegroundWindow() == other; }, 5000));

  auto second = Start();
  ASSERT_TRUE(second);
  DWORD code = 0;
  ASSERT_TRUE(second->WaitForExit(kStartMs, &code)) << "the second instance must end by itself";
  EXPECT_EQ(code, 1u);
  EXPECT_TRUE(first->IsRunning());
  EXPECT_TRUE(gui::WaitUntil([dialog] { return GetForegroundWindow() == dialog; }, 5000));
  DestroyWindow(other);

  gui::PressButton(dialog, IDCANCEL);
  ASSERT_TRUE(first->WaitForExit(kStartMs, &code));
  EXPECT_EQ(code, 1u);
}

TEST_F(Process, MultiInstanceSwitchLetsASecondOneRun) {
  auto first = Start();
  ASSERT_NE(gui::WaitForWindow(first->Id(), IsSelectionDialog, kStartMs), nullptr);
  auto second = Start(L"/bM");
  HWND secondDialog = gui::WaitForWindow(second->Id(), IsSelectionDialog, kStartMs);
  ASSERT_NE(secondDialog, nullptr);
  gui::PressButton(secondDialog, IDCANCEL);
  EXPECT_TRUE(second->WaitForExit(kStartMs));
  for (const auto& w : gui::TopLevelWindows(first->Id())) {
    if (IsSelectionDialog(w)) gui::PressButton(w.hwnd, IDCANCEL);
  }
  EXPECT_TRUE(first->WaitForExit(kStartMs));
}

TEST_F(Process, StartUpMessagesEndTheProgram) {
  const struct {
    const char* name;
    std::wstring removeFirst;
    std::wstring args;
    std::wstring text;
  } cases[] = {
      {"no language files", L"LANG", L"", L"Could not find the required files.\nPlease reinstall."},
      {"port without VXPORT", L"", L"/pLPT1", L"Cannot communicate with the printer."},
  };
  for (const auto& c : cases) {
    gui::CProgramFolder program;
    if (!c.removeFirst.empty()) program.Remove(c.removeFirst);
    auto p = gui::CProcess::Start(program.File(L"VXR500UTL.exe"), c.args, program.Path());
    ASSERT_TRUE(p) << c.name;
    HWND box = gui::WaitForMessageBox(p->Id(), kStartMs);
    ASSERT_NE(box, nullptr) << c.name;
    EXPECT_EQ(gui::WindowText(box), L"VX-R500 Utility") << c.name;
    EXPECT_EQ(gui::MessageBoxText(box), c.text) << c.name;
    for (const auto& w : gui::TopLevelWindows(p->Id())) EXPECT_FALSE(IsSelectionDialog(w)) << c.name;
    gui::PressButton(box, IDOK);
    DWORD code = 0;
    ASSERT_TRUE(p->WaitForExit(kStartMs, &code)) << c.name;
    EXPECT_EQ(code, 1u) << c.name;
  }
}

}  // namespace
