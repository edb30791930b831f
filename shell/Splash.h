#pragma once
// The start-up busy window: a borderless pop-up with the wait cursor over the
// area of the coming main window, on a user-interface thread of its own.

#include <windows.h>

#include <atomic>
#include <thread>

class CSplash {
public:
  static constexpr UINT kDisplayTimeMs = 10000;

  // mainWindow: where the application publishes its main window once it exists.
  CSplash(HINSTANCE instance, const std::atomic<HWND>* mainWindow);
  // Closes the window if it still exists and waits for the thread to end.
  ~CSplash();
  CSplash(const CSplash&) = delete;
  CSplash& operator=(const CSplash&) = delete;

  // Posts a close request to the window, when one exists.
  void RequestClose();
  HWND Window() const { return window_.load(); }

private:
  void ThreadMain() noexcept;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  HINSTANCE instance_;
  const std::atomic<HWND>* mainWindow_;
  std::atomic<HWND> window_{nullptr};
  HANDLE ready_;
  std::thread thread_;
};
