// The cut-position page end to end: shown through the menu of the real
// utility, read from and written to the emulated printer as its own process.

#include "tests/app/EndToEnd.h"

#include <commctrl.h>

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "plugins/cutposition/AdjustValueRules.h"

namespace e2e {
namespace {

// The printer's data file of the last run: the cut-position block's adjustment.
std::optional<int32_t> SavedAdjustment(const CSharedDataFolder& shared) {
  const auto data = SavedDataFile(shared);
  const auto block = data ? DataFileBlock(*data, 0x10011) : std::nullopt;
  if (!block || block->size() != 40) return std::nullopt;
  return static_cast<int32_t>(Le32At(*block, 36));
}

// The utility started as a user starts it: the emulated printer picked in
// the selection, and the page the menu's first item shows (nothing when
// any step fails).
class CutPosition : public EndToEnd {
protected:
  // The utility started in file mode; its cut-position page (nothing when
  // any step fails).
  HWND StartFileModeAndShowThePage(HWND& frame) {
    utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), L"\"/mF" + temp_.Path() + L"\\settings.cmd\"",
                                    program_.Path());
    HWND range = nullptr;
    if (!utility_ || !(frame = WaitForMainWindow()) ||
        !gui::WaitUntil([&] { return (range = FindVisibleChild(frame, 1006)) != nullptr; }, 10000)) {
      return nullptr;
    }
    return GetParent(range);
  }
  // The first printer listed, or the one on the named port.
  HWND PickThePrinterAndShowThePage(HWND& frame, const wchar_t* portName = nullptr) {
    HWND dialog = StartAndWaitForSelection();
    if (!dialog) return nullptr;
    if (portName) {
      const std::vector<std::wstring> ports = ListColumn(dialog, 2);
      const auto row = std::find(ports.begin(), ports.end(), portName);
      if (row == ports.end() || !gui::SelectListViewRow(GetDlgItem(dialog, 1020), static_cast<int>(row - ports.begin()))) {
        return nullptr;
      }
    }
    gui::PressButton(dialog, IDOK);
    frame = WaitForMainWindow();
    HWND range = nullptr;
    if (!frame || !gui::WaitUntil([&] { return (range = FindVisibleChild(frame, 1006)) != nullptr; }, 10000)) {
      return nullptr;
    }
    return GetParent(range);
  }
};

TEST_F(CutPosition, IsReadFromThePrinterSetAndReadBack) {
  HWND frame = nullptr;
  HWND page = PickThePrinterAndShowThePage(frame);
  ASSERT_NE(page, nullptr) << "the cut-position page";
  // catches: the page shown under another item, or its item named wrongly
  const std::vector<std::wstring> rows = MenuRows(frame);
  EXPECT_EQ(rows, (std::vector<std::wstring>{L"Printer Settings", L"Adjust Cut Position", L"Memory Switches",
                                             L"Customized Values"}));
  HWND range = GetDlgItem(page, 1006);
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
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; }, 10000));
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

  // The printer's data file keeps the value written last.
  EXPECT_EQ(SavedAdjustment(shared_), -21);
}

TEST_F(CutPosition, ShowsWhatThePrinterHoldsWithoutADataFile) {
  // catches: a page that shows the data store's 0 instead of the printer's
  // value, or takes the forward amount when both are set
  const struct {
    const char* forward;
    const char* backward;
    const wchar_t* shown;
  } cases[] = {{"89", "0", L"12.6"}, {"0", "21", L"-3.0"}, {"89", "21", L"0.0"}};  // 89 units: 12.56 mm
  for (const auto& c : cases) {
    SCOPED_TRACE(c.forward + std::string(" forward, ") + c.backward + " backward");
    shared_.Clear();
    ASSERT_EQ(Control(std::string("cv 116 ") + c.forward), std::string("OK ") + c.forward);
    ASSERT_EQ(Control(std::string("cv 117 ") + c.backward), std::string("OK ") + c.backward);
    HWND frame = nullptr;
    HWND page = PickThePrinterAndShowThePage(frame);
    ASSERT_NE(page, nullptr) << "the cut-position page";
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(GetDlgItem(page, 1001)) == c.shown; }, 10000))
        << "shown: " << Narrow(gui::WindowText(GetDlgItem(page, 1001)));
    ASSERT_TRUE(WaitForStatus("restarting 0"));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
  }
}

TEST_F(CutPosition, InFileModeOnlyWritesTheBlock) {
  // catches: "Set" in file mode talking to the printer
  HWND frame = nullptr;
  HWND page = StartFileModeAndShowThePage(frame);
  ASSERT_NE(page, nullptr);
  HWND edit = GetDlgItem(page, 1001);
  ASSERT_EQ(Control("clear").substr(0, 2), "OK");
  Type(edit, L"12.5");
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(edit) == L"12.5"; }, 5000));
  gui::PressButton(page, 1005);
  Sleep(1500);
  const std::string heard = Control("received");
  EXPECT_EQ(heard.rfind("OK", 0), 0u);
  EXPECT_EQ(heard.find_first_not_of(' ', 2), std::string::npos) << "the printer heard nothing: " << heard;
  EXPECT_EQ(Control("cv 116"), "OK 0");
  PostMessageW(frame, WM_CLOSE, 0, 0);
  HWND question = gui::WaitForMessageBox(utility_->Id(), kStartMs);
  ASSERT_NE(question, nullptr) << "file mode asks whether to write the file";
  gui::PressButton(question, IDNO);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs));
  const auto data = gui::ReadFileBytes(shared_.File(L"PORT_0\\VX-R500_Setting.DAT"));
  ASSERT_TRUE(data);
  const auto block = DataFileBlock(*data, 0x10011);
  ASSERT_TRUE(block);
  EXPECT_EQ(static_cast<int32_t>(Le32At(*block, 36)), 89);
}

TEST_F(CutPosition, WriteThatFailsKeepsTheStoredValue) {
  const struct {
    const char* name;
    const char* before;       // control request before "Set"
    const char* whenAway;     // control request once the printer restarts
    const char* after;        // puts the emulator back
    const wchar_t* typed;
    const wchar_t* port;      // the printer picked: its port name
    const wchar_t* message;
  } cases[] = {
      // catches: a value the printer reports differently taken as set
      {"read-back differs", "misreport on", nullptr, "misreport off", L"20.0", L"127.0.0.1",
       L"Failed to change settings."},
      // catches: a read-back waited for without limit
      {"no read-back within 45 s", nullptr, "silent 1D 28 45", "silent off", L"30.0", L"127.0.0.1",
       L"Failed to change settings."},
      // catches: a printer away for longer than the restart wait reported as
      // set, or the lost connection reported twice. A restarting printer
      // takes no connection at all, on the network (refused) as on the port
      // monitor's port: the reconnect gives up with its own message.
      {"printer away through the restart wait, network", "restarttime 60000", nullptr, "restarttime 3000", L"40.0",
       L"127.0.0.1", L"Communication error."},
      {"printer away through the restart wait, port monitor", "restarttime 60000", nullptr, "restarttime 3000",
       L"50.0", L"USB001", L"Communication error."},
  };
  const CCalcAdjustValue calc = MakeCutPositionCalculator();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shared_.Clear();
    HWND frame = nullptr;
    HWND page = PickThePrinterAndShowThePage(frame, c.port);
    ASSERT_NE(page, nullptr);
    HWND edit = GetDlgItem(page, 1001);
    ASSERT_TRUE(WaitForStatus("restarting 0"));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; }, 10000));
    int32_t stored = 0;
    calc.FromDisplay(TenthsOfText(gui::WindowText(edit), 1), &stored);

    if (c.before) {
      ASSERT_EQ(Control(c.before).substr(0, 2), "OK");
    }
    Type(edit, c.typed);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(edit) == c.typed; }, 5000));
    gui::PressButton(page, 1005);
    if (c.whenAway) {
      ASSERT_TRUE(WaitForStatus("restarting 1", 10000));
      ASSERT_EQ(Control(c.whenAway).substr(0, 2), "OK");
    }
    const ULONGLONG started = GetTickCount64();
    HWND box = gui::WaitForMessageBox(utility_->Id(), 90000);
    ASSERT_NE(box, nullptr) << "the failure is reported";
    const std::wstring text = gui::MessageBoxText(box);
    EXPECT_EQ(text, c.message) << std::string(text.begin(), text.end());
    std::cout << "figure: " << c.name << ": reported after " << (GetTickCount64() - started) / 1000 << " s\n";
    gui::PressButton(box, IDOK);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_EQ(gui::WaitForMessageBox(utility_->Id(), 1500), nullptr) << "one message only";
    if (c.after) {
      ASSERT_EQ(Control(c.after).substr(0, 2), "OK");
    }
    ASSERT_TRUE(WaitForStatus("restarting 0", 60000));

    // The change is still unsaved: leaving asks.
    ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    HWND question = gui::WaitForMessageBox(utility_->Id(), kStartMs);
    ASSERT_NE(question, nullptr) << "the save question";
    gui::PressButton(question, IDNO);
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
    EXPECT_EQ(SavedAdjustment(shared_), stored) << "the block kept the value from before";
  }
}


// The faults a shop meets with a slow or silent printer, and with a user
// who does not wait: each walked as the user meets it.
class CutPositionReliability : public CutPosition {
protected:
  // The page with the printer back from the start-up read, ready for a Set.
  HWND ReadyPage(HWND& frame) {
    HWND page = PickThePrinterAndShowThePage(frame);
    if (!page || !WaitForStatus("restarting 0") ||
        !gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; }, 10000)) {
      return nullptr;
    }
    return page;
  }
  bool TypeValue(HWND page, const wchar_t* value) {
    HWND edit = GetDlgItem(page, 1001);
    Type(edit, value);
    return gui::WaitUntil([&] { return gui::WindowText(edit) == value; }, 5000);
  }
};

TEST_F(CutPositionReliability, SlowOrSilentPrinterIsNeverLeftInUserSettingMode) {
  const struct {
    const char* fault;
    const char* off;
  } cases[] = {
      // catches: no leave command after an enter whose reply came too late
      {"latency 2500", "latency 0"},
      // catches: no leave command after an enter that was heard but not answered
      {"noanswer on", "noanswer off"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    shared_.Clear();
    HWND frame = nullptr;
    HWND page = ReadyPage(frame);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(TypeValue(page, L"5.0"));
    ASSERT_EQ(Control(c.fault).substr(0, 2), "OK");
    gui::PressButton(page, 1005);
    HWND box = gui::WaitForMessageBox(utility_->Id(), 90000);
    ASSERT_NE(box, nullptr) << "the failure is reported";
    EXPECT_EQ(gui::MessageBoxText(box), L"Failed to change settings.");
    gui::PressButton(box, IDOK);
    ASSERT_EQ(Control(c.off).substr(0, 2), "OK");
    ASSERT_TRUE(WaitForStatus("restarting 0", 60000));
    EXPECT_EQ(Control("usersetting").substr(0, 6), "OK out") << "the printer left in user-setting mode";
    utility_->Kill();
    utility_.reset();
  }
}

TEST_F(CutPositionReliability, SetsOneAfterAnotherThroughAltF4AndOneRefused) {
  HWND frame = nullptr;
  HWND page = ReadyPage(frame);
  ASSERT_NE(page, nullptr);
  const struct {
    const wchar_t* typed;
    const char* forward;
    bool closeTheDialog;
  } sets[] = {{L"10.0", "OK 71", true}, {L"20.0", "OK 142", false}};
  for (const auto& set : sets) {
    ASSERT_EQ(Control("clear"), "OK");
    ASSERT_TRUE(TypeValue(page, set.typed));
    gui::PressButton(page, 1005);
    HWND dialog = WaitForDialogWith(utility_->Id(), 1029);
    ASSERT_NE(dialog, nullptr) << "the progress dialog";
    if (set.closeTheDialog) {
      // catches: Alt+F4 closing the dialog under a running worker, and the
      // main window then waiting for the worker without answering
      CAnswerProbe probe(utility_->Id());
      PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      Sleep(1500);
      EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog stays while the run goes on";
      EXPECT_LT(probe.LongestMs(), 100u);
    }
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }, 60000));
    // The next Set is clicked as soon as the dialog has gone.
    if (HWND box = gui::WaitForMessageBox(utility_->Id(), 300)) {
      ADD_FAILURE() << "a message: " << Narrow(gui::MessageBoxText(box));
      gui::PressButton(box, IDOK);
    }
    EXPECT_EQ(Control("cv 116"), set.forward);
  }
  // catches: the status pane reading the printer again after the Set's
  // own restart (a further enter and a further restart). The Set's enter
  // and its read-back's are the printer's only ones.
  Sleep(8000);
  EXPECT_EQ(Control("usersetting"), "OK out entries 2");
  EXPECT_EQ(gui::WindowText(FindVisibleChild(frame, 1025)), L"Status: Online");

  // catches: "Failed to change settings." for a Set refused, and never
  // sent, for the printer's status
  ASSERT_EQ(Control("condition cover on"), "OK");
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Cover is open"; },
                             10000));
  gui::PressButton(page, 1005);
  HWND box = gui::WaitForMessageBox(utility_->Id(), 10000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(gui::MessageBoxText(box), L"The printer is not ready, so nothing was sent to it.\r\nTry again when the "
                                      L"status line at the bottom of the window shows Online.");
  gui::PressButton(box, IDOK);
  EXPECT_EQ(Control("usersetting"), "OK out entries 2");
}

TEST_F(CutPositionReliability, SessionEndKeepsFileModeWork) {
  // catches: a logoff in file mode dropping the values set
  for (int start = 0; start < 2; ++start) {
    HWND frame = nullptr;
    HWND page = StartFileModeAndShowThePage(frame);
    ASSERT_NE(page, nullptr);
    HWND edit = GetDlgItem(page, 1001);
    if (start == 1) {
      // 5.0 mm is 35 units, shown as 4.9 mm.
      EXPECT_EQ(gui::WindowText(edit), L"4.9") << "the next start shows the value set";
      break;
    }
    EXPECT_EQ(gui::WindowText(edit), L"0.0");
    ASSERT_TRUE(TypeValue(page, L"5.0"));
    gui::PressButton(page, 1005);
    Sleep(500);
    // The session ends as the system ends it: the question, the end, the kill.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &answer));
    EXPECT_TRUE(answer) << "the session may end";
    ASSERT_TRUE(SendMessageTimeoutW(frame, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &answer));
    utility_->Kill();
    utility_.reset();
  }
  EXPECT_FALSE(gui::ReadFileBytes(temp_.Path() + L"\\settings.cmd")) << "the command file waits for the user's Yes";
}

}  // namespace
}  // namespace e2e
