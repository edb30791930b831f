// The cut-position page end to end: shown through the menu of the real
// utility, read from and written to the emulated printer as its own process.

#include "tests/app/EndToEnd.h"

#include <string>

namespace e2e {
namespace {

// The visible child of the main window holding a control id.
HWND ControlOf(HWND frame, int id) {
  struct Find {
    int id;
    HWND found;
  } find{id, nullptr};
  EnumChildWindows(
      frame,
      [](HWND child, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        if (GetDlgCtrlID(child) != f->id || !IsWindowVisible(child)) return TRUE;
        f->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

// Types a text into an edit box of another process as the keyboard would.
void Type(HWND edit, const std::wstring& text) {
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : text) PostMessageW(edit, WM_CHAR, c, 1);
}

TEST_F(EndToEnd, CutPositionIsReadFromThePrinterSetAndReadBack) {
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  gui::PressButton(dialog, IDOK);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);

  // The first item of the menu shows the page.
  HWND range = nullptr;
  ASSERT_TRUE(gui::WaitUntil([&] { return (range = ControlOf(frame, 1006)) != nullptr; }, 10000))
      << "the cut-position page";
  HWND page = GetParent(range);
  HWND edit = GetDlgItem(page, 1001);
  EXPECT_EQ(gui::WindowText(range), L"-37.0 ~ 598.5 mm");
  EXPECT_EQ(gui::WindowText(edit), L"0.0");
  EXPECT_TRUE(IsWindowEnabled(edit));

  const struct {
    const wchar_t* typed;
    const char* forward;
    const char* backward;
  } cases[] = {{L"12.5", "OK 89", "OK 0"}, {L"-3.0", "OK 0", "OK 21"}};
  for (const auto& c : cases) {
    // Reading the values takes the printer through user-setting mode: it
    // restarts, and the page may talk to it once it is back.
    ASSERT_TRUE(WaitForStatus("restarting 0"));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(ControlOf(frame, 1025)) == L"Status: Online"; }, 10000));
    Type(edit, c.typed);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(edit) == c.typed; }, 5000)) << gui::WindowText(edit).size();
    gui::PressButton(page, 1005);
    // The printer restarts with the new values; the page reads them back.
    EXPECT_TRUE(gui::WaitUntil([&] { return Control("cv 116") == c.forward && Control("cv 117") == c.backward; },
                               30000))
        << Control("cv 116") << " " << Control("cv 117");
    // The main window is disabled while the progress dialog runs.
    EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000))
        << "the progress dialog ends";
    if (HWND box = gui::WaitForMessageBox(utility_->Id(), 500)) {
      const std::wstring text = gui::MessageBoxText(box);
      ADD_FAILURE() << "a message: " << std::string(text.begin(), text.end());
      gui::PressButton(box, IDOK);
    }
  }

  ASSERT_TRUE(WaitForStatus("restarting 0"));
  PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs)) << "closes without asking: nothing unsaved";
}

}  // namespace
}  // namespace e2e
