#pragma once
// Drives our programs and windows from tests: prepares a program folder,
// starts a program in it, finds its windows, dialogs and message boxes, reads
// their texts, presses buttons and waits for the end, always with a time-out,
// and cleans up whatever it started or made.

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace gui {

// The build's program folder (beside the tests' own folder).
std::wstring BuildProgramDir();
// The folder of the running test program.
std::wstring TestBinDir();

// A fresh copy of a program folder in the temporary folder, removed at the end.
class CProgramFolder {
public:
  explicit CProgramFolder(const std::wstring& source = BuildProgramDir());
  ~CProgramFolder();
  CProgramFolder(const CProgramFolder&) = delete;
  CProgramFolder& operator=(const CProgramFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& relative) const { return path_ + L"\\" + relative; }
  void Remove(const std::wstring& relative) const;
  void WriteText(const std::wstring& relative, const std::string& content) const;
  void Copy(const std::wstring& from, const std::wstring& relative) const;

private:
  std::wstring path_;
};

// A unique empty folder in the temporary folder, removed with everything in it.
class CTempFolder {
public:
  CTempFolder();
  ~CTempFolder();
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;
  const std::wstring& Path() const { return path_; }

private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
void CopyTree(const std::wstring& from, const std::wstring& to);

// A console program run to its end with its output and error streams in
// files beside outFolder; killed (code 99) if it outlives the limit.
struct ConsoleRun {
  DWORD code = 0xFFFF;
  std::string out;
  std::string err;
  double seconds = 0;
  bool finished = false;  // ended by itself within the limit
};
ConsoleRun RunConsoleProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingDir,
                             const std::wstring& outFolder, DWORD limitMs);

// One line to the control pipe of the emulator of that name (waiting up to
// waitMs for the pipe); its answer line, or "no control pipe".
std::string AskEmulator(const std::wstring& name, const std::string& line, DWORD waitMs);

// A started program; killed at destruction when it still runs.
class CProcess {
public:
  static std::unique_ptr<CProcess> Start(const std::wstring& exe, const std::wstring& arguments,
                                         const std::wstring& workingDir = L"");
  ~CProcess();
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  bool IsRunning() const;
  // True when it ended within the time; its exit code in *code.
  bool WaitForExit(DWORD timeoutMs, DWORD* code = nullptr) const;
  void Kill();

private:
  PROCESS_INFORMATION info_ = {};
};

struct WindowInfo {
  HWND hwnd = nullptr;
  std::wstring className;
  std::wstring title;
};

// Visible top-level windows of a process (0: every process).
std::vector<WindowInfo> TopLevelWindows(DWORD processId);
// Polls until pred accepts a visible top-level window of the process.
HWND WaitForWindow(DWORD processId, const std::function<bool(const WindowInfo&)>& pred, DWORD timeoutMs);
// Polls until cond holds; false on time-out.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs);

// The visible window with a control id among a window's descendants.
HWND FindVisibleChild(HWND parent, int id);
// The first of a window's descendants of a window class.
HWND FindChildOfClass(HWND parent, const std::wstring& className);
std::wstring WindowText(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
bool IsMessageBox(HWND hwnd);
std::wstring MessageBoxText(HWND hwnd);
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs);
// Presses a button of a dialog as a click would (posted, so it never blocks).
void PressButton(HWND dialog, int id);
// What a thread other than the caller finds of the named mutex right now: no
// such mutex, owned by someone, or free (taken and released again at once).
enum class MutexState { Missing, Held, Free };
MutexState StateOfMutex(const std::wstring& name);
std::ostream& operator<<(std::ostream& out, MutexState state);
// Saves what a window shows on screen as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::wstring& path);

// A cell of a report list view, also of another process (its items live in
// that process's memory).
std::wstring ListViewItemText(HWND list, int row, int column);
// Selects and focuses one row of a list view, also of another process, or
// clears the selection of every row (row -1); the list notifies its parent as
// after a click.
bool SelectListViewRow(HWND list, int row);
// Clicks the middle of a list view row, also of another process, as the
// mouse would (button down and up); false when there is no such row.
bool ClickListViewRow(HWND list, int row);
// The bounds of a list view row, also of another process.
std::optional<RECT> ListViewItemRect(HWND list, int row);
// The items of a list view's column header, also of another process.
struct HeaderItem {
  std::wstring text;
  int width = 0;
};
std::vector<HeaderItem> ListViewHeaderItems(HWND list);
// The lines of a combo box of any process.
std::vector<std::wstring> ComboBoxItems(HWND combo);

// A whole file's bytes; nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

struct MessageBoxRecord {
  std::wstring title;
  std::wstring text;
};

// Answers the message boxes this process shows while it lives, recording
// their titles and texts.
class CMessageBoxWatcher {
public:
  explicit CMessageBoxWatcher(int answer = IDOK);
  ~CMessageBoxWatcher();
  CMessageBoxWatcher(const CMessageBoxWatcher&) = delete;
  CMessageBoxWatcher& operator=(const CMessageBoxWatcher&) = delete;

  std::vector<MessageBoxRecord> Seen() const;
  void SetAnswer(int answer);

private:
  void Loop();
  mutable std::mutex lock_;
  std::vector<MessageBoxRecord> seen_;
  std::vector<HWND> answered_;
  std::vector<std::pair<HWND, int>> blank_;  // boxes shown before their text, and the polls since
  int answer_;
  HANDLE stop_;
  std::thread thread_;
};

// A stand-in tool (vx_standin_tool.exe, beside the tests) copied to where
// port setup looks for the real one below Program Files, and removed again
// with the folders made for it.
class CInstalledTool {
public:
  explicit CInstalledTool(const std::wstring& relative);
  ~CInstalledTool();
  CInstalledTool(const CInstalledTool&) = delete;
  CInstalledTool& operator=(const CInstalledTool&) = delete;
  bool Installed() const { return installed_; }

private:
  std::wstring path_;
  std::vector<std::wstring> made_;
  bool installed_ = false;
};
// Closes the stand-in tool's window once it shows; false when none did.
bool CloseTheTool();

// Runs fn on a helper thread after a delay (for closing windows a blocking
// call on the test thread shows).
class CDelayedAction {
public:
  CDelayedAction(std::function<bool()> fn, DWORD timeoutMs);
  ~CDelayedAction();
  bool Done() const;

private:
  HANDLE stop_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace gui
