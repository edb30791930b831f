#pragma once
// The fixture of the end-to-end tests: the program folder as installed, the
// emulated VX-R500 as its own process with endpoints of its own, the library's
// port registry pointing at it, and the utility started as a user or another
// program would start it, driven through its windows.

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/GuiDriver.h"

namespace e2e {

constexpr DWORD kStartMs = 30000;
extern const wchar_t kProperty[];

// The utility's shared data folder (PrinterSetting.INI and the printers'
// data files) for the life of a test: what was there before is moved aside
// and put back afterwards, so that the test starts from an empty folder and
// leaves no settings behind for the next.
class CSharedDataFolder {
public:
  CSharedDataFolder();
  ~CSharedDataFolder();
  CSharedDataFolder(const CSharedDataFolder&) = delete;
  CSharedDataFolder& operator=(const CSharedDataFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& relative) const { return path_ + L"\\" + relative; }
  // Empties the folder (between the cases of one test).
  void Clear() const;

private:
  std::wstring path_;
  std::wstring keptAside_;
};

// A connection to the emulated printer's TCP port; INVALID_SOCKET when refused.
SOCKET ConnectTo(uint16_t port);
// Sends bytes and reads what comes back within the time (all of it or at
// least `want` bytes).
std::string Exchange(SOCKET s, const std::string& bytes, std::size_t want, DWORD timeoutMs);
using gui::FindVisibleChild;
// The data file of the printer listed first in PrinterSetting.INI.
std::optional<std::string> SavedDataFile(const CSharedDataFolder& shared);
// One block of a settings data file, header included; nothing when the file
// has no such block or its blocks do not add up.
std::optional<std::string> DataFileBlock(const std::string& data, uint32_t id);
// The 32-bit little-endian value at an offset.
uint32_t Le32At(const std::string& bytes, std::size_t offset);
// Whether a named pipe has an instance (without connecting to it).
bool PipeExists(const std::wstring& name);
// A window text for a failure message (anything past ASCII as '?').
std::string Narrow(const std::wstring& text);

// Asks every visible window of a process for an answer, over and over, and
// keeps the longest wait. A window thread busy with the printer shows here
// as a wait of seconds.
class CAnswerProbe {
public:
  explicit CAnswerProbe(DWORD processId) : thread_([this, processId] { Loop(processId); }) {}
  ~CAnswerProbe() {
    stop_ = true;
    thread_.join();
  }
  CAnswerProbe(const CAnswerProbe&) = delete;
  CAnswerProbe& operator=(const CAnswerProbe&) = delete;
  DWORD LongestMs() const { return longest_; }

private:
  void Loop(DWORD processId);

  std::atomic<bool> stop_{false};
  std::atomic<DWORD> longest_{0};
  std::thread thread_;
};
// A visible dialog of the process with the control, other than `besides`.
HWND WaitForDialogWith(DWORD processId, int controlId, HWND besides = nullptr);
// Types a text into an edit box of another process as the keyboard would.
void Type(HWND edit, const std::wstring& text);
// The main window's menu pane (its list view) and the texts of its rows.
HWND MenuList(HWND frame);
std::vector<std::wstring> MenuRows(HWND frame);
// Clicks the menu row with the text; false when there is none.
bool SelectMenuRow(HWND frame, const std::wstring& text);

class EndToEnd : public testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the emulator with endpoints of its own (names unique to this test
  // program and call, its TCP port chosen by the system) and writes the
  // port registry for its two ports. False when it does not come up.
  [[nodiscard]] bool StartEmulator(const std::wstring& moreArguments = L"");
  // Asks the emulator to end and waits for it.
  [[nodiscard]] bool StopEmulator();
  // The library's port registry: the emulator's network and port-monitor
  // ports, then further lines (kind, port name, path, device name; tabs).
  void WritePortRegistry(const std::wstring& moreLines = L"") const;
  std::wstring PortRegistryPath() const { return temp_.Path() + L"\\ports.txt"; }

  // One line to the emulator's control pipe; its answer line.
  std::string Control(const std::string& line);
  // Polls the emulator's status until it contains the text.
  bool WaitForStatus(const std::string& part, DWORD timeoutMs = kStartMs);

  // Starts the utility with a command line; its printer selection dialog.
  HWND StartAndWaitForSelection(const std::wstring& args = L"");
  HWND StartAndWaitForSelection(const gui::CProgramFolder& program, const std::wstring& args);
  // Presses OK in the printer selection; the text of the message box that
  // answers, which is then closed.
  std::wstring PressOkAndReadMessage(HWND dialog);
  // The main window, or nothing; a message box on the way ends the wait and
  // says what went wrong.
  HWND WaitForMainWindow();

  // The rows of list 1020 of a dialog, one column.
  std::vector<std::wstring> ListColumn(HWND dialog, int column) const;

  CSharedDataFolder shared_;
  gui::CProgramFolder program_;
  gui::CTempFolder temp_;
  uint16_t port_ = 0;
  std::wstring monitor_;
  std::wstring usb_;
  std::wstring lpt_;
  std::wstring name_;
  std::unique_ptr<gui::CProcess> emulator_;
  std::unique_ptr<gui::CProcess> utility_;
};

}  // namespace e2e
