// The utility without a mouse: the printer selection, the port setup and the
// cut-position page walked with Tab, mnemonics, Enter and Escape, the keys
// sent as the keyboard sends them to the window in front.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/EndToEnd.h"

namespace e2e {
namespace {

constexpr int kList = 1020, kAddPort = 1003, kDeletePort = 1004, kSelectLanguage = 1026;

void Send(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sleep(150);
}

INPUT Key(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

// A key, with a modifier held while it goes down and up.
void Press(WORD vk, WORD modifier = 0) {
  std::vector<INPUT> inputs;
  if (modifier) inputs.push_back(Key(modifier, false));
  inputs.push_back(Key(vk, false));
  inputs.push_back(Key(vk, true));
  if (modifier) inputs.push_back(Key(modifier, true));
  Send(inputs);
}

// Characters typed as the keyboard would, one after the other.
void TypeKeys(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT down = {}, up = {};
    down.type = up.type = INPUT_KEYBOARD;
    down.ki.wScan = up.ki.wScan = c;
    down.ki.dwFlags = KEYEVENTF_UNICODE;
    up.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    Send({down, up});
  }
}

// The control with the keyboard focus in a window's thread.
HWND FocusIn(HWND window) {
  GUITHREADINFO info = {sizeof(info)};
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}
// The dialog control that holds the focus (the address control, not one of
// its four fields).
int FocusId(HWND window) {
  HWND focus = FocusIn(window);
  while (focus && GetParent(focus) && gui::ClassOf(GetParent(focus)) != L"#32770") focus = GetParent(focus);
  return focus ? GetDlgCtrlID(focus) : 0;
}

bool BringToFront(HWND window) {
  return gui::WaitUntil(
      [&] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
      },
      5000);
}

// The controls Tab visits from the focus, until it comes back (at most 30).
std::vector<int> TabCycle(HWND window) {
  std::vector<int> seen{FocusId(window)};
  for (int i = 0; i < 30; ++i) {
    Press(VK_TAB);
    const int id = FocusId(window);
    if (id == seen.front()) break;
    seen.push_back(id);
  }
  return seen;
}

class Keyboard : public EndToEnd {};

TEST_F(Keyboard, SelectionPortSetupAndCutPositionPageWithoutTheMouse) {
  HWND selection = StartAndWaitForSelection();
  ASSERT_NE(selection, nullptr);
  ASSERT_TRUE(BringToFront(selection));
  const DWORD id = utility_->Id();

  // The list has the focus first; Tab goes down the dialog and round again.
  ASSERT_TRUE(gui::WaitUntil([&] { return FocusId(selection) == kList; }, 5000)) << FocusId(selection);
  EXPECT_EQ(TabCycle(selection), (std::vector<int>{kList, kAddPort, kDeletePort, kSelectLanguage, IDOK, IDCANCEL}));
  Press(VK_TAB, VK_SHIFT);
  EXPECT_EQ(FocusId(selection), IDCANCEL) << "Shift+Tab goes back";
  Press(VK_TAB);
  ASSERT_EQ(FocusId(selection), kList);
  // The arrows move in the list.
  const auto selectedRow = [&] {
    return static_cast<int>(
        SendMessageW(GetDlgItem(selection, kList), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  };
  Press(VK_DOWN);
  EXPECT_EQ(selectedRow(), 1);
  Press(VK_UP);
  EXPECT_EQ(selectedRow(), 0);

  // Alt+A: Add Port.
  Press('A', VK_MENU);
  HWND setup = WaitForDialogWith(id, 1030);
  ASSERT_NE(setup, nullptr) << "Alt+A opens the port setup";
  ASSERT_TRUE(BringToFront(setup));
  // Each interface by its letter; Tab walks the dialog and comes back.
  for (const auto& [letter, button] : {std::pair{'S', 2000}, std::pair{'E', 2003}}) {
    HWND radio = GetDlgItem(setup, button);
    if (!IsWindowVisible(radio)) continue;
    Press(static_cast<WORD>(letter), VK_MENU);
    EXPECT_TRUE(gui::WaitUntil([&] { return SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 3000))
        << "Alt+" << letter;
  }
  const std::vector<int> setupCycle = TabCycle(setup);
  ASSERT_EQ(FocusId(setup), setupCycle.front()) << "Tab comes round again";
  const auto at = [&](int control) {
    return std::find(setupCycle.begin(), setupCycle.end(), control) - setupCycle.begin();
  };
  std::string order;
  for (int control : setupCycle) order += " " + std::to_string(control);
  EXPECT_LT(at(1026), at(IDOK)) << "the test, then OK:" << order;
  EXPECT_LT(at(IDOK), at(IDCANCEL)) << "OK, then Cancel";
  EXPECT_LT(at(IDCANCEL), static_cast<long>(setupCycle.size()));
  for (int control : setupCycle) {
    HWND w = GetDlgItem(setup, control);
    EXPECT_TRUE(w && IsWindowVisible(w) && IsWindowEnabled(w)) << "Tab stops only on what can be used: " << control;
  }
  // Escape is Cancel.
  Press(VK_ESCAPE);
  EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(setup); }, 5000)) << "Escape closes the port setup";
  ASSERT_TRUE(BringToFront(selection));

  // Enter is OK: the main window, its cut-position page with the focus.
  Press(VK_RETURN);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; },
                             kStartMs));
  ASSERT_TRUE(WaitForStatus("restarting 0"));
  ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000));
  ASSERT_TRUE(BringToFront(frame));
  HWND edit = FindVisibleChild(frame, 1001);
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(gui::WaitUntil([&] { return FocusIn(frame) == edit; }, 5000)) << "the value has the focus";
  // Tab within the page: the value, then Set, and round again.
  const std::vector<int> pageCycle = TabCycle(frame);
  EXPECT_EQ(pageCycle, (std::vector<int>{1001, 1005}));

  Press(VK_END);
  Press(VK_HOME, VK_SHIFT);
  TypeKeys(L"12.5");
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(edit) == L"12.5"; }, 5000)) << "typed";
  // Alt+S: Set. The progress dialog keeps ignoring Escape and Enter.
  Press('S', VK_MENU);
  ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) == FALSE; }, 5000)) << "Alt+S sets";
  // Neither key cuts the run short: the value still reaches the printer.
  Press(VK_ESCAPE);
  Press(VK_RETURN);
  EXPECT_TRUE(gui::WaitUntil([&] { return Control("cv 116") == "OK 89"; }, 30000)) << Control("cv 116");
  EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000)) << "the progress dialog ends";
  EXPECT_EQ(gui::WaitForMessageBox(id, 500), nullptr) << "no message";

  // Ctrl+Page Down and Ctrl+Page Up go through the pages, the keyboard with them.
  ASSERT_TRUE(WaitForStatus("restarting 0"));
  ASSERT_TRUE(BringToFront(frame));
  Press(VK_NEXT, VK_CONTROL);
  EXPECT_TRUE(gui::WaitUntil([&] { return FindVisibleChild(frame, 1101) != nullptr; }, 10000)) << "Memory Switches";
  EXPECT_TRUE(gui::WaitUntil([&] { return FocusId(frame) == 1100; }, 5000)) << FocusId(frame);
  Press(VK_PRIOR, VK_CONTROL);
  EXPECT_TRUE(gui::WaitUntil([&] { return FindVisibleChild(frame, 1006) != nullptr; }, 10000)) << "back";
  EXPECT_TRUE(gui::WaitUntil([&] { return FocusId(frame) == 1001; }, 5000)) << FocusId(frame);
  Press(VK_PRIOR, VK_CONTROL);
  EXPECT_TRUE(gui::WaitUntil([&] { return FindVisibleChild(frame, 1200) != nullptr; }, 10000))
      << "round to Customized Values";
  EXPECT_EQ(gui::WaitForMessageBox(id, 500), nullptr) << "no message";

  ASSERT_TRUE(WaitForStatus("restarting 0"));
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_TRUE(utility_->WaitForExit(kStartMs));
}

}  // namespace
}  // namespace e2e
