#pragma once
// The program object: start-up, the message loop and shut-down.

#include <windows.h>

#include <string>
#include <vector>

class CWinAppBase {
public:
  virtual ~CWinAppBase() = default;

  // Start-up; false ends the program at once (shut-down still runs).
  virtual bool InitInstance() = 0;
  // Shut-down; its result becomes the exit code.
  virtual int ExitInstance() = 0;

  // InitInstance, the message loop while it succeeded, then ExitInstance.
  int Run();
  // A message before it is translated and dispatched; true when it was
  // handled (keyboard navigation, say) and goes no further.
  virtual bool PreTranslateMessage(MSG& msg) {
    (void)msg;
    return false;
  }

  HINSTANCE Instance() const { return instance_; }
  HWND MainWindow() const { return mainWindow_; }
  void SetMainWindow(HWND window) { mainWindow_ = window; }

protected:
  HINSTANCE instance_ = GetModuleHandleW(nullptr);
  HWND mainWindow_ = nullptr;
};

// The process's arguments after the program name.
std::vector<std::wstring> CommandLineArguments();
