// Every printer fault the emulator can play against every printer run of the
// utility, end to end: what the user is told, whether the utility's windows
// kept answering, and whether the printer's data file survived. Each cell
// prints a "cell:" line; docs/reliability.md is the table of those lines.

#include "tests/app/EndToEnd.h"

#include <commctrl.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "framework/FrameMessages.h"

namespace e2e {
namespace {

enum class PrinterRun { Startup, Refresh, Set, PortTest };

const char* NameOf(PrinterRun run) {
  switch (run) {
    case PrinterRun::Startup: return "start-up connect";
    case PrinterRun::Refresh: return "status pane refresh";
    case PrinterRun::Set: return "cut-position Set";
    case PrinterRun::PortTest: return "port setup test";
  }
  return "?";
}

struct Fault {
  const char* name;
  const char* before;  // control request before the run (nullptr: none)
  const char* during;  // sent again and again while the run goes (nullptr: none)
  DWORD duringEveryMs;
  bool holdPort;       // another client holds the printer through the run
};

const Fault kFaults[] = {
    {"none", nullptr, nullptr, 0, false},
    {"drop", nullptr, "drop", 700, false},
    {"dropmidreply", nullptr, "dropmidreply", 300, false},
    {"mute", "identity mute", nullptr, 0, false},
    {"noanswer", "noanswer on", nullptr, 0, false},
    {"latency 5 s", "latency 5000", nullptr, 0, false},
    {"restart over 45 s", "restarttime 60000", nullptr, 0, false},
    {"wrong model", "identity foreign", nullptr, 0, false},
    {"port in use", nullptr, nullptr, 0, true},
    {"status flood", nullptr, "condition nearend toggle", 10, false},
};

// What a cell is expected to end in: the messages shown, in order, then
// where the user is left. Filled from runs; every line is a documented
// message of the utility.
const std::map<std::string, std::string> kExpected = {
#include "tests/app/FaultMatrixExpected.inc"
};

class FaultMatrix : public EndToEnd, public testing::WithParamInterface<std::tuple<PrinterRun, int>> {
protected:
  void ResetPrinter() {
    for (const char* line : {"noanswer off", "latency 0", "identity served", "silent off", "misreport off",
                             "condition nearend off", "restarttime 0"}) {
      Control(line);
    }
    WaitForStatus("restarting 0", 10000);
    Control("restarttime 3000");
  }

  // Waits until the utility is at rest: no message, nothing disabled, no
  // progress dialog, for two seconds. Messages met on the way are written
  // down and answered (a question with No).
  void Settle(std::vector<std::string>& said, DWORD limitMs) {
    const ULONGLONG end = GetTickCount64() + limitMs;
    ULONGLONG quietSince = GetTickCount64();
    while (GetTickCount64() < end && utility_->IsRunning()) {
      bool busy = false;
      const auto windows = gui::TopLevelWindows(utility_->Id());
      // The selection stays disabled under the port setup it opened.
      const bool setupShown = std::any_of(windows.begin(), windows.end(),
                                          [](const gui::WindowInfo& w) { return GetDlgItem(w.hwnd, 1030) != nullptr; });
      for (const auto& w : windows) {
        if (setupShown && GetPropW(w.hwnd, kProperty)) continue;
        if (gui::IsMessageBox(w.hwnd)) {
          said.push_back(Narrow(gui::MessageBoxText(w.hwnd)));
          gui::PressButton(w.hwnd, GetDlgItem(w.hwnd, IDNO) ? IDNO : IDOK);
          gui::WaitUntil([&] { return !IsWindow(w.hwnd) || !IsWindowVisible(w.hwnd); }, 5000);
          busy = true;
        } else if (!IsWindowEnabled(w.hwnd) || FindWindowExW(w.hwnd, nullptr, L"msctls_progress32", nullptr)) {
          busy = true;
        } else if (w.className == L"#32770" && !GetPropW(w.hwnd, kProperty) && !GetDlgItem(w.hwnd, 1030)) {
          said.push_back("[" + Narrow(w.title) + "]");  // the error guidance
          gui::PressButton(w.hwnd, IDOK);
          busy = true;
        }
      }
      if (busy) quietSince = GetTickCount64();
      if (GetTickCount64() - quietSince >= 2000) return;
      Sleep(50);
    }
    said.push_back("(not at rest)");
  }

  HWND Frame() const {
    for (const auto& w : gui::TopLevelWindows(utility_->Id())) {
      if (w.className == L"VXUtilMainFrame") return w.hwnd;
    }
    return nullptr;
  }

  HWND StartToMainWindow() {
    HWND dialog = StartAndWaitForSelection();
    if (!dialog) return nullptr;
    gui::PressButton(dialog, IDOK);
    HWND frame = WaitForMainWindow();
    if (!frame) return nullptr;
    const bool online = gui::WaitUntil(
        [&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; }, 20000);
    if (!online || !WaitForStatus("restarting 0")) return nullptr;
    return frame;
  }
};

TEST_P(FaultMatrix, Cell) {
  const PrinterRun run = std::get<0>(GetParam());
  const Fault& fault = kFaults[std::get<1>(GetParam())];
  const std::string cell = std::string(fault.name) + " | " + NameOf(run);
  ResetPrinter();

  // To the point where the run begins, with a healthy printer.
  HWND dialog = nullptr, frame = nullptr, page = nullptr, setup = nullptr;
  if (run == PrinterRun::Startup) {
    dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
  } else if (run == PrinterRun::PortTest) {
    dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
    gui::PressButton(dialog, 1003);
    setup = gui::WaitForWindow(
        utility_->Id(), [](const gui::WindowInfo& w) { return IsWindowVisible(w.hwnd) && GetDlgItem(w.hwnd, 1030); },
        kStartMs);
    ASSERT_NE(setup, nullptr);
    gui::PressButton(setup, 2002);  // USB: the emulator's port is found
    HWND ports = GetDlgItem(setup, 1016);
    const std::wstring want = L"USB-" + usb_;
    ASSERT_TRUE(gui::WaitUntil(
        [&] {
          const auto lines = gui::ComboBoxItems(ports);
          const auto at = std::find(lines.begin(), lines.end(), want);
          if (at == lines.end()) return false;
          SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(at - lines.begin()), 0);
          return true;
        },
        10000));
  } else {
    frame = StartToMainWindow();
    ASSERT_NE(frame, nullptr);
    HWND range = nullptr;
    ASSERT_TRUE(gui::WaitUntil([&] { return (range = FindVisibleChild(frame, 1006)) != nullptr; }, 10000));
    page = GetParent(range);
  }

  // The fault, and the run.
  if (fault.before) {
    ASSERT_EQ(Control(fault.before).substr(0, 2), "OK");
  }
  if (std::string(fault.name) == "restart over 45 s" && run != PrinterRun::Set) {
    ASSERT_EQ(Control("restart").substr(0, 2), "OK");
  }
  SOCKET held = fault.holdPort ? ConnectTo(port_) : INVALID_SOCKET;
  if (fault.holdPort) {
    ASSERT_NE(held, INVALID_SOCKET);
  }
  // Another client on the monitor port too: the port setup talks over it.
  HANDLE heldPipe = INVALID_HANDLE_VALUE;
  if (fault.holdPort && run == PrinterRun::PortTest) {
    closesocket(held);
    held = INVALID_SOCKET;
    const std::wstring pipe = L"\\\\.\\pipe\\vxusb\\" + usb_;
    WaitNamedPipeW(pipe.c_str(), 2000);
    heldPipe = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(heldPipe, INVALID_HANDLE_VALUE);
  }

  std::vector<std::string> said;
  std::string where;
  {
    CAnswerProbe probe(utility_->Id());
    std::atomic<bool> running{true};
    std::thread during;
    if (fault.during) {
      during = std::thread([&] {
        bool on = false;
        while (running) {
          std::string line = fault.during;
          if (line == "condition nearend toggle") line = (on = !on) ? "condition nearend on" : "condition nearend off";
          Control(line);
          Sleep(fault.duringEveryMs);
        }
      });
    }
    const ULONGLONG started = GetTickCount64();
    switch (run) {
      case PrinterRun::Startup: gui::PressButton(dialog, IDOK); break;
      case PrinterRun::Refresh: PostMessageW(frame, WM_VX_STATUS_REFRESH, 0, 0); break;
      case PrinterRun::Set: {
        HWND edit = GetDlgItem(page, 1001);
        Type(edit, L"12.5");
        ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(edit) == L"12.5"; }, 5000));
        gui::PressButton(page, 1005);
        break;
      }
      case PrinterRun::PortTest: gui::PressButton(setup, 1026); break;
    }
    Sleep(300);
    Settle(said, 150000);
    // A read takes the printer through user-setting mode: the status line
    // is told once it is back.
    if (run == PrinterRun::Refresh && WaitForStatus("restarting 0", 60000)) {
      gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; }, 8000);
    }
    running = false;
    if (during.joinable()) during.join();
    if (held != INVALID_SOCKET) closesocket(held);
    if (heldPipe != INVALID_HANDLE_VALUE) CloseHandle(heldPipe);
    const DWORD answered = probe.LongestMs();
    const ULONGLONG took = GetTickCount64() - started;

    frame = Frame();
    if (run == PrinterRun::PortTest) where = IsWindow(setup) ? "port setup" : "selection";
    else if (frame) where = "main window";
    else if (IsWindow(dialog)) where = "selection";
    else where = utility_->IsRunning() ? "no window" : "ended";
    if (run == PrinterRun::Refresh && frame) where += ", " + Narrow(gui::WindowText(FindVisibleChild(frame, 1025)));
    if (run == PrinterRun::Set) where += ", printer " + Control("cv 116");
    std::string outcome;
    for (const auto& s : said) outcome += s + " / ";
    outcome += where;
    std::cout << "cell: " << cell << " | " << outcome << " | " << answered << " ms | " << took / 1000 << " s\n";

    const auto expected = kExpected.find(cell);
    if (expected == kExpected.end()) ADD_FAILURE() << "no expectation for " << cell << ": " << outcome;
    else EXPECT_EQ(outcome, expected->second) << cell;
    // A window that takes longer than this to answer has stopped to wait for
    // the printer; scheduling alone, even on a loaded machine, stays well
    // below it.
    EXPECT_LT(answered, 100u) << cell << ": the window thread stopped answering";
  }

  // Leaving: nothing saved that is not whole.
  ResetPrinter();
  if (frame && IsWindow(frame)) PostMessageW(frame, WM_CLOSE, 0, 0);
  else if (setup && IsWindow(setup)) gui::PressButton(setup, IDCANCEL);
  if (run == PrinterRun::PortTest && IsWindow(dialog)) {
    gui::WaitUntil([&] { return !IsWindow(setup); }, 5000);
    gui::PressButton(dialog, IDCANCEL);
  } else if (!frame && IsWindow(dialog)) {
    gui::PressButton(dialog, IDCANCEL);
  }
  std::vector<std::string> leaving;
  Settle(leaving, 20000);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs)) << cell;
  // Whatever the fault, the printer is not left in user-setting mode, where
  // it prints nothing (a leave command sent last may still be on its way).
  EXPECT_TRUE(gui::WaitUntil([&] { return Control("usersetting").rfind("OK out", 0) == 0; }, 5000))
      << cell << ": the printer left in user-setting mode";
  if (where.rfind("main window", 0) == 0) {
    const auto data = SavedDataFile(shared_);
    ASSERT_TRUE(data) << cell << ": the data file is written";
    const auto block = DataFileBlock(*data, 0x10011);
    ASSERT_TRUE(block) << cell << ": the data file's blocks add up";
    EXPECT_EQ(block->size(), 40u);
  }
  shared_.Clear();
}

INSTANTIATE_TEST_SUITE_P(Every, FaultMatrix,
                         testing::Combine(testing::Values(PrinterRun::Startup, PrinterRun::Refresh, PrinterRun::Set, PrinterRun::PortTest),
                                          testing::Range(0, static_cast<int>(std::size(kFaults)))),
                         [](const testing::TestParamInfo<std::tuple<PrinterRun, int>>& info) {
                           std::string name = std::string(NameOf(std::get<0>(info.param))) + "_" +
                                              kFaults[std::get<1>(info.param)].name;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace e2e
