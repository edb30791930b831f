#pragma once
// A thread that keeps its library loaded while it runs: a host that unloads
// the library before Terminate must not pull the code from under the thread.

#include <windows.h>

#include <functional>

class CLibThread {
public:
  CLibThread() = default;
  ~CLibThread() { Join(); }
  CLibThread(const CLibThread&) = delete;
  CLibThread& operator=(const CLibThread&) = delete;

  bool Start(std::function<void()> body);
  void Join();
  bool IsCurrent() const { return id_ != 0 && GetCurrentThreadId() == id_; }
  bool Running() const { return handle_ != nullptr; }

private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};
